// Serial and parallel ports (see wired_ports.h).
#include "wired_ports.h"

#include <cwchar>

#include "scoped_handle.h"
#include "spooler_ports.h"
#include "texts.h"
#include "wide_format.h"

void CollectSerialPorts(PortList& wiredPorts) {
  wiredPorts.Clear();
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, texts::kSerialCommKey, 0, KEY_READ, key.Receive()) !=
      ERROR_SUCCESS)
    return;
  for (DWORD index = 0;; ++index) {
    WCHAR name[kNameChars] = {};
    WCHAR data[130] = {};  // 260 bytes on the platform
    DWORD nameChars = kNameChars;
    DWORD dataBytes = sizeof(data) - sizeof(data[0]);  // room for a terminator the value may lack
    DWORD type = REG_NONE;
    LSTATUS status = RegEnumValueW(key.Get(), index, name, &nameChars, nullptr, &type,
                                   reinterpret_cast<LPBYTE>(data), &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    // A value that does not fit or is not text names no port.
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    auto entry = PortList::NewEntry();
    if (!entry) continue;
    FormatText(entry->portName, texts::kSerialPortFormat, data);
    wiredPorts.PushFront(std::move(entry));
  }
}

void CollectParallelPorts(PortList& wiredPorts) {
  wiredPorts.Clear();
  SpoolerPorts ports;
  for (DWORD i = 0; i < ports.Count(); ++i) {
    const WCHAR* name = ports[i].pPortName;
    if (!name || !std::wcsstr(name, texts::kParallelPortMarker)) continue;
    // Only a port with a device behind it is offered.
    ScopedKernelHandle device(
        CreateFileW(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device.IsValid()) continue;
    auto entry = PortList::NewEntry();
    if (!entry) continue;
    CopyText(entry->portName, name);
    wiredPorts.PushFront(std::move(entry));
  }
}
