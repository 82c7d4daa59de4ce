// What every dithering method works on: the gray image it reads (error
// diffusion also writes it), the 1-bit image it fills, and the per-row
// bookkeeping of progress and escape.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace dither {

struct Planes {
  BYTE* gray;
  std::size_t grayStride;
  BYTE* bits;
  std::size_t bitsStride;
  LONG width;
  LONG height;

  BYTE* Gray(LONG y) const { return gray + static_cast<std::size_t>(y) * grayStride; }
  BYTE* Bits(LONG y) const { return bits + static_cast<std::size_t>(y) * bitsStride; }
};

// The per-row bookkeeping every method shares: before row y the progress
// value becomes 100 * y / height, and a set escape flag stops the work.
class RowLoop {
 public:
  RowLoop(LONG& progress, const LONG& escape, LONG height)
      : progress_(progress), escape_(escape), height_(height) {}

  bool Begin(LONG y) {
    progress_ = static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height_);
    return escape_ == 0;
  }

 private:
  LONG& progress_;
  const LONG& escape_;
  LONG height_;
};

}  // namespace dither
