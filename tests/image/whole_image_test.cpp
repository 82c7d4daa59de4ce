// Whole-image operations of the container: Clear, GrayScale, Threshold, Flip.
#include <gtest/gtest.h>

#include "dib_image.h"
#include "image_testing.h"

namespace {

using image_testing::AllocationFailure;
using image_testing::BuildGray8;
using image_testing::ReadRows;
using image_testing::RowOrder;
using image_testing::Rows;

RGBQUAD Bgr(int b, int g, int r) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; }

TEST(Clear, FillsWholePixelAreaPerDepth) {
  const struct {
    DWORD bpp;
    BYTE value, fill;
  } cases[] = {{1, 5, 0xFF}, {1, 0, 0x00}, {4, 0x13, 0x33}, {8, 0x13, 0x13}, {24, 200, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bpp << " bpp, value " << int{c.value});
    DibImage image(5, 3, c.bpp);
    image.Clear(c.value);
    for (DWORD i = 0; i < image.GetHeader().biSizeImage; ++i) {
      ASSERT_EQ(image.GetBits(0)[i], c.fill) << "byte " << i;  // padding included
    }
  }
}

TEST(GrayScale, EveryDepthBecomesEightBitGray) {
  // Pixel kinds with known grays: black, red 76, green 149, white 255.
  const RGBQUAD colours[] = {Bgr(0, 0, 0), Bgr(0, 0, 255), Bgr(0, 255, 0), Bgr(255, 255, 255)};
  const int grays[] = {0, 76, 149, 255};
  for (DWORD bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(::testing::Message() << bpp << " bpp");
    DibImage image(5, 2, bpp, 1);
    ASSERT_TRUE(image.AlphaCreate());
    image.AlphaSet(4, 1, 17);
    Rows expected(2, std::vector<int>(5));
    for (LONG y = 0; y < 2; ++y) {
      for (LONG x = 0; x < 5; ++x) {
        // 1 bit has two entries: black and white.
        const int kind = bpp == 1 ? 3 * ((x + y) % 2) : (x + 2 * y) % 4;
        const BYTE index = BYTE(bpp == 1 ? kind / 3 : kind);
        image.SetPaletteColor(index, colours[kind]);
        image.SetPixelIndex(x, y, index);
        if (bpp == 24) image.SetPixelColor(x, y, colours[kind], false);
        expected[y][x] = grays[kind];
      }
    }
    image.SetTransIndex(bpp == 24 ? -1 : 1);

    ASSERT_TRUE(image.GrayScale());
    EXPECT_EQ(ReadRows(image, RowOrder::kBottomFirst), expected);
    for (int i = 0; i < 256; ++i) {
      const RGBQUAD e = image.GetPaletteColor(BYTE(i));
      ASSERT_TRUE(e.rgbBlue == i && e.rgbGreen == i && e.rgbRed == i) << "entry " << i;
    }
    EXPECT_EQ(image.GetType(), 1u);
    EXPECT_EQ(image.AlphaGet(4, 1), 17);
    // The background index follows its entry to that entry's gray level.
    EXPECT_EQ(image.GetTransIndex(), bpp == 24 ? -1 : (bpp == 1 ? 255 : 76));
  }

  DibImage colour(3, 3, 24);
  const void* block = colour.GetDIB();
  AllocationFailure failure(0);
  EXPECT_FALSE(colour.GrayScale());
  EXPECT_EQ(colour.GetDIB(), block);
  EXPECT_FALSE(DibImage().GrayScale());
}

TEST(Threshold, LevelsAndResetAttributes) {
  const struct {
    BYTE level;
    Rows expected;
  } cases[] = {
      {180, {{0, 0, 0, 1, 1}}},
      {179, {{0, 0, 1, 1, 1}}},
      {0, {{0, 1, 1, 1, 1}}},
      {255, {{0, 0, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.level});
    DibImage image;
    ASSERT_TRUE(BuildGray8(image, {{0, 179, 180, 181, 255}}, RowOrder::kTopFirst));
    image.SetType(1);
    image.SetXDPI(300);
    image.SetTransIndex(5);
    ASSERT_TRUE(image.AlphaCreate() && image.SelectionCreate());

    ASSERT_TRUE(image.Threshold(c.level));
    EXPECT_EQ(ReadRows(image, RowOrder::kTopFirst), c.expected);
    EXPECT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(image.GetType(), 0u);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_FALSE(image.AlphaIsValid() || image.SelectionIsValid());
    const RGBQUAD black = image.GetPaletteColor(0);
    const RGBQUAD white = image.GetPaletteColor(1);
    EXPECT_EQ(black.rgbRed + black.rgbGreen + black.rgbBlue + black.rgbReserved, 0);
    EXPECT_EQ(white.rgbRed + white.rgbGreen + white.rgbBlue + white.rgbReserved, 3 * 255);
    EXPECT_EQ(image.GetBits(0)[0] & 0x07, 0);  // padding bits stay zero
  }
}

TEST(Threshold, ColourOneBitAndEscape) {
  DibImage colour(3, 1, 24);
  colour.SetPixelColor(0, 0, Bgr(0, 0, 255), false);  // gray 76
  colour.SetPixelColor(1, 0, Bgr(0, 255, 0), false);  // gray 149
  ASSERT_TRUE(colour.Threshold(100));
  EXPECT_EQ(ReadRows(colour, RowOrder::kTopFirst), (Rows{{0, 1, 0}}));

  // A 1-bit image is left as it is, palette and type included.
  DibImage mono(9, 2, 1, 1);
  mono.SetPaletteColor(0, 255, 255, 255);
  const void* block = mono.GetDIB();
  ASSERT_TRUE(mono.Threshold(180));
  EXPECT_EQ(mono.GetDIB(), block);
  EXPECT_EQ(mono.GetType(), 1u);
  EXPECT_EQ(mono.GetPaletteColor(0).rgbRed, 255);

  // The escape flag stops before the first row; still a success, and the
  // rows nobody wrote are zero (black), not leftover memory.
  DibImage escaped;
  ASSERT_TRUE(BuildGray8(escaped, {{255, 255}, {255, 255}}, RowOrder::kTopFirst));
  escaped.SetEscape(1);
  ASSERT_TRUE(escaped.Threshold(180));
  EXPECT_EQ(ReadRows(escaped, RowOrder::kTopFirst), (Rows{{0, 0}, {0, 0}}));
  EXPECT_FALSE(DibImage().Threshold(180));
}

TEST(Threshold, AllocationFailures) {
  // Gray input: the result image cannot be made; its text comes along.
  DibImage gray;
  ASSERT_TRUE(BuildGray8(gray, {{10, 200}}, RowOrder::kTopFirst));
  {
    AllocationFailure failure(0);
    EXPECT_FALSE(gray.Threshold(180));
  }
  EXPECT_STREQ(gray.GetLastError(), "DibImage::Create can't allocate memory");
  EXPECT_EQ(ReadRows(gray, RowOrder::kTopFirst), (Rows{{10, 200}}));

  // Colour input whose gray conversion fails must not come out all black.
  DibImage colour(2, 1, 24);
  colour.Clear(255);
  {
    AllocationFailure failure(0);
    EXPECT_FALSE(colour.Threshold(180));
  }
  EXPECT_EQ(colour.GetBpp(), 24);
}

// The selection box has no setter of its own; tests place one directly.
class BoxedImage : public DibImage {
 public:
  using DibImage::DibImage;
  void SetSelectionBox(const RECT& box) { info_.selectionBox = box; }
};

TEST(Flip, RowsPlanesAndSelectionBox) {
  for (LONG height : {1, 2, 3, 4, 5}) {
    for (bool planes : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "height " << height << (planes ? ", planes" : ""));
      BoxedImage image(3, DWORD(height), 8);
      ASSERT_TRUE(image.AlphaCreate() && image.SelectionCreate());
      Rows bottomFirst;
      for (LONG y = 0; y < height; ++y) {
        bottomFirst.push_back({y, 10 + y, 20 + y});
        for (LONG x = 0; x < 3; ++x) image.SetPixelIndex(x, y, BYTE(10 * x + y));
        image.AlphaSet(0, y, BYTE(y));
      }
      image.SelectionSet(1, 0, 1);
      image.SetSelectionBox(RECT{0, 1, 3, 0});  // row 0: top exclusive, bottom inclusive

      ASSERT_TRUE(image.Flip(planes, planes));
      EXPECT_EQ(ReadRows(image, RowOrder::kTopFirst), bottomFirst);
      const LONG row0 = planes ? height - 1 : 0;  // where row 0 of a plane went
      EXPECT_EQ(image.AlphaGet(0, row0), 0);
      EXPECT_EQ(image.SelectionGet(1, row0), 1);
      const RECT box = image.GetSelectionBox();
      EXPECT_EQ(box.top, row0 + 1);
      EXPECT_EQ(box.bottom, row0);
      EXPECT_EQ(box.left + box.right, 3);
    }
  }
  EXPECT_FALSE(DibImage().Flip());
}

}  // namespace
