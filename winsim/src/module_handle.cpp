// GetModuleHandleA of winsim: system library names map to the program, since
// winsim itself plays those libraries and lives in the program; GetProcAddress
// on that handle searches the program's exported symbols.
#include <dlfcn.h>
#include <windows.h>

#include <cctype>
#include <string>

namespace {

constexpr const char* kSystemLibraries[] = {"kernel32.dll", "kernelbase.dll", "gdi32.dll",
                                            "user32.dll",   "advapi32.dll",   "winspool.drv",
                                            "ws2_32.dll",   "setupapi.dll",   "ntdll.dll"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

HMODULE ProgramModule() { return static_cast<HMODULE>(dlopen(nullptr, RTLD_NOW)); }

}  // namespace

extern "C" HMODULE GetModuleHandleA(LPCSTR name) {
  if (!name) return ProgramModule();
  const std::string lower = Lower(name);
  for (const char* system : kSystemLibraries) {
    if (lower == system) return ProgramModule();
  }
  // A loaded shared object; the lookup must not add a reference.
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (!handle) {
    SetLastError(126);  // ERROR_MOD_NOT_FOUND
    return nullptr;
  }
  dlclose(handle);
  return static_cast<HMODULE>(handle);
}
