// The dialog's port list for each connection, and its reactions to clicks.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "installer_fixture.h"
#include "resource.h"

#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#endif

namespace {

using PortSelectTest = DialogTest;

constexpr wchar_t kSerialComm[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

TEST_F(PortSelectTest, EachConnectionShowsItsPorts) {
  struct Case {
    const char* name;
    std::function<void()> machine;
    int radio;
    std::vector<std::wstring> lines;  // empty: the not-detected text instead
    std::wstring notDetected;
    bool baudRates, address;
  } cases[] = {
#if NATIVE_ONLY("fake USB printers")
    {"USB printers in the order found",
     [] {
       sim::AddUsbPrinter(L"067b", L"2305", L"a", 2);
       sim::AddUsbPrinter(L"0416", L"5011", L"b", 1);
     },
     IDC_USB,
     {L"Please select a USB port below:", L"USB002", L"USB001"},
     L"",
     false,
     false},
#endif
    {"no USB printer",
     [] {},
     IDC_USB,
     {},
     L"No <USB printer > is detected on your computer!",
     false,
     false},
    {"serial ports in registry order",
     [] {
       machine::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial0", L"COM1");
       machine::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial2", L"COM3");
       machine::SetRegistryDword(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Odd",
                                 7);  // not text: no port
     },
     IDC_COM,
     {L"Please select a COM port below:", L"COM1:", L"COM3:"},
     L"",
     true,
     false},
    {"no serial key",
     [] {},
     IDC_COM,
     {},
     L"No <COM printer > is detected on your computer!",
     true,
     false},
#if NATIVE_ONLY("parallel ports with a fake device behind them")
    {"parallel ports that open",
     [] {
       sim::AddPort(L"LPT1:", L"Local Port", true);
       sim::AddPort(L"LPT2:", L"Local Port", false);  // no device behind it
       sim::AddPort(L"lpt3:", L"Local Port", true);   // the marker is case-sensitive
       sim::AddPort(L"COM1:", L"Local Port", true);
       sim::AddPort(L"LPT4:", L"Local Port", true);
     },
     IDC_LPT,
     {L"Please select a LPT port below:", L"LPT1:", L"LPT4:"},
     L"",
     false,
     false},
    {"parallel port that cannot be opened",
     [] { sim::AddPort(L"LPT1:", L"Local Port", false); },
     IDC_LPT,
     {},
     L"No <LPT printer > is detected on your computer!",
     false,
     false},
#endif
    {"no network printer found",
     [] {},
     IDC_NET,
     {},
     L"No <NET printer > is detected on your computer!",
     false,
     true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetMachine();
    c.machine();
    state_.ports.usb.Clear();
    Open();
    machine::Click(dialog_, c.radio);
    EXPECT_TRUE(Checked(c.radio));
    if (c.lines.empty()) {
      EXPECT_FALSE(Visible(IDC_PORT_LIST));
      EXPECT_TRUE(Visible(IDC_NOT_DETECTED));
      EXPECT_EQ(Text(IDC_NOT_DETECTED), c.notDetected);
    } else {
      EXPECT_TRUE(Visible(IDC_PORT_LIST));
      EXPECT_FALSE(Visible(IDC_NOT_DETECTED));
      EXPECT_EQ(Lines(), c.lines);
      EXPECT_EQ(Selection(), 1);
    }
    for (int id :
         {IDC_BAUD_GROUP, IDC_BAUD_9600, IDC_BAUD_19200, IDC_BAUD_38400, IDC_BAUD_115200}) {
      EXPECT_EQ(Visible(id), c.baudRates) << id;
    }
    EXPECT_EQ(Enabled(IDC_ADDRESS), c.address);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}

TEST_F(PortSelectTest, LeavingNetClearsAndLocksTheAddress) {
  Open();
  machine::Click(dialog_, IDC_NET);
  machine::TypeAddress(dialog_, IDC_ADDRESS, 10, 0, 0, 7);
  EXPECT_EQ(Address(), 0x0A000007u);
  machine::Click(dialog_, IDC_COM);
  EXPECT_EQ(Address(), 0u);
  EXPECT_FALSE(Enabled(IDC_ADDRESS));
  machine::TypeAddress(dialog_, IDC_ADDRESS, 10, 0, 0, 7);
  EXPECT_EQ(Address(), 0u) << "a disabled control takes no typing";
}

#if NATIVE_ONLY("a fake USB printer plugged in while the dialog is open")
TEST_F(PortSelectTest, ClickingAgainSearchesAgain) {
  Open();
  EXPECT_TRUE(Visible(IDC_NOT_DETECTED));
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);  // plugged in while the dialog is open
  machine::Click(dialog_, IDC_USB);
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Please select a USB port below:", L"USB001"}));
}
#endif

TEST_F(PortSelectTest, HeaderLineCannotStaySelected) {
  machine::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial0", L"COM1");
  Open();
  machine::Click(dialog_, IDC_COM);
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 0);
  EXPECT_EQ(Selection(), 1);
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 0, true);
  EXPECT_EQ(Selection(), 1);
#if NATIVE_ONLY("records the port configuration dialogs asked for")
  EXPECT_TRUE(sim::ConfigurePortCalls().empty());
#endif
}

#if NATIVE_ONLY("the port configuration dialog would open; winsim records the request")
TEST_F(PortSelectTest, DoubleClickOnSerialLineOpensItsConfiguration) {
  sim::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial0", L"COM1");
  sim::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Serial2", L"COM3");
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);
  Open();
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 1, true);  // a USB line: nothing to configure
  machine::Click(dialog_, IDC_COM);
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 2);  // a single click
  EXPECT_TRUE(sim::ConfigurePortCalls().empty());
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 2, true);
  auto calls = sim::ConfigurePortCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].port, L"COM3:");
  EXPECT_EQ(calls[0].server, L"");
  EXPECT_EQ(calls[0].owner, dialog_);
}
#endif

TEST_F(PortSelectTest, NetworkLineFillsTheAddress) {
  AddFoundPrinter(L"192.168.1.100");
  AddFoundPrinter(L"200.1.2.254");
  Open();
  machine::Click(dialog_, IDC_NET);
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Please select a NET port below:",
                                                L"192.168.1.100", L"200.1.2.254"}));
  EXPECT_EQ(Address(), 0u) << "filling the list selects without notifying";
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 2);
  EXPECT_EQ(Address(), 0xC80102FEu);
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 1);
  EXPECT_EQ(Address(), 0xC0A80164u);
}

TEST_F(PortSelectTest, OverlongLineIsIgnored) {
  Open();
  machine::Click(dialog_, IDC_NET);
  HWND list = Item(IDC_PORT_LIST);
  ShowWindow(list, SW_SHOW);
  std::wstring longLine = L"10.0.0.7" + std::wstring(300, L' ');
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"header"));
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longLine.c_str()));
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 1);
  EXPECT_EQ(Address(), 0u);
}

}  // namespace
