// Native stand-in for <winspool.h>: the print spooler calls of the setup
// program, answered by winsim's in-memory spooler.
#pragma once

#include <windows.h>

using PSECURITY_DESCRIPTOR = void*;
using LPHANDLE = HANDLE*;
struct _devicemodeW;

struct PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  _devicemodeW* pDevMode;
  DWORD DesiredAccess;
};
using LPPRINTER_DEFAULTSW = PRINTER_DEFAULTSW*;
using PPRINTER_DEFAULTSW = PRINTER_DEFAULTSW*;

struct PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  _devicemodeW* pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};
using PPRINTER_INFO_2W = PRINTER_INFO_2W*;

struct DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
};
using PDRIVER_INFO_3W = DRIVER_INFO_3W*;

struct DRIVER_INFO_8W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
  LPWSTR pszzPreviousNames;
  FILETIME ftDriverDate;
  ULONGLONG dwlDriverVersion;
  LPWSTR pszMfgName;
  LPWSTR pszOEMUrl;
  LPWSTR pszHardwareID;
  LPWSTR pszProvider;
  LPWSTR pszPrintProcessor;
  LPWSTR pszVendorSetup;
  LPWSTR pszzColorProfiles;
  LPWSTR pszInfPath;
  DWORD dwPrinterDriverAttributes;
  LPWSTR pszzCoreDriverDependencies;
  FILETIME ftMinInboxDriverVerDate;
  ULONGLONG dwlMinInboxDriverVerVersion;
};
using PDRIVER_INFO_8W = DRIVER_INFO_8W*;

struct PORT_INFO_2W {
  LPWSTR pPortName;
  LPWSTR pMonitorName;
  LPWSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
};
using PPORT_INFO_2W = PORT_INFO_2W*;

#define PRINTER_ALL_ACCESS 0x000F000C
#define SERVER_ACCESS_ADMINISTER 0x00000001
#define SERVER_ALL_ACCESS 0x000F0003
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PORT_TYPE_WRITE 0x0001
#define PORT_TYPE_READ 0x0002

extern "C" {
BOOL OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults);
BOOL ClosePrinter(HANDLE printer);
BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
HANDLE AddPrinterW(LPWSTR serverName, DWORD level, LPBYTE printer);
BOOL AddPrinterDriverW(LPWSTR serverName, DWORD level, LPBYTE driverInfo);
BOOL EnumPrinterDriversW(LPWSTR serverName, LPWSTR environment, DWORD level, LPBYTE buffer,
                         DWORD size, LPDWORD needed, LPDWORD returned);
BOOL EnumPortsW(LPWSTR serverName, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                LPDWORD returned);
BOOL GetPrinterDriverDirectoryW(LPWSTR serverName, LPWSTR environment, DWORD level, LPBYTE buffer,
                                DWORD size, LPDWORD needed);
BOOL XcvDataW(HANDLE xcv, PCWSTR dataName, PBYTE input, DWORD inputSize, PBYTE output,
              DWORD outputSize, PDWORD outputNeeded, PDWORD status);
BOOL ConfigurePortW(LPWSTR serverName, HWND window, LPWSTR portName);
BOOL SetDefaultPrinterW(LPCWSTR printer);
}

#define OpenPrinter OpenPrinterW
#define GetPrinter GetPrinterW
#define AddPrinter AddPrinterW
#define AddPrinterDriver AddPrinterDriverW
#define EnumPrinterDrivers EnumPrinterDriversW
#define EnumPorts EnumPortsW
#define GetPrinterDriverDirectory GetPrinterDriverDirectoryW
#define XcvData XcvDataW
#define ConfigurePort ConfigurePortW
#define SetDefaultPrinter SetDefaultPrinterW
