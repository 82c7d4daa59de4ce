// Helpers for image tests: build small gray images from rows of numbers, read
// pixels back as rows, and compare two images with a report that points at
// the first difference.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_image.h"

namespace image_testing {

using Rows = std::vector<std::vector<int>>;

// Rows as written in a test: the picture's top line first, or stored row 0
// (the bottom line) first.
enum class RowOrder { kTopFirst, kBottomFirst };

// Makes `image` an 8-bit image with the identity gray palette holding `rows`
// (all of one length, values 0-255).
::testing::AssertionResult BuildGray8(DibImage& image, const Rows& rows, RowOrder order);

// The pixel indices of an indexed image (the gray of each pixel for 24 bits),
// one vector per row, in the order asked for.
Rows ReadRows(const DibImage& image, RowOrder order);

// Equal when both are empty, or both valid with equal header fields, palettes
// and pixels (row padding is ignored). The failure names the first differing
// field, palette entry or pixel.
::testing::AssertionResult ImagesEqual(const DibImage& expected, const DibImage& actual);

// Makes the allocation after `successes` more successful ones fail, and turns
// injection off again when the scope ends.
class AllocationFailure {
 public:
  explicit AllocationFailure(long successes) { dib_alloc::FailAfter(successes); }
  ~AllocationFailure() { dib_alloc::FailAfter(-1); }
  AllocationFailure(const AllocationFailure&) = delete;
  AllocationFailure& operator=(const AllocationFailure&) = delete;
};

}  // namespace image_testing
