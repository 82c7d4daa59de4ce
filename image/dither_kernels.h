// The six error-diffusion kernels: each a table of {dx, dy, weight} and a
// divisor, worked out at compile time into the shape the diffusion loops use.
#pragma once

#include <algorithm>
#include <cstddef>

namespace dither {

// One neighbour of an error-diffusion kernel: column and row offset from the
// current pixel and its weight.
struct KernelEntry {
  int dx;
  int dy;
  int weight;
};

// One source line per kernel row (y, y + 1, ...), as the weights are read.
// clang-format off
inline constexpr KernelEntry kFloydSteinbergEntries[] = {
    {1, 0, 7},
    {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};

inline constexpr KernelEntry kBurkesEntries[] = {
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}};

inline constexpr KernelEntry kStuckiEntries[] = {
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
    {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};

inline constexpr KernelEntry kJarvisJudiceNinkeEntries[] = {
    {1, 0, 7}, {2, 0, 5},
    {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
    {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}};

inline constexpr KernelEntry kSierraEntries[] = {
    {1, 0, 5}, {2, 0, 3},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
    {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}};

inline constexpr KernelEntry kStevensonArceEntries[] = {
    {2, 0, 32},
    {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
    {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
    {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}};
// clang-format on

// No kernel reaches further than this many columns, or rows below.
inline constexpr int kMaxReach = 3;
inline constexpr int kMaxRowsBelow = 3;
inline constexpr int kMaxWeights = 8;

// A kernel in the shape the loops use, worked out at compile time.
struct Kernel {
  int divisor;
  int sameRow[3];  // weight of the pixel 1 and 2 to the right ([0] unused)
  int below[kMaxRowsBelow + 1][2 * kMaxReach + 1];  // [dy][dx + kMaxReach]; dy 0 unused
  int reach;                                        // largest |dx| of the rows below
  int nextRowReach;                                 // largest |dx| of the next row
  int weights[kMaxWeights];                         // the distinct weights, one share table each
  int weightCount;

  // Which of the distinct weights this is, or -1.
  constexpr int SlotOf(int weight) const {
    for (int slot = 0; slot < weightCount; ++slot) {
      if (weights[slot] == weight) return slot;
    }
    return -1;
  }
};

template <std::size_t N>
constexpr Kernel MakeKernel(const KernelEntry (&entries)[N], int divisor) {
  Kernel kernel{};
  kernel.divisor = divisor;
  for (const KernelEntry& entry : entries) {
    const int reach = entry.dx < 0 ? -entry.dx : entry.dx;
    if (entry.dy == 0) {
      kernel.sameRow[entry.dx] = entry.weight;
    } else {
      kernel.below[entry.dy][entry.dx + kMaxReach] = entry.weight;
      kernel.reach = std::max(kernel.reach, reach);
      if (entry.dy == 1) kernel.nextRowReach = std::max(kernel.nextRowReach, reach);
    }
    bool known = false;
    for (int i = 0; i < kernel.weightCount; ++i) known = known || kernel.weights[i] == entry.weight;
    if (!known) kernel.weights[kernel.weightCount++] = entry.weight;
  }
  return kernel;
}

template <std::size_t N>
constexpr bool FitsTheLoops(const KernelEntry (&entries)[N], int divisor) {
  int sum = 0;
  for (const KernelEntry& entry : entries) {
    sum += entry.weight;
    const bool sameRow = entry.dy == 0 && (entry.dx == 1 || entry.dx == 2);
    const bool below = entry.dy >= 1 && entry.dy <= kMaxRowsBelow && entry.dx >= -kMaxReach &&
                       entry.dx <= kMaxReach;
    if (!(sameRow || below) || entry.weight <= 0) return false;
  }
  // A kernel that does not add up to its divisor creates or destroys ink.
  return sum == divisor;
}

static_assert(FitsTheLoops(kFloydSteinbergEntries, 16));
static_assert(FitsTheLoops(kBurkesEntries, 32));
static_assert(FitsTheLoops(kStuckiEntries, 42));
static_assert(FitsTheLoops(kJarvisJudiceNinkeEntries, 48));
static_assert(FitsTheLoops(kSierraEntries, 32));
static_assert(FitsTheLoops(kStevensonArceEntries, 200));

inline constexpr Kernel kFloydSteinberg = MakeKernel(kFloydSteinbergEntries, 16);
inline constexpr Kernel kBurkes = MakeKernel(kBurkesEntries, 32);
inline constexpr Kernel kStucki = MakeKernel(kStuckiEntries, 42);
inline constexpr Kernel kJarvisJudiceNinke = MakeKernel(kJarvisJudiceNinkeEntries, 48);
inline constexpr Kernel kSierra = MakeKernel(kSierraEntries, 32);
inline constexpr Kernel kStevensonArce = MakeKernel(kStevensonArceEntries, 200);

}  // namespace dither
