// Comparing printer streams in tests. A mismatch report names the first
// differing offset, the raster block it falls in, and shows both streams in
// hex around it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace stream_testing {

using Bytes = std::vector<std::uint8_t>;

::testing::AssertionResult StreamsEqual(const Bytes& expected, const Bytes& actual);

// The stream a band of printer rows (rowBytes each, top row first, 1 = dot)
// becomes: blocks of at most 24 rows, each GS v 0 mode 0 with its sizes, the
// rows, and ESC J 24.
Bytes RasterBlocks(const Bytes& rows, unsigned rowBytes);

}  // namespace stream_testing
