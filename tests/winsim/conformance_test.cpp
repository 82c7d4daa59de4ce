// What the setup program relies on from the platform, with the platform's
// documented answers as the expectations. The same program runs natively
// against winsim and, in the Windows build, against the real API under Wine:
// where the two disagree, one of them is not the platform.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <winspool.h>
#include <winsvc.h>

#include <atomic>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "machine.h"
#include "resource.h"

namespace {

class ConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override { machine::Reset(); }
  // Under Wine the machine is the test prefix: nothing a test added stays.
  void TearDown() override { machine::Reset(); }
};

const std::wstring kKey = machine::kTestKey;

struct Key {
  HKEY handle = nullptr;
  explicit Key(const std::wstring& path) {
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &handle), ERROR_SUCCESS);
  }
  ~Key() {
    if (handle) RegCloseKey(handle);
  }
};

// ---- Registry values: types, sizes, the answers to short buffers.

TEST_F(ConformanceTest, RegistryQueryReportsTypeAndSizeInBytes) {
  machine::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, L"Text", L"COM12");
  machine::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, L"Empty", L"");
  machine::SetRegistryDword(HKEY_LOCAL_MACHINE, kKey, L"Number", 9600);
  Key key(kKey);
  struct Case {
    const wchar_t* name;
    DWORD type, size;
  } cases[] = {
      {L"Text", REG_SZ, 6 * sizeof(WCHAR)},  // the terminating NUL counts
      {L"Empty", REG_SZ, sizeof(WCHAR)},
      {L"Number", REG_DWORD, 4},
      {L"tEXT", REG_SZ, 6 * sizeof(WCHAR)},  // value names ignore case
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(machine::Utf8(c.name));
    DWORD type = 0, size = 0;
    // No buffer: the size alone, and success.
    EXPECT_EQ(RegQueryValueExW(key.handle, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(size, c.size);
    // One byte short: ERROR_MORE_DATA with the size needed.
    BYTE buffer[64] = {};
    size = c.size - 1;
    EXPECT_EQ(RegQueryValueExW(key.handle, c.name, nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, c.size);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key.handle, c.name, nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, c.size);
  }
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key.handle, L"Missing", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kKey + L"\\Missing").c_str(), 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
}

// Values are not ordered: the platform enumerates them in an order of its own.
TEST_F(ConformanceTest, RegistryEnumerationNamesEveryValueOnce) {
  machine::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, L"\\Device\\Serial0", L"COM1");
  machine::SetRegistryDword(HKEY_LOCAL_MACHINE, kKey, L"\\Device\\Odd", 7);
  Key key(kKey);
  std::map<std::wstring, DWORD> types;
  for (DWORD index = 0;; ++index) {
    WCHAR name[64];
    DWORD nameChars = 64, type = 0, size = 0;
    LSTATUS status =
        RegEnumValueW(key.handle, index, name, &nameChars, nullptr, &type, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(nameChars, std::wcslen(name)) << "the name's length, without its NUL";
    EXPECT_TRUE(types.emplace(name, type).second) << "listed twice";
  }
  EXPECT_EQ(types, (std::map<std::wstring, DWORD>{{L"\\Device\\Serial0", REG_SZ},
                                                  {L"\\Device\\Odd", REG_DWORD}}));
  // A name buffer without room for the name and its NUL is too small.
  WCHAR shortName[1];
  DWORD shortChars = 1;
  EXPECT_EQ(
      RegEnumValueW(key.handle, 0, shortName, &shortChars, nullptr, nullptr, nullptr, nullptr),
      ERROR_MORE_DATA);
}

// ---- Spooler enumerations: the two-call protocol and what is listed (in an
// order the documentation leaves open).

template <typename Call>
std::vector<BYTE> TwoCalls(Call call, DWORD& count) {
  DWORD needed = 0;
  count = 99;
  SetLastError(0);
  EXPECT_FALSE(call(nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_GT(needed, 0u);
  std::vector<BYTE> buffer(needed);
  DWORD again = 0;
  SetLastError(0);
  EXPECT_FALSE(call(buffer.data(), needed - 1, &again, &count)) << "one byte short";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(again, needed);
  EXPECT_TRUE(call(buffer.data(), needed, &again, &count));
  return buffer;
}

TEST_F(ConformanceTest, EnumPortsListsEveryPortWithAMonitor) {
  machine::AddLocalPort(L"CONF1:");
  DWORD count = 0;
  auto buffer = TwoCalls([](BYTE* b, DWORD size, DWORD* needed,
                            DWORD* c) { return EnumPortsW(nullptr, 2, b, size, needed, c); },
                         count);
  const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  bool found = false;
  for (DWORD i = 0; i < count; ++i) {
    ASSERT_NE(ports[i].pPortName, nullptr);
    if (std::wstring(ports[i].pPortName) != L"CONF1:") continue;
    found = true;
    EXPECT_NE(ports[i].pMonitorName, nullptr);
  }
  EXPECT_TRUE(found);
}

TEST_F(ConformanceTest, EnumPrinterDriversListsEveryDriverAdded) {
  machine::AddDriver(L"Conformance B");
  machine::AddDriver(L"Conformance A");
  DWORD count = 0;
  auto buffer = TwoCalls(
      [](BYTE* b, DWORD size, DWORD* needed, DWORD* c) {
        return EnumPrinterDriversW(nullptr, nullptr, 8, b, size, needed, c);
      },
      count);
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
  std::set<std::wstring> ours;
  for (DWORD i = 0; i < count; ++i) {
    std::wstring name = drivers[i].pName ? drivers[i].pName : L"";
    if (name.rfind(L"Conformance", 0) == 0) {
      ours.insert(name);
      EXPECT_EQ(drivers[i].cVersion, 3u);
    }
  }
  EXPECT_EQ(ours, (std::set<std::wstring>{L"Conformance B", L"Conformance A"}));
}

TEST_F(ConformanceTest, ListedDriverNamesItsEnvironmentAndWhereItsFilesAre) {
  const std::wstring directory = machine::DriverDirectory();
  for (const wchar_t* file : {L"conf.dll", L"conf.gpd", L"confui.dll"}) {
    machine::WriteFile(directory + L"\\" + file, "placeholder");
  }
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = const_cast<LPWSTR>(L"Conformance Files");
  info.pDriverPath = const_cast<LPWSTR>(L"conf.dll");
  info.pDataFile = const_cast<LPWSTR>(L"conf.gpd");
  info.pConfigFile = const_cast<LPWSTR>(L"confui.dll");
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)));
  DWORD count = 0;
  auto buffer = TwoCalls(
      [](BYTE* b, DWORD size, DWORD* needed, DWORD* c) {
        return EnumPrinterDriversW(nullptr, nullptr, 8, b, size, needed, c);
      },
      count);
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
  int found = 0;
  for (DWORD i = 0; i < count; ++i) {
    if (!drivers[i].pName || std::wstring(drivers[i].pName) != L"Conformance Files") continue;
    ++found;
    ASSERT_NE(drivers[i].pEnvironment, nullptr);
    EXPECT_EQ(std::wstring(drivers[i].pEnvironment), machine::NativeEnvironment());
    ASSERT_NE(drivers[i].pDriverPath, nullptr);
    ASSERT_NE(drivers[i].pDataFile, nullptr);
    EXPECT_EQ(machine::Utf8(drivers[i].pDriverPath), machine::Utf8(directory + L"\\3\\conf.dll"));
    EXPECT_EQ(machine::Utf8(drivers[i].pDataFile), machine::Utf8(directory + L"\\3\\conf.gpd"));
  }
  EXPECT_EQ(found, 1);
}

TEST_F(ConformanceTest, DriverDirectoryReportsItsSizeInBytes) {
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::wstring expected = machine::DriverDirectory();
  EXPECT_EQ(needed, (expected.size() + 1) * sizeof(WCHAR));
}

// ---- Printer queues: the errors the install flow reads.

TEST_F(ConformanceTest, AddAndOpenPrinterFailWithTheDocumentedErrors) {
  machine::AddDriver(L"Conformance");
  machine::AddQueue(L"Conformance Queue", L"CONF1:", L"Conformance");
  struct Case {
    const char* name;
    const wchar_t *printer, *driver;
    DWORD error;
  } cases[] = {
    {"unknown driver", L"Another Queue", L"No Such Driver", ERROR_UNKNOWN_PRINTER_DRIVER},
#if NATIVE_ONLY("Wine 8 adds a second queue under a name that is taken")
    {"name taken", L"Conformance Queue", L"Conformance", ERROR_PRINTER_ALREADY_EXISTS},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(c.printer);
    info.pPortName = const_cast<LPWSTR>(L"CONF1:");
    info.pDriverName = const_cast<LPWSTR>(c.driver);
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    SetLastError(0);
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    EXPECT_EQ(added, nullptr);
    EXPECT_EQ(GetLastError(), c.error);
    if (added) ClosePrinter(added);
  }
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = reinterpret_cast<HANDLE>(1);
  SetLastError(0);
  EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(L"No Such Queue"), &printer, &defaults));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(L"Conformance Queue"), &printer, &defaults));
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(GetPrinterW(printer, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_GE(needed, sizeof(PRINTER_INFO_2W));
  ClosePrinter(printer);
}

// ---- The service manager: the Spooler's states and the answers to controls.

DWORD SpoolerState(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  EXPECT_TRUE(QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                   reinterpret_cast<BYTE*>(&status), sizeof status, &needed));
  return status.dwCurrentState;
}

// Polls until the state is no longer pending (at most ten seconds).
DWORD SettledState(SC_HANDLE service) {
  DWORD state = SpoolerState(service);
  for (int i = 0; i < 100 && (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING);
       ++i) {
    Sleep(100);
    state = SpoolerState(service);
  }
  return state;
}

TEST_F(ConformanceTest, SpoolerServiceStopsAndStarts) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr);
  SetLastError(0);
  EXPECT_EQ(OpenServiceW(manager, L"NoSuchService", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  SC_HANDLE service = OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS);
  ASSERT_NE(service, nullptr);

  BYTE small[sizeof(SERVICE_STATUS_PROCESS) - 1];
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, small, sizeof small, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, sizeof(SERVICE_STATUS_PROCESS));

  SERVICE_STATUS status = {};
  if (SettledState(service) == SERVICE_RUNNING) {
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(SettledState(service), static_cast<DWORD>(SERVICE_STOPPED));
  }
  SetLastError(0);
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << "a stopped service";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_TRUE(StartServiceW(service, 0, nullptr));
  EXPECT_EQ(SettledState(service), static_cast<DWORD>(SERVICE_RUNNING));
  SetLastError(0);
  EXPECT_FALSE(StartServiceW(service, 0, nullptr)) << "a running service";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

// ---- Windows: the setup dialog's controls and messages from other threads.

constexpr UINT kAnswered = WM_USER + 2;
constexpr UINT kIgnored = WM_USER + 5;
std::atomic<DWORD> gHandlerThread{0};

INT_PTR CALLBACK ConformanceDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == kAnswered) {
    gHandlerThread = GetCurrentThreadId();
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 42);
    return TRUE;
  }
  return FALSE;
}

class DialogConformanceTest : public ConformanceTest {
 protected:
  void SetUp() override {
    ConformanceTest::SetUp();
    machine::LoadResources();
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    dialog_ =
        CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP), nullptr, ConformanceDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    ConformanceTest::TearDown();
  }
  LRESULT List(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog_, IDC_PORT_LIST, message, wParam, lParam);
  }
  LRESULT Address(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog_, IDC_ADDRESS, message, wParam, lParam);
  }
  static LPARAM Text(const wchar_t* text) { return reinterpret_cast<LPARAM>(text); }

  HWND dialog_ = nullptr;
};

TEST_F(DialogConformanceTest, ListBoxAnswersAsDocumented) {
  EXPECT_EQ(List(LB_GETCOUNT), 0);
  EXPECT_EQ(List(LB_GETCURSEL), LB_ERR) << "nothing selected";
  EXPECT_EQ(List(LB_ADDSTRING, 0, Text(L"USB002")), 0);
  EXPECT_EQ(List(LB_ADDSTRING, 0, Text(L"USB001")), 1) << "unsorted: added at the end";
  EXPECT_EQ(List(LB_INSERTSTRING, 0, Text(L"Header")), 0);
  EXPECT_EQ(List(LB_INSERTSTRING, static_cast<WPARAM>(-1), Text(L"Last")), 3);
  EXPECT_EQ(machine::ListLines(GetDlgItem(dialog_, IDC_PORT_LIST)),
            (std::vector<std::wstring>{L"Header", L"USB002", L"USB001", L"Last"}));
  EXPECT_EQ(List(LB_GETTEXTLEN, 1), 6);
  EXPECT_EQ(List(LB_GETTEXTLEN, 9), LB_ERR);
  WCHAR line[16] = {};
  EXPECT_EQ(List(LB_GETTEXT, 2, reinterpret_cast<LPARAM>(line)), 6);
  EXPECT_EQ(std::wstring(line), L"USB001");
  EXPECT_EQ(List(LB_GETTEXT, 9, reinterpret_cast<LPARAM>(line)), LB_ERR);

  EXPECT_EQ(List(LB_SETCURSEL, 2), 2);
  EXPECT_EQ(List(LB_GETCURSEL), 2);
  EXPECT_EQ(List(LB_SETCURSEL, static_cast<WPARAM>(-1)), LB_ERR) << "clearing answers LB_ERR too";
  EXPECT_EQ(List(LB_GETCURSEL), LB_ERR);
  EXPECT_EQ(List(LB_SETCURSEL, 9), LB_ERR) << "out of range";
  EXPECT_EQ(List(LB_DELETESTRING, 0), 3) << "the lines left";
  EXPECT_EQ(List(LB_DELETESTRING, 9), LB_ERR);
  List(LB_RESETCONTENT);
  EXPECT_EQ(List(LB_GETCOUNT), 0);
}

TEST_F(DialogConformanceTest, IpAddressControlAnswersAsDocumented) {
  DWORD address = 0xFFFFFFFF;
  EXPECT_NE(Address(IPM_ISBLANK), 0);
  EXPECT_EQ(Address(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)), 0) << "no field filled";
  EXPECT_EQ(address, 0u);
  Address(IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 1, 100));
  EXPECT_EQ(Address(IPM_ISBLANK), 0);
  EXPECT_EQ(Address(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)), 4);
  EXPECT_EQ(address, static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 100)));
  EXPECT_EQ(FIRST_IPADDRESS(address), 192);
  EXPECT_EQ(FOURTH_IPADDRESS(address), 100);
  Address(IPM_SETADDRESS, 0, 0);
  EXPECT_EQ(Address(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)), 4)
      << "0.0.0.0 is four fields";
  Address(IPM_CLEARADDRESS);
  EXPECT_NE(Address(IPM_ISBLANK), 0);
}

TEST_F(DialogConformanceTest, ControlsAreVisibleOnlyWhileTheirDialogIs) {
  HWND install = GetDlgItem(dialog_, IDC_INSTALL);
  EXPECT_FALSE(IsWindowVisible(dialog_)) << "a modeless dialog without WS_VISIBLE starts hidden";
  EXPECT_FALSE(IsWindowVisible(install));
  ShowWindow(dialog_, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(dialog_));
  EXPECT_TRUE(IsWindowVisible(install));
  ShowWindow(install, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(install));
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

TEST_F(DialogConformanceTest, ClickingARadioButtonChecksItAndClearsItsGroup) {
  ShowWindow(dialog_, SW_SHOW);
  CheckRadioButton(dialog_, IDC_USB, IDC_NET, IDC_USB);
  SendDlgItemMessageW(dialog_, IDC_NET, BM_CLICK, 0, 0);
  machine::PumpMessages();
  EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_NET), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_USB), static_cast<UINT>(BST_UNCHECKED));
}

struct SendRecord {
  HWND dialog;
  UINT message;
  LRESULT result = -1;
  std::atomic<bool> done{false};
};

DWORD WINAPI SendFromThread(LPVOID parameter) {
  auto* record = static_cast<SendRecord*>(parameter);
  record->result = SendMessageW(record->dialog, record->message, 0, 0);
  record->done = true;
  return 0;
}

TEST_F(DialogConformanceTest, SendMessageFromAnotherThreadRunsOnTheWindowsThread) {
  struct Case {
    const char* name;
    UINT message;
    LRESULT result;
  } cases[] = {
      {"handled: the procedure's DWLP_MSGRESULT", kAnswered, 42},
      {"not handled: zero", kIgnored, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gHandlerThread = 0;
    SendRecord record{dialog_, c.message};
    HANDLE thread = CreateThread(nullptr, 0, SendFromThread, &record, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // The sender waits until this thread takes its messages.
    EXPECT_TRUE(machine::PumpMessagesUntil([&] { return record.done.load(); }, 10000));
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(record.result, c.result);
    if (c.message == kAnswered) {
      EXPECT_EQ(gHandlerThread.load(), GetCurrentThreadId());
    }
  }
}

}  // namespace
