// DibImage::RotateLeft and DibImage::Rotate180: quarter turn counter-clockwise
// (as the picture is seen) and half turn, into a work image that is moved into
// the destination, or into this image, only once it is complete.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dib_image.h"

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
  // Pixels the fill never writes (row padding) are zero, not stale memory.
  work.Clear(0);
  work.SetPalette(source.GetPalette(), 256);
  if (source.AlphaIsValid() && !work.AlphaCreate()) return false;
  if (withSelection && source.SelectionIsValid() && !work.SelectionCreate()) return false;
  return true;
}

// 1 bit per pixel: works on whole source bytes, padding included, and ORs
// each set bit into the result, which PrepareRotation has cleared. Source pixel (8x + z, y) lands
// in result row 8x + z at column W - 1 - y; source padding columns fall beyond the last result byte
// and are dropped, result padding bits stay 0.
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
      const std::uint64_t base = (8 * x + 1) * dstEff - 1 - q;
      for (unsigned z = 0; z < 8; ++z) {
        const std::uint64_t offset = base + z * dstEff;
        if (offset >= dstSize) break;
        if (bits & (0x80u >> z)) dst[offset] |= mask;
      }
    }
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

  const LONG w = static_cast<LONG>(resultWidth);
  // Result pixel (x, y) is source pixel (y, w - 1 - x).
  auto copyPlanes = [&](LONG x0, LONG x1, LONG y0, LONG y1) {
    if (alpha_ != nullptr) {
      for (LONG x = x0; x < x1; ++x) {
        for (LONG y = y0; y < y1; ++y) work.AlphaSet(x, y, UncheckedAlphaGet(y, w - 1 - x));
      }
    }
    if (selection_ != nullptr) {
      const RECT& box = info_.selectionBox;
      work.info_.selectionBox = {w - box.top, box.right, w - box.bottom, box.left};
      for (LONG x = x0; x < x1; ++x) {
        for (LONG y = y0; y < y1; ++y) {
          work.SelectionSet(x, y, UncheckedSelectionGet(y, w - 1 - x));
        }
      }
    }
  };

  if (GetBpp() == 1) {
    RotateBitsLeft(*this, work);
    copyPlanes(0, w, 0, static_cast<LONG>(resultHeight));
  } else {
    const std::uint64_t dstEff = work.GetEffWidth();
    for (DWORD xs = 0; xs < resultWidth; xs += kRotateBlock) {
      const DWORD xe = std::min(resultWidth, xs + kRotateBlock);
      for (DWORD ys = 0; ys < resultHeight; ys += kRotateBlock) {
        const DWORD ye = std::min(resultHeight, ys + kRotateBlock);
        for (DWORD x = xs; x < xe; ++x) {
          info_.progress = static_cast<LONG>(100 * static_cast<std::uint64_t>(x) / resultWidth);
          const LONG sy = w - 1 - static_cast<LONG>(x);
          if (GetBpp() == 24) {
            BYTE* to = work.UncheckedGetPixelPointer(static_cast<LONG>(x), static_cast<LONG>(ys));
            const BYTE* from = UncheckedGetPixelPointer(static_cast<LONG>(ys), sy);
            for (DWORD y = ys; y < ye; ++y) {
              std::memcpy(to, from, 3);
              from += 3;
              to += dstEff;
            }
          } else {
            for (DWORD y = ys; y < ye; ++y) {
              work.SetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y),
                                 UncheckedGetPixelIndex(static_cast<LONG>(y), sy));
            }
          }
        }
        copyPlanes(static_cast<LONG>(xs), static_cast<LONG>(xe), static_cast<LONG>(ys),
                   static_cast<LONG>(ye));
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

  const LONG width = static_cast<LONG>(GetWidth());
  const LONG height = static_cast<LONG>(GetHeight());
  const bool indexed = IsIndexed();
  for (LONG y = 0; y < height; ++y) {
    info_.progress = static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height);
    const LONG ty = height - 1 - y;
    for (LONG x = 0; x < width; ++x) {
      const LONG tx = width - 1 - x;
      if (indexed) {
        work.SetPixelIndex(tx, ty, UncheckedGetPixelIndex(x, y));
      } else {
        work.SetPixelColor(tx, ty, UncheckedGetPixelColor(x, y, true), false);
      }
      if (alpha_ != nullptr) work.AlphaSet(tx, ty, UncheckedAlphaGet(x, y));
    }
  }

  DibImage& target = destination != nullptr ? *destination : *this;
  return target.Transfer(work, true);
}
