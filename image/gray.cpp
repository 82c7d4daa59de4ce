// DibImage::Clear and GrayScale: fill the pixel area, and turn any image into
// 8-bit gray levels with the identity gray palette.
#include <cstring>

#include "dib_image.h"
#include "gray_level.h"

void DibImage::Clear(BYTE value) {
  if (dib_ == nullptr) return;
  BYTE fill = value;
  if (GetBpp() == 1) {
    fill = value != 0 ? 255 : 0;
  } else if (GetBpp() == 4) {
    fill = static_cast<BYTE>((value % 16) * 17);
  }
  std::memset(info_.pixels, fill, header_.biSizeImage);
}

bool DibImage::GrayScale() {
  if (dib_ == nullptr) return false;
  const LONG width = header_.biWidth;
  const LONG height = header_.biHeight;

  if (IsIndexed()) {
    // The gray of each entry goes into its blue byte, which then serves as
    // the lookup table from index to gray level.
    RGBQUAD* palette = GetPalette();
    const DWORD colours = GetNumColors();
    for (DWORD i = 0; i < colours; ++i) palette[i].rgbBlue = GrayLevel(palette[i]);
    InvalidateNearestCache();
    if (info_.backgroundIndex >= 0 && info_.backgroundIndex < static_cast<LONG>(colours)) {
      info_.backgroundIndex = palette[info_.backgroundIndex].rgbBlue;
    }
    if (GetBpp() == 8) {
      BYTE* pixels = info_.pixels;
      for (DWORD i = 0; i < header_.biSizeImage; ++i) pixels[i] = palette[pixels[i]].rgbBlue;
      SetGrayPalette();
      return true;
    }
  }

  DibImage gray(GetType());
  gray.CopyInfo(*this);
  if (gray.Create(GetWidth(), GetHeight(), 8, GetType()) == nullptr) return false;
  gray.SetGrayPalette();
  // Planes come along; losing one silently would change the image's meaning.
  if (selection_ != nullptr && !gray.SelectionCopy(*this)) return false;
  if (alpha_ != nullptr && !gray.AlphaCopy(*this)) return false;

  for (LONG y = 0; y < height; ++y) {
    BYTE* target = gray.GetBits(static_cast<DWORD>(y));
    if (IsIndexed()) {
      const RGBQUAD* palette = GetPalette();
      for (LONG x = 0; x < width; ++x) target[x] = palette[UncheckedGetPixelIndex(x, y)].rgbBlue;
    } else {
      const BYTE* source = GetBits(static_cast<DWORD>(y));
      for (LONG x = 0; x < width; ++x, source += 3) {
        target[x] = GrayLevel(source[2], source[1], source[0]);
      }
    }
  }
  return Transfer(gray, true);
}
