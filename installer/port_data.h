// The Standard TCP/IP port monitor's port description (level 1), as its
// transceive command "AddPort" takes it. Declared here where the platform
// headers lack it.
#pragma once

#include <windows.h>

#if __has_include(<tcpxcv.h>)
#include <tcpxcv.h>
#else
struct PORT_DATA_1 {
  WCHAR sztPortName[64];
  DWORD dwVersion;
  DWORD dwProtocol;
  DWORD cbSize;
  DWORD dwReserved;
  WCHAR sztHostAddress[49];
  WCHAR sztSNMPCommunity[33];
  DWORD dwDoubleSpool;
  WCHAR sztQueue[33];
  WCHAR sztIPAddress[16];
  BYTE Reserved[540];
  DWORD dwPortNumber;
  DWORD dwSNMPEnabled;
  DWORD dwSNMPDevIndex;
};
#endif

#ifndef PROTOCOL_RAWTCP_TYPE
#define PROTOCOL_RAWTCP_TYPE 1
#endif

#ifdef _WIN32
// The monitor checks the record by its size; the layout is the same for
// 32-bit and 64-bit processes.
static_assert(sizeof(PORT_DATA_1) == 964);
static_assert(offsetof(PORT_DATA_1, sztHostAddress) == 144);
static_assert(offsetof(PORT_DATA_1, dwDoubleSpool) == 308);
static_assert(offsetof(PORT_DATA_1, dwPortNumber) == 952);
#endif
