// Test control of winsim's GDI engine services: what EngCreatePalette was
// asked for. Palettes are never freed by their users; the record keeps them all.
#pragma once

#include <winddi.h>
#include <windows.h>

#include <vector>

namespace sim {

struct EnginePalette {
  ULONG mode;
  ULONG colorCount;
  bool hadColorTable;
  FLONG red;
  FLONG green;
  FLONG blue;
  HPALETTE handle;
};

std::vector<EnginePalette> EnginePalettes();
void ClearEnginePalettes();

}  // namespace sim
