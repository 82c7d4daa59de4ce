// Reading printer streams back: malformed streams are refused at the right
// offset, blocks land where the feeds put the paper, cuts and drawer pulses
// show as marks.
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
       {0x1B, 0x4A, 0x18, 0x1B, 0x40, 0x1B, 0x21, 0x00},
       "offset 5: unknown command ESC 0x21"},
      {"feed cut short", {0x1B, 0x4A}, "offset 0: stream ends inside ESC J"},
      {"lone ESC at the end", {0x0D, 0x0A, 0x1B}, "offset 2: stream ends inside an ESC command"},
      {"other GS command", {0x1D, 0x28, 0x4B, 0, 0}, "offset 0: unknown command GS 0x28"},
      {"GS v other than 0",
       {0x1D, 0x76, 0x31, 0, 0, 0, 0, 0},
       "offset 0: unknown command GS 0x76 0x31"},
      {"cut of an unknown form",
       {0x1D, 0x56, 0x42, 0x00, 0x1D, 0x56, 0x61, 0x00},
       "offset 4: unknown command GS V 0x61"},
      {"cut with feed cut short",
       {0x1D, 0x56, 0x00, 0x1D, 0x56, 0x41},
       "offset 3: stream ends inside GS V"},
      {"drawer pulse cut short", {0x1B, 0x70, 0x00, 0x19}, "offset 0: stream ends inside ESC p"},
      {"drawer pin 3",
       {0x1B, 0x70, 0x02, 0x19, 0xFA},
       "offset 0: ESC p with an unknown drawer pin 0x02"},
      {"vertical motion unit",
       {0x1D, 0x50, 0xCB, 0x00, 0x1D, 0x50, 0xCB, 0xCB},
       "offset 4: GS P with a vertical motion unit is not supported"},
      {"print area width cut short",
       {0x1D, 0x4C, 0x08, 0x00, 0x1D, 0x57, 0x40},
       "offset 4: stream ends inside GS W"},
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

// Every command the application and the printer descriptions send is read,
// and moves the paper as the printer does.
TEST(RasterDecoder, JobCommandsAreRead) {
  const struct {
    const char* name;
    Bytes stream;
    unsigned height;  // of the picture: paper fed, or the last mark's end
  } cases[] = {
      {"initialise, no margin, CR", {0x1B, 0x40, 0x1D, 0x4C, 0x00, 0x00, 0x0D}, 0},
      {"print area width in dots of 1/203 inch",
       {0x1B, 0x40, 0x1D, 0x50, 0xCB, 0x00, 0x1D, 0x57, 0x40, 0x02},
       0},
      {"page end of the descriptions: ESC J 0", {0x1B, 0x4A, 0x00}, 0},
      {"LF feeds one default line", {0x0A, 0x0A}, 60},
      {"partial cut of the application", {0x1B, 0x4A, 0x05, 0x1D, 0x56, 0x42, 0x00}, 5 + 2},
      {"full cut after a 10-dot feed", {0x1D, 0x56, 0x41, 0x0A}, 10 + 2},
      {"cuts without feed: 0, 1, '0', '1'",
       {0x1D, 0x56, 0x00, 0x1D, 0x56, 0x01, 0x1D, 0x56, 0x30, 0x1D, 0x56, 0x31},
       2},
      {"drawer pulse, pins 2 and 5",
       {0x1B, 0x70, 0x00, 0x19, 0xFA, 0x1B, 0x70, 0x31, 0x19, 0xFA},
       8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const raster::ParseResult parsed = ParseBytes(c.stream);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(raster::Render(parsed, c.stream.data()).height, c.height);
  }
}

TEST(RasterDecoder, BlocksAreDrawnWhereTheFeedsMovedThePaper) {
  // Two 1-row blocks of different widths with feeds of 3 and 2 between them:
  // on this family's printer the second block is drawn 3 dots lower and the
  // paper ends 2 dots further on; where blocks advance the paper, each block
  // adds its row.
  const Bytes stream = {0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x81,        // block 1
                        0x1B, 0x4A, 0x03,                                            // feed 3
                        0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x01,  // block 2
                        0x1B, 0x4A, 0x02};
  const struct {
    FeedConvention convention;
    unsigned secondRow, height;
  } cases[] = {{FeedConvention::kFeedAfterBlock, 3, 5}, {FeedConvention::kBlockAdvances, 4, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.secondRow);
    const raster::ParseResult parsed = raster::Parse(stream.data(), stream.size(), c.convention);
    ASSERT_EQ(parsed.error, "");
    const raster::Picture picture = raster::Render(parsed, stream.data());
    ASSERT_EQ(picture.width, 16u);
    ASSERT_EQ(picture.height, c.height);
    for (unsigned y = 0; y < picture.height; ++y) {
      for (unsigned x = 0; x < picture.width; ++x) {
        const bool dot = (y == 0 && (x == 0 || x == 7)) || (y == c.secondRow && x == 15);
        EXPECT_EQ(picture.At(x, y), dot ? 1 : 0) << "x " << x << ", y " << y;
      }
    }
  }
}

TEST(RasterDecoder, BlocksStartAtTheLeftMarginUntilReset) {
  // A block at a 3-dot margin (its dots 0 and 7 land on 3 and 10), one at a
  // 16-dot margin, then ESC @ and a block at the left edge again.
  const Bytes stream = {0x1D, 0x4C, 0x03, 0x00,                                 // GS L 3
                        0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x81,   // block
                        0x1D, 0x4C, 0x10, 0x00,                                 // GS L 16
                        0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01,   // block
                        0x1B, 0x40,                                             // ESC @
                        0x1D, 0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x80};  // block
  const raster::ParseResult parsed =
      raster::Parse(stream.data(), stream.size(), FeedConvention::kBlockAdvances);
  ASSERT_EQ(parsed.error, "");
  const raster::Picture picture = raster::Render(parsed, stream.data());
  ASSERT_EQ(picture.width, 24u);
  ASSERT_EQ(picture.height, 3u);
  for (unsigned y = 0; y < picture.height; ++y) {
    for (unsigned x = 0; x < picture.width; ++x) {
      const bool dot = (y == 0 && (x == 3 || x == 10)) || (y == 1 && x == 23) || (y == 2 && x == 0);
      EXPECT_EQ(picture.At(x, y), dot ? 1 : 0) << "x " << x << ", y " << y;
    }
  }
  // In a unit of 1/101 inch, a margin of 3 is 6 dots.
  const Bytes units = {0x1D, 0x50, 0x65, 0x00, 0x1D, 0x4C, 0x03, 0x00, 0x1D,
                       0x76, 0x30, 0x00, 0x01, 0x00, 0x01, 0x00, 0x80};
  const raster::Picture scaled = raster::Render(ParseBytes(units), units.data());
  ASSERT_EQ(scaled.width, 16u);
  EXPECT_EQ(scaled.At(6, 0), 1);
}

TEST(RasterDecoder, CutsAndDrawerPulsesAreMarked) {
  // A 64-dot block of one row, a drawer pulse, a 4-dot feed, a partial cut:
  // the square at the right edge from row 0, the cut across rows 4 and 5
  // with 32 dots uncut in the middle.
  Bytes stream = {0x1D, 0x76, 0x30, 0x00, 0x08, 0x00, 0x01, 0x00};
  stream.insert(stream.end(), 8, 0x00);
  stream.insert(stream.end(),
                {0x1B, 0x70, 0x00, 0x19, 0xFA, 0x1B, 0x4A, 0x04, 0x1D, 0x56, 0x42, 0x00});
  const raster::ParseResult parsed = ParseBytes(stream);
  ASSERT_EQ(parsed.error, "");
  const raster::Picture picture = raster::Render(parsed, stream.data());
  ASSERT_EQ(picture.width, 64u);
  ASSERT_EQ(picture.height, 8u);
  auto row = [&](unsigned y) {
    std::string text;
    for (unsigned x = 0; x < picture.width; ++x) text += picture.At(x, y) ? '#' : '.';
    return text;
  };
  const std::string box = "########", side = "#......#", blank(56, '.');
  EXPECT_EQ(row(0), blank + box);
  EXPECT_EQ(row(1), blank + side);
  EXPECT_EQ(row(4), "####....####...." + std::string(32, '.') + "####....####...#")
      << "a partial cut over the drawer's mark";
  EXPECT_EQ(row(7), blank + box);
  // A full cut has no gap.
  const Bytes full = {0x1B, 0x4A, 0x01, 0x1D, 0x56, 0x30};
  const raster::Picture fullCut = raster::Render(ParseBytes(full), full.data());
  ASSERT_EQ(fullCut.height, 3u);
  for (unsigned x = 0; x < fullCut.width; ++x) EXPECT_EQ(fullCut.At(x, 1), x % 8 < 4) << x;
}

}  // namespace
