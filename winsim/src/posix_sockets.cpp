// POSIX sockets for winsim's Windows sockets (see posix_sockets.h).
#include "posix_sockets.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace winsim::posix {
namespace {

sockaddr_in ToSockaddr(Endpoint endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = endpoint.port;
  address.sin_addr.s_addr = endpoint.address;
  return address;
}

}  // namespace

int OpenUdpSocket(int& error) {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) error = errno;
  return fd;
}

bool EnableBroadcast(int fd, bool on, int& error) {
  int value = on ? 1 : 0;
  if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0) return true;
  error = errno;
  return false;
}

bool Bind(int fd, Endpoint local, int& error) {
  sockaddr_in address = ToSockaddr(local);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
  error = errno;
  return false;
}

long SendTo(int fd, const void* data, std::size_t size, Endpoint to, int& error) {
  sockaddr_in address = ToSockaddr(to);
  ssize_t sent =
      ::sendto(fd, data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (sent < 0) error = errno;
  return static_cast<long>(sent);
}

long ReceiveFrom(int fd, void* data, std::size_t size, Endpoint& from, int& error, void (*tick)()) {
  for (;;) {
    pollfd wait{fd, POLLIN, 0};
    int ready = ::poll(&wait, 1, 20);
    if (ready < 0 && errno != EINTR) {
      error = errno;
      return -1;
    }
    if (ready <= 0) {
      tick();
      continue;
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    // MSG_TRUNC: the whole datagram's length, so that the caller can tell a
    // datagram that did not fit, as the platform does.
    ssize_t received = ::recvfrom(fd, data, size, MSG_TRUNC | MSG_DONTWAIT,
                                  reinterpret_cast<sockaddr*>(&address), &length);
    if (received < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (received < 0) {
      error = errno;
      return -1;
    }
    from.address = address.sin_addr.s_addr;
    from.port = address.sin_port;
    return static_cast<long>(received);
  }
}

void Close(int fd) { ::close(fd); }

}  // namespace winsim::posix
