// Native stand-in for <commctrl.h>: the IP address control.
#pragma once

#include <windows.h>

struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;

#define ICC_INTERNET_CLASSES 0x00000800
#define WC_IPADDRESSW L"SysIPAddress32"

#define IPM_CLEARADDRESS (WM_USER + 100)
#define IPM_SETADDRESS (WM_USER + 101)
#define IPM_GETADDRESS (WM_USER + 102)
#define IPM_SETRANGE (WM_USER + 103)
#define IPM_SETFOCUS (WM_USER + 104)
#define IPM_ISBLANK (WM_USER + 105)

#define MAKEIPADDRESS(b1, b2, b3, b4)                                                    \
  (static_cast<LPARAM>((static_cast<DWORD>(b1) << 24) + (static_cast<DWORD>(b2) << 16) + \
                       (static_cast<DWORD>(b3) << 8) + static_cast<DWORD>(b4)))
#define FIRST_IPADDRESS(x) ((static_cast<DWORD>(x) >> 24) & 0xff)
#define SECOND_IPADDRESS(x) ((static_cast<DWORD>(x) >> 16) & 0xff)
#define THIRD_IPADDRESS(x) ((static_cast<DWORD>(x) >> 8) & 0xff)
#define FOURTH_IPADDRESS(x) (static_cast<DWORD>(x) & 0xff)

extern "C" {
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
}
