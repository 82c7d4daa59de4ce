// What the test machine does the same way in both builds.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "machine.h"

namespace machine {

Printer FindPrinter(const std::wstring& name) {
  for (auto& printer : Printers()) {
    if (printer.name == name) return printer;
  }
  return {};
}

WORD NativeArchitecture() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

std::wstring NativeFolder() {
  return NativeArchitecture() == PROCESSOR_ARCHITECTURE_INTEL ? L"i386" : L"amd64";
}

std::wstring NativeEnvironment() {
  return NativeArchitecture() == PROCESSOR_ARCHITECTURE_INTEL ? L"Windows NT x86" : L"Windows x64";
}

std::wstring FileName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace machine

namespace machine {
namespace {
bool Clickable(HWND control) {
  return control && IsWindowVisible(control) && IsWindowEnabled(control);
}
}  // namespace

void Click(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (Clickable(button)) SendMessageW(button, BM_CLICK, 0, 0);
  PumpMessages();
}

void ClickListLine(HWND dialog, int id, int line, bool doubleClick) {
  HWND list = GetDlgItem(dialog, id);
  if (Clickable(list)) {
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    if (doubleClick) {
      // The second click lands on the same line before the list box reports it.
      SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }
  }
  PumpMessages();
}

void TypeAddress(HWND dialog, int id, BYTE a, BYTE b, BYTE c, BYTE d) {
  HWND control = GetDlgItem(dialog, id);
  if (Clickable(control)) SendMessageW(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
  PumpMessages();
}

void PressCloseBox(HWND dialog) {
  SendMessageW(dialog, WM_CLOSE, 0, 0);
  PumpMessages();
}

}  // namespace machine
