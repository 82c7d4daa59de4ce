// DibImage::Dither: reduces any image to 1-bit black and white (palette entry
// 0 black, 1 white) by one of two ordered dithers or six error-diffusion
// kernels. The output is a pure function of the gray image and the method.
#include <cstdint>
#include <span>

#include "dib_image.h"

namespace {

// One neighbour of an error-diffusion kernel: column and row offset from the
// current pixel and its weight. Entries are applied in the order listed.
struct KernelEntry {
  int dx;
  int dy;
  int weight;
};

struct Kernel {
  std::span<const KernelEntry> entries;
  int divisor;
};

// One source line per kernel row (y, y + 1, ...), as the weights are read.
// clang-format off
constexpr KernelEntry kFloydSteinberg[] = {
    {1, 0, 7},
    {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};

constexpr KernelEntry kBurkes[] = {
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}};

constexpr KernelEntry kStucki[] = {
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
    {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};

constexpr KernelEntry kJarvisJudiceNinke[] = {
    {1, 0, 7}, {2, 0, 5},
    {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
    {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}};

constexpr KernelEntry kSierra[] = {
    {1, 0, 5}, {2, 0, 3},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
    {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}};

constexpr KernelEntry kStevensonArce[] = {
    {2, 0, 32},
    {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
    {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
    {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}};
// clang-format on

constexpr int WeightSum(std::span<const KernelEntry> entries) {
  int sum = 0;
  for (const KernelEntry& entry : entries) sum += entry.weight;
  return sum;
}

// A kernel that does not add up to its divisor creates or destroys ink.
static_assert(WeightSum(kFloydSteinberg) == 16);
static_assert(WeightSum(kBurkes) == 32);
static_assert(WeightSum(kStucki) == 42);
static_assert(WeightSum(kJarvisJudiceNinke) == 48);
static_assert(WeightSum(kSierra) == 32);
static_assert(WeightSum(kStevensonArce) == 200);

// Method 1: a pixel is white where the cell's entry is below its intensity
// level d = 16 * v / 255. Row by y mod 4, column by x mod 4.
constexpr BYTE kIntensityMatrix[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Method 7: a pixel is white where its gray is above the cell's threshold.
constexpr BYTE kBayerThresholds[4][4] = {
    {0, 192, 48, 240}, {128, 64, 176, 112}, {32, 224, 16, 208}, {160, 96, 144, 80}};

constexpr int kMethodIntensityLevels = 1;
constexpr int kMethodBayer = 7;

// Method number to kernel; 0 and every unknown number are Floyd-Steinberg.
Kernel KernelFor(LONG method) {
  switch (method) {
    case 2:
      return {kBurkes, 32};
    case 3:
      return {kStucki, 42};
    case 4:
      return {kJarvisJudiceNinke, 48};
    case 5:
      return {kSierra, 32};
    case 6:
      return {kStevensonArce, 200};
    default:
      return {kFloydSteinberg, 16};
  }
}

BYTE IntensityLevelBit(BYTE gray, LONG x, LONG y) {
  const int level = 16 * gray / 255;
  if (level == 16) return 1;
  return kIntensityMatrix[y % 4][x % 4] < level ? 1 : 0;
}

BYTE BayerBit(BYTE gray, LONG x, LONG y) { return gray > kBayerThresholds[y % 4][x % 4] ? 1 : 0; }

using OrderedBit = BYTE (*)(BYTE gray, LONG x, LONG y);

// Ordered dithers only read the gray image.
void DitherRowOrdered(const DibImage& gray, DibImage& output, LONG y, OrderedBit bit) {
  const LONG width = static_cast<LONG>(gray.GetWidth());
  for (LONG x = 0; x < width; ++x) {
    output.UncheckedSetPixelIndex(x, y, bit(gray.UncheckedGetPixelIndex(x, y), x, y));
  }
}

// Error diffusion writes each pixel's error into the gray image itself, to
// the right on this row and into the rows above. 128 itself is black. Each
// share is truncated toward zero and clamped on its own; shares that fall
// outside the image are lost.
void DitherRowDiffused(DibImage& gray, DibImage& output, LONG y, const Kernel& kernel) {
  const LONG width = static_cast<LONG>(gray.GetWidth());
  for (LONG x = 0; x < width; ++x) {
    const int value = gray.UncheckedGetPixelIndex(x, y);
    const bool white = value > 128;
    const int error = white ? value - 255 : value;
    output.UncheckedSetPixelIndex(x, y, white ? 1 : 0);
    for (const KernelEntry& entry : kernel.entries) {
      const LONG nx = x + entry.dx;
      const LONG ny = y + entry.dy;
      if (!gray.IsInside(nx, ny)) continue;
      int next = gray.UncheckedGetPixelIndex(nx, ny) + error * entry.weight / kernel.divisor;
      if (next < 0) next = 0;
      if (next > 255) next = 255;
      gray.UncheckedSetPixelIndex(nx, ny, static_cast<BYTE>(next));
    }
  }
}

}  // namespace

bool DibImage::Dither(LONG method) {
  if (!IsValid()) return false;
  if (GetBpp() == 1) return true;

  // A failed gray conversion would leave a depth the loops below cannot read;
  // dithering that would produce a wrong picture reported as success.
  if (!GrayScale() || GetBpp() != 8) return false;

  DibImage output(0);
  output.CopyInfo(*this);
  if (output.Create(GetWidth(), GetHeight(), 1, GetType()) == nullptr) {
    SetLastErrorText(output.GetLastError());
    return false;
  }
  // Rows an escape leaves unprocessed, and the row padding, stay black (0)
  // rather than whatever the allocation held.
  output.Clear(0);
  if (SelectionIsValid() && !output.SelectionCopy(*this)) return false;
  if (AlphaIsValid() && !output.AlphaCopy(*this)) return false;

  const LONG height = static_cast<LONG>(GetHeight());
  const Kernel kernel = KernelFor(method);
  for (LONG y = 0; y < height; ++y) {
    info_.progress = static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height);
    if (info_.escape != 0) break;
    if (method == kMethodIntensityLevels) {
      DitherRowOrdered(*this, output, y, IntensityLevelBit);
    } else if (method == kMethodBayer) {
      DitherRowOrdered(*this, output, y, BayerBit);
    } else {
      DitherRowDiffused(*this, output, y, kernel);
    }
  }

  output.SetPaletteColor(0, 0, 0, 0, 0);
  output.SetPaletteColor(1, 255, 255, 255, 0);
  return Transfer(output, true);
}
