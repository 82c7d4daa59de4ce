// Packing of 1-bit rows for the printer, and the blocks they are sent in.
#include "raster_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "stream_testing.h"
#include "substitute_host.h"

namespace {

struct PackCase {
  DWORD width, effWidth;
  std::vector<BYTE> row;       // one stored row, 1 = white
  std::vector<BYTE> expected;  // 1 = dot
};

TEST(RasterStream, PackInvertsMasksAndClearsPadding) {
  const PackCase cases[] = {
      {8, 4, {0x0F, 0xAA, 0xBB, 0xCC}, {0xF0, 0x00, 0x00, 0x00}},
      {12, 4, {0x00, 0x00, 0x55, 0x66}, {0xFF, 0xF0, 0x00, 0x00}},  // r = 4
      {1, 4, {0x7F, 0xFF, 0xFF, 0xFF}, {0x80, 0x00, 0x00, 0x00}},   // r = 1
      {7, 4, {0x00, 0x00, 0x00, 0x00}, {0xFE, 0x00, 0x00, 0x00}},   // r = 7
      {32, 4, {0xFF, 0x00, 0xF0, 0x0F}, {0x00, 0xFF, 0x0F, 0xF0}},  // no padding
      {33, 8, {0, 0, 0, 0, 0x7F, 1, 2, 3}, {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0}},
  };
  for (const PackCase& c : cases) {
    SCOPED_TRACE(c.width);
    std::vector<BYTE> rows = c.row;
    rows.insert(rows.end(), c.row.begin(), c.row.end());  // two equal rows
    PackRows(rows.data(), c.width, 2, c.effWidth);
    std::vector<BYTE> expected = c.expected;
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(rows, expected);
  }
}

TEST(RasterStream, BlocksOfAtMost24RowsEachWithItsFeed) {
  for (DWORD height : {1u, 23u, 24u, 25u, 48u, 50u}) {
    SCOPED_TRACE(height);
    std::vector<BYTE> rows(static_cast<std::size_t>(height) * 4);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<BYTE>(i * 7);
    SubstituteHost host;
    EXPECT_TRUE(SendRasterBlocks(HostServices(host.Devobj(), nullptr), rows.data(), 4, height));
    EXPECT_TRUE(stream_testing::StreamsEqual(stream_testing::RasterBlocks(rows, 4), host.Spool()));
    EXPECT_EQ(host.Writes().size(), (height + 23) / 24);  // one host write per block
  }
}

}  // namespace
