// The GDI engine's palette service, looked up where the platform exports it.
#include "engine_palette.h"

#include "function_cast.h"

HPALETTE CreateEmptyBgrPalette() {
  using CreatePaletteFn = decltype(&EngCreatePalette);
  HMODULE gdi = GetModuleHandleA("gdi32.dll");
  if (!gdi) return nullptr;
  FARPROC entry = GetProcAddress(gdi, "EngCreatePalette");
  if (!entry) return nullptr;
  return FunctionCast<CreatePaletteFn>(entry)(PAL_BGR, 0, nullptr, 0, 0, 0);
}
