// Drives Installer.exe under Wine for the discovery test: starts it, chooses
// NET, and watches the port list until a line shows the expected address.
//
//   discovery_driver INSTALLER.exe A.B.C.D SECONDS
//
// Prints every line of the list at the end ("LINE: text") and "FOUND: A.B.C.D"
// when the address was listed; exits 0 then, 1 when it was not, 2 when the
// program could not be driven.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kTitle[] = L"BRINDOL Printer Driver Setup";
constexpr int kExit = 2, kNet = 1020, kPortList = 1021;

std::string Utf8(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::vector<std::wstring> ListLines(HWND list) {
  std::vector<std::wstring> lines;
  auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) continue;
    std::wstring line(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
    line.resize(static_cast<size_t>(length));
    lines.push_back(line);
  }
  return lines;
}

int Fail(const char* what) {
  std::printf("FAIL: %s (error %lu)\n", what, GetLastError());
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: discovery_driver INSTALLER.exe A.B.C.D SECONDS\n");
    return 2;
  }
  const std::wstring address = argv[2];
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[3])) * 1000;
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Fail("cannot start the installer");
  }
  HWND dialog = nullptr;
  while (!(dialog = FindWindowW(L"#32770", kTitle)) && GetTickCount() < deadline) Sleep(100);
  if (!dialog) return Fail("the dialog did not appear");
  SendMessageW(GetDlgItem(dialog, kNet), BM_CLICK, 0, 0);
  HWND list = GetDlgItem(dialog, kPortList);
  bool found = false;
  std::vector<std::wstring> lines;
  while (!found && GetTickCount() < deadline) {
    Sleep(200);
    lines = ListLines(list);
    for (const auto& line : lines) found |= line == address;
  }
  for (const auto& line : lines) std::printf("LINE: %s\n", Utf8(line).c_str());
  if (found) std::printf("FOUND: %s\n", Utf8(address).c_str());
  std::fflush(stdout);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(kExit, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, kExit)));
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return found ? 0 : 1;
}
