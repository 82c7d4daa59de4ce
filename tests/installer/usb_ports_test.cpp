// USB printer discovery through the simulated device interfaces and registry.
#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

#include "installer_fixture.h"
#include "usb_ports.h"

#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#endif

namespace {

constexpr GUID kUsbPrintClass = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

using UsbPortsTest = InstallerTest;

std::vector<std::wstring> Names(const PortList& list) {
  std::vector<std::wstring> names;
  for (const PortEntry* entry = list.Head(); entry; entry = entry->next)
    names.push_back(entry->portName);
  return names;
}

#if NATIVE_ONLY("fake USB printer device interfaces")
TEST_F(UsbPortsTest, OffersPresentPrintersOfSupportedVendorsOnly) {
  struct Printer {
    const wchar_t* vid;
    int port;
    bool present;
    bool offered;
    const wchar_t* name;
  } printers[] = {
      {L"067b", 1, true, true, L"USB001"},
      {L"1234", 2, true, false,
       nullptr},  // another maker: the spooler has its port, we do not offer it
      {L"067B", 3, true, true, L"USB003"},  // upper-case hex digits in the path
      {L"04b8", 12, true, true, L"USB012"},
      {L"0483", 5, false, false, nullptr},  // unplugged
      {L"0416", 1234, true, true, L"USB1234"},
      {L"1cbe", -1, true, false, nullptr},  // no "Port Number": not a port we can name
      {L"1fc9", 0, true, true, L"USB000"},
      {L"0471", 7, true, true, L"USB007"},
  };
  int serial = 0;
  for (const auto& p : printers)
    sim::AddUsbPrinter(p.vid, L"2305", std::to_wstring(++serial), p.port, p.present);
  PortList list;
  DiscoverUsbPorts(list);
  std::vector<std::wstring> expected;
  for (const auto& p : printers) {
    if (p.offered) expected.insert(expected.begin(), p.name);  // newest first
  }
  EXPECT_EQ(Names(list), expected);
}

TEST_F(UsbPortsTest, MalformedInterfacesAreSkipped) {
  // A path too short to hold a vendor id, and a port number that is text.
  sim::AddDeviceInterface(kUsbPrintClass, L"\\\\?\\usb#v", true);
  sim::AddUsbPrinter(L"067b", L"0001", L"x", -1, true);
  sim::SetRegistryString(
      HKEY_LOCAL_MACHINE,
      L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\"
      L"##?#usb#vid_067b&pid_0001#x#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\#\\Device Parameters",
      L"Port Number", L"USB001");
  sim::AddUsbPrinter(L"067b", L"0002", L"y", 2, true);
  PortList list;
  DiscoverUsbPorts(list);
  EXPECT_EQ(Names(list), std::vector<std::wstring>{L"USB002"});
}

#endif

TEST_F(UsbPortsTest, EachSearchStartsAfresh) {
  PortList list;
  DiscoverUsbPorts(list);
  EXPECT_EQ(Names(list), std::vector<std::wstring>{});
#if NATIVE_ONLY("a fake USB printer plugged in between the searches")
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);
  DiscoverUsbPorts(list);
  DiscoverUsbPorts(list);
  EXPECT_EQ(Names(list), std::vector<std::wstring>{L"USB001"});
#endif
}

#if NATIVE_ONLY("makes the device installation calls fail")

TEST_F(UsbPortsTest, EnumerationFailureGivesAnEmptyList) {
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);
  sim::FailCall("SetupDiGetClassDevsW", ERROR_ACCESS_DENIED);
  PortList list;
  DiscoverUsbPorts(list);
  EXPECT_TRUE(list.Empty());
  sim::FailCall("SetupDiGetDeviceInterfaceDetailW", ERROR_ACCESS_DENIED);
  DiscoverUsbPorts(list);
  EXPECT_TRUE(list.Empty());
}

#endif

}  // namespace
