// DibImage pixel access. The guarded operations check the block and the
// coordinates and answer a defined outside value; the Unchecked ones trust the
// caller and serve the inner loops.
#include "dib_image.h"
#include "gray_level.h"

namespace {

RGBQUAD ColorFromRef(COLORREF color) {
  return RGBQUAD{static_cast<BYTE>((color >> 16) & 0xFF), static_cast<BYTE>((color >> 8) & 0xFF),
                 static_cast<BYTE>(color & 0xFF), 0};
}

}  // namespace

BYTE DibImage::UncheckedGetPixelIndex(LONG x, LONG y) const {
  const BYTE* row = info_.pixels + static_cast<std::size_t>(y) * info_.effWidth;
  switch (header_.biBitCount) {
    case 8:
      return row[x];
    case 4: {
      const BYTE pair = row[x >> 1];
      return (x & 1) != 0 ? pair & 0x0F : pair >> 4;
    }
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
      return 0;
  }
}

void DibImage::UncheckedSetPixelIndex(LONG x, LONG y, BYTE index) {
  BYTE* row = info_.pixels + static_cast<std::size_t>(y) * info_.effWidth;
  switch (header_.biBitCount) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      BYTE& pair = row[x >> 1];
      if ((x & 1) != 0) {
        pair = static_cast<BYTE>((pair & 0xF0) | (index & 0x0F));
      } else {
        pair = static_cast<BYTE>((pair & 0x0F) | (index << 4));
      }
      break;
    }
    case 1: {
      const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
      BYTE& bits = row[x >> 3];
      bits = static_cast<BYTE>((index & 1) != 0 ? bits | mask : bits & ~mask);
      break;
    }
    default:
      break;
  }
}

RGBQUAD DibImage::UncheckedGetPixelColor(LONG x, LONG y, bool getAlpha) const {
  RGBQUAD color{};
  if (IsIndexed()) {
    color = GetPalette()[UncheckedGetPixelIndex(x, y)];
  } else {
    const BYTE* pixel = UncheckedGetPixelPointer(x, y);
    color = RGBQUAD{pixel[0], pixel[1], pixel[2], 0};
  }
  if (getAlpha && alpha_ != nullptr) color.rgbReserved = UncheckedAlphaGet(x, y);
  return color;
}

void DibImage::UncheckedSetPixelColor(LONG x, LONG y, RGBQUAD color, bool setAlpha) {
  if (IsIndexed()) {
    UncheckedSetPixelIndex(x, y, GetNearestIndex(color));
  } else {
    BYTE* pixel = UncheckedGetPixelPointer(x, y);
    pixel[0] = color.rgbBlue;
    pixel[1] = color.rgbGreen;
    pixel[2] = color.rgbRed;
  }
  if (setAlpha) AlphaSet(x, y, color.rgbReserved);
}

BYTE* DibImage::UncheckedGetPixelPointer(LONG x, LONG y) const {
  if (IsIndexed()) return nullptr;
  return info_.pixels + static_cast<std::size_t>(y) * info_.effWidth +
         3 * static_cast<std::size_t>(x);
}

BYTE DibImage::GetPixelIndex(LONG x, LONG y) const {
  if (dib_ == nullptr || !IsIndexed()) return 0;
  if (IsInside(x, y)) return UncheckedGetPixelIndex(x, y);
  if (info_.backgroundIndex >= 0) return static_cast<BYTE>(info_.backgroundIndex);
  // The index of pixel (0, 0); the raw first byte would be eight or two packed
  // pixels at 1 and 4 bits, not an index.
  return UncheckedGetPixelIndex(0, 0);
}

void DibImage::SetPixelIndex(LONG x, LONG y, BYTE index) {
  if (dib_ == nullptr || !IsIndexed() || !IsInside(x, y)) return;
  UncheckedSetPixelIndex(x, y, index);
}

RGBQUAD DibImage::GetPixelColor(LONG x, LONG y, bool getAlpha) const {
  if (dib_ != nullptr && IsInside(x, y)) {
    RGBQUAD color = UncheckedGetPixelColor(x, y, getAlpha);
    if (!IsIndexed() && !(getAlpha && alpha_ != nullptr)) {
      color.rgbReserved = info_.backgroundColor.rgbReserved;
    }
    return color;
  }
  if (info_.backgroundIndex >= 0) {
    if (GetBpp() >= 24) return info_.backgroundColor;
    if (info_.backgroundIndex >= static_cast<LONG>(GetNumColors())) return RGBQUAD{};
    return GetPaletteColor(static_cast<BYTE>(info_.backgroundIndex));
  }
  if (dib_ != nullptr) return GetPixelColor(0, 0, getAlpha);
  return info_.backgroundColor;
}

void DibImage::SetPixelColor(LONG x, LONG y, RGBQUAD color, bool setAlpha) {
  if (dib_ == nullptr || !IsInside(x, y)) return;
  UncheckedSetPixelColor(x, y, color, setAlpha);
}

void DibImage::SetPixelColor(LONG x, LONG y, COLORREF color) {
  SetPixelColor(x, y, ColorFromRef(color), false);
}

BYTE DibImage::GetPixelGray(LONG x, LONG y) const { return GrayLevel(GetPixelColor(x, y, true)); }
