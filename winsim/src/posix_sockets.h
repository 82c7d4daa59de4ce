// The POSIX side of winsim's sockets. Kept apart from winsock.cpp because the
// platform's socket declarations and the C library's share names. Failures
// return -1 (or false) with errno's value in `error`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace winsim::posix {

// Addresses and ports in network byte order, as sockaddr_in holds them.
struct Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

int OpenUdpSocket(int& error);
bool EnableBroadcast(int fd, bool on, int& error);
bool Bind(int fd, Endpoint local, int& error);
long SendTo(int fd, const void* data, std::size_t size, Endpoint to, int& error);
// Waits for one datagram, calling `tick` every few milliseconds while none
// has come (it may throw to give up). Returns the datagram's whole length;
// `data` holds at most its first `size` bytes.
long ReceiveFrom(int fd, void* data, std::size_t size, Endpoint& from, int& error, void (*tick)());
void Close(int fd);

}  // namespace winsim::posix
