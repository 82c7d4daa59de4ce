// Native stand-in for <winsvc.h>: the service control manager, with the one
// service the setup program controls ("Spooler").
#pragma once

#include <windows.h>

struct SC_HANDLE__;
using SC_HANDLE = SC_HANDLE__*;

enum SC_STATUS_TYPE { SC_STATUS_PROCESS_INFO = 0 };

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};
using LPSERVICE_STATUS = SERVICE_STATUS*;

struct SERVICE_STATUS_PROCESS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
  DWORD dwProcessId;
  DWORD dwServiceFlags;
};
static_assert(sizeof(SERVICE_STATUS_PROCESS) == 36);

#define SERVICE_STOPPED 0x00000001
#define SERVICE_START_PENDING 0x00000002
#define SERVICE_STOP_PENDING 0x00000003
#define SERVICE_RUNNING 0x00000004
#define SERVICE_CONTROL_STOP 0x00000001
#define SERVICE_WIN32_OWN_PROCESS 0x00000010
#define SC_MANAGER_ALL_ACCESS 0xF003F
#define SERVICE_ALL_ACCESS 0xF01FF

extern "C" {
SC_HANDLE OpenSCManagerW(LPCWSTR machineName, LPCWSTR databaseName, DWORD access);
SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD access);
BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer, DWORD size,
                          LPDWORD needed);
BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
BOOL StartServiceW(SC_HANDLE service, DWORD argCount, LPCWSTR* args);
BOOL CloseServiceHandle(SC_HANDLE handle);
}

#define OpenSCManager OpenSCManagerW
#define OpenService OpenServiceW
#define StartService StartServiceW
