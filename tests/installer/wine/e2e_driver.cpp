// Drives Installer.exe under Wine the way a user would, through window
// messages to its real dialog: choose NET, type an address into the address
// control, press Install, answer the message box, leave. Also takes
// screenshots of the dialog and lists what the spooler holds afterwards.
//
//   e2e_driver clean
//   e2e_driver shot    INSTALLER.exe OUT.png
//   e2e_driver install INSTALLER.exe A.B.C.D
//   e2e_driver list
//   e2e_driver probe
//
// Output lines (UTF-8): "BOX: text", "DRIVER: name", "PRINTER: name|port|driver",
// "PORT: name", "EXIT: code". Exit status 0 unless the program could not be
// driven.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>
#include <winsvc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kTitle[] = L"BRINDOL Printer Driver Setup";
constexpr int kInstall = 1, kExit = 2, kNet = 1020, kAddress = 1022;

void Print(const char* tag, const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
  std::printf("%s: %s\n", tag, utf8.c_str());
  std::fflush(stdout);
}

[[noreturn]] void Fail(const char* what) {
  std::printf("FAIL: %s (error %lu)\n", what, GetLastError());
  std::fflush(stdout);
  ExitProcess(2);
}

template <typename Test>
bool WaitFor(DWORD milliseconds, Test test) {
  for (DWORD waited = 0; waited < milliseconds; waited += 100) {
    if (test()) return true;
    Sleep(100);
  }
  return test();
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// Enumeration callbacks are CALLBACK functions, not lambdas: on 32-bit Windows a lambda
// converts only to a pointer of the compiler's default convention.
BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

struct MessageBoxSearch {
  HWND owner, found;
};

BOOL CALLBACK MatchMessageBox(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<MessageBoxSearch*>(param);
  if (window != s->owner && GetWindow(window, GW_OWNER) == s->owner && IsWindowVisible(window) &&
      ClassOf(window) == L"#32770") {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// A message box is a dialog owned by the setup dialog.
HWND FindMessageBox(HWND dialog) {
  MessageBoxSearch search{dialog, nullptr};
  EnumWindows(MatchMessageBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct Running {
  PROCESS_INFORMATION process{};
  HWND dialog = nullptr;
};

Running Start(const wchar_t* installer) {
  Running run;
  std::wstring commandLine = L"\"" + std::wstring(installer) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(installer, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &run.process)) {
    Fail("cannot start the installer");
  }
  // A first start on a busy two-core machine (Wine loading its libraries, the
  // dialog loading its resources) can take far longer than on a desktop.
  if (!WaitFor(180000, [&] { return (run.dialog = FindWindowW(L"#32770", kTitle)) != nullptr; })) {
    Fail("the dialog did not appear");
  }
  WaitFor(10000, [&] { return IsWindowVisible(run.dialog) != FALSE; });
  return run;
}

void Leave(Running& run) {
  PostMessageW(run.dialog, WM_COMMAND, MAKEWPARAM(kExit, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(run.dialog, kExit)));
  if (WaitForSingleObject(run.process.hProcess, 30000) != WAIT_OBJECT_0)
    Fail("the installer did not end");
  DWORD code = 0;
  GetExitCodeProcess(run.process.hProcess, &code);
  Print("EXIT", std::to_wstring(code));
  CloseHandle(run.process.hProcess);
  CloseHandle(run.process.hThread);
}

// ---- PNG writing (stored deflate blocks: no compression library needed).
DWORD Crc(const BYTE* data, size_t size, DWORD crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

void PutBig(std::vector<BYTE>& out, DWORD value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<BYTE>(value >> shift));
}

void Chunk(std::vector<BYTE>& png, const char* type, const std::vector<BYTE>& data) {
  PutBig(png, static_cast<DWORD>(data.size()));
  std::vector<BYTE> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBig(png, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

bool WritePng(const wchar_t* path, int width, int height, const std::vector<BYTE>& rgb) {
  std::vector<BYTE> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb.begin() + static_cast<size_t>(y) * width * 3,
               rgb.begin() + static_cast<size_t>(y + 1) * width * 3);
  }
  std::vector<BYTE> zlib = {0x78, 0x01};
  DWORD a = 1, b = 0;
  for (BYTE byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    zlib.push_back(at + n >= raw.size() ? 1 : 0);
    zlib.push_back(static_cast<BYTE>(n));
    zlib.push_back(static_cast<BYTE>(n >> 8));
    zlib.push_back(static_cast<BYTE>(~n));
    zlib.push_back(static_cast<BYTE>(~n >> 8));
    zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    if (n == 0) break;
  }
  PutBig(zlib, (b << 16) | a);
  std::vector<BYTE> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<BYTE> header;
  PutBig(header, static_cast<DWORD>(width));
  PutBig(header, static_cast<DWORD>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", {});
  FILE* file = _wfopen(path, L"wb");
  if (!file) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && ok;
}

void Screenshot(HWND window, const wchar_t* path) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(1500);
  RECT rect;
  GetWindowRect(window, &rect);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  std::vector<BYTE> rgb(static_cast<size_t>(width) * height * 3);
  const BYTE* pixels = static_cast<const BYTE*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    rgb[i * 3] = pixels[i * 4 + 2];
    rgb[i * 3 + 1] = pixels[i * 4 + 1];
    rgb[i * 3 + 2] = pixels[i * 4];
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!WritePng(path, width, height, rgb)) Fail("cannot write the screenshot");
  Print("SHOT", path);
}

// Types the address into the address control like a keyboard would: the
// control puts the focus into its first field, and every character goes to
// whichever field has the focus then (the control moves on by itself after
// three digits or a full stop).
void TypeAddress(HWND dialog, const wchar_t* address) {
  HWND control = GetDlgItem(dialog, kAddress);
  SendMessageW(control, IPM_SETFOCUS, 0, 0);
  DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  for (const wchar_t* c = address; *c; ++c) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus ||
        GetParent(info.hwndFocus) != control) {
      Fail("no field of the address control has the focus");
    }
    SendMessageW(info.hwndFocus, WM_CHAR, *c, 0);
  }
}

void Install(const wchar_t* installer, const wchar_t* address) {
  Running run = Start(installer);
  HWND net = GetDlgItem(run.dialog, kNet);
  SendMessageW(net, BM_CLICK, 0, 0);
  if (SendMessageW(net, BM_GETCHECK, 0, 0) != BST_CHECKED) Fail("NET is not selected");
  if (!IsWindowEnabled(GetDlgItem(run.dialog, kAddress)))
    Fail("the address control is disabled for NET");
  TypeAddress(run.dialog, address);
  HWND install = GetDlgItem(run.dialog, kInstall);
  PostMessageW(install, BM_CLICK, 0, 0);
  HWND box = nullptr;
  if (!WaitFor(180000, [&] { return (box = FindMessageBox(run.dialog)) != nullptr; }))
    Fail("no message box");
  std::wstring text;
  for (HWND child : Children(box)) {
    std::wstring t = TextOf(child);
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && t.size() > text.size()) text = t;
  }
  Print("BOX", text);
  // Answer No to the test page (or OK to a failure).
  int answer = GetDlgItem(box, IDNO) ? IDNO : IDOK;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
  if (!WaitFor(30000, [&] { return !IsWindow(box) && IsWindowEnabled(install); }))
    Fail("the dialog stayed busy");
  Leave(run);
}

void Shot(const wchar_t* installer, const wchar_t* path) {
  Running run = Start(installer);
  Screenshot(run.dialog, path);
  Leave(run);
}

template <typename Record, typename Each>
void Enumerate(BOOL (*call)(DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD), DWORD level, Each each) {
  DWORD needed = 0, count = 0;
  call(level, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  if (!call(level, buffer.data(), needed, &needed, &count)) return;
  const auto* records = reinterpret_cast<const Record*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) each(records[i]);
}

BOOL Drivers(DWORD level, LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
  return EnumPrinterDriversW(nullptr, nullptr, level, b, s, n, c);
}
BOOL Printers(DWORD level, LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
  return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, level, b, s, n, c);
}
BOOL Ports(DWORD level, LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
  return EnumPortsW(nullptr, level, b, s, n, c);
}

void List() {
  Enumerate<DRIVER_INFO_2W>(Drivers, 2, [](const DRIVER_INFO_2W& d) { Print("DRIVER", d.pName); });
  Enumerate<PRINTER_INFO_2W>(Printers, 2, [](const PRINTER_INFO_2W& p) {
    Print("PRINTER", std::wstring(p.pPrinterName) + L"|" + (p.pPortName ? p.pPortName : L"") +
                         L"|" + (p.pDriverName ? p.pDriverName : L""));
  });
  Enumerate<PORT_INFO_1W>(Ports, 1, [](const PORT_INFO_1W& p) { Print("PORT", p.pName); });
}

// Reports what Wine's spooler and service manager do with the calls the
// setup program relies on; not checked, kept for the record.
void Probe() {
  HANDLE xcv = nullptr;
  PRINTER_DEFAULTSW admin = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  BOOL opened = OpenPrinterW(const_cast<LPWSTR>(L",XcvMonitor Standard TCP/IP Port"), &xcv, &admin);
  Print("PROBE", L"OpenPrinter(,XcvMonitor Standard TCP/IP Port) = " + std::to_wstring(opened) +
                     L" error " + std::to_wstring(opened ? 0 : GetLastError()));
  if (opened) {
    BYTE input[964] = {}, output[260] = {};
    std::memcpy(input, L"192.0.2.99_9100", 32);
    DWORD needed = 0, status = 0;
    BOOL sent =
        XcvDataW(xcv, L"AddPort", input, sizeof(input), output, sizeof(output), &needed, &status);
    Print("PROBE", L"XcvData(AddPort) = " + std::to_wstring(sent) + L" status " +
                       std::to_wstring(status) + L" error " +
                       std::to_wstring(sent ? 0 : GetLastError()));
    ClosePrinter(xcv);
  }
  HANDLE local = nullptr;
  BOOL localOpened = OpenPrinterW(const_cast<LPWSTR>(L",XcvMonitor Local Port"), &local, &admin);
  Print("PROBE", L"OpenPrinter(,XcvMonitor Local Port) = " + std::to_wstring(localOpened));
  if (localOpened) ClosePrinter(local);
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE spooler = manager ? OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS) : nullptr;
  Print("PROBE", L"OpenService(Spooler) = " + std::to_wstring(spooler != nullptr) + L" error " +
                     std::to_wstring(spooler ? 0 : GetLastError()));
  if (spooler) {
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    BOOL queried = QueryServiceStatusEx(spooler, SC_STATUS_PROCESS_INFO,
                                        reinterpret_cast<LPBYTE>(&status), sizeof(status), &needed);
    Print("PROBE", L"Spooler state " + std::to_wstring(queried ? status.dwCurrentState : 0));
    CloseServiceHandle(spooler);
  }
  if (manager) CloseServiceHandle(manager);
}

// Removes what earlier runs installed, so that each run starts from the
// plain name again.
void Clean() {
  std::vector<std::wstring> printers;
  Enumerate<PRINTER_INFO_2W>(Printers, 2, [&](const PRINTER_INFO_2W& p) {
    if (std::wcsncmp(p.pPrinterName, L"BRINDOL-", 8) == 0) printers.push_back(p.pPrinterName);
  });
  for (auto& name : printers) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(name.data(), &printer, &defaults)) {
      if (!DeletePrinter(printer)) Print("CLEAN-FAILED", name);
      ClosePrinter(printer);
    }
  }
  for (const wchar_t* driver : {L"BRINDOL-80", L"BRINDOL-58"})
    DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(driver));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"clean") {
    Clean();
  } else if (mode == L"shot" && argc == 4) {
    Shot(argv[2], argv[3]);
  } else if (mode == L"install" && argc == 4) {
    Install(argv[2], argv[3]);
  } else if (mode == L"list") {
    List();
  } else if (mode == L"probe") {
    Probe();
  } else {
    std::fprintf(
        stderr,
        "usage: e2e_driver clean | shot INSTALLER OUT.png | install INSTALLER ADDRESS | list\n");
    return 1;
  }
  return 0;
}
