// What the setup program reads about ports from the machine and the user:
// list box lines (picked with NET or double-clicked with COM), the serial
// ports' registry values, the USB printers' device paths and "Port Number"
// values, and the port names and addresses that PreparePort works on. Texts
// of any length and any UTF-16 units, values of any type and size.
//
// Input: a selector byte, then what the chosen part reads.
#include <cwchar>
#include <string>
#include <vector>

#include "prepare_port.h"
#include "resource.h"
#include "setup_dialog.h"
#include "usb_ports.h"
#include "wide_format.h"
#include "wired_ports.h"

namespace {

constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr wchar_t kUsbPrintClass[] = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
constexpr GUID kUsbPrintGuid = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
constexpr std::size_t kLongText = 600;  // past every buffer of the program

// A registry value as a damaged or foreign entry may hold it.
void AddValue(FuzzInput& in, const std::wstring& key, const std::wstring& name) {
  static constexpr DWORD kTypes[] = {REG_SZ,        REG_SZ,       REG_DWORD, REG_BINARY,
                                     REG_EXPAND_SZ, REG_MULTI_SZ, REG_NONE};
  const DWORD type = kTypes[in.Byte() % std::size(kTypes)];
  sim::SetRegistryValue(HKEY_LOCAL_MACHINE, key, name, type, in.Bytes(in.U16() % 1200));
}

void SerialPortsFromRegistry(FuzzInput& in) {
  const int values = in.Byte() % 6;
  for (int i = 0; i < values; ++i) AddValue(in, kSerialCommKey, WideText(in, kLongText));
  PortList ports;
  CollectSerialPorts(ports);
  CheckPortList(ports);
  FUZZ_CHECK(ports.Count() <= static_cast<std::size_t>(values));
}

void UsbPortsFromDevices(FuzzInput& in) {
  const int devices = in.Byte() % 4;
  for (int i = 0; i < devices; ++i) {
    // Mostly the shape the platform gives, with fuzzed pieces; sometimes anything.
    std::wstring path = in.Bool()
                            ? WideText(in, kLongText)
                            : L"\\\\?\\usb#vid_" + WideText(in, 6) + L"&pid_" + WideText(in, 6) +
                                  L"#" + WideText(in, 40) + L"#" + kUsbPrintClass;
    sim::AddDeviceInterface(kUsbPrintGuid, path, in.Bool());
    if (path.size() < 4) continue;
    const std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") +
                             kUsbPrintClass + L"\\##?#" + path.substr(4) +
                             L"\\#\\Device Parameters";
    if (in.Bool()) AddValue(in, key, L"Port Number");
  }
  PortList ports;
  DiscoverUsbPorts(ports);
  CheckPortList(ports);
  for (const PortEntry* entry = ports.Head(); entry; entry = entry->next) {
    FUZZ_CHECK(std::wcsncmp(entry->portName, L"USB", 3) == 0);
  }
}

void PreparedPorts(FuzzInput& in) {
  if (in.Bool()) sim::AddSerialDevice(WideText(in, 40), 9600);
  InstallRequest request = {};
  CopyText(request.portName, WideText(in, kLongText).c_str());
  static constexpr WORD kKinds[] = {kConnectionNone, kConnectionUsb, kConnectionCom, kConnectionNet,
                                    kConnectionLpt};
  request.connectionKind = kKinds[in.Byte() % std::size(kKinds)];
  const DWORD baudRate = in.U32(), address = in.U32();
  PreparePort(nullptr, request, baudRate, address);
  FUZZ_CHECK(std::wmemchr(request.portName, 0, kNameChars) != nullptr);
  if (request.connectionKind == kConnectionNet) {
    WCHAR expected[kNameChars];
    std::swprintf(expected, kNameChars, L"%u.%u.%u.%u_9100", address >> 24, (address >> 16) & 0xFF,
                  (address >> 8) & 0xFF, address & 0xFF);
    FUZZ_CHECK(std::wcscmp(request.portName, expected) == 0);
  }
  FUZZ_CHECK(sim::OpenHandles().empty());
}

// The user picks lines of the found-printer list (NET: the line is read as
// an address) and of the serial ports (COM: a double click configures the
// port the line names).
void ListBoxLines(FuzzInput& in) {
  const int serialPorts = in.Byte() % 4;
  for (int i = 0; i < serialPorts; ++i) {
    sim::SetRegistryString(HKEY_LOCAL_MACHINE, kSerialCommKey, L"Serial" + std::to_wstring(i),
                           WideText(in, kLongText));
  }
  SetupDialog dialog;
  const int printers = in.Byte() % 5;
  for (int i = 0; i < printers; ++i) {
    auto entry = PortList::NewEntry();
    CopyText(entry->portName, WideText(in, kLongText).c_str());
    std::lock_guard<std::mutex> guard(dialog.State().ports.foundLock);
    dialog.State().ports.found.PushFront(std::move(entry));
  }
  for (int clicks = 0; clicks < 8 && !in.Empty(); ++clicks) {
    const std::uint8_t action = in.Byte();
    if (action & 1) {
      machine::Click(dialog.Window(), IDC_USB + (action >> 1) % 4);
      continue;
    }
    const int lines = static_cast<int>(SendMessageW(dialog.Item(IDC_PORT_LIST), LB_GETCOUNT, 0, 0));
    machine::ClickListLine(dialog.Window(), IDC_PORT_LIST, lines > 0 ? (action >> 2) % lines : 0,
                           action & 2);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  FreshMachine machine;
  switch (in.Byte() % 4) {
    case 0:
      SerialPortsFromRegistry(in);
      break;
    case 1:
      UsbPortsFromDevices(in);
      break;
    case 2:
      PreparedPorts(in);
      break;
    default:
      ListBoxLines(in);
      break;
  }
  return 0;
}
