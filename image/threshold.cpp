// DibImage::Threshold: black and white at a fixed gray level. Levels above
// `level` become white (index 1), the rest black (index 0).
#include <cstdint>

#include "dib_image.h"

bool DibImage::Threshold(BYTE level) {
  if (dib_ == nullptr) return false;
  if (GetBpp() == 1) return true;

  GrayScale();
  // Only a failed allocation leaves the image in another depth; reading its
  // pixels as gray levels would turn it all black and still report success.
  if (GetBpp() != 8) return false;

  DibImage result(GetWidth(), GetHeight(), 1, 0);
  if (!result.IsValid()) {
    SetLastErrorText(result.GetLastError());
    return false;
  }

  const DWORD width = GetWidth();
  const DWORD height = GetHeight();
  for (DWORD y = 0; y < height; ++y) {
    info_.progress = static_cast<LONG>(100 * std::uint64_t{y} / height);
    if (info_.escape != 0) break;
    const BYTE* source = GetBits(y);
    BYTE* target = result.GetBits(y);
    for (DWORD x = 0; x < width; ++x) {
      if (source[x] > level) target[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
    }
  }

  result.SetPaletteColor(0, 0, 0, 0, 0);
  result.SetPaletteColor(1, 255, 255, 255, 0);
  return Transfer(result, true);
}
