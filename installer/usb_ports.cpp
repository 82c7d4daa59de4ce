// USB printer port discovery (see usb_ports.h).
#include "usb_ports.h"

#include <setupapi.h>

#include <cstddef>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "scoped_handle.h"
#include "texts.h"
#include "wide_format.h"

namespace {

// GUID_DEVINTERFACE_USBPRINT
constexpr GUID kUsbPrintInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// The path is \\?\usb#vid_VVVV&pid_...: the vendor id sits at 12 to 15, and
// the parameters key is named after the path without its \\?\ prefix.
constexpr size_t kVendorIdOffset = 12;
constexpr size_t kVendorIdChars = 4;
constexpr size_t kPathPrefixChars = 4;

bool IsSupportedVendor(const WCHAR* devicePath) {
  if (std::wcslen(devicePath) < kVendorIdOffset + kVendorIdChars) return false;
  WCHAR vendor[10] = {};
  FormatText(vendor, texts::kUsbVendorFormat, devicePath + kVendorIdOffset);
  for (WCHAR& c : vendor) c = static_cast<WCHAR>(std::towlower(static_cast<wint_t>(c)));
  return std::wcsstr(texts::kUsbVendorList, vendor) != nullptr;
}

// The "Port Number" of the interface's device parameters; false when the key
// or a 32-bit value is missing.
bool ReadPortNumber(const WCHAR* devicePath, DWORD& portNumber) {
  const WCHAR* name = devicePath + kPathPrefixChars;
  std::vector<WCHAR> keyPath(std::wcslen(texts::kUsbParametersKeyFormat) + std::wcslen(name) + 1);
  const FormatArg args[] = {name};
  FormatTextV(keyPath.data(), keyPath.size(), texts::kUsbParametersKeyFormat, args);
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.data(), 0, KEY_QUERY_VALUE, key.Receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_NONE, size = sizeof(portNumber);
  return RegQueryValueExW(key.Get(), texts::kPortNumberValue, nullptr, &type,
                          reinterpret_cast<LPBYTE>(&portNumber), &size) == ERROR_SUCCESS &&
         type == REG_DWORD && size == sizeof(portNumber);
}

void AddInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, PortList& usbPorts) {
  DWORD size = 0;
  SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
  if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return;
  std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
  if (!block) return;
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(block.get());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);  // the fixed part only
  if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr)) return;

  if (!IsSupportedVendor(detail->DevicePath)) return;
  DWORD portNumber = 0;
  if (!ReadPortNumber(detail->DevicePath, portNumber)) return;
  auto entry = PortList::NewEntry();
  if (!entry) return;
  FormatText(entry->portName, texts::kUsbPortFormat, portNumber);
  usbPorts.PushFront(std::move(entry));
}

}  // namespace

void DiscoverUsbPorts(PortList& usbPorts) {
  usbPorts.Clear();
  ScopedDeviceInfoSet set(SetupDiGetClassDevsW(&kUsbPrintInterface, nullptr, nullptr,
                                               DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set.IsValid()) return;
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof(data);
  for (DWORD index = 0;
       SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbPrintInterface, index, &data);
       ++index) {
    AddInterface(set.Get(), data, usbPorts);
  }
}
