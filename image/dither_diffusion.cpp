// Error diffusion (see dither_diffusion.h).
//
// A pixel's final value is the value it holds when its turn comes, and every
// share it receives is clamped on its own, so the order in which shares
// reach a pixel matters; it is always the order in which their sources were
// settled: rows from the bottom up, pixels left to right. Each pixel pulls
// its shares instead of pushing them: a settled row hands its shares to the
// rows above in one pass per row (the earlier-row shares in bulk, see
// dither_rows_above.h), and only the shares along the current row form a
// serial chain. Two rows are settled side by side, the upper one sixteen
// columns behind, so that the processor can work on two chains at once.
#include "dither_diffusion.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "dither_lanes.h"
#include "dither_rows_above.h"
#include "pack_bits.h"

namespace dither {
namespace {

// A sum of a value and its shares, plus kSumBias: never negative, so it
// indexes the tables below as it is, without a sign extension on the
// serial chain.
using BiasedSum = std::intptr_t;
constexpr int kSumBias = 128;

// A pixel settles white above 128 with error v - 255, black otherwise with
// error v; 128 itself is black.
constexpr int ErrorOf(int value) { return value > 128 ? value - 255 : value; }

// The share a pixel of final value v passes on with one weight, truncated
// toward zero: computed once per value, one table per weight of the kernel.
// Indexed by the final value, which fixes the error.
template <const Kernel& K>
struct Shares {
  using Table = std::array<std::int8_t, 256>;
  static constexpr std::array<Table, kMaxWeights> kTables = [] {
    std::array<Table, kMaxWeights> tables{};
    for (int slot = 0; slot < K.weightCount; ++slot) {
      for (int value = 0; value < 256; ++value) {
        tables[slot][value] =
            static_cast<std::int8_t>(ErrorOf(value) * K.weights[slot] / K.divisor);
      }
    }
    return tables;
  }();

  // The same shares indexed by a sum before it is clamped, plus kSumBias:
  // along a row the next pixel's share is looked up from the sum directly,
  // which keeps the clamp off the serial chain.
  using SumTable = std::array<std::int8_t, 512>;
  static constexpr std::array<SumTable, kMaxWeights> kSumTables = [] {
    std::array<SumTable, kMaxWeights> tables{};
    for (int slot = 0; slot < K.weightCount; ++slot) {
      for (int sum = -kSumBias; sum < 512 - kSumBias; ++sum) {
        const int value = sum < 0 ? 0 : (sum > 255 ? 255 : sum);
        tables[slot][sum + kSumBias] = kTables[slot][value];
      }
    }
    return tables;
  }();

  template <int Weight>
  static int OfSum(BiasedSum sum) {
    static_assert(K.SlotOf(Weight) >= 0);
    return kSumTables[K.SlotOf(Weight)][sum];
  }
};

// Clamping by table: one load instead of two compare-and-move pairs, for
// every sum a share can make (-128 .. 383), indexed by the sum plus kSumBias.
constexpr std::array<BYTE, 512> kClampTable = [] {
  std::array<BYTE, 512> table{};
  for (int sum = -kSumBias; sum < 512 - kSumBias; ++sum) {
    table[sum + kSumBias] = static_cast<BYTE>(sum < 0 ? 0 : (sum > 255 ? 255 : sum));
  }
  return table;
}();

// What the pixels left of column 0 pass on: nothing.
constexpr BiasedSum kNoErrorSum = kNoError + kSumBias;

// Settles the rows, one at a time or two side by side; after each, the rows
// above take the settled rows' shares.
template <const Kernel& K>
class Diffusion {
 public:
  Diffusion(BYTE* pixels, std::size_t stride, LONG width, LONG height)
      : pixels_(pixels), stride_(stride), width_(width), above_(pixels, stride, width, height) {}

  // Settles row y on its own and hands its shares to the rows above.
  void OneRow(LONG y) {
    BYTE* row = Row(y);
    BiasedSum left1 = kNoErrorSum;
    BiasedSum left2 = kNoErrorSum;
    for (LONG x = 0; x < width_; ++x) Settle(row, x, row[x], left1, left2);
    above_.TakeFromOneRow(y);
  }

  // Settles rows y and y + 1 together, the upper row kLead columns behind
  // the lower one. Every eight columns, the next eight pixels of the upper
  // row take the lower row's shares at once (those sources are final by
  // then); then one loop settles eight pixels of each row side by side. The
  // two serial chains are independent, so the processor works on both at
  // once. Then both rows hand their shares to the rows above, the lower
  // row's first.
  void TwoRows(LONG y) {
    BYTE* lower = Row(y);
    BYTE* upper = Row(y + 1);
    BiasedSum lower1 = kNoErrorSum;
    BiasedSum lower2 = kNoErrorSum;
    BiasedSum upper1 = kNoErrorSum;
    BiasedSum upper2 = kNoErrorSum;
    BYTE sums[kLanes];
    LONG k = 0;
    for (const LONG lead = std::min(kLead, width_); k < lead; ++k) {
      Settle(lower, k, lower[k], lower1, lower2);
    }
    for (; k + kLanes <= width_; k += kLanes) {
      const LONG u0 = k - kLead;
      TakeFromLowerRow(upper + u0, kLanes, lower, u0, sums);
      for (LONG i = 0; i < kLanes; ++i) {
        Settle(lower, k + i, lower[k + i], lower1, lower2);
        Settle(upper, u0 + i, sums[i], upper1, upper2);
      }
    }
    const LONG upperDone = std::max(k - kLead, LONG{0});
    for (; k < width_; ++k) Settle(lower, k, lower[k], lower1, lower2);
    for (LONG u0 = upperDone; u0 < width_; u0 += kLanes) {
      const LONG count = std::min(kLanes, width_ - u0);
      TakeFromLowerRow(upper + u0, count, lower, u0, sums);
      for (LONG i = 0; i < count; ++i) Settle(upper, u0 + i, sums[i], upper1, upper2);
    }
    above_.TakeFromTwoRows(y);
  }

 private:
  using KernelShares = Shares<K>;
  static constexpr LONG kLag = K.nextRowReach;
  // How far the upper row of a pair trails: a whole step of eight columns
  // plus the reach of the next-row shares, rounded to whole steps.
  static constexpr LONG kLead = 2 * kLanes;
  static_assert(kLead >= kLanes + kMaxReach && kLead % kLanes == 0);

  BYTE* Row(LONG y) { return pixels_ + static_cast<std::size_t>(y) * stride_; }

  // Settles pixel x: adds the shares of the two pixels to its left (value
  // already holds those of the rows below, clamped) and stores the final
  // value in place. left1 and left2 carry the biased sums of those two
  // pixels, from which their shares are looked up directly.
  static void Settle(BYTE* row, LONG x, int value, BiasedSum& left1, BiasedSum& left2) {
    BiasedSum sum = value + kSumBias;
    if constexpr (K.sameRow[2] != 0) {
      sum += KernelShares::template OfSum<K.sameRow[2]>(left2);
      if constexpr (K.sameRow[1] != 0) sum = kClampTable[sum] + kSumBias;
    }
    if constexpr (K.sameRow[1] != 0) sum += KernelShares::template OfSum<K.sameRow[1]>(left1);
    row[x] = kClampTable[sum];
    left2 = left1;
    left1 = sum;
  }

  // sums[0 .. count - 1] = the `count` pixels at `targets` (count <= 8,
  // columns u0 ...) with the shares of the settled row `source` just below
  // them, leftmost source first. Near the row's ends the sources go through
  // a copy in which the columns outside the row are white.
  void TakeFromLowerRow(const BYTE* targets, LONG count, const BYTE* source, LONG u0,
                        BYTE* sums) const {
    Lanes sum;
    if (count == kLanes && u0 >= kLag && u0 + kLanes + kLag <= width_) {
      LoadLanes(targets, sum);
      TakeLanes(sum, source + u0);
    } else {
      BYTE values[kLanes] = {};
      std::memcpy(values, targets, static_cast<std::size_t>(count));
      LoadLanes(values, sum);
      BYTE window[kLanes + 2 * kMaxReach];
      std::memset(window, kNoError, sizeof window);
      const LONG from = std::max(u0 - kMaxReach, LONG{0});
      const LONG to = std::min(u0 + kLanes + kMaxReach, width_);
      std::memcpy(window + (from - (u0 - kMaxReach)), source + from,
                  static_cast<std::size_t>(to - from));
      TakeLanes(sum, window + kMaxReach);
    }
    StoreLanes(sum, sums);
  }

  // Adds to eight sums the shares of the eight settled pixels one row below
  // them (at[0] under the first), leftmost source first.
  static void TakeLanes(Lanes& sum, const BYTE* at) {
    [&]<int... I>(std::integer_sequence<int, I...>) { (TakeLanesTap<kMaxReach - I>(sum, at), ...); }
    (std::make_integer_sequence<int, 2 * kMaxReach + 1>{});
  }

  template <int Dx>
  static void TakeLanesTap(Lanes& sum, const BYTE* at) {
    constexpr int kWeight = K.below[1][Dx + kMaxReach];
    if constexpr (kWeight != 0) {
      Lanes errors;
      ErrorsOf(at - Dx, errors);
      alignas(16) std::int16_t shares[kLanes];
      SharesOf<kWeight, K.divisor>(errors, shares);
      AddShares(sum, shares);
    }
  }

  BYTE* pixels_;
  std::size_t stride_;
  LONG width_;
  RowsAbove<K> above_;
};

}  // namespace

template <const Kernel& K>
void Diffuse(const Planes& planes, RowLoop& rows) {
  Diffusion<K> diffusion(planes.gray, planes.grayStride, planes.width, planes.height);
  const ThresholdRow half = UniformThreshold(128);
  const DWORD width = static_cast<DWORD>(planes.width);
  for (LONG y = 0; y < planes.height;) {
    if (!rows.Begin(y)) return;
    const bool pair = y + 1 < planes.height;
    // Both rows' flags are looked at before either is begun: with one
    // thread at work nothing can set the flag in between.
    if (pair && rows.Begin(y + 1)) {
      diffusion.TwoRows(y);
      PackAbove(planes.Gray(y), width, half, planes.Bits(y));
      PackAbove(planes.Gray(y + 1), width, half, planes.Bits(y + 1));
      y += 2;
      continue;
    }
    diffusion.OneRow(y);
    PackAbove(planes.Gray(y), width, half, planes.Bits(y));
    if (pair) return;  // the escape flag stopped row y + 1
    ++y;
  }
}

template void Diffuse<kFloydSteinberg>(const Planes&, RowLoop&);
template void Diffuse<kBurkes>(const Planes&, RowLoop&);
template void Diffuse<kStucki>(const Planes&, RowLoop&);
template void Diffuse<kJarvisJudiceNinke>(const Planes&, RowLoop&);
template void Diffuse<kSierra>(const Planes&, RowLoop&);
template void Diffuse<kStevensonArce>(const Planes&, RowLoop&);

}  // namespace dither
