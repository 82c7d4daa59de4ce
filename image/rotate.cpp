// DibImage::RotateLeft and DibImage::Rotate180: quarter turn counter-clockwise
// (as the picture is seen) and half turn, into a work image that is moved into
// the destination, or into this image, only once it is complete. The pixels
// move through row pointers; the work image comes zeroed from Create, so
// sub-byte pixels are ORed in and the row padding stays 0.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dib_image.h"
#include "packed_pixels.h"

namespace {

// RotateLeft walks the result in square blocks of this size so that reads
// and writes stay within a small window of both pixel areas.
constexpr DWORD kRotateBlock = 64;

// The empty result of a rotation: this image's attributes and palette at the
// result's size, with the planes the source has. False when any buffer cannot
// be had; the work image then holds the reason.
bool PrepareRotation(const DibImage& source, DibImage& work, DWORD width, DWORD height,
                     bool withSelection) {
  work.CopyInfo(source);
  if (work.Create(width, height, source.GetBpp(), source.GetType()) == nullptr) return false;
  work.SetPalette(source.GetPalette(), 256);
  if (source.AlphaIsValid() && !work.AlphaCreate()) return false;
  if (withSelection && source.SelectionIsValid() && !work.SelectionCreate()) return false;
  return true;
}

// 1 bit per pixel: works on whole source bytes, padding included, and ORs
// each set bit into the result. Source pixel (8x + z, y) lands in result row
// 8x + z at column W - 1 - y; source padding columns fall beyond the last
// result byte and are dropped, result padding bits stay 0.
void RotateBitsLeft(const DibImage& source, DibImage& work) {
  const BYTE* src = source.GetBits();
  BYTE* dst = work.GetBits();
  const std::uint64_t srcEff = source.GetEffWidth();
  const std::uint64_t dstEff = work.GetEffWidth();
  const std::uint64_t dstSize = dstEff * work.GetHeight();
  // Padding bits at the end of a result row: shifts source row y onto its
  // byte and bit counted from the row's end.
  const std::uint64_t lineUp = 8 * dstEff - work.GetWidth();

  for (std::uint64_t y = 0; y < source.GetHeight(); ++y) {
    const std::uint64_t q = (y + lineUp) / 8;
    const BYTE mask = static_cast<BYTE>(1u << ((y + lineUp) % 8));
    const BYTE* row = src + y * srcEff;
    for (std::uint64_t x = 0; x < srcEff; ++x) {
      const BYTE bits = row[x];
      if (bits == 0) continue;
      const std::uint64_t base = (8 * x + 1) * dstEff - 1 - q;
      for (unsigned z = 0; z < 8; ++z) {
        const std::uint64_t offset = base + z * dstEff;
        if (offset >= dstSize) break;
        if (bits & (0x80u >> z)) dst[offset] |= mask;
      }
    }
  }
}

// One 64 x 64 block of a quarter turn of the pixels at 4, 8 or 24 bits:
// result pixel (x, y) is source pixel (y, w - 1 - x). The progress value
// follows the result column.
void TurnBlockLeft(const DibImage& source, DibImage& work, DWORD xs, DWORD xe, DWORD ys, DWORD ye,
                   LONG& progress) {
  const DWORD w = work.GetWidth();
  const std::size_t srcEff = source.GetEffWidth();
  const std::size_t dstEff = work.GetEffWidth();
  const BYTE* src = source.GetBits();
  BYTE* dst = work.GetBits();
  const WORD bpp = source.GetBpp();
  for (DWORD x = xs; x < xe; ++x) {
    progress = static_cast<LONG>(100 * std::uint64_t{x} / w);
    const BYTE* from = src + (w - 1 - x) * srcEff;
    if (bpp == 8) {
      BYTE* to = dst + ys * dstEff + x;
      for (DWORD y = ys; y < ye; ++y, to += dstEff) *to = from[y];
    } else if (bpp == 24) {
      BYTE* to = dst + ys * dstEff + 3 * std::size_t{x};
      for (DWORD y = ys; y < ye; ++y, to += dstEff) std::memcpy(to, from + 3 * std::size_t{y}, 3);
    } else {
      for (DWORD y = ys; y < ye; ++y) OrNibble(dst + y * dstEff, x, NibbleAt(from, y));
    }
  }
}

// A plane (one byte per pixel, rows `width` long) turned left over one block.
void TurnPlaneLeft(const BYTE* from, DWORD fromWidth, BYTE* to, DWORD toWidth, DWORD xs, DWORD xe,
                   DWORD ys, DWORD ye) {
  for (DWORD x = xs; x < xe; ++x) {
    const BYTE* column = from + std::size_t{toWidth - 1 - x} * fromWidth;
    for (DWORD y = ys; y < ye; ++y) to[std::size_t{y} * toWidth + x] = column[y];
  }
}

}  // namespace

bool DibImage::RotateLeft(DibImage* destination) {
  if (!IsValid()) return false;

  const DWORD resultWidth = GetHeight();
  const DWORD resultHeight = GetWidth();
  DibImage work(0);
  if (!PrepareRotation(*this, work, resultWidth, resultHeight, true)) {
    SetLastErrorText(work.GetLastError());
    return false;
  }
  if (selection_ != nullptr) {
    const RECT& box = info_.selectionBox;
    const LONG w = static_cast<LONG>(resultWidth);
    work.info_.selectionBox = {w - box.top, box.right, w - box.bottom, box.left};
  }

  const bool bits = GetBpp() == 1;
  if (bits) RotateBitsLeft(*this, work);
  for (DWORD xs = 0; xs < resultWidth; xs += kRotateBlock) {
    const DWORD xe = std::min(resultWidth, xs + kRotateBlock);
    for (DWORD ys = 0; ys < resultHeight; ys += kRotateBlock) {
      const DWORD ye = std::min(resultHeight, ys + kRotateBlock);
      // The 1-bit turn is done above and leaves the progress value alone.
      if (!bits) TurnBlockLeft(*this, work, xs, xe, ys, ye, info_.progress);
      if (alpha_ != nullptr) {
        TurnPlaneLeft(alpha_, GetWidth(), work.alpha_, resultWidth, xs, xe, ys, ye);
      }
      if (selection_ != nullptr) {
        TurnPlaneLeft(selection_, GetWidth(), work.selection_, resultWidth, xs, xe, ys, ye);
      }
    }
  }

  DibImage& target = destination != nullptr ? *destination : *this;
  return target.Transfer(work, true);
}

bool DibImage::Rotate180(DibImage* destination) {
  if (!IsValid()) return false;

  DibImage work(0);
  // The selection plane is not carried by a half turn.
  if (!PrepareRotation(*this, work, GetWidth(), GetHeight(), false)) {
    SetLastErrorText(work.GetLastError());
    return false;
  }

  const DWORD width = GetWidth();
  const DWORD height = GetHeight();
  const WORD bpp = GetBpp();
  for (DWORD y = 0; y < height; ++y) {
    info_.progress = static_cast<LONG>(100 * std::uint64_t{y} / height);
    const BYTE* from = GetBits(y);
    BYTE* to = work.GetBits(height - 1 - y);
    switch (bpp) {
      case 8:
        std::reverse_copy(from, from + width, to);
        break;
      case 24:
        for (DWORD x = 0; x < width; ++x) {
          std::memcpy(to + 3 * std::size_t{width - 1 - x}, from + 3 * std::size_t{x}, 3);
        }
        break;
      case 4:
        for (DWORD x = 0; x < width; ++x) OrNibble(to, width - 1 - x, NibbleAt(from, x));
        break;
      default:
        for (DWORD x = 0; x < width; ++x) OrBit(to, width - 1 - x, BitAt(from, x));
        break;
    }
    if (alpha_ != nullptr) {
      const BYTE* alphaRow = alpha_ + std::size_t{y} * width;
      std::reverse_copy(alphaRow, alphaRow + width,
                        work.alpha_ + std::size_t{height - 1 - y} * width);
    }
  }

  DibImage& target = destination != nullptr ? *destination : *this;
  return target.Transfer(work, true);
}
