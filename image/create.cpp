// DibImage::Create and CreateFromArray: a new packed DIB block (header,
// palette, bottom-up rows padded to 4 bytes) in one zero-filled allocation.
#include <cstdint>
#include <cstring>

#include "dib_image.h"
#include "dib_texts.h"

namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;
constexpr std::uint64_t kMaxLong = 0x7FFFFFFFull;
// A block that fits in 32 bits also fits in size_t, on 32-bit systems too.
static_assert(SIZE_MAX >= kMax32);

// 16 and 32 bits per pixel have no format of their own and become 24.
WORD NormaliseBpp(DWORD bpp) {
  if (bpp <= 1) return 1;
  if (bpp <= 4) return 4;
  if (bpp <= 8) return 8;
  return 24;
}

DWORD ColoursFor(WORD bpp) {
  switch (bpp) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

}  // namespace

void* DibImage::Create(DWORD width, DWORD height, DWORD bpp, DWORD type) {
  if (!Destroy()) return nullptr;
  if (width == 0 || height == 0) {
    SetLastErrorText(dib_texts::kCreateZeroSize);
    return nullptr;
  }
  const WORD bits = NormaliseBpp(bpp);
  const DWORD colours = ColoursFor(bits);

  // Everything in 64 bits: on a 32-bit system neither the pixel count nor the
  // block size may wrap into a small allocation. Besides width x height x bpp,
  // the padded rows and the palette can still push the block past 32 bits
  // (one column, 2^31 rows), and the header holds width and height as LONG.
  const std::uint64_t rowBits = std::uint64_t{width} * bits;
  const std::uint64_t effWidth = (rowBits + 31) / 32 * 4;
  const std::uint64_t imageSize = effWidth * height;
  const std::uint64_t blockSize = sizeof(BITMAPINFOHEADER) + 4 * std::uint64_t{colours} + imageSize;
  const bool tooLarge = rowBits > kMax32 || rowBits * height > kMax32 || width > kMaxLong ||
                        height > kMaxLong || blockSize > kMax32;
  if (tooLarge) {
    SetLastErrorText(dib_texts::kMaxMemory);
    return nullptr;
  }

  info_.type = type;
  info_.effWidth = static_cast<DWORD>(effWidth);
  header_.biSize = sizeof(BITMAPINFOHEADER);
  header_.biWidth = static_cast<LONG>(width);
  header_.biHeight = static_cast<LONG>(height);
  header_.biPlanes = 1;
  header_.biBitCount = bits;
  header_.biCompression = BI_RGB;
  header_.biSizeImage = static_cast<DWORD>(imageSize);
  header_.biClrUsed = colours;

  // Zeroed: a black palette, and no stale memory in row padding or in rows an
  // interrupted operation never reached.
  dib_ = dib_alloc::AllocateZeroed(static_cast<std::size_t>(blockSize));
  if (dib_ == nullptr) {
    SetLastErrorText(dib_texts::kCreateNoMemory);
    return nullptr;
  }
  InvalidateNearestCache();
  std::memcpy(dib_, &header_, sizeof(header_));
  info_.pixels = static_cast<BYTE*>(dib_) + header_.biSize + GetPaletteSize();
  return dib_;
}

bool DibImage::CreateFromArray(const BYTE* array, DWORD width, DWORD height, DWORD bpp,
                               DWORD bytesPerLine, bool flip) {
  if (array == nullptr) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
  if (Create(width, height, bpp, 0) == nullptr) return false;
  if (bpp < 24) SetGrayPalette();
  // Without its alpha plane a 32-bit array would lose a quarter of its bytes:
  // that is a failed creation, not a 24-bit image that merely looks valid.
  if (bpp == 32 && !AlphaCreate()) {
    Destroy();
    SetLastErrorText(dib_texts::kCreateAlphaNoMemory);
    return false;
  }

  // A 32-bit row never reads past its own bytesPerLine, so a short stride
  // cannot run off the end of the caller's array.
  const DWORD pixelsPerRow = (bpp == 32 && bytesPerLine / 4 < width) ? bytesPerLine / 4 : width;
  const std::size_t copyBytes = info_.effWidth < bytesPerLine ? info_.effWidth : bytesPerLine;
  for (DWORD i = 0; i < height; ++i) {
    const BYTE* source = array + static_cast<std::size_t>(i) * bytesPerLine;
    const DWORD row = flip ? height - 1 - i : i;
    BYTE* destination = GetBits(row);
    if (bpp != 32) {
      std::memcpy(destination, source, copyBytes);
      continue;
    }
    BYTE* alphaRow = alpha_ + static_cast<std::size_t>(row) * width;
    for (DWORD x = 0; x < pixelsPerRow; ++x) {
      destination[3 * x] = source[4 * x];
      destination[3 * x + 1] = source[4 * x + 1];
      destination[3 * x + 2] = source[4 * x + 2];
      alphaRow[x] = source[4 * x + 3];
    }
  }
  return true;
}
