// Device installation services: sets of device interfaces by class, present
// or not, each with a device path.
#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "sim.h"
#include "world.h"

namespace winsim {
namespace {

constexpr DWORD kErrorInvalidUserBuffer = 1784;
constexpr GUID kUsbPrintClass = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
constexpr wchar_t kUsbPrintClassText[] = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

struct Interface {
  GUID interfaceClass;
  std::wstring path;
  bool present;
};

struct Devices {
  std::mutex lock;
  std::vector<Interface> interfaces;
};

Devices& D() {
  static Devices devices;
  return devices;
}

struct DeviceSetObject : Object {
  std::vector<std::wstring> paths;
  GUID interfaceClass{};
  std::string Describe() const override { return "device information set"; }
};

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

}  // namespace

void ResetDevices() {
  std::lock_guard<std::mutex> guard(D().lock);
  D().interfaces.clear();
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void AddDeviceInterface(const GUID& interfaceClass, const std::wstring& devicePath, bool present) {
  std::lock_guard<std::mutex> guard(D().lock);
  D().interfaces.push_back({interfaceClass, devicePath, present});
}

void AddUsbPrinter(const std::wstring& vid, const std::wstring& pid, const std::wstring& serial,
                   int portNumber, bool present) {
  std::wstring path =
      L"\\\\?\\usb#vid_" + vid + L"&pid_" + pid + L"#" + serial + L"#" + kUsbPrintClassText;
  AddDeviceInterface(kUsbPrintClass, path, present);
  std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") +
                     kUsbPrintClassText + L"\\##?#" + path.substr(4) + L"\\#\\Device Parameters";
  if (portNumber >= 0) {
    SetRegistryDword(HKEY_LOCAL_MACHINE, key, L"Port Number", static_cast<DWORD>(portNumber));
  } else {
    CreateRegistryKey(HKEY_LOCAL_MACHINE, key);
  }
}

}  // namespace sim

extern "C" {

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, LPCWSTR, HWND, DWORD flags) {
  if (Faulted("SetupDiGetClassDevsW")) return INVALID_HANDLE_VALUE;
  if (!classGuid || !(flags & DIGCF_DEVICEINTERFACE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto set = std::make_unique<DeviceSetObject>();
  set->interfaceClass = *classGuid;
  {
    std::lock_guard<std::mutex> guard(D().lock);
    for (const auto& item : D().interfaces) {
      if (SameGuid(item.interfaceClass, *classGuid) && (item.present || !(flags & DIGCF_PRESENT))) {
        set->paths.push_back(item.path);
      }
    }
  }
  return AddObject(std::move(set));
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID* interfaceClass,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
  auto* object = Find<DeviceSetObject>(set);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || !interfaceClass) {
    SetLastError(kErrorInvalidUserBuffer);
    return FALSE;
  }
  if (!SameGuid(*interfaceClass, object->interfaceClass) || index >= object->paths.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->InterfaceClassGuid = object->interfaceClass;
  data->Flags = 1;  // SPINT_ACTIVE
  data->Reserved = index + 1;
  return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA) {
  auto* object = Find<DeviceSetObject>(set);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!data || data->Reserved == 0 || data->Reserved > object->paths.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Faulted("SetupDiGetDeviceInterfaceDetailW")) return FALSE;
  const std::wstring& path = object->paths[data->Reserved - 1];
  auto needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                   (path.size() + 1) * sizeof(wchar_t));
  if (requiredSize) *requiredSize = needed;
  if (!detail || detailSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    SetLastError(kErrorInvalidUserBuffer);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  if (!Find<DeviceSetObject>(set)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  RemoveObject(set);
  return TRUE;
}

}  // extern "C"
