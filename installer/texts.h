// The setup program's fixed texts: formats, names and literals, kept here
// exactly as the system uses them. (Texts the user reads come from the
// string table in resources/.)
#pragma once

#include <windows.h>

namespace texts {

inline constexpr WCHAR kWindowTitle[] = L"BRINDOL Printer Driver Setup";
inline constexpr WCHAR kSetupDirectoryFormat[] = L"%ws%ws";
inline constexpr WCHAR kWizardCommandFormat[] =
    L"rundll32.exe printui.dll PrintUIEntry /ii /f \"%ws%ws\"";

// Package installation.
inline constexpr WCHAR kCopyNameFormat[] = L"%ws(Copy %d)";
inline constexpr WCHAR kTargetPathFormat[] = L"%ws\\%ws";
inline constexpr WCHAR kSourcePathFormat[] = L"%ws\\%ws";
inline constexpr WCHAR kArchitectureSourcePathFormat[] = L"%ws\\%ws\\%ws";
inline constexpr WCHAR kDataTypeRaw[] = L"RAW";
inline constexpr WCHAR kPrintProcessor[] = L"WinPrint";
inline constexpr WCHAR kSpoolerService[] = L"Spooler";
inline constexpr WCHAR kFolderIntel[] = L"i386";
inline constexpr WCHAR kFolderArm[] = L"arm";
inline constexpr WCHAR kFolderAmd64[] = L"amd64";
inline constexpr WCHAR kFolderArm64[] = L"arm64";

// Log lines.
inline constexpr WCHAR kLogCopyFile[] = L"Copy file from %ws to %ws, %d, errcode:0x%x.";
inline constexpr WCHAR kLogAddDriverFailed[] = L"AddPrinterDriver failed, errcode:%d.";
inline constexpr WCHAR kLogPrinterAlreadyAdded[] = L"The printer %ws is already added.";
// The package check, one line per unfit file.
inline constexpr WCHAR kLogCheckPlaceholder[] =
    L"Package check failed: %ws is a placeholder, not the real file.";
inline constexpr WCHAR kLogCheckNoMz[] =
    L"Package check failed: %ws is not a PE image (no MZ header).";
inline constexpr WCHAR kLogCheckNoPeSignature[] =
    L"Package check failed: %ws is not a PE image (no PE signature in its first 4096 bytes).";
inline constexpr WCHAR kLogCheckWrongMachine[] =
    L"Package check failed: %ws is built for machine type 0x%x, this machine needs 0x%x.";
inline constexpr WCHAR kLogCheckUnreadable[] =
    L"Package check failed: %ws cannot be read, errcode:%d.";
inline constexpr WCHAR kLogAddPrinterFailed[] =
    L"AddPrinter %s failed, portName: %s, driverName:%s, errcode:%d.";

// USB ports.
inline constexpr WCHAR kUsbVendorList[] =
    L"vid_067b,vid_0416,vid_1cbe,vid_0483,vid_0471,vid_1fc9,vid_04b8";
inline constexpr WCHAR kUsbVendorFormat[] = L"vid_%.4ws";
inline constexpr WCHAR kUsbParametersKeyFormat[] =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\##"
    L"?#%ws\\#"
    L"\\Device Parameters";
inline constexpr WCHAR kPortNumberValue[] = L"Port Number";
inline constexpr WCHAR kUsbPortFormat[] = L"USB%.3d";

// Serial, parallel and network ports.
inline constexpr WCHAR kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
inline constexpr WCHAR kSerialPortFormat[] = L"%ws:";
inline constexpr WCHAR kParallelPortMarker[] = L"LPT";
inline constexpr WCHAR kDevicePathFormat[] = L"\\\\.\\%ws";
inline constexpr WCHAR kLabelUsb[] = L"USB";
inline constexpr WCHAR kLabelCom[] = L"COM";
inline constexpr WCHAR kLabelLpt[] = L"LPT";
inline constexpr WCHAR kLabelNet[] = L"NET";
inline constexpr WCHAR kAddressFormat[] = L"%d.%d.%d.%d";
inline constexpr WCHAR kTcpPortNameFormat[] = L"%ws_%d";
inline constexpr WCHAR kTcpMonitorObject[] = L",XcvMonitor Standard TCP/IP Port";
inline constexpr WCHAR kAddPortCommand[] = L"AddPort";

// Network discovery: the narrow debug output pieces and the log lines.
inline constexpr char kDebugAdapterName[] = "Adapter Name:";
inline constexpr char kDebugAdapterDescription[] = "Adapter Description:";
inline constexpr char kDebugAdapterType[] = "Adapter Type:";
inline constexpr char kDebugIpAddress[] = "IP Address:";
inline constexpr char kDebugThreadCreated[] = "Create UDP receiving thread for IP:";
inline constexpr char kDebugBindFailed[] = "Failed to bind with IP:";
inline constexpr char kDebugLineEnd[] = "\r\n";
inline constexpr char kNoAddress[] = "0.0.0.0";
inline constexpr WCHAR kLogSendFailed[] = L"UDP send data failed with error %u\n";
inline constexpr WCHAR kLogReplyReceived[] = L"UDPReceiveThread: received data at: %s\n";

}  // namespace texts
