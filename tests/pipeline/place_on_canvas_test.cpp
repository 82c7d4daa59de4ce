// PlaceOnCanvas on its own: refusals leave everything alone; placements put
// each source byte where the offsets say and keep the rest white.
#include "place_on_canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A source picture whose every byte names its own position: row * 16 + column.
std::vector<BYTE> Source(LONG width, LONG height, DWORD stride) {
  std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * height, 0xEE);
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) pixels[y * stride + x] = static_cast<BYTE>(y * 16 + x);
  return pixels;
}

struct Placement {
  const char* name;
  LONG width, height, canvasWidth, canvasHeight, dx, dy;
  LONG outputHeight;
  std::size_t size;
};

TEST(PlaceOnCanvas, PlacesTheVisiblePartOnWhite) {
  const Placement cases[] = {
      {"no shift", 4, 3, 8, 3, 0, 0, 3, 24},
      {"right", 4, 3, 8, 3, 2, 0, 3, 24},
      {"right, cut at the edge", 4, 3, 8, 3, 6, 0, 3, 24},
      {"left, leftmost dots cut", 4, 3, 8, 3, -3, 0, 3, 24},
      {"down, limited by the canvas", 4, 3, 8, 4, 0, 2, 4, 40},
      {"up, top rows cut", 4, 3, 8, 3, 0, -1, 2, 16},
      {"canvas width raised to 8", 4, 2, 10, 2, 1, 0, 2, 32},
      {"wider than the canvas", 12, 2, 8, 2, 0, 0, 2, 16},
  };
  for (const Placement& c : cases) {
    SCOPED_TRACE(c.name);
    const DWORD stride = static_cast<DWORD>(c.width + 3) & ~3u;
    std::vector<BYTE> source = Source(c.width, c.height, stride);
    BYTE* pixels = source.data();
    LONG width = c.width, height = c.height;
    const std::size_t size =
        PlaceOnCanvas(pixels, width, height, stride, c.canvasWidth, c.canvasHeight, c.dx, c.dy);
    ASSERT_EQ(size, c.size);
    ASSERT_NE(pixels, source.data());
    std::unique_ptr<BYTE[]> canvas(pixels);
    EXPECT_EQ(width, c.canvasWidth);
    EXPECT_EQ(height, c.outputHeight);
    const LONG canvasStride = (c.canvasWidth + 7) / 8 * 8;
    for (LONG y = 0; y < c.outputHeight; ++y) {
      for (LONG x = 0; x < c.canvasWidth; ++x) {
        const LONG sx = x - c.dx, sy = y - c.dy;
        const bool inside = sx >= 0 && sx < c.width && sy >= 0 && sy < c.height;
        const BYTE expected = inside ? static_cast<BYTE>(sy * 16 + sx) : 255;
        ASSERT_EQ(canvas[y * canvasStride + x], expected) << "at x " << x << ", y " << y;
      }
    }
  }
}

TEST(PlaceOnCanvas, RefusesAndChangesNothing) {
  const Placement cases[] = {
      {"shifted wholly left", 4, 3, 8, 3, -4, 0, 0, 0},
      {"shifted wholly up", 4, 3, 8, 3, 0, -3, 0, 0},
      {"shift reaches the canvas width", 4, 3, 8, 3, 8, 0, 0, 0},
      {"shift reaches the height limit", 4, 3, 8, 3, 0, 3, 0, 0},
      {"no canvas", 4, 3, 0, 3, 0, 0, 0, 0},
      {"no height limit", 4, 3, 8, 0, 0, 0, 0, 0},
      {"empty picture", 0, 3, 8, 3, 0, 0, 0, 0},
  };
  for (const Placement& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BYTE> source = Source(4, 3, 4);
    BYTE* pixels = source.data();
    LONG width = c.width, height = c.height;
    EXPECT_EQ(PlaceOnCanvas(pixels, width, height, 4, c.canvasWidth, c.canvasHeight, c.dx, c.dy),
              0u);
    EXPECT_EQ(pixels, source.data());
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
  // Rows shorter than the picture is wide would be read past their end.
  std::vector<BYTE> shortRows = Source(4, 3, 4);
  BYTE* pixels = shortRows.data();
  LONG width = 8, height = 1;
  EXPECT_EQ(PlaceOnCanvas(pixels, width, height, 4, 16, 1, 0, 0), 0u);
  BYTE* none = nullptr;
  EXPECT_EQ(PlaceOnCanvas(none, width, height, 8, 16, 1, 0, 0), 0u);
}

}  // namespace
