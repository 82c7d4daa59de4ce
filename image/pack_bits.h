// Threshold and pack: turns a row of gray levels into 1-bit pixels, 16 at a
// time. Shared by Threshold and every Dither method (the ordered ones compare
// with a repeating table, error diffusion with 128 once a row is final).
#pragma once

#include <windows.h>

#include "dib_image.h"

// A row of 16 thresholds; entry i applies to the values at x = i mod 16.
struct ThresholdRow {
  BYTE level[16];
};

// Writes (width + 7) / 8 bytes to `bits`: bit 7 of bits[0] is value 0, and a
// bit is 1 exactly when its value is strictly above its threshold. Bits past
// `width` in the last byte are 0. Reads only values[0 .. width - 1].
void PackAbove(const BYTE* values, DWORD width, const ThresholdRow& thresholds, BYTE* bits);

// A ThresholdRow holding `level` everywhere.
ThresholdRow UniformThreshold(BYTE level);

// True when GrayScale would leave the image exactly as it is: 8 bits with the
// identity gray palette. Such an image needs no conversion pass.
bool IsGrayIdentity(const DibImage& image);
