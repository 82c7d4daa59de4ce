// Whole-image operations of the container: Clear, GrayScale, Threshold, Flip.
#include <gtest/gtest.h>

#include <cstring>

#include "dib_image.h"
#include "image_testing.h"

namespace {

using image_testing::AllocationFailure;
using image_testing::BuildGray8;
using image_testing::ReadRows;
using image_testing::RowOrder;
using image_testing::Rows;

RGBQUAD Bgra(int b, int g, int r) {
  return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

bool IsIdentityGrayPalette(const DibImage& image) {
  if (image.GetBpp() != 8) return false;
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD e = image.GetPaletteColor(static_cast<BYTE>(i));
    if (e.rgbBlue != i || e.rgbGreen != i || e.rgbRed != i) return false;
  }
  return true;
}

TEST(Clear, FillsWholePixelAreaPerDepth) {
  const struct {
    DWORD bpp;
    BYTE value;
    BYTE fill;
  } cases[] = {{1, 5, 0xFF}, {1, 0, 0x00}, {4, 0x13, 0x33}, {8, 0x13, 0x13}, {24, 200, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bpp << " bpp, value " << int{c.value});
    DibImage image(5, 3, c.bpp);
    image.Clear(c.value);
    const BYTE* bits = image.GetBits(0);
    const DWORD size = image.GetHeader().biSizeImage;
    for (DWORD i = 0; i < size; ++i) ASSERT_EQ(bits[i], c.fill) << "byte " << i;
  }
}

TEST(GrayScale, EveryDepthBecomesEightBitGray) {
  // Index 0..3 carry colours with known grays: black, red 76, green 149, white.
  const RGBQUAD colours[] = {Bgra(0, 0, 0), Bgra(0, 0, 255), Bgra(0, 255, 0), Bgra(255, 255, 255)};
  const BYTE grays[] = {0, 76, 149, 255};
  for (DWORD bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(::testing::Message() << bpp << " bpp");
    const int kinds = bpp == 1 ? 2 : 4;
    DibImage image(5, 2, bpp, 1);
    ASSERT_TRUE(image.AlphaCreate());
    image.AlphaSet(4, 1, 17);
    image.SetXDPI(203);
    Rows expected(2, std::vector<int>(5));
    for (LONG y = 0; y < 2; ++y) {
      for (LONG x = 0; x < 5; ++x) {
        const int kind = (x + 2 * y) % kinds;
        if (image.IsIndexed()) {
          image.SetPaletteColor(static_cast<BYTE>(kind),
                                bpp == 1 ? colours[kind * 3] : colours[kind]);
          image.SetPixelIndex(x, y, static_cast<BYTE>(kind));
        } else {
          image.SetPixelColor(x, y, colours[kind], false);
        }
        expected[y][x] = bpp == 1 ? grays[kind * 3] : grays[kind];
      }
    }
    if (image.IsIndexed()) image.SetTransIndex(1);

    ASSERT_TRUE(image.GrayScale());
    EXPECT_TRUE(IsIdentityGrayPalette(image));
    EXPECT_EQ(ReadRows(image, RowOrder::kBottomFirst), expected);
    EXPECT_EQ(image.GetType(), 1u);
    EXPECT_EQ(image.GetXDPI(), 203);
    EXPECT_EQ(image.AlphaGet(4, 1), 17);
    // The background index follows its entry to that entry's gray level.
    EXPECT_EQ(image.GetTransIndex(), bpp == 24 ? -1 : (bpp == 1 ? 255 : 76));
  }
  DibImage empty;
  EXPECT_FALSE(empty.GrayScale());
}

TEST(GrayScale, FailedAllocationLeavesColourImage) {
  DibImage image(3, 3, 24);
  image.SetPixelColor(1, 1, Bgra(1, 2, 3), false);
  const void* block = image.GetDIB();
  AllocationFailure failure(0);
  EXPECT_FALSE(image.GrayScale());
  EXPECT_EQ(image.GetDIB(), block);
  EXPECT_EQ(image.GetBpp(), 24);
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
    DibImage image(1);
    ASSERT_TRUE(BuildGray8(image, {{0, 179, 180, 181, 255}}, RowOrder::kTopFirst));
    image.SetXDPI(300);
    image.SetTransIndex(5);
    ASSERT_TRUE(image.AlphaCreate());
    ASSERT_TRUE(image.SelectionCreate());

    ASSERT_TRUE(image.Threshold(c.level));
    EXPECT_EQ(ReadRows(image, RowOrder::kTopFirst), c.expected);
    EXPECT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(image.GetType(), 0u);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_FALSE(image.SelectionIsValid());
    const RGBQUAD black = image.GetPaletteColor(0);
    const RGBQUAD white = image.GetPaletteColor(1);
    EXPECT_EQ(black.rgbRed + black.rgbGreen + black.rgbBlue + black.rgbReserved, 0);
    EXPECT_EQ(white.rgbRed + white.rgbGreen + white.rgbBlue, 3 * 255);
    EXPECT_EQ(white.rgbReserved, 0);
    // Padding bits past the last column stay zero.
    EXPECT_EQ(image.GetBits(0)[0] & 0x07, 0);
  }
}

TEST(Threshold, ColourImageGoesThroughGray) {
  DibImage image(3, 1, 24);
  image.SetPixelColor(0, 0, Bgra(0, 0, 255), false);  // gray 76
  image.SetPixelColor(1, 0, Bgra(0, 255, 0), false);  // gray 149
  image.SetPixelColor(2, 0, Bgra(255, 255, 255), false);
  ASSERT_TRUE(image.Threshold(100));
  EXPECT_EQ(ReadRows(image, RowOrder::kTopFirst), (Rows{{0, 1, 1}}));
}

TEST(Threshold, OneBitImageIsLeftAlone) {
  DibImage image(9, 2, 1, 1);
  image.SetPaletteColor(0, 255, 255, 255);
  image.SetPixelIndex(3, 1, 1);
  const void* block = image.GetDIB();
  ASSERT_TRUE(image.Threshold(180));
  EXPECT_EQ(image.GetDIB(), block);
  EXPECT_EQ(image.GetType(), 1u);
  EXPECT_EQ(image.GetPaletteColor(0).rgbRed, 255);
  EXPECT_EQ(image.GetPixelIndex(3, 1), 1);
  DibImage empty;
  EXPECT_FALSE(empty.Threshold(180));
}

TEST(Threshold, EscapeStopsRowsButStillSucceeds) {
  DibImage image;
  ASSERT_TRUE(BuildGray8(image, {{255, 255}, {255, 255}, {255, 255}}, RowOrder::kTopFirst));
  image.SetEscape(1);
  ASSERT_TRUE(image.Threshold(180));
  // No row was processed; Create left them zero, i.e. black.
  EXPECT_EQ(ReadRows(image, RowOrder::kTopFirst), (Rows{{0, 0}, {0, 0}, {0, 0}}));
  EXPECT_EQ(image.GetBpp(), 1);
  EXPECT_EQ(image.GetEscape(), 0);
}

TEST(Threshold, AllocationFailures) {
  // Gray input: the result image cannot be made; the text comes along.
  DibImage gray;
  ASSERT_TRUE(BuildGray8(gray, {{10, 200}}, RowOrder::kTopFirst));
  {
    AllocationFailure failure(0);
    EXPECT_FALSE(gray.Threshold(180));
  }
  EXPECT_STREQ(gray.GetLastError(), "DibImage::Create can't allocate memory");
  EXPECT_EQ(gray.GetBpp(), 8);
  EXPECT_EQ(ReadRows(gray, RowOrder::kTopFirst), (Rows{{10, 200}}));

  // Colour input whose gray conversion fails must not come out black.
  DibImage colour(2, 1, 24);
  colour.Clear(255);
  {
    AllocationFailure failure(0);
    EXPECT_FALSE(colour.Threshold(180));
  }
  EXPECT_EQ(colour.GetBpp(), 24);
  EXPECT_EQ(colour.GetPixelGray(0, 0), 255);
}

// The selection box has no setter of its own; tests place one directly.
class BoxedImage : public DibImage {
 public:
  using DibImage::DibImage;
  void SetSelectionBox(const RECT& box) { info_.selectionBox = box; }
};

TEST(Flip, RowsPlanesAndSelectionBox) {
  for (LONG height : {1, 2, 3, 4, 5}) {
    SCOPED_TRACE(::testing::Message() << "height " << height);
    for (bool withPlanes : {false, true}) {
      SCOPED_TRACE(withPlanes ? "flip planes" : "keep planes");
      BoxedImage image(3, static_cast<DWORD>(height), 8);
      ASSERT_TRUE(image.AlphaCreate());
      ASSERT_TRUE(image.SelectionCreate());
      Rows bottomFirst;
      for (LONG y = 0; y < height; ++y) {
        bottomFirst.push_back({y, 10 + y, 20 + y});
        for (LONG x = 0; x < 3; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>(10 * x + y));
        image.AlphaSet(0, y, static_cast<BYTE>(y));
      }
      image.SelectionSet(1, 0, 1);
      image.SetSelectionBox(RECT{0, 1, 3, 0});  // row 0: top exclusive, bottom inclusive

      ASSERT_TRUE(image.Flip(withPlanes, withPlanes));
      EXPECT_EQ(ReadRows(image, RowOrder::kTopFirst), bottomFirst);
      const LONG flippedRow = height - 1;
      EXPECT_EQ(image.AlphaGet(0, 0), withPlanes ? flippedRow : 0);
      EXPECT_EQ(image.SelectionGet(1, withPlanes ? flippedRow : 0), 1);
      const RECT after = image.GetSelectionBox();
      EXPECT_EQ(after.top, withPlanes ? height : 1);
      EXPECT_EQ(after.bottom, withPlanes ? height - 1 : 0);
      EXPECT_EQ(after.left, 0);
      EXPECT_EQ(after.right, 3);
    }
  }
  DibImage empty;
  EXPECT_FALSE(empty.Flip());
}

}  // namespace
