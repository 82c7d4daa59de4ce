// Native stand-in for <winsock2.h>: the Windows sockets calls of the setup
// program's network discovery (IPv4 UDP only), carried out over POSIX
// sockets. Constants keep the platform's values.
//
// socket, bind, sendto, recvfrom, setsockopt, htons, htonl and inet_addr
// have C++ linkage here, so that they never stand in for the C library's
// functions of the same names (which winsim itself calls).
#pragma once

#include <windows.h>

using SOCKET = UINT_PTR;
// The same types as the C library's BSD ones; u_long is left out, being
// 64 bits there and 32 here.
using u_char = unsigned char;
using u_short = unsigned short;
using u_int = unsigned int;

#define INVALID_SOCKET (static_cast<SOCKET>(~0))
#define SOCKET_ERROR (-1)

#define AF_INET 2
#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define IPPROTO_UDP 17
#define SOL_SOCKET 0xffff
#define SO_REUSEADDR 0x0004
#define SO_BROADCAST 0x0020
#define INADDR_ANY static_cast<ULONG>(0x00000000)
#define INADDR_NONE 0xffffffffu
#define INADDR_BROADCAST static_cast<ULONG>(0xffffffff)

#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEWOULDBLOCK 10035
#define WSAENOTSOCK 10038
#define WSAEMSGSIZE 10040
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETUNREACH 10051
#define WSAENOBUFS 10055
#define WSAESHUTDOWN 10058
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093

struct in_addr {
  union {
    struct {
      u_char s_b1, s_b2, s_b3, s_b4;
    } S_un_b;
    struct {
      u_short s_w1, s_w2;
    } S_un_w;
    ULONG S_addr;
  } S_un;
};
#define s_addr S_un.S_addr

struct sockaddr {
  u_short sa_family;
  char sa_data[14];
};

struct sockaddr_in {
  short sin_family;
  u_short sin_port;
  in_addr sin_addr;
  char sin_zero[8];
};

using SOCKADDR = sockaddr;
using PSOCKADDR = sockaddr*;
using LPSOCKADDR = sockaddr*;
using SOCKADDR_IN = sockaddr_in;
using PSOCKADDR_IN = sockaddr_in*;
using IN_ADDR = in_addr;

static_assert(sizeof(sockaddr) == 16 && sizeof(sockaddr_in) == 16 && sizeof(in_addr) == 4);

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
};
using LPWSADATA = WSADATA*;

extern "C" {
int WSAStartup(WORD versionRequested, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);
int closesocket(SOCKET s);
}

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const sockaddr* name, int nameLength);
int setsockopt(SOCKET s, int level, int option, const char* value, int valueLength);
int sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength);
int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength);
u_short htons(u_short value);
u_short ntohs(u_short value);
ULONG htonl(ULONG value);
ULONG ntohl(ULONG value);
// Dotted IPv4 text to an address in network order; INADDR_NONE when the text
// is not one.
ULONG inet_addr(const char* text);
