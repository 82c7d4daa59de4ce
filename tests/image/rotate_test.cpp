// RotateLeft and Rotate180: the worked examples, every depth against a
// pixel-by-pixel rotation (across the 64-pixel blocks), planes, attributes,
// destinations, and allocation failures of every operation that builds a
// work image (crop included).
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>

#include "dib_image.h"
#include "dib_texts.h"
#include "image_testing.h"

namespace {

using image_testing::ImagesEqual;

// Random pixels and, for indexed images, a random palette.
void FillRandom(DibImage& image, DWORD width, DWORD height, DWORD bpp, unsigned seed) {
  ASSERT_NE(image.Create(width, height, bpp), nullptr);
  // Row padding all ones, so that an operation that lets it into the result shows.
  image.Clear(255);
  std::mt19937 random(seed);
  for (DWORD i = 0; i < image.GetNumColors(); ++i) {
    image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(random()),
                          static_cast<BYTE>(random()), static_cast<BYTE>(random()),
                          static_cast<BYTE>(random()));
  }
  for (LONG y = 0; y < static_cast<LONG>(height); ++y) {
    for (LONG x = 0; x < static_cast<LONG>(width); ++x) {
      if (image.IsIndexed()) {
        image.SetPixelIndex(x, y, static_cast<BYTE>(random() % image.GetNumColors()));
      } else {
        image.SetPixelColor(x, y,
                            RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()),
                                    static_cast<BYTE>(random()), 0});
      }
    }
  }
}

using Rotation = std::function<bool(DibImage&, DibImage*)>;
const Rotation kLeft = [](DibImage& image, DibImage* to) { return image.RotateLeft(to); };
const Rotation kHalf = [](DibImage& image, DibImage* to) { return image.Rotate180(to); };

// The source turned pixel by pixel: result pixel (x, y) comes from source
// pixel from(x, y).
void Turned(const DibImage& source, DWORD width, DWORD height,
            const std::function<std::pair<LONG, LONG>(LONG, LONG)>& from, DibImage& result) {
  ASSERT_NE(result.Create(width, height, source.GetBpp()), nullptr);
  result.SetPalette(source.GetPalette(), source.GetNumColors());
  for (LONG y = 0; y < static_cast<LONG>(height); ++y) {
    for (LONG x = 0; x < static_cast<LONG>(width); ++x) {
      const auto [sx, sy] = from(x, y);
      if (source.IsIndexed()) {
        result.SetPixelIndex(x, y, source.GetPixelIndex(sx, sy));
      } else {
        result.SetPixelColor(x, y, source.GetPixelColor(sx, sy, false));
      }
    }
  }
}

// Bits of every stored row past the last pixel; the rotations leave them 0.
bool PaddingIsZero(const DibImage& image) {
  const DWORD usedBits = image.GetWidth() * image.GetBpp();
  for (DWORD y = 0; y < image.GetHeight(); ++y) {
    const BYTE* row = image.GetBits(y);
    for (DWORD bit = usedBits; bit < image.GetEffWidth() * 8; ++bit) {
      if (row[bit / 8] & (0x80 >> (bit % 8))) return false;
    }
  }
  return true;
}

TEST(Rotate, WorkedExamples) {
  constexpr auto kBottomFirst = image_testing::RowOrder::kBottomFirst;
  // Stored rows from the bottom: 1 2 3, then 4 5 6.
  const struct {
    const char* name;
    Rotation rotate;
    image_testing::Rows rows;
  } cases[] = {
      {"left", kLeft, {{4, 1}, {5, 2}, {6, 3}}},
      {"half", kHalf, {{6, 5, 4}, {3, 2, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image;
    ASSERT_TRUE(image_testing::BuildGray8(image, {{1, 2, 3}, {4, 5, 6}}, kBottomFirst));
    ASSERT_TRUE(c.rotate(image, nullptr));
    EXPECT_EQ(image_testing::ReadRows(image, kBottomFirst), c.rows);
  }
}

struct Shape {
  DWORD width;
  DWORD height;
  DWORD bpp;
};

std::string ShapeName(const ::testing::TestParamInfo<Shape>& info) {
  return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) + "_" +
         std::to_string(info.param.bpp) + "bpp";
}

class RotateShape : public ::testing::TestWithParam<Shape> {};

TEST_P(RotateShape, MatchesPixelByPixelRotation) {
  const Shape s = GetParam();
  const LONG w = static_cast<LONG>(s.width);
  const LONG h = static_cast<LONG>(s.height);
  // Result pixel (x, y) comes from source pixel from(x, y).
  const struct {
    const char* name;
    Rotation rotate;
    DWORD width, height;
    std::function<std::pair<LONG, LONG>(LONG, LONG)> from;
  } cases[] = {
      {"left", kLeft, s.height, s.width, [h](LONG x, LONG y) { return std::pair(y, h - 1 - x); }},
      {"half", kHalf, s.width, s.height,
       [w, h](LONG x, LONG y) { return std::pair(w - 1 - x, h - 1 - y); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage source;
    FillRandom(source, s.width, s.height, s.bpp, s.width * 7 + s.height);
    DibImage expected;
    Turned(source, c.width, c.height, c.from, expected);
    DibImage image(source);
    ASSERT_TRUE(c.rotate(image, nullptr));
    EXPECT_TRUE(ImagesEqual(expected, image));
    EXPECT_TRUE(PaddingIsZero(image));
  }
}

TEST_P(RotateShape, FourQuarterTurnsAndTwoHalfTurnsGiveTheOriginal) {
  const Shape s = GetParam();
  DibImage source;
  FillRandom(source, s.width, s.height, s.bpp, s.width + s.height);
  DibImage quarter(source);
  DibImage half(source);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(quarter.RotateLeft());
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(half.Rotate180());
  EXPECT_TRUE(ImagesEqual(source, quarter));
  EXPECT_TRUE(ImagesEqual(source, half));
}

// 10 x 3 at 1 bit has padding on both sides of the turn; 100 high crosses
// the 64-pixel block boundary; odd sizes leave partial blocks and bytes.
INSTANTIATE_TEST_SUITE_P(Shapes, RotateShape,
                         ::testing::Values(Shape{1, 1, 1}, Shape{10, 3, 1}, Shape{3, 10, 1},
                                           Shape{33, 100, 1}, Shape{70, 9, 1}, Shape{32, 32, 1},
                                           Shape{29, 40, 1}, Shape{1, 1, 4}, Shape{7, 5, 4},
                                           Shape{65, 100, 4}, Shape{1, 1, 8}, Shape{3, 2, 8},
                                           Shape{17, 100, 8}, Shape{130, 65, 8}, Shape{5, 3, 24},
                                           Shape{66, 100, 24}),
                         ShapeName);

TEST(Rotate, PlanesFollowThePixels) {
  for (DWORD bpp : {1u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    DibImage source;
    FillRandom(source, 7, 70, bpp, bpp);
    ASSERT_TRUE(source.AlphaCreate());
    // Deleting a selection leaves the lopsided empty box {width, 0, 0, height},
    // which a new plane keeps: every side of the turned box differs.
    ASSERT_TRUE(source.SelectionCreate());
    ASSERT_TRUE(source.SelectionDelete());
    ASSERT_TRUE(source.SelectionCreate());
    std::mt19937 random(bpp);
    for (LONG y = 0; y < 70; ++y) {
      for (LONG x = 0; x < 7; ++x) {
        source.AlphaSet(x, y, static_cast<BYTE>(random()));
        source.SelectionSet(x, y, static_cast<BYTE>(random()));
      }
    }

    DibImage left(source);
    ASSERT_TRUE(left.RotateLeft());
    DibImage half(source);
    ASSERT_TRUE(half.Rotate180());
    ASSERT_TRUE(left.AlphaIsValid());
    ASSERT_TRUE(left.SelectionIsValid());
    ASSERT_TRUE(half.AlphaIsValid());
    // A half turn does not carry the selection.
    EXPECT_FALSE(half.SelectionIsValid());
    for (LONG y = 0; y < 70; ++y) {
      for (LONG x = 0; x < 7; ++x) {
        ASSERT_EQ(left.AlphaGet(69 - y, x), source.AlphaGet(x, y));
        ASSERT_EQ(left.SelectionGet(69 - y, x), source.SelectionGet(x, y));
        ASSERT_EQ(half.AlphaGet(6 - x, 69 - y), source.AlphaGet(x, y));
      }
    }
    const RECT box = source.GetSelectionBox();
    const RECT turned = left.GetSelectionBox();
    EXPECT_EQ(turned.left, 70 - box.top);
    EXPECT_EQ(turned.right, 70 - box.bottom);
    EXPECT_EQ(turned.top, box.right);
    EXPECT_EQ(turned.bottom, box.left);
  }
}

TEST(Rotate, ResultsKeepTheSourceAttributes) {
  for (const Rotation& rotate : {kLeft, kHalf}) {
    DibImage image;
    FillRandom(image, 9, 4, 8, 1);
    image.SetType(1);
    image.SetXDPI(203);
    image.SetTransIndex(3);
    ASSERT_TRUE(rotate(image, nullptr));
    EXPECT_EQ(image.GetType(), 1u);
    EXPECT_EQ(image.GetXDPI(), 203);
    EXPECT_EQ(image.GetTransIndex(), 3);
  }
}

TEST(Rotate, IntoADestinationLeavesTheSourceAlone) {
  const struct {
    const char* name;
    Rotation rotate;
  } cases[] = {{"left", kLeft}, {"half", kHalf}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage source;
    FillRandom(source, 11, 6, 4, 2);
    const DibImage before(source);
    DibImage destination;
    FillRandom(destination, 3, 3, 24, 3);
    ASSERT_TRUE(c.rotate(source, &destination));
    EXPECT_TRUE(ImagesEqual(before, source));
    DibImage expected(source);
    ASSERT_TRUE(c.rotate(expected, nullptr));
    EXPECT_TRUE(ImagesEqual(expected, destination));
  }
}

// Rotations and crops build a work image first. When it (or its alpha plane)
// cannot be allocated: failure, and neither this image nor the destination
// changes.
TEST(WorkImage, AllocationFailureChangesNothing) {
  const Rotation crop = [](DibImage& image, DibImage* to) { return image.Crop(1, 1, 5, 5, to); };
  const struct {
    const char* name;
    Rotation operation;
    long failAfter;
    bool withAlpha;
    const char* error;
  } cases[] = {
      {"left, pixels", kLeft, 0, false, dib_texts::kCreateNoMemory},
      {"left, alpha plane", kLeft, 1, true, ""},
      {"half, pixels", kHalf, 0, false, dib_texts::kCreateNoMemory},
      {"half, alpha plane", kHalf, 1, true, ""},
      {"crop, pixels", crop, 0, false, dib_texts::kCreateNoMemory},
      {"crop, alpha plane", crop, 1, true, ""},
  };
  for (const auto& c : cases) {
    DibImage destination;
    FillRandom(destination, 2, 2, 8, 5);
    const DibImage destinationBefore(destination);
    for (DibImage* to : {static_cast<DibImage*>(nullptr), &destination}) {
      SCOPED_TRACE(std::string(c.name) + (to != nullptr ? ", into a destination" : ""));
      DibImage image;
      FillRandom(image, 6, 4, 8, 4);
      if (c.withAlpha) {
        ASSERT_TRUE(image.AlphaCreate());
      }
      const DibImage before(image);
      {
        image_testing::AllocationFailure failure(c.failAfter);
        EXPECT_FALSE(c.operation(image, to));
      }
      EXPECT_STREQ(image.GetLastError(), c.error);
      EXPECT_TRUE(ImagesEqual(before, image));
      EXPECT_EQ(image.AlphaIsValid(), c.withAlpha);
      EXPECT_TRUE(ImagesEqual(destinationBefore, destination));
    }
  }
}

TEST(Rotate, EmptyImagesAreRefused) {
  DibImage empty;
  DibImage destination(2, 2, 8);
  EXPECT_FALSE(empty.RotateLeft());
  EXPECT_FALSE(empty.Rotate180());
  EXPECT_FALSE(empty.RotateLeft(&destination));
  EXPECT_FALSE(empty.IsValid());
  EXPECT_TRUE(destination.IsValid());
}

}  // namespace
