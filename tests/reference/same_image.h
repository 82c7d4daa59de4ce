// Byte-for-byte comparison of two images for the property tests: the whole
// DIB block (header, palette, pixels and row padding), the image's own
// header, every field of the info record and both planes.
#pragma once

#include <gtest/gtest.h>

#include "dib_image.h"

namespace reference {

::testing::AssertionResult SameImage(const DibImage& expected, const DibImage& actual);

}  // namespace reference
