// Reading printer streams back: malformed streams are refused at the right
// offset, and blocks land where the feeds put the paper.
#include "raster_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

raster::ParseResult ParseBytes(const Bytes& bytes) {
  return raster::Parse(bytes.data(), bytes.size());
}

TEST(RasterDecoder, MalformedStreamsNameTheOffset) {
  const Bytes block = {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x02, 0x00, 0xF0, 0x0F};
  const struct {
    const char* name;
    Bytes stream;
    std::string error;
  } cases[] = {
      {"stray byte after a block",
       [&] {
         Bytes b = block;
         b.push_back(0x41);
         return b;
       }(),
       "offset 10: unexpected byte 0x41"},
      {"other ESC command",
       {0x1B, 0x4A, 0x18, 0x1B, 0x40, 0x00},
       "offset 3: unknown command ESC 0x40"},
      {"feed cut short", {0x1B, 0x4A}, "offset 0: stream ends inside ESC J"},
      {"other GS command",
       {0x1D, 0x56, 0x00, 0, 0, 0, 0, 0},
       "offset 0: unknown command GS 0x56 0x00"},
      {"header cut short",
       {0x1D, 0x76, 0x30, 0x00, 0x01},
       "offset 0: stream ends inside a GS v 0 header"},
      {"data cut short", Bytes(block.begin(), block.end() - 1),
       "offset 0: stream ends inside GS v 0 data"},
      {"scaled mode",
       {0x1D, 0x76, 0x30, 0x03, 0, 0, 0, 0},
       "offset 0: GS v 0 with a scaled mode is not supported"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseBytes(c.stream).error, c.error);
  }
  EXPECT_EQ(ParseBytes({}).error, "");
}

TEST(RasterDecoder, BlocksAreDrawnWhereTheFeedsMovedThePaper) {
  // Two 1-row blocks of different widths with feeds of 3 and 2 between them:
  // the second block is drawn 3 dots lower; the paper ends 2 dots further on.
  const Bytes stream = {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x81,        // row 0
                        0x1B, 0x4A, 0x03,                                            // feed 3
                        0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x01,  // row 3
                        0x1B, 0x4A, 0x02};
  const raster::ParseResult parsed = ParseBytes(stream);
  ASSERT_EQ(parsed.error, "");
  const raster::Picture picture = raster::Render(parsed, stream.data());
  ASSERT_EQ(picture.width, 16u);
  ASSERT_EQ(picture.height, 5u);
  for (unsigned y = 0; y < picture.height; ++y) {
    for (unsigned x = 0; x < picture.width; ++x) {
      const bool dot = (y == 0 && (x == 0 || x == 7)) || (y == 3 && x == 15);
      EXPECT_EQ(picture.At(x, y), dot ? 1 : 0) << "x " << x << ", y " << y;
    }
  }
}

}  // namespace
