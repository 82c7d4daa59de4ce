// Threshold, literally: one guarded read and one guarded write per pixel.
#include <cstdint>

#include "image_internals.h"
#include "reference_ops.h"

namespace reference {

bool Threshold(DibImage& image, BYTE level) {
  if (!image.IsValid()) return false;
  if (image.GetBpp() == 1) return true;
  image.GrayScale();
  if (image.GetBpp() != 8) return false;

  DibImage result(image.GetWidth(), image.GetHeight(), 1, 0);
  if (!result.IsValid()) {
    ImageInternals::SetErrorText(image, result.GetLastError());
    return false;
  }
  const LONG width = static_cast<LONG>(image.GetWidth());
  const LONG height = static_cast<LONG>(image.GetHeight());
  for (LONG y = 0; y < height; ++y) {
    image.SetProgress(static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height));
    if (image.GetEscape() != 0) break;
    for (LONG x = 0; x < width; ++x) {
      result.SetPixelIndex(x, y, image.GetPixelIndex(x, y) > level ? 1 : 0);
    }
  }
  result.SetPaletteColor(0, 0, 0, 0, 0);
  result.SetPaletteColor(1, 255, 255, 255, 0);
  return image.Transfer(result, true);
}

}  // namespace reference
