// Dither: every method against hand-worked results and against a literal
// per-pixel model of the halftoning written out independently here, plus the
// attributes and failure paths of the operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dib_image.h"
#include "dib_texts.h"
#include "image_testing.h"

namespace {

using image_testing::BuildGray8;
using image_testing::ReadRows;
using image_testing::RowOrder;
using image_testing::Rows;

// Every grid in this file lists stored row 0 (the picture's bottom) first.
constexpr RowOrder kOrder = RowOrder::kBottomFirst;

Rows RandomGrid(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Rows grid(static_cast<size_t>(height));
  for (auto& row : grid) {
    for (int x = 0; x < width; ++x) row.push_back(static_cast<int>(random() % 256));
  }
  return grid;
}

Rows Uniform(int width, int height, int value) {
  return Rows(static_cast<size_t>(height), std::vector<int>(static_cast<size_t>(width), value));
}

Rows DitherGrid(const Rows& grid, LONG method) {
  DibImage image;
  EXPECT_TRUE(BuildGray8(image, grid, kOrder));
  EXPECT_TRUE(image.Dither(method));
  EXPECT_EQ(image.GetBpp(), 1);
  return ReadRows(image, kOrder);
}

// ---- The model: kernels as weight grids, rows y .. y + 3, columns x - 3 ..
// x + 3 (the current pixel sits at row 0, column 3).
struct ModelKernel {
  int divisor;
  int weights[4][7];
};

constexpr ModelKernel kModelFloydSteinberg = {16, {{0, 0, 0, 0, 7, 0, 0}, {0, 0, 3, 5, 1, 0, 0}}};
constexpr ModelKernel kModelBurkes = {32, {{0, 0, 0, 0, 8, 4, 0}, {0, 2, 4, 8, 4, 2, 0}}};
constexpr ModelKernel kModelStucki = {
    42, {{0, 0, 0, 0, 8, 4, 0}, {0, 2, 4, 8, 4, 2, 0}, {0, 1, 2, 4, 2, 1, 0}}};
constexpr ModelKernel kModelJarvis = {
    48, {{0, 0, 0, 0, 7, 5, 0}, {0, 3, 5, 7, 5, 3, 0}, {0, 1, 3, 5, 3, 1, 0}}};
constexpr ModelKernel kModelSierra = {
    32, {{0, 0, 0, 0, 5, 3, 0}, {0, 2, 4, 5, 4, 2, 0}, {0, 0, 2, 3, 2, 0, 0}}};
constexpr ModelKernel kModelStevensonArce = {200,
                                             {{0, 0, 0, 0, 0, 32, 0},
                                              {12, 0, 26, 0, 30, 0, 16},
                                              {0, 12, 0, 26, 0, 12, 0},
                                              {5, 0, 12, 0, 12, 0, 5}}};

constexpr int kModelLevels[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

Rows ModelDither(Rows grid, LONG method) {
  const int h = static_cast<int>(grid.size());
  const int w = static_cast<int>(grid[0].size());
  Rows bits = Uniform(w, h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int v = grid[y][x];
      int& bit = bits[y][x];
      if (method == 1) {
        const int d = 16 * v / 255;
        bit = (d == 16 || kModelLevels[y % 4][x % 4] < d) ? 1 : 0;
        continue;
      }
      if (method == 7) {
        // The Bayer thresholds are 16 times the level matrix transposed.
        bit = v > 16 * kModelLevels[x % 4][y % 4] ? 1 : 0;
        continue;
      }
      const ModelKernel& k = method == 2   ? kModelBurkes
                             : method == 3 ? kModelStucki
                             : method == 4 ? kModelJarvis
                             : method == 5 ? kModelSierra
                             : method == 6 ? kModelStevensonArce
                                           : kModelFloydSteinberg;
      bit = v > 128 ? 1 : 0;
      const int error = bit ? v - 255 : v;
      for (int dy = 0; dy < 4; ++dy) {
        for (int column = 0; column < 7; ++column) {
          const int weight = k.weights[dy][column];
          const int nx = x + column - 3;
          const int ny = y + dy;
          if (weight == 0 || nx < 0 || nx >= w || ny >= h) continue;
          grid[ny][nx] = std::clamp(grid[ny][nx] + error * weight / k.divisor, 0, 255);
        }
      }
    }
  }
  return bits;
}

class DitherMethod : public ::testing::TestWithParam<LONG> {};

TEST_P(DitherMethod, MatchesModelOnRandomImages) {
  const struct {
    int width, height;
  } sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 5}, {7, 4}, {13, 11}, {31, 17}};
  unsigned seed = 1;
  for (const auto& size : sizes) {
    for (int round = 0; round < 3; ++round, ++seed) {
      SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " seed " +
                   std::to_string(seed));
      const Rows grid = RandomGrid(size.width, size.height, seed);
      EXPECT_EQ(DitherGrid(grid, GetParam()), ModelDither(grid, GetParam()));
    }
  }
}

TEST_P(DitherMethod, WhiteStaysWhiteAndBlackStaysBlack) {
  EXPECT_EQ(DitherGrid(Uniform(9, 6, 255), GetParam()), Uniform(9, 6, 1));
  EXPECT_EQ(DitherGrid(Uniform(9, 6, 0), GetParam()), Uniform(9, 6, 0));
}

TEST_P(DitherMethod, EscapeStopsBeforeTheFirstRow) {
  DibImage image;
  ASSERT_TRUE(BuildGray8(image, Uniform(6, 5, 255), kOrder));
  image.SetEscape(1);
  EXPECT_TRUE(image.Dither(GetParam()));
  EXPECT_EQ(image.GetBpp(), 1);
  EXPECT_EQ(image.GetEscape(), 1);
  // Unprocessed rows are left black.
  EXPECT_EQ(ReadRows(image, kOrder), Uniform(6, 5, 0));
}

INSTANTIATE_TEST_SUITE_P(AllMethods, DitherMethod,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, -1,
                                           std::numeric_limits<LONG>::min(), 1000),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                           const long long method = info.param;
                           return method < 0 ? "minus" + std::to_string(-method)
                                             : std::to_string(method);
                         });

// Worked out by hand from the kernels and tables.
TEST(Dither, HandWorkedExamples) {
  const struct {
    const char* name;
    LONG method;
    Rows grid;
    Rows bits;
  } cases[] = {
      // 100 black, e 100 pushes 43 (143 white, e -112), which pushes -49 (51 black).
      {"floyd-steinberg row of 100", 0, {{100, 100, 100}}, {{0, 1, 0}}},
      // The threshold is strict: 128 itself is black.
      {"128 is black", 0, {{128}}, {{0}}},
      {"129 is white", 0, {{129}}, {{1}}},
      // 250 + 700 / 16 clamps at 255, so the next pixel is white with e 0 and
      // the last one gets nothing.
      {"floyd-steinberg clamp", 0, {{100, 250, 120}}, {{0, 1, 0}}},
      // d = 8: white where the matrix entry is below 8.
      {"levels at 128",
       1,
       Uniform(4, 4, 128),
       {{1, 0, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}}},
      // d = 15: only the cell with entry 15 is black; 255 alone reaches 16.
      {"levels at 254",
       1,
       Uniform(4, 4, 254),
       {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 1, 1, 1}}},
      {"bayer at 240",
       7,
       Uniform(4, 4, 240),
       {{1, 1, 1, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}}},
      {"bayer at 241", 7, Uniform(4, 4, 241), Uniform(4, 4, 1)},
      // Width 1: only the (0, +2) entry lands. Row 0 (200, e -55) pushes
      // -55 * 26 / 200 = -7 (toward zero, not -8) onto row 2: 136 -> 129, white.
      {"stevenson-arce width 1", 6, {{200}, {255}, {136}, {100}}, {{1}, {1}, {1}, {0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DitherGrid(c.grid, c.method), c.bits);
  }
}

TEST(Dither, KeepsTheSourceAttributesAndPlanes) {
  DibImage image;
  ASSERT_TRUE(BuildGray8(image, RandomGrid(5, 4, 7), kOrder));
  image.SetType(1);
  image.SetXDPI(203);
  image.SetYDPI(300);
  image.SetTransIndex(9);
  ASSERT_TRUE(image.AlphaCreate());
  image.AlphaSet(2, 3, 17);

  ASSERT_TRUE(image.Dither(2));
  EXPECT_EQ(image.GetBpp(), 1);
  EXPECT_EQ(image.GetType(), 1u);
  EXPECT_EQ(image.GetXDPI(), 203);
  EXPECT_EQ(image.GetYDPI(), 300);
  EXPECT_EQ(image.GetTransIndex(), 9);
  // The header starts from a fresh image's 96 dpi.
  EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3780);
  ASSERT_TRUE(image.AlphaIsValid());
  EXPECT_EQ(image.AlphaGet(2, 3), 17);
  // Black (0, 0, 0, 0) and white (255, 255, 255, 0).
  const RGBQUAD black = image.GetPaletteColor(0);
  const RGBQUAD white = image.GetPaletteColor(1);
  EXPECT_EQ(black.rgbBlue | black.rgbGreen | black.rgbRed | black.rgbReserved, 0);
  EXPECT_EQ(white.rgbBlue & white.rgbGreen & white.rgbRed, 255);
  EXPECT_EQ(white.rgbReserved, 0);
}

TEST(Dither, OneBitImagesAndEmptyImages) {
  DibImage bits(10, 3, 1);
  bits.Clear(0);
  bits.SetPixelIndex(4, 1, 1);
  bits.SetPaletteColor(0, 10, 20, 30);
  const DibImage before(bits);
  EXPECT_TRUE(bits.Dither(0));
  EXPECT_TRUE(image_testing::ImagesEqual(before, bits));

  DibImage empty;
  EXPECT_FALSE(empty.Dither(0));
  EXPECT_FALSE(empty.IsValid());
}

TEST(Dither, OutputThatCannotBeAllocatedLeavesTheGrayImage) {
  DibImage image;
  const Rows grid = RandomGrid(8, 3, 3);
  ASSERT_TRUE(BuildGray8(image, grid, kOrder));
  {
    image_testing::AllocationFailure failure(0);
    EXPECT_FALSE(image.Dither(0));
  }
  EXPECT_STREQ(image.GetLastError(), dib_texts::kCreateNoMemory);
  EXPECT_EQ(image.GetBpp(), 8);
  EXPECT_EQ(ReadRows(image, kOrder), grid);
}

}  // namespace
