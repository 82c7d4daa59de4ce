// Where the band pipeline's printer bytes go: a callback and its context, so
// that the pipeline knows nothing of the host that carries them.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteSink {
  // False when the bytes could not be delivered; the pipeline then stops.
  bool (*write)(void* context, const std::uint8_t* bytes, std::size_t size);
  void* context;

  bool Write(const std::uint8_t* bytes, std::size_t size) const {
    return write(context, bytes, size);
  }
};
