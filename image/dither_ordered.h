// Ordered dithering: a threshold per cell of a 4 x 4 matrix repeated over
// the image. Reads only the gray image.
#pragma once

#include <array>

#include "dither_rows.h"
#include "pack_bits.h"

namespace dither {

// The thresholds of the four matrix rows (by y mod 4), each repeated to 16
// columns.
using OrderedRows = std::array<ThresholdRow, 4>;

// Method 1: white where the cell's entry is below the level d = 16 v / 255.
extern const OrderedRows kIntensityRows;
// Method 7: white where the gray is above the cell's threshold.
extern const OrderedRows kBayerRows;

void DitherOrdered(const Planes& planes, RowLoop& rows, const OrderedRows& table);

}  // namespace dither
