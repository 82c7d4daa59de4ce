// The setup dialog driven like a user would: initial state, Install with
// its validation and message boxes, Exit, the wizard, the end of the dialog.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <winspool.h>

#include <cstring>

#include "install_flow.h"
#include "installer_fixture.h"
#include "port_data.h"
#include "program.h"
#include "resource.h"

#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#endif

namespace {

using SetupDialogTest = DialogTest;

constexpr wchar_t kSerialComm[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr int kPushButtons[] = {IDC_INSTALL, IDC_EXIT, IDC_WIZARD};

// A serial port with no device behind it: the install goes on without
// setting its baud rate, on any machine.
void OfferSerialPortWithoutDevice() {
  machine::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\NoDevice", L"COMX");
  machine::AddLocalPort(L"COMX:");
}

TEST_F(SetupDialogTest, StartsWithDefaultsAndTheOfferedModels) {
#if NATIVE_ONLY("a fake USB printer")
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);
#endif
  Open();
  EXPECT_EQ(Text(0), L"BRINDOL Printer Driver Setup");
  for (int id : {IDC_DEFAULT_NO, IDC_USB, IDC_BAUD_9600, 1032}) EXPECT_TRUE(Checked(id)) << id;
  for (int id : {IDC_DEFAULT_YES, IDC_COM, IDC_LPT, IDC_NET, IDC_BAUD_19200, 1033})
    EXPECT_FALSE(Checked(id)) << id;
  struct Model {
    int id;
    bool visible;
    const wchar_t* caption;
  } models[] = {{1030, false, L""},          {1031, false, L""}, {1032, true, L"BRINDOL-80"},
                {1033, true, L"BRINDOL-58"}, {1034, false, L""}, {1035, false, L""}};
  for (const auto& m : models) {
    EXPECT_EQ(Visible(m.id), m.visible) << m.id;
    EXPECT_EQ(Text(m.id), m.caption) << m.id;
  }
#if NATIVE_ONLY("a fake USB printer")
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Please select a USB port below:", L"USB001"}));
  EXPECT_EQ(Selection(), 1);
#endif
  EXPECT_FALSE(Visible(IDC_BAUD_GROUP));
  EXPECT_FALSE(Enabled(IDC_ADDRESS));
  for (int id : kPushButtons) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(SetupDialogTest, InstallWithoutPortOrAddressAsksForOne) {
  struct Case {
    const char* name;
    int radio;
    std::function<void(HWND)> prepare;
  } cases[] = {
      {"NET without address, a line selected", IDC_NET, [](HWND) {}},
      {"NET with 0.0.0.0 typed", IDC_NET,
       [](HWND d) { machine::TypeAddress(d, IDC_ADDRESS, 0, 0, 0, 0); }},
      {"USB without a line, an address held", IDC_USB,
       [](HWND d) {
         SendDlgItemMessageW(d, IDC_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 7));
       }},
      {"COM with a line too long for a port name", IDC_COM,
       [](HWND d) {
         static const std::wstring kLong(300, L'C');
         auto line = SendDlgItemMessageW(d, IDC_PORT_LIST, LB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(kLong.c_str()));
         SendDlgItemMessageW(d, IDC_PORT_LIST, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
       }},
      {"COM with no line selected", IDC_COM,
       [](HWND d) {
         SendDlgItemMessageW(d, IDC_PORT_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetMachine();
    StagePackage();
    machine::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial0", L"COM1");
    AddFoundPrinter(L"10.0.0.9");
    Open();
    machine::Click(dialog_, c.radio);
    c.prepare(dialog_);
    machine::Click(dialog_, IDC_INSTALL);
    auto boxes = machine::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Please select a port.");
    EXPECT_EQ(boxes[0].caption, L"");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_EQ(boxes[0].owner, dialog_);
#if NATIVE_ONLY("counts the calls the spooler received")
    EXPECT_EQ(sim::AddPrinterCalls(), 0);
#endif
    EXPECT_TRUE(machine::Printers().empty());
    EXPECT_TRUE(LogLines().empty());
    for (int id : kPushButtons) EXPECT_TRUE(Enabled(id)) << id;
    DestroyWindow(dialog_);
    dialog_ = nullptr;
    state_.ports.found.Clear();
  }
}

TEST_F(SetupDialogTest, InstallMakesTheDefaultPrinterAndOffersATestPage) {
  StagePackage();
  OfferSerialPortWithoutDevice();
  machine::AddDriver(L"OTHER");
  machine::AddQueue(L"BRINDOL-80", L"USB002", L"OTHER");
  Open();
  machine::Click(dialog_, IDC_COM);
  machine::Click(dialog_, IDC_DEFAULT_YES);
  std::vector<bool> enabledDuringBox;
  machine::OnMessageBox([&](const machine::MessageBoxRecord&) {
    for (int id : kPushButtons) enabledDuringBox.push_back(Enabled(id));
    return IDNO;
  });
  machine::Click(dialog_, IDC_INSTALL);

  auto boxes = machine::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Succeed !\nDo you want to print a test page?");
  EXPECT_EQ(boxes[0].caption, L"");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
  EXPECT_EQ(enabledDuringBox, std::vector<bool>(3, false));
  for (int id : kPushButtons) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_EQ(machine::Printers().size(), 2u);
  EXPECT_EQ(machine::FindPrinter(L"BRINDOL-80(Copy 1)").port, L"COMX:");
  EXPECT_EQ(machine::DefaultPrinter(), L"BRINDOL-80(Copy 1)")
      << "the default is the queue under its final name";
#if NATIVE_ONLY("records the controls the spooler service received")
  EXPECT_TRUE(sim::SpoolerControls().empty());
#endif
}

TEST_F(SetupDialogTest, ModelChoiceDecidesDriverAndDescription) {
  StagePackage();
  OfferSerialPortWithoutDevice();
  Open();
  machine::Click(dialog_, IDC_COM);
  machine::Click(dialog_, 1033);
  machine::Click(dialog_, IDC_INSTALL);
  auto drivers = machine::Drivers();
  ASSERT_EQ(drivers.size(), 1u);
  EXPECT_EQ(drivers[0].name, L"BRINDOL-58");
  EXPECT_EQ(machine::FileName(drivers[0].dataFile), L"BRINDOL58C.GPD");
  EXPECT_EQ(machine::FindPrinter(L"BRINDOL-58").port, L"COMX:");
  EXPECT_EQ(machine::DefaultPrinter(), L"") << "No (not set as default) was chosen";
}

TEST_F(SetupDialogTest, FailedInstallShowsTheErrorCodeInHex) {
  OfferSerialPortWithoutDevice();  // no package staged: no driver, no queue
  Open();
  machine::Click(dialog_, IDC_COM);
  machine::Click(dialog_, IDC_INSTALL);
  auto boxes = machine::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Printer driver install failed, error code:0x709");
  EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR | MB_OK));
  for (int id : kPushButtons) EXPECT_TRUE(Enabled(id)) << id;
}

#if NATIVE_ONLY("Wine 8 has no Standard TCP/IP port monitor")
TEST_F(SetupDialogTest, NetworkInstallCreatesTheTcpPort) {
  StagePackage();
  Open();
  machine::Click(dialog_, IDC_NET);
  machine::TypeAddress(dialog_, IDC_ADDRESS, 10, 0, 0, 7);
  machine::Click(dialog_, IDC_INSTALL);
  machine::Click(dialog_, IDC_INSTALL);  // the port exists the second time

  auto calls = sim::XcvCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].object, L",XcvMonitor Standard TCP/IP Port");
  EXPECT_EQ(calls[0].command, L"AddPort");
  EXPECT_EQ(calls[0].outputSize, 260u);
  ASSERT_EQ(calls[0].input.size(), sizeof(PORT_DATA_1));
  PORT_DATA_1 expected = {};
  std::wcscpy(expected.sztPortName, L"10.0.0.7_9100");
  std::wcscpy(expected.sztHostAddress, L"10.0.0.7");
  expected.dwVersion = 1;
  expected.dwProtocol = PROTOCOL_RAWTCP_TYPE;
  expected.dwPortNumber = 9100;
  EXPECT_EQ(std::memcmp(calls[0].input.data(), &expected, sizeof expected), 0)
      << "the record, byte for byte";
  EXPECT_EQ(calls[1].status, 183u) << "the second time the monitor has the port already";

  auto printers = sim::Printers();
  ASSERT_EQ(printers.size(), 2u);
  EXPECT_EQ(printers[0].name, L"BRINDOL-80");
  EXPECT_EQ(printers[0].port, L"10.0.0.7_9100");
  EXPECT_EQ(printers[1].name, L"BRINDOL-80(Copy 1)");
  EXPECT_TRUE(sim::SpoolerControls().empty()) << "the monitor made the port known";
  EXPECT_EQ(sim::MessageBoxes().size(), 2u);
}
#endif

#if NATIVE_ONLY("fake serial devices")
TEST_F(SetupDialogTest, SerialInstallSetsTheChosenBaudRate) {
  struct Case {
    int radio;
    DWORD baud;
  } cases[] = {{IDC_BAUD_9600, 9600},
               {IDC_BAUD_19200, 19200},
               {IDC_BAUD_38400, 38400},
               {IDC_BAUD_115200, 115200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.baud);
    ResetMachine();
    StagePackage();
    sim::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial2", L"COM3");
    sim::AddSerialDevice(L"COM3", 4800);
    DCB before = sim::SerialSettings(L"COM3");
    Open();
    machine::Click(dialog_, IDC_COM);
    machine::Click(dialog_, c.radio);
    machine::Click(dialog_, IDC_INSTALL);
    DCB after = sim::SerialSettings(L"COM3");
    EXPECT_EQ(after.BaudRate, c.baud);
    after.BaudRate = before.BaudRate;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof(DCB)), 0) << "nothing else changes";
    ASSERT_EQ(sim::Printers().size(), 1u);
    EXPECT_EQ(sim::Printers()[0].port, L"COM3:");
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}
#endif

#if NATIVE_ONLY("fake serial devices")
TEST_F(SetupDialogTest, SerialPortsOpenByTheirWholeName) {
  StagePackage();
  sim::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Long",
                         L"COMBRIDGE_PORT_NUMBER_17");
  sim::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Gone", L"COM9");
  sim::AddSerialDevice(L"COMBRIDGE_PORT_NUMBER_17", 9600);
  Open();
  machine::Click(dialog_, IDC_COM);
  machine::Click(dialog_, IDC_BAUD_38400);
  machine::Click(dialog_, IDC_INSTALL);
  EXPECT_EQ(sim::SerialSettings(L"COMBRIDGE_PORT_NUMBER_17").BaudRate, 38400u);
  // A port without a device keeps going: the queue is still added.
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 2);
  machine::Click(dialog_, IDC_INSTALL);
  EXPECT_EQ(sim::SetCommStateCalls(), 1);
  EXPECT_EQ(sim::Printers().back().port, L"COM9:");
}
#endif

#if NATIVE_ONLY("records the process launch instead of starting the wizard")
TEST_F(SetupDialogTest, WizardStartsOnTheSelectedModelsInf) {
  struct Case {
    const char* name;
    int model;  // 0: none selected
    const wchar_t* command;
  } cases[] = {
      {"first model", 1032,
       L"rundll32.exe printui.dll PrintUIEntry /ii /f \"C:\\setup\\BRINDOL80.inf\""},
      {"second model", 1033,
       L"rundll32.exe printui.dll PrintUIEntry /ii /f \"C:\\setup\\BRINDOL58.inf\""},
      {"no model", 0, L"rundll32.exe printui.dll PrintUIEntry /ii /f \"C:\\setup\\\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetMachine();
    Open();
    CheckRadioButton(dialog_, IDC_MODEL_FIRST, IDC_MODEL_LAST, c.model);
    machine::Click(dialog_, IDC_WIZARD);
    auto launches = sim::Processes();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].commandLine, c.command);
    EXPECT_FALSE(launches[0].hasApplicationName);
    EXPECT_FALSE(launches[0].inheritHandles);
    EXPECT_EQ(launches[0].creationFlags, 0u);
    EXPECT_TRUE(launches[0].defaultEnvironment);
    EXPECT_TRUE(launches[0].defaultDirectory);
    EXPECT_EQ(launches[0].startupInfoSize, sizeof(STARTUPINFOW));
    EXPECT_EQ(launches[0].startupFlags, 0u);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}
#endif

TEST_F(SetupDialogTest, DestroyingTheDialogFreesTheListsAndQuits) {
#if NATIVE_ONLY("a fake USB printer")
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);
#endif
  machine::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial0", L"COM1");
  AddFoundPrinter(L"10.0.0.9");
  Open();
  machine::Click(dialog_, IDC_COM);
  DestroyWindow(dialog_);
  dialog_ = nullptr;
  EXPECT_TRUE(state_.ports.usb.Empty());
  EXPECT_TRUE(state_.ports.wired.Empty());
  EXPECT_TRUE(state_.ports.found.Empty());
  EXPECT_TRUE(machine::QuitPosted());
  EXPECT_EQ(machine::QuitCode(), 0);
#if NATIVE_ONLY("counts the windows that exist")
  EXPECT_EQ(sim::WindowCount(), 0);
#endif
}

TEST_F(SetupDialogTest, ExitAndTheCloseBoxEndTheDialogWithTwo) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Exit");
    ResetMachine();
    DialogState state;
    machine::OnModalDialog([&](HWND dialog) {
      if (closeBox) {
        machine::PressCloseBox(dialog);
      } else {
        machine::Click(dialog, IDC_EXIT);
      }
    });
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                              reinterpret_cast<LPARAM>(&state)),
              IDC_EXIT);
#if NATIVE_ONLY("counts the windows that exist")
    EXPECT_EQ(sim::WindowCount(), 0);
#endif
  }
}

#if NATIVE_ONLY("sets the program's own path and records the process launch")
TEST_F(SetupDialogTest, ProgramRunsTheDialogFromItsOwnFolder) {
  sim::ResetWorld();  // common controls not yet initialised: the program must do it
  sim::SetModuleFileName(L"D:\\Drivers\\Receipt Printer\\Installer.exe");
  bool shown = false;
  sim::OnModalDialog([&](HWND dialog) {
    shown = true;
    machine::Click(dialog, IDC_WIZARD);
    machine::Click(dialog, IDC_EXIT);
  });
  EXPECT_EQ(RunSetupProgram(nullptr), 0);
  EXPECT_TRUE(shown);
  ASSERT_EQ(sim::Processes().size(), 1u);
  EXPECT_EQ(sim::Processes()[0].commandLine,
            L"rundll32.exe printui.dll PrintUIEntry /ii /f \"D:\\Drivers\\Receipt "
            L"Printer\\BRINDOL80.inf\"");
  EXPECT_TRUE(sim::QuitPosted());
}
#endif

}  // namespace
