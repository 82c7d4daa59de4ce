// DibImage::Threshold: black and white at a fixed gray level. Levels above
// `level` become white (index 1), the rest black (index 0).
#include <cstdint>

#include "dib_image.h"
#include "pack_bits.h"

bool DibImage::Threshold(BYTE level) {
  if (dib_ == nullptr) return false;
  if (GetBpp() == 1) return true;

  // An 8-bit image with the identity gray palette is already its own gray
  // form; the conversion would rewrite every pixel with itself and only drop
  // the nearest-colour cache.
  if (IsGrayIdentity(*this)) {
    InvalidateNearestCache();
  } else {
    GrayScale();
  }
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
  const ThresholdRow thresholds = UniformThreshold(level);
  for (DWORD y = 0; y < height; ++y) {
    info_.progress = static_cast<LONG>(100 * std::uint64_t{y} / height);
    if (info_.escape != 0) break;
    PackAbove(info_.pixels + std::size_t{y} * info_.effWidth, width, thresholds,
              result.info_.pixels + std::size_t{y} * result.info_.effWidth);
  }

  result.SetPaletteColor(0, 0, 0, 0, 0);
  result.SetPaletteColor(1, 255, 255, 255, 0);
  return Transfer(result, true);
}
