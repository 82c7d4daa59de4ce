// Entry point of Installer.exe.
#include <windows.h>

#include "program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  return RunSetupProgram(instance);
}
