// RotateLeft and Rotate180, literally: the quarter turn in 64 x 64 blocks of
// the result with one guarded write per pixel (the 1-bit turn pixel by pixel
// from the mapping, not the fast code's byte-wise walk), the half turn one
// pixel at a time.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image_internals.h"
#include "reference_ops.h"

namespace reference {
namespace {

constexpr DWORD kBlock = 64;

bool PrepareWork(DibImage& source, DibImage& work, DWORD width, DWORD height, bool withSelection) {
  work.CopyInfo(source);
  if (work.Create(width, height, source.GetBpp(), source.GetType()) == nullptr) return false;
  work.Clear(0);
  work.SetPalette(source.GetPalette(), 256);
  if (source.AlphaIsValid() && !work.AlphaCreate()) return false;
  if (withSelection && source.SelectionIsValid() && !work.SelectionCreate()) return false;
  return true;
}

// One pixel at a time, from the rule alone: source pixel (sx, sy) goes to
// result pixel (W - 1 - sy, sx); in a row, pixel x is bit 7 - x mod 8 of
// byte x / 8. Padding is neither read nor written (the result starts zeroed).
void RotateBitsLeft(const DibImage& source, DibImage& work) {
  const std::uint64_t srcEff = source.GetEffWidth();
  const std::uint64_t dstEff = work.GetEffWidth();
  const std::uint64_t w = work.GetWidth();
  for (std::uint64_t sy = 0; sy < source.GetHeight(); ++sy) {
    for (std::uint64_t sx = 0; sx < source.GetWidth(); ++sx) {
      const BYTE from = source.GetBits()[sy * srcEff + sx / 8];
      if (!((from >> (7 - sx % 8)) & 1)) continue;
      const std::uint64_t x = w - 1 - sy;
      work.GetBits()[sx * dstEff + x / 8] |= static_cast<BYTE>(0x80u >> (x % 8));
    }
  }
}

// Result pixel (x, y) of the planes is source pixel (y, w - 1 - x).
void TurnPlanesLeft(DibImage& source, DibImage& work, LONG x0, LONG x1, LONG y0, LONG y1) {
  const LONG w = static_cast<LONG>(work.GetWidth());
  if (source.AlphaIsValid()) {
    for (LONG x = x0; x < x1; ++x) {
      for (LONG y = y0; y < y1; ++y) work.AlphaSet(x, y, source.UncheckedAlphaGet(y, w - 1 - x));
    }
  }
  if (source.SelectionIsValid()) {
    const RECT box = source.GetSelectionBox();
    ImageInternals::Info(work).selectionBox = {w - box.top, box.right, w - box.bottom, box.left};
    for (LONG x = x0; x < x1; ++x) {
      for (LONG y = y0; y < y1; ++y) {
        work.SelectionSet(x, y, source.UncheckedSelectionGet(y, w - 1 - x));
      }
    }
  }
}

}  // namespace

bool RotateLeft(DibImage& image, DibImage* destination) {
  if (!image.IsValid()) return false;
  const DWORD resultWidth = image.GetHeight();
  const DWORD resultHeight = image.GetWidth();
  DibImage work(0);
  if (!PrepareWork(image, work, resultWidth, resultHeight, true)) {
    ImageInternals::SetErrorText(image, work.GetLastError());
    return false;
  }
  const LONG w = static_cast<LONG>(resultWidth);
  if (image.GetBpp() == 1) {
    RotateBitsLeft(image, work);
    TurnPlanesLeft(image, work, 0, w, 0, static_cast<LONG>(resultHeight));
  } else {
    for (DWORD xs = 0; xs < resultWidth; xs += kBlock) {
      const DWORD xe = std::min(resultWidth, xs + kBlock);
      for (DWORD ys = 0; ys < resultHeight; ys += kBlock) {
        const DWORD ye = std::min(resultHeight, ys + kBlock);
        for (DWORD x = xs; x < xe; ++x) {
          image.SetProgress(static_cast<LONG>(100 * std::uint64_t{x} / resultWidth));
          const LONG sx = w - 1 - static_cast<LONG>(x);
          if (image.GetBpp() == 24) {
            BYTE* to = work.UncheckedGetPixelPointer(static_cast<LONG>(x), static_cast<LONG>(ys));
            const BYTE* from = image.UncheckedGetPixelPointer(static_cast<LONG>(ys), sx);
            for (DWORD y = ys; y < ye; ++y) {
              std::memcpy(to, from, 3);
              from += 3;
              to += work.GetEffWidth();
            }
          } else {
            for (DWORD y = ys; y < ye; ++y) {
              work.SetPixelIndex(static_cast<LONG>(x), static_cast<LONG>(y),
                                 image.UncheckedGetPixelIndex(static_cast<LONG>(y), sx));
            }
          }
        }
        TurnPlanesLeft(image, work, static_cast<LONG>(xs), static_cast<LONG>(xe),
                       static_cast<LONG>(ys), static_cast<LONG>(ye));
      }
    }
  }
  DibImage& target = destination != nullptr ? *destination : image;
  return target.Transfer(work, true);
}

bool Rotate180(DibImage& image, DibImage* destination) {
  if (!image.IsValid()) return false;
  DibImage work(0);
  if (!PrepareWork(image, work, image.GetWidth(), image.GetHeight(), false)) {
    ImageInternals::SetErrorText(image, work.GetLastError());
    return false;
  }
  const LONG width = static_cast<LONG>(image.GetWidth());
  const LONG height = static_cast<LONG>(image.GetHeight());
  for (LONG y = 0; y < height; ++y) {
    image.SetProgress(static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height));
    for (LONG x = 0; x < width; ++x) {
      const LONG tx = width - 1 - x;
      const LONG ty = height - 1 - y;
      if (image.IsIndexed()) {
        work.SetPixelIndex(tx, ty, image.UncheckedGetPixelIndex(x, y));
      } else {
        work.SetPixelColor(tx, ty, image.UncheckedGetPixelColor(x, y, true), false);
      }
      if (image.AlphaIsValid()) work.AlphaSet(tx, ty, image.UncheckedAlphaGet(x, y));
    }
  }
  DibImage& target = destination != nullptr ? *destination : image;
  return target.Transfer(work, true);
}

}  // namespace reference
