// Windows sockets over POSIX sockets: IPv4 UDP, what the network discovery
// uses. Only loopback traffic leaves a socket unless the test allows more
// (it then runs in a network namespace of its own).
#include <winsock2.h>

#include <bit>
#include <cstring>
#include <cerrno>
#include <map>
#include <mutex>
#include <sstream>

#include "posix_sockets.h"
#include "program_threads.h"
#include "sim_network.h"
#include "world.h"

namespace winsim {
namespace {

struct SocketEntry {
  int fd = -1;
  bool bound = false;
  posix::Endpoint local;
};

struct Network {
  std::mutex lock;
  int startups = 0;
  WORD granted = 0;
  bool allowTraffic = false;
  std::map<SOCKET, SocketEntry> sockets;
  SOCKET next = 0x100;
};

// Never destroyed: threads still running at the program's end use it.
Network& N() {
  static Network& network = *new Network;
  return network;
}

int Fail(int error) {
  SetLastError(static_cast<DWORD>(error));
  return SOCKET_ERROR;
}

int FromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case EBADF:
    case ENOTSOCK:
      return WSAENOTSOCK;
    case EMSGSIZE:
      return WSAEMSGSIZE;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    case EFAULT:
      return WSAEFAULT;
    case EINVAL:
      return WSAEINVAL;
    default:
      return WSAEINVAL;
  }
}

// The socket's descriptor, or -1 with the platform's error set.
int Descriptor(SOCKET s) {
  std::lock_guard<std::mutex> guard(N().lock);
  if (N().startups == 0) {
    SetLastError(WSANOTINITIALISED);
    return -1;
  }
  auto it = N().sockets.find(s);
  if (it == N().sockets.end()) {
    SetLastError(WSAENOTSOCK);
    return -1;
  }
  return it->second.fd;
}

bool ReadEndpoint(const sockaddr* name, int length, posix::Endpoint& out) {
  if (!name || length < static_cast<int>(sizeof(sockaddr_in))) {
    SetLastError(WSAEFAULT);
    return false;
  }
  const auto* address = reinterpret_cast<const sockaddr_in*>(name);
  if (address->sin_family != AF_INET) {
    SetLastError(WSAEAFNOSUPPORT);
    return false;
  }
  out.address = address->sin_addr.s_addr;
  out.port = address->sin_port;
  return true;
}

bool IsLoopback(std::uint32_t networkOrder) { return (ntohl(networkOrder) >> 24) == 127; }

std::string Dotted(std::uint32_t networkOrder) {
  std::uint32_t host = ntohl(networkOrder);
  std::ostringstream text;
  text << (host >> 24) << '.' << ((host >> 16) & 0xff) << '.' << ((host >> 8) & 0xff) << '.'
       << (host & 0xff);
  return text.str();
}

}  // namespace

void ResetSockets() {
  std::lock_guard<std::mutex> guard(N().lock);
  for (auto& [s, entry] : N().sockets) posix::Close(entry.fd);
  N().sockets.clear();
  N().startups = 0;
  N().granted = 0;
  N().allowTraffic = false;
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void AllowNetworkTraffic(bool allow) {
  std::lock_guard<std::mutex> guard(N().lock);
  N().allowTraffic = allow;
}

void GrantWinsockVersion(WORD version) {
  std::lock_guard<std::mutex> guard(N().lock);
  N().granted = version;
}

int WinsockStartups() {
  std::lock_guard<std::mutex> guard(N().lock);
  return N().startups;
}

std::vector<std::string> OpenSockets() {
  std::lock_guard<std::mutex> guard(N().lock);
  std::vector<std::string> out;
  for (auto& [s, entry] : N().sockets) {
    out.push_back(entry.bound ? "udp " + Dotted(entry.local.address) + ":" +
                                    std::to_string(ntohs(entry.local.port))
                              : "udp");
  }
  return out;
}

}  // namespace sim

extern "C" {

int WSAStartup(WORD versionRequested, LPWSADATA data) {
  if (!data) return WSAEFAULT;
  if (Faulted("WSAStartup")) return static_cast<int>(GetLastError());
  if (LOBYTE(versionRequested) == 0) return WSAVERNOTSUPPORTED;
  std::lock_guard<std::mutex> guard(N().lock);
  // Version words hold the major number in the low byte.
  auto order = [](WORD v) { return (LOBYTE(v) << 8) | HIBYTE(v); };
  WORD granted = N().granted                               ? N().granted
                 : order(versionRequested) > order(0x0202) ? WORD{0x0202}
                                                           : versionRequested;
  *data = WSADATA{};
  data->wVersion = granted;
  data->wHighVersion = 0x0202;
  ++N().startups;
  return 0;
}

int WSACleanup() {
  std::lock_guard<std::mutex> guard(N().lock);
  if (N().startups == 0) return Fail(WSANOTINITIALISED);
  --N().startups;
  return 0;
}

int WSAGetLastError() { return static_cast<int>(GetLastError()); }
void WSASetLastError(int error) { SetLastError(static_cast<DWORD>(error)); }

int closesocket(SOCKET s) {
  std::lock_guard<std::mutex> guard(N().lock);
  auto it = N().sockets.find(s);
  if (it == N().sockets.end()) return Fail(WSAENOTSOCK);
  posix::Close(it->second.fd);
  N().sockets.erase(it);
  return 0;
}

}  // extern "C"

SOCKET socket(int af, int type, int protocol) {
  {
    std::lock_guard<std::mutex> guard(N().lock);
    if (N().startups == 0) {
      SetLastError(WSANOTINITIALISED);
      return INVALID_SOCKET;
    }
  }
  if (Faulted("socket")) return INVALID_SOCKET;
  int error = 0;
  if (af != AF_INET)
    error = WSAEAFNOSUPPORT;
  else if (type != SOCK_DGRAM)
    error = WSAESOCKTNOSUPPORT;
  else if (protocol != 0 && protocol != IPPROTO_UDP)
    error = WSAEPROTONOSUPPORT;
  if (error) {
    SetLastError(static_cast<DWORD>(error));
    return INVALID_SOCKET;
  }
  int fd = posix::OpenUdpSocket(error);
  if (fd < 0) {
    SetLastError(static_cast<DWORD>(FromErrno(error)));
    return INVALID_SOCKET;
  }
  std::lock_guard<std::mutex> guard(N().lock);
  SOCKET s = N().next;
  N().next += 4;
  N().sockets[s].fd = fd;
  return s;
}

int setsockopt(SOCKET s, int level, int option, const char* value, int valueLength) {
  int fd = Descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (level != SOL_SOCKET || option != SO_BROADCAST) return Fail(WSAENOPROTOOPT);
  if (!value || valueLength < static_cast<int>(sizeof(BOOL))) return Fail(WSAEFAULT);
  BOOL on = 0;
  std::memcpy(&on, value, sizeof on);
  int error = 0;
  return posix::EnableBroadcast(fd, on != 0, error) ? 0 : Fail(FromErrno(error));
}

int bind(SOCKET s, const sockaddr* name, int nameLength) {
  int fd = Descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (Faulted("bind")) return SOCKET_ERROR;
  posix::Endpoint local;
  if (!ReadEndpoint(name, nameLength, local)) return SOCKET_ERROR;
  int error = 0;
  if (!posix::Bind(fd, local, error)) return Fail(FromErrno(error));
  std::lock_guard<std::mutex> guard(N().lock);
  N().sockets[s].bound = true;
  N().sockets[s].local = local;
  return 0;
}

int sendto(SOCKET s, const char* buffer, int length, int, const sockaddr* to, int toLength) {
  CheckThreadEnd();
  int fd = Descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (Faulted("sendto")) return SOCKET_ERROR;
  posix::Endpoint target;
  if (!ReadEndpoint(to, toLength, target)) return SOCKET_ERROR;
  if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
  {
    std::lock_guard<std::mutex> guard(N().lock);
    if (!N().allowTraffic && !IsLoopback(target.address)) return Fail(WSAEACCES);
  }
  int error = 0;
  long sent = posix::SendTo(fd, buffer, static_cast<size_t>(length), target, error);
  return sent < 0 ? Fail(FromErrno(error)) : static_cast<int>(sent);
}

int recvfrom(SOCKET s, char* buffer, int length, int, sockaddr* from, int* fromLength) {
  CheckThreadEnd();
  int fd = Descriptor(s);
  if (fd < 0) return SOCKET_ERROR;
  if (!buffer || length < 0) return Fail(WSAEFAULT);
  if (from && (!fromLength || *fromLength < static_cast<int>(sizeof(sockaddr_in))))
    return Fail(WSAEFAULT);
  posix::Endpoint sender;
  int error = 0;
  long received =
      posix::ReceiveFrom(fd, buffer, static_cast<size_t>(length), sender, error, CheckThreadEnd);
  if (received < 0) return Fail(FromErrno(error));
  if (from) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = sender.port;
    address.sin_addr.s_addr = sender.address;
    std::memcpy(from, &address, sizeof address);
    *fromLength = sizeof address;
  }
  // The platform does not cut a datagram short silently.
  if (received > length) return Fail(WSAEMSGSIZE);
  return static_cast<int>(received);
}

u_short htons(u_short value) {
  return std::endian::native == std::endian::little
             ? static_cast<u_short>((value << 8) | (value >> 8))
             : value;
}
u_short ntohs(u_short value) { return htons(value); }
ULONG htonl(ULONG value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return ((value & 0xffu) << 24) | ((value & 0xff00u) << 8) | ((value >> 8) & 0xff00u) |
         (value >> 24);
}
ULONG ntohl(ULONG value) { return htonl(value); }

ULONG inet_addr(const char* text) {
  if (!text) return INADDR_NONE;
  ULONG host = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *text++ != '.') return INADDR_NONE;
    if (*text < '0' || *text > '9') return INADDR_NONE;
    unsigned value = 0;
    for (int digits = 0; *text >= '0' && *text <= '9'; ++digits, ++text) {
      value = value * 10 + static_cast<unsigned>(*text - '0');
      if (digits >= 3 || value > 255) return INADDR_NONE;
    }
    host = (host << 8) | value;
  }
  return *text ? INADDR_NONE : htonl(host);
}
