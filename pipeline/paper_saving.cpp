// Paper saving: the row arithmetic and the crop.
#include "paper_saving.h"

#include "dib_image.h"

namespace {

constexpr LONG kMargin = 5;

bool IsWhiteRow(const DibImage& image, LONG rowFromTop) {
  const LONG width = static_cast<LONG>(image.GetWidth());
  const LONG y =
      static_cast<LONG>(image.GetHeight()) - 1 - rowFromTop;  // stored rows run bottom-up
  for (LONG x = 0; x < width; ++x) {
    if (image.GetPixelGray(x, y) != 255) return false;
  }
  return true;
}

}  // namespace

RowRange PaperSavingRows(PaperSaving mode, LONG height, LONG firstInk, LONG lastInk) {
  const bool trimTop = mode == PaperSaving::kTop || mode == PaperSaving::kTopAndBottom;
  const bool trimBottom = mode == PaperSaving::kBottom || mode == PaperSaving::kTopAndBottom;
  LONG top = 0;
  LONG bottom = height;
  if (trimTop) top = firstInk >= 0 ? firstInk : height;
  // One white row below the last ink stays before the margin is added.
  if (trimBottom) bottom = lastInk >= 0 ? lastInk + 2 : height;
  if (top > kMargin) top -= kMargin;
  if (bottom + kMargin < height) bottom += kMargin;
  return {top, bottom};
}

void ApplyPaperSaving(DibImage& image, PaperSaving mode) {
  if (mode == PaperSaving::kOff || !image.IsValid()) return;
  const LONG height = static_cast<LONG>(image.GetHeight());
  LONG firstInk = -1;
  LONG lastInk = -1;
  for (LONG row = 0; row < height; ++row) {
    if (IsWhiteRow(image, row)) continue;
    if (firstInk < 0) firstInk = row;
    lastInk = row;
  }
  const RowRange rows = PaperSavingRows(mode, height, firstInk, lastInk);
  // Crop clamps a bottom beyond the image to its height.
  if (rows.top < rows.bottom) {
    image.Crop(0, rows.top, static_cast<LONG>(image.GetWidth()), rows.bottom, nullptr);
  }
}
