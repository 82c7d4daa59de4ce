// Common ground of the setup program's tests.
#include "installer_fixture.h"

#include <cwctype>

#include "package_files.h"
#include "setup_directory.h"
#include "wide_format.h"

void InstallerTest::SetUp() {
  machine::Reset();
  InitSetupDirectory();
}

void InstallerTest::TearDown() {
  std::string open;
  for (const auto& handle : machine::OpenHandles()) open += handle + "; ";
  EXPECT_TRUE(open.empty()) << "handles left open: " << open;
  // Under Wine the machine is the test prefix: nothing a test added stays.
  machine::Reset();
}

void InstallerTest::StagePackage(const std::wstring& folder, const std::wstring& missing) {
  for (const WCHAR* file : kArchitecturePackageFiles) {
    if (file != missing)
      machine::WriteFile(L"C:\\setup\\" + folder + L"\\" + file, StagedLibrary(folder, file));
  }
  for (const WCHAR* file : kCommonPackageFiles) {
    if (file != missing) machine::WriteFile(L"C:\\setup\\" + std::wstring(file), Utf8(file));
  }
}

std::string InstallerTest::PeImage(WORD machine, const std::string& tail) {
  std::string image(0x40, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x40;  // the PE signature follows the DOS header at once
  image += std::string("PE\0\0", 4);
  image += static_cast<char>(machine & 0xFF);
  image += static_cast<char>(machine >> 8);
  return image + tail;
}

std::string InstallerTest::StagedLibrary(const std::wstring& folder, const std::wstring& file) {
  const WORD machine = folder == L"i386"    ? 0x014C
                       : folder == L"arm"   ? 0x01C4
                       : folder == L"arm64" ? 0xAA64
                                            : 0x8664;
  return PeImage(machine, Utf8(folder + L" " + file));
}

InstallRequest InstallerTest::Request(const std::wstring& port, const std::wstring& model) {
  InstallRequest request = {};
  CopyText(request.driverName, model.c_str());
  CopyText(request.printerName, model.c_str());
  CopyText(request.portName, port.c_str());
  request.dataFile = model == L"BRINDOL-58" ? L"BRINDOL58C.GPD" : L"BRINDOL80C.GPD";
  request.connectionKind = kConnectionUsb;
  return request;
}

std::vector<std::string> InstallerTest::LogLines() {
  std::vector<std::string> lines;
  auto output = machine::DebugOutput();
  for (size_t i = 0; i < output.size(); ++i) {
    if (output[i] == "\n") continue;
    EXPECT_TRUE(i + 1 < output.size() && output[i + 1] == "\n")
        << "log line without its line feed: " << output[i];
    lines.push_back(output[i]);
  }
  return lines;
}

std::vector<std::wstring> InstallerTest::PrinterNames() {
  std::vector<std::wstring> names;
  for (const auto& printer : machine::Printers()) names.push_back(printer.name);
  return names;
}

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "resource.h"

void DialogTest::SetUp() {
  machine::LoadResources();
  ResetMachine();
}

void DialogTest::ResetMachine() {
  InstallerTest::SetUp();
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);
}

void DialogTest::TearDown() {
  if (dialog_) DestroyWindow(dialog_);
  InstallerTest::TearDown();
}

HWND DialogTest::Open() {
  dialog_ = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                               reinterpret_cast<LPARAM>(&state_));
  // As the program's modal dialog is.
  if (dialog_) ShowWindow(dialog_, SW_SHOW);
  machine::PumpMessages();
  return dialog_;
}

HWND DialogTest::Item(int id) const { return GetDlgItem(dialog_, id); }
bool DialogTest::Visible(int id) const { return IsWindowVisible(Item(id)); }
bool DialogTest::Enabled(int id) const { return IsWindowEnabled(Item(id)); }
bool DialogTest::Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

std::wstring DialogTest::Text(int id) const {
  WCHAR text[1024] = {};
  GetWindowTextW(id ? Item(id) : dialog_, text, 1024);
  return text;
}

std::vector<std::wstring> DialogTest::Lines() const {
  return machine::ListLines(Item(IDC_PORT_LIST));
}
int DialogTest::Selection() const {
  return static_cast<int>(SendMessageW(Item(IDC_PORT_LIST), LB_GETCURSEL, 0, 0));
}

DWORD DialogTest::Address() const {
  DWORD address = 0;
  SendMessageW(Item(IDC_ADDRESS), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return address;
}

void DialogTest::AddFoundPrinter(const std::wstring& address) {
  auto entry = PortList::NewEntry();
  CopyText(entry->portName, address.c_str());
  std::lock_guard<std::mutex> guard(state_.ports.foundLock);
  state_.ports.found.PushFront(std::move(entry));
}

bool EqualNoCaseForTest(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
      return false;
  }
  return true;
}
