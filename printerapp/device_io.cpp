// Reads and writes of the descriptor behind a device of our schemes.
#include "device_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

void SetDeviceFd(pappl_device_t* device, int fd) {
  papplDeviceSetData(device, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
}

int DeviceFd(pappl_device_t* device) {
  return static_cast<int>(reinterpret_cast<intptr_t>(papplDeviceGetData(device)));
}

ssize_t ReadWithin(pappl_device_t* device, void* buffer, std::size_t bytes, int waitMs) {
  pollfd p = {DeviceFd(device), POLLIN, 0};
  if (poll(&p, 1, waitMs) != 1) return 0;
  const ssize_t got = read(p.fd, buffer, bytes);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  return got;
}

ssize_t WriteWhole(pappl_device_t* device, const void* buffer, std::size_t bytes,
                   ssize_t (*put)(int, const void*, std::size_t), int stallMs, const char* hint) {
  const auto* at = static_cast<const std::uint8_t*>(buffer);
  std::size_t left = bytes;
  while (left > 0) {
    pollfd p = {DeviceFd(device), POLLOUT, 0};
    if (poll(&p, 1, stallMs) != 1) {
      papplDeviceError(device, "The printer took no data for %d seconds%s.", stallMs / 1000, hint);
      return -1;
    }
    const ssize_t sent = put(p.fd, at, left);
    if (sent < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      papplDeviceError(device, "Unable to write to the printer: %s", std::strerror(errno));
      return -1;
    }
    at += sent;
    left -= static_cast<std::size_t>(sent);
  }
  return static_cast<ssize_t>(bytes);
}
