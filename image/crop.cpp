// DibImage::Crop: the part of the picture inside a rectangle, moved into the
// destination or into this image. Top and bottom count lines from the top of
// the picture; the larger value of each pair is excluded.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dib_image.h"
#include "packed_pixels.h"

namespace {

std::int64_t ClampTo(LONG value, DWORD limit) { return std::clamp<std::int64_t>(value, 0, limit); }

}  // namespace

bool DibImage::Crop(LONG left, LONG top, LONG right, LONG bottom, DibImage* destination) {
  if (!IsValid()) return false;

  const std::int64_t width = GetWidth();
  const std::int64_t height = GetHeight();
  const std::int64_t x0 = ClampTo(left, GetWidth());
  const std::int64_t x1 = ClampTo(right, GetWidth());
  const std::int64_t t0 = ClampTo(top, GetHeight());
  const std::int64_t t1 = ClampTo(bottom, GetHeight());
  // An empty rectangle is a refusal, not a failure: no text.
  if (x0 == x1 || t0 == t1) return false;

  // Reversed pairs mean the same rectangle.
  const std::int64_t startColumn = std::min(x0, x1);
  const std::int64_t endColumn = std::max(x0, x1);
  const std::int64_t startRow = height - std::max(t0, t1);
  const std::int64_t endRow = height - std::min(t0, t1);
  const DWORD newWidth = static_cast<DWORD>(endColumn - startColumn);
  const DWORD newHeight = static_cast<DWORD>(endRow - startRow);

  DibImage work(newWidth, newHeight, GetBpp(), GetType());
  if (!work.IsValid()) {
    SetLastErrorText(work.GetLastError());
    return false;
  }
  // Only palette and background go with the picture; the rest of the info
  // record (DPI, flags, ...) are the defaults of a new image.
  work.SetPalette(GetPalette(), GetNumColors());
  work.info_.backgroundIndex = info_.backgroundIndex;
  work.info_.backgroundColor = info_.backgroundColor;

  // The work image comes zeroed from Create: sub-byte pixels are ORed in,
  // and the row padding is already 0.
  const DWORD bpp = GetBpp();
  const DWORD first = static_cast<DWORD>(startColumn);
  for (std::int64_t y = startRow; y < endRow; ++y) {
    info_.progress = static_cast<LONG>(100 * (y - startRow) / newHeight);
    BYTE* to = work.GetBits(static_cast<DWORD>(y - startRow));
    const BYTE* from = GetBits(static_cast<DWORD>(y));
    if (bpp == 1) {
      for (DWORD x = 0; x < newWidth; ++x) OrBit(to, x, BitAt(from, first + x));
    } else if (bpp == 4) {
      for (DWORD x = 0; x < newWidth; ++x) OrNibble(to, x, NibbleAt(from, first + x));
    } else {
      std::memcpy(to, from + startColumn * bpp / 8, static_cast<std::size_t>(newWidth) * bpp / 8);
    }
  }

  if (alpha_ != nullptr) {
    // Without its plane the result would silently lose transparency.
    if (!work.AlphaCreate() || work.alpha_ == nullptr) return false;
    const BYTE* from = alpha_ + startColumn + startRow * width;
    BYTE* to = work.alpha_;
    for (DWORD row = 0; row < newHeight; ++row) {
      std::memcpy(to, from, newWidth);
      from += width;
      to += newWidth;
    }
  }

  DibImage& target = destination != nullptr ? *destination : *this;
  return target.Transfer(work, true);
}

bool DibImage::Crop(const RECT& rect, DibImage* destination) {
  return Crop(rect.left, rect.top, rect.right, rect.bottom, destination);
}
