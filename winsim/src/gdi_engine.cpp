// GDI engine services of winsim: EngCreatePalette hands out distinct non-null
// handles and records each request for tests.
#include <mutex>
#include <vector>

#include "sim_gdi_engine.h"

namespace {

struct PaletteLog {
  std::mutex lock;
  std::vector<sim::EnginePalette> palettes;
  std::uintptr_t nextHandle = 0x7000;
};

PaletteLog& Log() {
  static PaletteLog log;
  return log;
}

}  // namespace

namespace sim {

std::vector<EnginePalette> EnginePalettes() {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  return log.palettes;
}

void ClearEnginePalettes() {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  log.palettes.clear();
}

}  // namespace sim

extern "C" HPALETTE APIENTRY EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors,
                                              FLONG flRed, FLONG flGreen, FLONG flBlue) {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  log.nextHandle += 0x10;
  auto handle = reinterpret_cast<HPALETTE>(log.nextHandle);
  log.palettes.push_back({iMode, cColors, pulColors != nullptr, flRed, flGreen, flBlue, handle});
  return handle;
}
