// Port preparation (see prepare_port.h).
#include "prepare_port.h"

#include <commctrl.h>

#include <cwchar>

#include "port_data.h"
#include "scoped_handle.h"
#include "texts.h"
#include "wide_format.h"

namespace {

constexpr DWORD kXcvOutputBytes = 260;
constexpr size_t kDevicePrefixChars = 4;  // \\.\ before the port name

void SetBaudRate(const InstallRequest& request, DWORD baudRate) {
  // The whole port name, however long, then cut at its colon: COM3: opens
  // the device \\.\COM3.
  WCHAR devicePath[kDevicePrefixChars + kNameChars] = {};
  FormatText(devicePath, texts::kDevicePathFormat, request.portName);
  if (WCHAR* colon = std::wcschr(devicePath, L':')) *colon = 0;
  ScopedKernelHandle port(
      CreateFileW(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!port.IsValid()) return;
  DCB settings = {};
  settings.DCBlength = sizeof(settings);
  static_assert(sizeof(DCB) == 28);
  if (!GetCommState(port.Get(), &settings)) return;
  settings.BaudRate = baudRate;
  SetCommState(port.Get(), &settings);
}

}  // namespace

void AddTcpIpPort(InstallRequest& request, DWORD address) {
  WCHAR addressText[60] = {};
  FormatText(addressText, texts::kAddressFormat, FIRST_IPADDRESS(address),
             SECOND_IPADDRESS(address), THIRD_IPADDRESS(address), FOURTH_IPADDRESS(address));
  FormatText(request.portName, texts::kTcpPortNameFormat, addressText, kRawPrintingPort);
  if (!addressText[0]) return;

  PORT_DATA_1 port = {};
  CopyText(port.sztPortName, request.portName);
  CopyText(port.sztHostAddress, addressText);
  port.dwVersion = 1;
  port.dwProtocol = PROTOCOL_RAWTCP_TYPE;
  port.dwPortNumber = kRawPrintingPort;

  BYTE output[kXcvOutputBytes] = {};
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  ScopedPrinter monitor;
  if (!OpenPrinterW(const_cast<LPWSTR>(texts::kTcpMonitorObject), monitor.Receive(), &defaults))
    return;
  DWORD needed = 0, status = 0;
  XcvDataW(monitor.Get(), texts::kAddPortCommand, reinterpret_cast<PBYTE>(&port), sizeof(port),
           output, sizeof(output), &needed, &status);
}

void PreparePort(HWND, InstallRequest& request, DWORD baudRate, DWORD address) {
  switch (request.connectionKind) {
    case kConnectionCom:
      SetBaudRate(request, baudRate);
      break;
    case kConnectionNet:
      AddTcpIpPort(request, address);
      break;
    default:
      break;
  }
}
