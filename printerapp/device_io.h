// What our device schemes share: the descriptor kept as the device's data,
// reads that wait a little, writes that send everything or fail the job.
#pragma once

#include <pappl/pappl.h>

#include <cstddef>

void SetDeviceFd(pappl_device_t* device, int fd);
int DeviceFd(pappl_device_t* device);

// Up to `bytes` that arrive within `waitMs`: 0 when none did, -1 on an error.
ssize_t ReadWithin(pappl_device_t* device, void* buffer, std::size_t bytes, int waitMs);

// All of `bytes` through `put` (write(2), or send(2) without SIGPIPE),
// across partial writes and EAGAIN; -1 with the device's error set when the
// printer takes nothing for `stallMs` (`hint` follows the message) or the
// write fails.
ssize_t WriteWhole(pappl_device_t* device, const void* buffer, std::size_t bytes,
                   ssize_t (*put)(int, const void*, std::size_t), int stallMs, const char* hint);
