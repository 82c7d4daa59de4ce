// What the setup program's tests read back from a machine: spooler entries,
// message boxes shown, dialog templates. One set of types for winsim's
// control surface (sim_installer.h) and for the tests' machine (machine.h),
// which the Windows build implements on the real API; so this header needs
// nothing but <windows.h>.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace records {

// A driver as the spooler lists it at level 3.
struct Driver {
  DWORD version = 0;
  std::wstring name, environment, driverPath, dataFile, configFile, helpFile, monitorName,
      defaultDataType;
  std::vector<std::wstring> dependentFiles;
};

// A printer as the spooler lists it at level 2.
struct Printer {
  std::wstring name, port, driver, printProcessor, dataType, shareName, serverName;
  DWORD attributes = 0;
};

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::wstring text, caption;
  UINT type = 0;  // the MB_ICON* and MB_OK / MB_YESNO flags
};

struct DialogControl {
  int id = 0;
  std::wstring className, text;
  DWORD style = 0, exStyle = 0;
  RECT rect{};  // dialog units: left, top, width, height kept as left/top/right=width/bottom=height
};

struct DialogTemplate {
  LANGID language = 0;
  DWORD style = 0;
  std::wstring caption, fontName;
  int fontSize = 0;
  RECT rect{};  // x, y, width, height as above
  std::vector<DialogControl> controls;
};

}  // namespace records
