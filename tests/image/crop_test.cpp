// Crop: windows of every depth against the source's pixels, clamping and
// reversed pairs, destinations, empty rectangles, what the result carries.
// Allocation failures are tested with the rotations.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dib_image.h"
#include "image_testing.h"

namespace {

using image_testing::ImagesEqual;

// A new image holding the window of `source` whose bottom-left stored pixel
// is (x0, y0), with the source's palette.
void Window(const DibImage& source, LONG x0, LONG y0, DWORD width, DWORD height, DibImage& window) {
  ASSERT_NE(window.Create(width, height, source.GetBpp(), source.GetType()), nullptr);
  window.SetPalette(source.GetPalette(), source.GetNumColors());
  for (LONG y = 0; y < static_cast<LONG>(height); ++y) {
    for (LONG x = 0; x < static_cast<LONG>(width); ++x) {
      if (source.IsIndexed()) {
        window.SetPixelIndex(x, y, source.GetPixelIndex(x0 + x, y0 + y));
      } else {
        window.SetPixelColor(x, y, source.GetPixelColor(x0 + x, y0 + y, false));
      }
    }
  }
}

// Random bytes in every row, padding included, under a gray palette.
void FillRandom(DibImage& image, DWORD width, DWORD height, DWORD bpp, unsigned seed) {
  const DWORD stride = (width * bpp + 31) / 32 * 4;
  std::vector<BYTE> bytes(static_cast<size_t>(stride) * height);
  std::mt19937 random(seed);
  for (BYTE& b : bytes) b = static_cast<BYTE>(random());
  ASSERT_TRUE(image.CreateFromArray(bytes.data(), width, height, bpp, stride, false));
}

constexpr DWORD kWidth = 21;
constexpr DWORD kHeight = 8;

TEST(Crop, WindowsOfEveryDepth) {
  const struct {
    const char* name;
    LONG left, top, right, bottom;
    // The expected window: first column, first line from the top, size.
    LONG column, line;
    DWORD width, height;
  } cases[] = {
      // Lines 2, 3 and 4 from the top: stored rows 5, 4 and 3.
      {"lines 2 to 4", 0, 2, kWidth, 5, 0, 2, kWidth, 3},
      {"inside", 3, 1, 12, 6, 3, 1, 9, 5},
      {"odd column", 5, 0, 6, 8, 5, 0, 1, 8},
      {"one pixel", 20, 7, 21, 8, 20, 7, 1, 1},
      {"columns reversed", 12, 1, 3, 6, 3, 1, 9, 5},
      {"lines reversed", 3, 6, 12, 1, 3, 1, 9, 5},
      {"both reversed", 12, 6, 3, 1, 3, 1, 9, 5},
      {"all around", -10, -10, kWidth + 10, kHeight + 10, 0, 0, kWidth, kHeight},
      {"clamped, reversed", 30, 9, 17, -4, 17, 0, 4, 8},
  };
  for (DWORD bpp : {1u, 4u, 8u, 24u}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bpp) + " bpp");
      DibImage image;
      FillRandom(image, kWidth, kHeight, bpp, bpp);
      DibImage expected;
      Window(image, c.column, static_cast<LONG>(kHeight - c.height) - c.line, c.width, c.height,
             expected);
      // Into a destination (here with the RECT form), whose content is
      // replaced; then in place, from a source the first crop left alone.
      DibImage destination;
      FillRandom(destination, 3, 3, 24, 9);
      ASSERT_TRUE(image.Crop(RECT{c.left, c.top, c.right, c.bottom}, &destination));
      EXPECT_TRUE(ImagesEqual(expected, destination));
      ASSERT_TRUE(image.Crop(c.left, c.top, c.right, c.bottom));
      EXPECT_TRUE(ImagesEqual(expected, image));
    }
  }
}

TEST(Crop, EmptyRectanglesAreRefusedQuietly) {
  const struct {
    const char* name;
    LONG left, top, right, bottom;
  } cases[] = {
      {"top equals bottom", 0, 3, 5, 3},       {"left equals right", 4, 0, 4, 8},
      {"both below the picture", 0, 9, 5, 12}, {"both left of it", -5, 0, -1, 8},
      {"both right of it", 30, 0, 22, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image;
    FillRandom(image, kWidth, kHeight, 8, 2);
    const DibImage before(image);
    EXPECT_FALSE(image.Crop(c.left, c.top, c.right, c.bottom));
    EXPECT_STREQ(image.GetLastError(), "");
    EXPECT_TRUE(ImagesEqual(before, image));
  }
  DibImage empty;
  EXPECT_FALSE(empty.Crop(0, 0, 1, 1));
}

TEST(Crop, ResultCarriesPaletteAndBackgroundButNotTheRest) {
  DibImage image;
  FillRandom(image, kWidth, kHeight, 4, 3);
  image.SetPaletteColor(5, 10, 20, 30, 40);
  image.SetType(1);
  image.SetXDPI(203);
  image.SetTransIndex(7);
  image.SetTransColor(RGBQUAD{1, 2, 3, 4});
  DibImage expected;
  Window(image, 2, 1, 7, 5, expected);
  ASSERT_TRUE(image.Crop(2, 2, 9, 7));
  // Palette and pixels; the header has a new image's 96 dpi.
  EXPECT_TRUE(ImagesEqual(expected, image));
  EXPECT_EQ(image.GetType(), 1u);
  EXPECT_EQ(image.GetXDPI(), 96);
  EXPECT_EQ(image.GetTransIndex(), 7);
  const RGBQUAD background = image.GetTransColor();
  EXPECT_EQ((std::vector<int>{background.rgbBlue, background.rgbGreen, background.rgbRed,
                              background.rgbReserved}),
            (std::vector<int>{1, 2, 3, 4}));
}

TEST(Crop, AlphaPlaneIsCroppedWithThePixels) {
  DibImage image;
  FillRandom(image, kWidth, kHeight, 24, 4);
  ASSERT_TRUE(image.AlphaCreate());
  ASSERT_TRUE(image.SelectionCreate());
  for (LONG y = 0; y < static_cast<LONG>(kHeight); ++y) {
    for (LONG x = 0; x < static_cast<LONG>(kWidth); ++x) {
      image.AlphaSet(x, y, static_cast<BYTE>(x * 10 + y));
    }
  }
  ASSERT_TRUE(image.Crop(4, 1, 10, 5));
  ASSERT_TRUE(image.AlphaIsValid());
  EXPECT_FALSE(image.SelectionIsValid());
  // Lines 1 to 4 from the top are stored rows 6 down to 3.
  for (LONG y = 0; y < 4; ++y) {
    for (LONG x = 0; x < 6; ++x) {
      EXPECT_EQ(image.AlphaGet(x, y), (x + 4) * 10 + y + 3) << x << "," << y;
    }
  }
}

}  // namespace
