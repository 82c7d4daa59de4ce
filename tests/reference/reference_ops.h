// Reference versions of the image operations whose fast versions live in
// image/: the dithering methods, the threshold and the two turns, written
// pixel by pixel through the guarded accessors, exactly in the order the
// algorithms are stated. They are slow on purpose: the property tests hold
// the fast versions to them byte for byte, and the benchmarks report the
// ratio.
#pragma once

#include "dib_image.h"

namespace reference {

bool Dither(DibImage& image, LONG method);
bool Threshold(DibImage& image, BYTE level);
bool RotateLeft(DibImage& image, DibImage* destination);
bool Rotate180(DibImage& image, DibImage* destination);

}  // namespace reference
