// The test machine in the Windows build: the real API, in a Wine prefix that
// belongs to the test program (tests/installer/wine/run_tests.sh makes it and
// starts the program from C:\setup\). Everything a test adds goes again at the
// next reset: every queue and driver, and every port but those a fresh prefix has.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>

#include "machine.h"

namespace machine {
namespace {

constexpr wchar_t kSetupFolder[] = L"C:\\setup";
constexpr wchar_t kSerialComm[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr DWORD kPrintExceptionWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

std::mutex gOutputLock;
std::vector<std::string> gOutput;
thread_local bool tWideJustSeen = false;

// OutputDebugString raises a print exception that the first vectored handler
// sees whether or not a debugger is attached; newer systems raise the wide one
// first and then the narrow one for the same text.
LONG CALLBACK CaptureDebugOutput(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (record->ExceptionCode == kPrintExceptionWide && record->NumberParameters >= 2) {
    std::wstring text(reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]));
    std::lock_guard<std::mutex> guard(gOutputLock);
    gOutput.push_back(Utf8(text));
    tWideJustSeen = true;
  } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
    if (tWideJustSeen) {
      tWideJustSeen = false;
    } else {
      std::lock_guard<std::mutex> guard(gOutputLock);
      gOutput.emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " failed, error " + std::to_string(GetLastError()));
}

std::vector<BYTE> Enumerate(const std::string& what, BOOL (*call)(BYTE*, DWORD, DWORD*, DWORD*),
                            DWORD& count) {
  DWORD needed = 0;
  count = 0;
  call(nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!call(buffer.data(), needed, &needed, &count)) Fail(what);
  return buffer;
}

std::wstring Text(const wchar_t* text) { return text ? text : L""; }

std::vector<std::wstring> PrinterNames() {
  DWORD count = 0;
  auto buffer = Enumerate(
      "EnumPrintersW",
      [](BYTE* b, DWORD n, DWORD* needed, DWORD* c) {
        return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, b, n, needed, c);
      },
      count);
  std::vector<std::wstring> names;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.push_back(Text(info[i].pPrinterName));
  return names;
}

std::vector<std::wstring> PortNames() {
  DWORD count = 0;
  auto buffer = Enumerate(
      "EnumPortsW",
      [](BYTE* b, DWORD n, DWORD* needed, DWORD* c) {
        return EnumPortsW(nullptr, 1, b, n, needed, c);
      },
      count);
  std::vector<std::wstring> names;
  const auto* info = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.push_back(Text(info[i].pName));
  return names;
}

void LocalPortCommand(const wchar_t* command, const std::wstring& port) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE monitor = nullptr;
  if (!OpenPrinterW(const_cast<LPWSTR>(L",XcvMonitor Local Port"), &monitor, &defaults)) {
    Fail("OpenPrinterW(Local Port monitor)");
  }
  DWORD needed = 0, status = 0;
  BOOL ok = XcvDataW(monitor, command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port.c_str())),
                     static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed,
                     &status);
  ClosePrinter(monitor);
  if (!ok || status != ERROR_SUCCESS) {
    SetLastError(ok ? status : GetLastError());
    Fail("XcvDataW " + Utf8(command) + " " + Utf8(port));
  }
}

void DeleteTree(const std::wstring& folder, const std::wstring& keep) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L".." || _wcsicmp(name.c_str(), keep.c_str()) == 0) continue;
    std::wstring path = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTree(path, L"");
      RemoveDirectoryW(path.c_str());
    } else {
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::wstring ProgramFileName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return FileName(path);
}

// The ports every Wine prefix starts with; tests add others.
bool IsMachinePort(const std::wstring& name) {
  if (name == L"FILE:") return true;
  size_t digits = name.find_first_of(L"0123456789");
  std::wstring kind = name.substr(0, digits);
  return (kind == L"COM" || kind == L"LPT") && digits != std::wstring::npos &&
         name.back() == L':' && name.find_first_not_of(L"0123456789", digits) == name.size() - 1;
}

void ResetUser();

}  // namespace

void Reset() {
  static bool capturing = false;
  if (!capturing) AddVectoredExceptionHandler(1, CaptureDebugOutput);
  capturing = true;

  // The prefix belongs to the tests: every queue and driver in it is one a
  // test (of this run or an earlier one) added.
  for (const auto& name : PrinterNames()) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &printer, &defaults)) continue;
    DeletePrinter(printer);
    ClosePrinter(printer);
  }
  for (const auto& driver : Drivers()) {
    DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(driver.name.c_str()));
  }
  for (const auto& port : PortNames()) {
    if (!IsMachinePort(port)) LocalPortCommand(L"DeletePort", port);
  }

  DeleteTree(kSetupFolder, ProgramFileName());
  DeleteTree(DriverDirectory(), L"");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSerialComm);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSerialComm);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTestKey);

  ResetUser();
  SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  std::lock_guard<std::mutex> guard(gOutputLock);
  gOutput.clear();
}

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::vector<std::string> DebugOutput() {
  std::lock_guard<std::mutex> guard(gOutputLock);
  return gOutput;
}

void WriteFile(const std::wstring& path, const std::string& content) {
  for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos;
       slash = path.find(L'\\', slash + 1)) {
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("CreateFileW " + Utf8(path));
  DWORD written = 0;
  BOOL ok =
      ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != content.size()) Fail("WriteFile " + Utf8(path));
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string content;
  char chunk[4096];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
    content.append(chunk, read);
  CloseHandle(file);
  return content;
}

std::wstring DriverDirectory() {
  wchar_t directory[MAX_PATH] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory),
                                  sizeof directory, &needed)) {
    Fail("GetPrinterDriverDirectoryW");
  }
  return directory;
}

namespace {
void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const void* data, DWORD size) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, &key, nullptr);
  // Keys under a volatile one (HKLM\HARDWARE) must be volatile too.
  if (status == ERROR_CHILD_MUST_BE_VOLATILE) {
    status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE,
                             nullptr, &key, nullptr);
  }
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    Fail("setting registry value " + Utf8(path + L"\\" + name));
  }
}
}  // namespace

void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::wstring& value) {
  SetValue(root, path, name, REG_SZ, value.c_str(),
           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}

// A driver needs its files in the driver directory; placeholders do, since
// nothing here loads them.
void AddDriver(const std::wstring& name) {
  const std::wstring directory = DriverDirectory();
  for (const wchar_t* file : {L"machine-driver.dll", L"machine-driver.gpd", L"machine-ui.dll"}) {
    if (!FileExists(directory + L"\\" + file)) WriteFile(directory + L"\\" + file, "placeholder");
  }
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = const_cast<LPWSTR>(name.c_str());
  info.pDriverPath = const_cast<LPWSTR>(L"machine-driver.dll");
  info.pDataFile = const_cast<LPWSTR>(L"machine-driver.gpd");
  info.pConfigFile = const_cast<LPWSTR>(L"machine-ui.dll");
  if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info))) Fail("AddPrinterDriverW");
}

void AddQueue(const std::wstring& name, const std::wstring& port, const std::wstring& driver) {
  PRINTER_INFO_2W info = {};
  info.pPrinterName = const_cast<LPWSTR>(name.c_str());
  info.pPortName = const_cast<LPWSTR>(port.c_str());
  info.pDriverName = const_cast<LPWSTR>(driver.c_str());
  info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
  info.pDatatype = const_cast<LPWSTR>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (!printer) Fail("AddPrinterW " + Utf8(name));
  ClosePrinter(printer);
}

void AddLocalPort(const std::wstring& name) { LocalPortCommand(L"AddPort", name); }

std::vector<Driver> Drivers() {
  DWORD count = 0;
  auto buffer = Enumerate(
      "EnumPrinterDriversW",
      [](BYTE* b, DWORD n, DWORD* needed, DWORD* c) {
        return EnumPrinterDriversW(nullptr, nullptr, 3, b, n, needed, c);
      },
      count);
  std::vector<Driver> drivers;
  const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    Driver d;
    d.version = info[i].cVersion;
    d.name = Text(info[i].pName);
    d.environment = Text(info[i].pEnvironment);
    d.driverPath = Text(info[i].pDriverPath);
    d.dataFile = Text(info[i].pDataFile);
    d.configFile = Text(info[i].pConfigFile);
    d.helpFile = Text(info[i].pHelpFile);
    d.monitorName = Text(info[i].pMonitorName);
    d.defaultDataType = Text(info[i].pDefaultDataType);
    for (const wchar_t* file = info[i].pDependentFiles; file && *file; file += wcslen(file) + 1) {
      d.dependentFiles.push_back(file);
    }
    drivers.push_back(d);
  }
  return drivers;
}

std::vector<Printer> Printers() {
  DWORD count = 0;
  auto buffer = Enumerate(
      "EnumPrintersW",
      [](BYTE* b, DWORD n, DWORD* needed, DWORD* c) {
        return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, b, n, needed, c);
      },
      count);
  std::vector<Printer> printers;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    printers.push_back({Text(info[i].pPrinterName), Text(info[i].pPortName),
                        Text(info[i].pDriverName), Text(info[i].pPrintProcessor),
                        Text(info[i].pDatatype), Text(info[i].pShareName),
                        Text(info[i].pServerName), info[i].Attributes});
  }
  return printers;
}

std::wstring DefaultPrinter() {
  wchar_t name[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  return GetDefaultPrinterW(name, &size) ? name : L"";
}

std::vector<std::string> OpenHandles() { return {}; }

void LoadResources() {}

namespace {
struct User {
  bool quit = false;
  int quitCode = 0;
  std::vector<MessageBoxRecord> boxes;
  std::deque<int> answers;
  std::function<int(const MessageBoxRecord&)> boxHandler;
  std::function<void(HWND)> modalScript;
  HWND modalDialog = nullptr;
  HHOOK hook = nullptr;
};
User& TheUser() {
  static User user;
  return user;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}
std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return text.c_str();
}

// A message box is a dialog of the system's with the message text in the
// static control 0xFFFF.
constexpr int kMessageTextId = 0xFFFF;

UINT BoxIcon(HWND box) {
  struct Icon {
    LPCWSTR name;
    UINT flag;
  } icons[] = {{IDI_ERROR, MB_ICONERROR},
               {IDI_QUESTION, MB_ICONQUESTION},
               {IDI_WARNING, MB_ICONWARNING},
               {IDI_INFORMATION, MB_ICONINFORMATION}};
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    auto shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    for (const auto& icon : icons) {
      if (shown && shown == LoadIconW(nullptr, icon.name)) return icon.flag;
    }
  }
  return 0;
}

void CALLBACK RunModalScript(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  auto script = std::move(TheUser().modalScript);
  TheUser().modalScript = nullptr;
  if (script) script(TheUser().modalDialog);
}

// The simulated user watches every window this thread activates: a message
// box is recorded and answered; the next modal dialog runs its script once
// its modal loop runs.
LRESULT CALLBACK WatchActivations(int code, WPARAM wParam, LPARAM lParam) {
  User& user = TheUser();
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && ClassName(window) == L"#32770") {
    if (HWND text = GetDlgItem(window, kMessageTextId)) {
      MessageBoxRecord box{GetWindow(window, GW_OWNER), WindowText(text), WindowText(window),
                           BoxIcon(window)};
      bool yesNo = GetDlgItem(window, IDYES) && GetDlgItem(window, IDNO);
      box.type |= yesNo ? MB_YESNO : MB_OK;
      user.boxes.push_back(box);
      int answer = yesNo ? IDNO : IDOK;
      if (user.boxHandler) {
        answer = user.boxHandler(box);
      } else if (!user.answers.empty()) {
        answer = user.answers.front();
        user.answers.pop_front();
      }
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    } else if (user.modalScript && !user.modalDialog) {
      user.modalDialog = window;
      SetTimer(nullptr, 0, 0, RunModalScript);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ResetUser() {
  // Whatever the last test left in the queue (a WM_QUIT from a dialog it
  // destroyed would end the next modal dialog at once) goes first.
  PumpMessages();
  User& user = TheUser();
  if (!user.hook)
    user.hook = SetWindowsHookExW(WH_CBT, WatchActivations, nullptr, GetCurrentThreadId());
  HHOOK hook = user.hook;
  user = User{};
  user.hook = hook;
}
}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      TheUser().quit = true;
      TheUser().quitCode = static_cast<int>(message.wParam);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool QuitPosted() {
  PumpMessages();
  return TheUser().quit;
}
int QuitCode() { return TheUser().quitCode; }

void AnswerMessageBoxes(std::vector<int> answers) {
  TheUser().answers.assign(answers.begin(), answers.end());
}
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler) {
  TheUser().boxHandler = std::move(handler);
}
std::vector<MessageBoxRecord> MessageBoxes() { return TheUser().boxes; }
void OnModalDialog(std::function<void(HWND dialog)> script) {
  TheUser().modalScript = std::move(script);
  TheUser().modalDialog = nullptr;
}

// ---- Resources, read from the program's own image.
namespace {
struct Languages {
  std::vector<LANGID> found;
};
BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<Languages*>(param)->found.push_back(language);
  return TRUE;
}
std::vector<LANGID> ResourceLanguages(LPCWSTR type, LPCWSTR name) {
  Languages languages;
  EnumResourceLanguagesW(nullptr, type, name, CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  std::sort(languages.found.begin(), languages.found.end());
  return languages.found;
}
std::pair<const BYTE*, DWORD> ResourceBytes(LPCWSTR type, LPCWSTR name, LANGID language) {
  HRSRC found = FindResourceExW(nullptr, type, name, language);
  if (!found) return {nullptr, 0};
  HGLOBAL loaded = LoadResource(nullptr, found);
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(nullptr, found)};
}

// Reads the parts of a dialog template the tests look at.
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* data) : data_(data) {}
  WORD Word() {
    Align(2);
    WORD value;
    std::memcpy(&value, data_ + at_, 2);
    at_ += 2;
    return value;
  }
  DWORD Dword() {
    DWORD low = Word();
    return low | static_cast<DWORD>(Word()) << 16;
  }
  short Short() { return static_cast<short>(Word()); }
  std::wstring Text() {
    std::wstring text;
    for (WORD c; (c = Word()) != 0;) text.push_back(static_cast<wchar_t>(c));
    return text;
  }
  // A text, or an ordinal (0xFFFF and a number), shown as its number.
  std::wstring TextOrOrdinal() {
    Align(2);
    WORD first;
    std::memcpy(&first, data_ + at_, 2);
    if (first != 0xFFFF) return Text();
    Word();
    return L"#" + std::to_wstring(Word());
  }
  void Align(size_t n) { at_ = (at_ + n - 1) / n * n; }
  void Skip(size_t bytes) { at_ += bytes; }

 private:
  const BYTE* data_;
  size_t at_ = 0;
};

std::wstring ControlClass(const std::wstring& name) {
  static const std::pair<const wchar_t*, const wchar_t*> kAtoms[] = {
      {L"#128", L"Button"},  {L"#129", L"Edit"},      {L"#130", L"Static"},
      {L"#131", L"ListBox"}, {L"#132", L"ScrollBar"}, {L"#133", L"ComboBox"}};
  for (const auto& atom : kAtoms) {
    if (name == atom.first) return atom.second;
  }
  return name;
}
}  // namespace

void SetUiLanguage(LANGID language) { SetThreadUILanguage(language); }
std::vector<LANGID> DialogLanguages(int id) {
  return ResourceLanguages(RT_DIALOG, MAKEINTRESOURCEW(id));
}

std::vector<LANGID> StringLanguages(UINT id) {
  return ResourceLanguages(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1));
}

std::wstring StringResource(UINT id, LANGID language) {
  auto [data, size] = ResourceBytes(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!data) return L"";
  // A block of 16 counted strings.
  const auto* text = reinterpret_cast<const WORD*>(data);
  for (UINT i = 0; i < id % 16; ++i) text += 1 + *text;
  return std::wstring(reinterpret_cast<const wchar_t*>(text + 1), *text);
}

DialogTemplate FindDialogTemplate(int id, LANGID language) {
  DialogTemplate dialog;
  auto [data, size] = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(id), language);
  if (!data) return dialog;
  dialog.language = language;
  TemplateReader in(data);
  bool extended = in.Word() == 1 && in.Word() == 0xFFFF;
  if (!extended) throw std::runtime_error("only extended dialog templates are read");
  in.Dword();  // help id
  in.Dword();  // extended style
  dialog.style = in.Dword();
  WORD count = in.Word();
  dialog.rect = {in.Short(), in.Short(), in.Short(), in.Short()};
  in.TextOrOrdinal();  // menu
  in.TextOrOrdinal();  // class
  dialog.caption = in.Text();
  if (dialog.style & DS_SETFONT) {
    dialog.fontSize = in.Word();
    in.Word();   // weight
    in.Skip(2);  // italic, character set
    dialog.fontName = in.Text();
  }
  for (WORD i = 0; i < count; ++i) {
    in.Align(4);
    DialogControl control;
    in.Dword();  // help id
    control.exStyle = in.Dword();
    control.style = in.Dword();
    control.rect = {in.Short(), in.Short(), in.Short(), in.Short()};
    control.id = static_cast<int>(in.Dword());
    control.className = ControlClass(in.TextOrOrdinal());
    control.text = in.TextOrOrdinal();
    WORD extra = in.Word();
    in.Skip(extra);
    dialog.controls.push_back(control);
  }
  return dialog;
}

std::string Manifest() {
  auto languages = ResourceLanguages(RT_MANIFEST, MAKEINTRESOURCEW(1));
  if (languages.empty()) return "";
  auto [data, size] = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1), languages[0]);
  return data ? std::string(reinterpret_cast<const char*>(data), size) : "";
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    // Messages sent from other threads are delivered inside this wait.
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                              QS_ALLINPUT);
  }
}

std::vector<std::wstring> ListLines(HWND list) {
  std::vector<std::wstring> lines;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring line(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    lines.push_back(line.c_str());
  }
  return lines;
}

}  // namespace machine
