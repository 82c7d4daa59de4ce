// Ordered dithering (see dither_ordered.h).
#include "dither_ordered.h"

namespace dither {
namespace {

// Row by y mod 4, column by x mod 4.
constexpr int kIntensityMatrix[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

constexpr int kBayerThresholds[4][4] = {
    {0, 192, 48, 240}, {128, 64, 176, 112}, {32, 224, 16, 208}, {160, 96, 144, 80}};

constexpr bool IntensityWhite(int value, int entry) {
  const int level = 16 * value / 255;
  return level == 16 || entry < level;
}

// Entry m < 16 v / 255 (integer division) holds exactly when
// v >= ceil(255 (m + 1) / 16), so method 1 is a threshold per cell too.
constexpr int IntensityThreshold(int entry) { return (255 * (entry + 1) + 15) / 16 - 1; }

constexpr bool IntensityThresholdsAgree() {
  for (int entry = 0; entry < 16; ++entry) {
    for (int value = 0; value < 256; ++value) {
      if (IntensityWhite(value, entry) != (value > IntensityThreshold(entry))) return false;
    }
  }
  return true;
}
static_assert(IntensityThresholdsAgree());

constexpr OrderedRows MakeOrderedRows(const int (&matrix)[4][4], int (*threshold)(int)) {
  OrderedRows rows{};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 16; ++x) rows[y].level[x] = static_cast<BYTE>(threshold(matrix[y][x % 4]));
  }
  return rows;
}

constexpr int Itself(int threshold) { return threshold; }

}  // namespace

constexpr OrderedRows kIntensityRows = MakeOrderedRows(kIntensityMatrix, IntensityThreshold);
constexpr OrderedRows kBayerRows = MakeOrderedRows(kBayerThresholds, Itself);

void DitherOrdered(const Planes& planes, RowLoop& rows, const OrderedRows& table) {
  for (LONG y = 0; y < planes.height; ++y) {
    if (!rows.Begin(y)) return;
    PackAbove(planes.Gray(y), static_cast<DWORD>(planes.width), table[y % 4], planes.Bits(y));
  }
}

}  // namespace dither
