// Dither, literally: per pixel, per kernel entry in the order listed, each
// neighbour read and written through the guarded accessors.
#include <cstdint>
#include <span>

#include "image_internals.h"
#include "reference_ops.h"

namespace reference {
namespace {

struct KernelEntry {
  int dx;
  int dy;
  int weight;
};

struct Kernel {
  std::span<const KernelEntry> entries;
  int divisor;
};

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

constexpr int kLevels[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
constexpr int kBayer[4][4] = {
    {0, 192, 48, 240}, {128, 64, 176, 112}, {32, 224, 16, 208}, {160, 96, 144, 80}};

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

}  // namespace

bool Dither(DibImage& image, LONG method) {
  if (!image.IsValid()) return false;
  if (image.GetBpp() == 1) return true;
  if (!image.GrayScale() || image.GetBpp() != 8) return false;

  DibImage output(0);
  output.CopyInfo(image);
  if (output.Create(image.GetWidth(), image.GetHeight(), 1, image.GetType()) == nullptr) {
    ImageInternals::SetErrorText(image, output.GetLastError());
    return false;
  }
  output.Clear(0);
  if (image.SelectionIsValid() && !output.SelectionCopy(image)) return false;
  if (image.AlphaIsValid() && !output.AlphaCopy(image)) return false;

  const LONG width = static_cast<LONG>(image.GetWidth());
  const LONG height = static_cast<LONG>(image.GetHeight());
  const Kernel kernel = KernelFor(method);
  for (LONG y = 0; y < height; ++y) {
    image.SetProgress(static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height));
    if (image.GetEscape() != 0) break;
    for (LONG x = 0; x < width; ++x) {
      const int v = image.UncheckedGetPixelIndex(x, y);
      if (method == 1) {
        const int d = 16 * v / 255;
        const bool white = d == 16 || kLevels[y % 4][x % 4] < d;
        output.SetPixelIndex(x, y, white ? 1 : 0);
        continue;
      }
      if (method == 7) {
        output.SetPixelIndex(x, y, v > kBayer[y % 4][x % 4] ? 1 : 0);
        continue;
      }
      const bool white = v > 128;
      const int error = white ? v - 255 : v;
      output.SetPixelIndex(x, y, white ? 1 : 0);
      for (const KernelEntry& entry : kernel.entries) {
        const LONG nx = x + entry.dx;
        const LONG ny = y + entry.dy;
        int next = image.GetPixelIndex(nx, ny) + error * entry.weight / kernel.divisor;
        if (next < 0) next = 0;
        if (next > 255) next = 255;
        // Ignored outside the image: the share is lost.
        image.SetPixelIndex(nx, ny, static_cast<BYTE>(next));
      }
    }
  }

  output.SetPaletteColor(0, 0, 0, 0, 0);
  output.SetPaletteColor(1, 255, 255, 255, 0);
  return image.Transfer(output, true);
}

}  // namespace reference
