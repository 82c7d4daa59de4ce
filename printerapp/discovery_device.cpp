// The discovery device scheme: listing by broadcast query, printing over TCP.
#include "discovery_device.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pappl/pappl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "device_ids.h"
#include "device_io.h"
#include "discovery_protocol.h"

namespace {

constexpr int kListenMs = 2000;    // replies are awaited this long after the query
constexpr int kConnectMs = 10000;  // a printer that does not accept within this is offline
constexpr int kWriteMs = 30000;    // nor one that takes no data for this long

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool InterfaceAddress(const std::string& name, in_addr& address) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* entry = list; entry && !found; entry = entry->ifa_next) {
    if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET && name == entry->ifa_name) {
      address = reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr;
      found = true;
    }
  }
  freeifaddrs(list);
  return found;
}

// One query socket: bound to the interface and its address, reply port.
int OpenQuerySocket(const std::string& name, std::string& error) {
  in_addr address{};
  if (!InterfaceAddress(name, address)) {
    error = "interface " + name + " has no IPv4 address";
    return -1;
  }
  Fd fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const int on = 1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(discovery::kReplyPort);
  local.sin_addr = address;
  if (fd.get() < 0 || setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      setsockopt(fd.get(), SOL_SOCKET, SO_BINDTODEVICE, name.c_str(),
                 static_cast<socklen_t>(name.size())) != 0 ||
      bind(fd.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    error = "cannot listen on interface " + name + ": " + std::strerror(errno);
    return -1;
  }
  sockaddr_in broadcast{};
  broadcast.sin_family = AF_INET;
  broadcast.sin_port = htons(discovery::kQueryPort);
  broadcast.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  if (sendto(fd.get(), discovery::kQuery, discovery::kQueryBytes, 0,
             reinterpret_cast<sockaddr*>(&broadcast),
             sizeof broadcast) != static_cast<ssize_t>(discovery::kQueryBytes)) {
    error = "cannot send the query on interface " + name + ": " + std::strerror(errno);
    return -1;
  }
  return fd.release();
}

bool ListDevices(pappl_device_cb_t cb, void* data, pappl_deverror_cb_t errCb, void* errData) {
  const std::vector<std::string> names = ParseInterfaceList(getenv(kDiscoveryInterfacesVariable));
  std::vector<pollfd> sockets;
  for (const std::string& name : names) {
    std::string error;
    const int fd = OpenQuerySocket(name, error);
    if (fd < 0) {
      if (errCb) errCb(error.c_str(), errData);
      continue;
    }
    sockets.push_back({fd, POLLIN, 0});
  }
  std::set<std::string> seen;
  bool stop = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kListenMs);
  while (!sockets.empty() && !stop) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    if (poll(sockets.data(), sockets.size(), static_cast<int>(left)) <= 0) break;
    for (pollfd& p : sockets) {
      if (!(p.revents & POLLIN)) continue;
      std::uint8_t datagram[1024];
      const ssize_t got = recv(p.fd, datagram, sizeof datagram, 0);
      if (got <= 0) continue;
      const auto reply = discovery::ParseReply(datagram, static_cast<std::size_t>(got));
      if (!reply) continue;
      const std::string address = discovery::AddressText(*reply);
      if (!seen.insert(address).second) continue;  // answered on two interfaces
      const std::string info = "BRINDOL receipt printer (" + address + ")";
      const std::string uri = std::string(kDiscoveryScheme) + "://" + address;
      if (cb(info.c_str(), uri.c_str(), device_ids::kReceipt80, data)) {
        stop = true;
        break;
      }
    }
  }
  for (pollfd& p : sockets) close(p.fd);
  return stop;
}

bool OpenDevice(pappl_device_t* device, const char* uri, const char*) {
  std::string host;
  int port = 0;
  if (!ParseDeviceUri(uri, host, port)) {
    papplDeviceError(device, "Bad device URI '%s'.", uri);
    return false;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, host.c_str(), &remote.sin_addr);
  Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) {
    papplDeviceError(device, "Unable to create a socket: %s", std::strerror(errno));
    return false;
  }
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0 &&
      errno != EINPROGRESS) {
    papplDeviceError(device, "Unable to connect to %s:%d: %s", host.c_str(), port,
                     std::strerror(errno));
    return false;
  }
  pollfd p = {fd.get(), POLLOUT, 0};
  int soError = 0;
  socklen_t length = sizeof soError;
  if (poll(&p, 1, kConnectMs) != 1 ||
      getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &length) != 0 || soError != 0) {
    papplDeviceError(device, "Unable to connect to %s:%d: %s", host.c_str(), port,
                     soError ? std::strerror(soError) : "no answer");
    return false;
  }
  SetDeviceFd(device, fd.release());
  return true;
}

void CloseDevice(pappl_device_t* device) { close(DeviceFd(device)); }

ssize_t ReadDevice(pappl_device_t* device, void* buffer, std::size_t bytes) {
  return ReadWithin(device, buffer, bytes, 100);
}

ssize_t SendWithoutSignal(int fd, const void* buffer, std::size_t bytes) {
  return send(fd, buffer, bytes, MSG_NOSIGNAL);
}

ssize_t WriteDevice(pappl_device_t* device, const void* buffer, std::size_t bytes) {
  return WriteWhole(device, buffer, bytes, SendWithoutSignal, kWriteMs, "");
}

pappl_preason_t DeviceStatus(pappl_device_t*) { return PAPPL_PREASON_NONE; }

char* DeviceId(pappl_device_t*, char* buffer, std::size_t size) {
  std::snprintf(buffer, size, "%s", device_ids::kReceipt80);
  return buffer;
}

}  // namespace

void RegisterDiscoveryScheme() {
  // PAPPL adds its own schemes (file, socket, usb, ...) only while none is
  // known; asking about one first makes it add them before ours.
  papplDeviceIsSupported("socket://127.0.0.1");
  papplDeviceAddScheme(kDiscoveryScheme, PAPPL_DEVTYPE_CUSTOM_NETWORK, ListDevices, OpenDevice,
                       CloseDevice, ReadDevice, WriteDevice, DeviceStatus, DeviceId);
}

std::vector<std::string> ParseInterfaceList(const char* text) {
  std::vector<std::string> names;
  if (!text) return names;
  std::string current;
  for (const char* c = text;; ++c) {
    if (*c == '\0' || *c == ',' || *c == ' ' || *c == '\t') {
      if (!current.empty() && current.size() < IFNAMSIZ) names.push_back(current);
      current.clear();
      if (*c == '\0') break;
    } else {
      current += *c;
    }
  }
  return names;
}

bool ParseDeviceUri(const char* uri, std::string& host, int& port) {
  const std::string prefix = std::string(kDiscoveryScheme) + "://";
  if (!uri || std::strncmp(uri, prefix.c_str(), prefix.size()) != 0) return false;
  std::string rest = uri + prefix.size();
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  port = discovery::kPrintPort;
  const std::size_t colon = rest.find(':');
  if (colon != std::string::npos) {
    const std::string digits = rest.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    port = std::atoi(digits.c_str());
    if (port < 1 || port > 65535) return false;
    rest.resize(colon);
  }
  in_addr parsed{};
  if (inet_pton(AF_INET, rest.c_str(), &parsed) != 1) return false;
  host = rest;
  return true;
}
