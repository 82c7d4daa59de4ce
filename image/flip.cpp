// DibImage::Flip: turns the stored rows upside down in place, and with them
// the selection and alpha planes when asked.
#include <algorithm>

#include "dib_image.h"
#include "row_swap.h"

void SwapRowsUpsideDown(BYTE* base, std::size_t rowBytes, std::size_t rows) {
  for (std::size_t i = 0; i < rows / 2; ++i) {
    BYTE* lower = base + i * rowBytes;
    BYTE* upper = base + (rows - 1 - i) * rowBytes;
    std::swap_ranges(lower, lower + rowBytes, upper);
  }
}

bool DibImage::Flip(bool flipSelection, bool flipAlpha) {
  if (dib_ == nullptr) return false;
  SwapRowsUpsideDown(info_.pixels, info_.effWidth, GetHeight());
  if (flipSelection) SelectionFlip();
  if (flipAlpha) AlphaFlip();
  return true;
}
