// The setup program's side of the fuzz targets: a fresh simulated machine
// for every input, the real dialog (real resources, real dialog procedure)
// when a target needs it, and wide texts from fuzzer bytes. The targets link
// setup_resources.cpp, which loads the resources once.
#pragma once

#include <commctrl.h>

#include <string>

#include "dialog.h"
#include "fuzz_input.h"
#include "machine.h"
#include "resource.h"
#include "sim.h"
#include "sim_network.h"

// A machine as the program finds it, with the program in C:\setup\, for the
// life of the object. Ending it resets the machine again: what one input
// made is freed by that input, so the fuzzer sees no growth to chase as a
// leak.
class FreshMachine {
 public:
  FreshMachine() {
    sim::ResetWorld();
    sim::SetModuleFileName(L"C:\\setup\\Installer.exe");
  }
  ~FreshMachine() { sim::ResetWorld(); }
  FreshMachine(const FreshMachine&) = delete;
  FreshMachine& operator=(const FreshMachine&) = delete;
};

// The setup dialog, open for the life of the object. Closing it must leave
// no handle open but the discovery's threads, which live until the program
// ends (and which ResetWorld ends).
class SetupDialog {
 public:
  SetupDialog() {
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    window_ = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                                 reinterpret_cast<LPARAM>(&state_));
    FUZZ_CHECK(window_ != nullptr);
    ShowWindow(window_, SW_SHOW);  // as the program's modal dialog is
    sim::PumpMessages();
  }
  ~SetupDialog() {
    DestroyWindow(window_);
    sim::EndThreads();
    for (const std::string& handle : sim::OpenHandles()) FUZZ_CHECK(handle == "thread");
  }
  SetupDialog(const SetupDialog&) = delete;
  SetupDialog& operator=(const SetupDialog&) = delete;

  HWND Window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  DialogState& State() { return state_; }

 private:
  DialogState state_;
  HWND window_ = nullptr;
};

// A UTF-16 text: two fuzzer bytes per character, NULs included.
inline std::wstring WideText(FuzzInput& in, std::size_t maxChars) {
  const std::string bytes = in.Text(2 * maxChars);
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return text;
}

// Every entry of a port list ends inside its 260 characters.
inline void CheckPortList(const PortList& list) {
  for (const PortEntry* entry = list.Head(); entry; entry = entry->next) {
    bool ended = false;
    for (WCHAR c : entry->portName) ended = ended || c == 0;
    FUZZ_CHECK(ended);
  }
}
