// DibImage::Dither: reduces any image to 1-bit black and white (palette entry
// 0 black, 1 white) by one of two ordered dithers or six error-diffusion
// kernels. The output is a pure function of the gray image and the method.
//
// Error diffusion works in place on the 8-bit rows of the working image.
// A pixel's final value is the value it holds when its turn comes, and every
// share it receives is clamped on its own, so the order in which shares
// reach a pixel matters; it is always the order in which their sources were
// settled: rows from the bottom up, pixels left to right. Each pixel pulls
// its shares instead of pushing them: a settled row hands its shares to the
// rows above in one pass per row (the earlier-row shares in bulk), and only
// the shares along the current row form a serial chain. Two rows are settled
// side by side, the upper one sixteen columns behind, so that the processor
// can work on two chains at once.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "dib_image.h"
#include "pack_bits.h"

namespace {

// One neighbour of an error-diffusion kernel: column and row offset from the
// current pixel and its weight.
struct KernelEntry {
  int dx;
  int dy;
  int weight;
};

// One source line per kernel row (y, y + 1, ...), as the weights are read.
// clang-format off
constexpr KernelEntry kFloydSteinbergEntries[] = {
    {1, 0, 7},
    {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};

constexpr KernelEntry kBurkesEntries[] = {
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}};

constexpr KernelEntry kStuckiEntries[] = {
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
    {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};

constexpr KernelEntry kJarvisJudiceNinkeEntries[] = {
    {1, 0, 7}, {2, 0, 5},
    {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
    {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}};

constexpr KernelEntry kSierraEntries[] = {
    {1, 0, 5}, {2, 0, 3},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
    {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}};

constexpr KernelEntry kStevensonArceEntries[] = {
    {2, 0, 32},
    {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
    {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
    {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}};
// clang-format on

// No kernel reaches further than this many columns, or rows below.
constexpr int kMaxReach = 3;
constexpr int kMaxRowsBelow = 3;
constexpr int kMaxWeights = 8;

// A kernel in the shape the loops use, worked out at compile time.
struct Kernel {
  int divisor;
  int sameRow[3];  // weight of the pixel 1 and 2 to the right ([0] unused)
  int below[kMaxRowsBelow + 1][2 * kMaxReach + 1];  // [dy][dx + kMaxReach]; dy 0 unused
  int reach;                                        // largest |dx| of the rows below
  int nextRowReach;                                 // largest |dx| of the next row
  int weights[kMaxWeights];                         // the distinct weights, one share table each
  int weightCount;
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

constexpr Kernel kFloydSteinberg = MakeKernel(kFloydSteinbergEntries, 16);
constexpr Kernel kBurkes = MakeKernel(kBurkesEntries, 32);
constexpr Kernel kStucki = MakeKernel(kStuckiEntries, 42);
constexpr Kernel kJarvisJudiceNinke = MakeKernel(kJarvisJudiceNinkeEntries, 48);
constexpr Kernel kSierra = MakeKernel(kSierraEntries, 32);
constexpr Kernel kStevensonArce = MakeKernel(kStevensonArceEntries, 200);

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

  static constexpr int SlotOf(int weight) {
    for (int slot = 0; slot < K.weightCount; ++slot) {
      if (K.weights[slot] == weight) return slot;
    }
    return -1;
  }

  template <int Weight>
  static int OfSum(BiasedSum sum) {
    static_assert(SlotOf(Weight) >= 0);
    return kSumTables[SlotOf(Weight)][sum];
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

// White passes nothing on: stands in for the pixels left of column 0.
constexpr int kNoError = 255;
constexpr BiasedSum kNoErrorSum = kNoError + kSumBias;

// Eight pixels at a time in 16-bit lanes: the earlier-row shares are added in
// bulk. The compiler maps these onto the vector unit where there is one.
using Lanes = std::int16_t __attribute__((vector_size(16)));
using EightBytes = std::uint8_t __attribute__((vector_size(8)));
constexpr LONG kLanes = 8;

using SixteenBytes = std::uint8_t __attribute__((vector_size(16)));
using TwoWords = std::uint64_t __attribute__((vector_size(16)));

// Eight bytes widened to lanes: interleaved with zero bytes, which is one
// unpack instruction where the unit has one.
inline void LoadLanes(const BYTE* bytes, Lanes& lanes) {
  std::uint64_t eight;
  std::memcpy(&eight, bytes, sizeof eight);
  const TwoWords words = {eight, 0};
  const SixteenBytes zero = {};
  // Vector casts between types of one size reinterpret the bits.
  lanes = (Lanes)__builtin_shufflevector((SixteenBytes)words, zero, 0, 16, 1, 17, 2, 18, 3, 19, 4,
                                         20, 5, 21, 6, 22, 7, 23);
}

inline void StoreLanes(const Lanes& lanes, BYTE* bytes) {
  const EightBytes eight = __builtin_convertvector(lanes, EightBytes);
  std::memcpy(bytes, &eight, sizeof eight);
}

// sum = clamp(sum + share) in every lane.
inline void AddShares(Lanes& sum, const std::int16_t* shares) {
  Lanes share;
  std::memcpy(&share, shares, sizeof share);
  const Lanes zero = {};
  const Lanes top = zero + 255;
  sum += share;
  sum = sum < zero ? zero : sum;
  sum = sum > top ? top : sum;
}

// The earlier-row shares are handed on in strips of this many columns, with
// a margin of source columns on either side.
constexpr LONG kStrip = 256;
constexpr LONG kMargin = 8;
constexpr LONG kSpan = kStrip + 2 * kMargin;
static_assert(kMargin >= kMaxReach && kSpan % kLanes == 0);

// The shares one settled row passes to the rows above, for the source
// columns x0 - kMargin .. x0 + kStrip + kMargin - 1 of one strip, one array
// per weight. Columns outside the row pass nothing.
struct ShareStrip {
  std::int16_t bySlot[kMaxWeights][kSpan];
};

template <const Kernel& K>
class Diffusion {
 public:
  Diffusion(BYTE* pixels, std::size_t stride, LONG width, LONG height)
      : pixels_(pixels), stride_(stride), width_(width), height_(height) {}

  // Settles row y on its own and hands its shares to the rows above.
  void OneRow(LONG y) {
    BYTE* row = Row(y);
    BiasedSum left1 = kNoErrorSum;
    BiasedSum left2 = kNoErrorSum;
    for (LONG x = 0; x < width_; ++x) Settle(row, x, row[x], left1, left2);
    ShareStrip strip;
    for (LONG x0 = 0; x0 < width_; x0 += kStrip) {
      FillStrip(row, x0, strip);
      HandOn<1, 0>(y + 1, x0, strip, strip);
      HandOn<2, 0>(y + 2, x0, strip, strip);
      HandOn<3, 0>(y + 3, x0, strip, strip);
    }
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
    if (y + 2 >= height_) return;
    ShareStrip lowerStrip;
    ShareStrip upperStrip;
    for (LONG x0 = 0; x0 < width_; x0 += kStrip) {
      if constexpr (HasRow<2>() || HasRow<3>()) FillStrip(lower, x0, lowerStrip);
      FillStrip(upper, x0, upperStrip);
      HandOn<2, 1>(y + 2, x0, lowerStrip, upperStrip);
      HandOn<3, 2>(y + 3, x0, lowerStrip, upperStrip);
      HandOn<0, 3>(y + 4, x0, lowerStrip, upperStrip);
    }
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
      TakeLanes<1>(sum, source + u0);
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
      TakeLanes<1>(sum, window + kMaxReach);
    }
    StoreLanes(sum, sums);
  }

  // Adds to eight sums the shares of the eight settled pixels Dy rows below
  // them (at[0] under the first), leftmost source first.
  template <int Dy>
  static void TakeLanes(Lanes& sum, const BYTE* at) {
    [&]<int... I>(std::integer_sequence<int, I...>) {
      (TakeLanesTap<Dy, kMaxReach - I>(sum, at), ...);
    }
    (std::make_integer_sequence<int, 2 * kMaxReach + 1>{});
  }

  template <int Dy, int Dx>
  static void TakeLanesTap(Lanes& sum, const BYTE* at) {
    constexpr int kWeight = K.below[Dy][Dx + kMaxReach];
    if constexpr (kWeight != 0) {
      Lanes errors;
      ErrorsOf(at - Dx, errors);
      alignas(16) std::int16_t shares[kLanes];
      SharesOf<kWeight>(errors, shares);
      AddShares(sum, shares);
    }
  }

  // The errors of eight settled pixels: v - 255 above 128, else v.
  static void ErrorsOf(const BYTE* values, Lanes& errors) {
    const Lanes white = Lanes{} + 128;
    Lanes value;
    LoadLanes(values, value);
    errors = value - ((value > white) & 255);
  }

  // Their shares with one weight, truncated toward zero.
  template <int Weight>
  static void SharesOf(const Lanes& errors, std::int16_t* shares) {
    constexpr std::int16_t kWeight = Weight;
    constexpr std::int16_t kDivisor = K.divisor;
    const Lanes share = errors * kWeight / kDivisor;
    std::memcpy(shares, &share, sizeof share);
  }

  static constexpr bool UsesWeightBelow(int slot) {
    for (int dy = 1; dy <= kMaxRowsBelow; ++dy) {
      for (int w : K.below[dy]) {
        if (w == K.weights[slot]) return true;
      }
    }
    return false;
  }

  template <int Dy>
  static constexpr bool HasRow() {
    if constexpr (Dy == 0) {
      return false;
    } else {
      for (int w : K.below[Dy]) {
        if (w != 0) return true;
      }
      return false;
    }
  }

  // The shares of the strip starting at column x0 of a settled row.
  void FillStrip(const BYTE* row, LONG x0, ShareStrip& strip) const {
    alignas(16) BYTE values[kSpan];
    std::memset(values, kNoError, sizeof values);
    const LONG from = std::max(x0 - kMargin, LONG{0});
    const LONG to = std::min(x0 + kStrip + kMargin, width_);
    std::memcpy(values + (from - (x0 - kMargin)), row + from, static_cast<std::size_t>(to - from));
    // Each error once, then its share with every weight the rows above use.
    for (LONG i = 0; i < kSpan; i += kLanes) {
      Lanes errors;
      ErrorsOf(values + i, errors);
      [&]<int... Slot>(std::integer_sequence<int, Slot...>) {
        (FillSlot<Slot>(errors, strip.bySlot[Slot] + i), ...);
      }
      (std::make_integer_sequence<int, kMaxWeights>{});
    }
  }

  template <int Slot>
  static void FillSlot(const Lanes& errors, std::int16_t* shares) {
    if constexpr (Slot < K.weightCount && UsesWeightBelow(Slot)) {
      SharesOf<K.weights[Slot]>(errors, shares);
    }
  }

  // Adds to eight pixels from column x0 + c the shares of one strip, Dy rows
  // below, leftmost source first.
  template <int Dy>
  static void TakeStrip(Lanes& sum, const ShareStrip& strip, LONG c) {
    if constexpr (HasRow<Dy>()) {
      [&]<int... I>(std::integer_sequence<int, I...>) {
        (TakeStripTap<Dy, kMaxReach - I>(sum, strip, c), ...);
      }
      (std::make_integer_sequence<int, 2 * kMaxReach + 1>{});
    }
  }

  template <int Dy, int Dx>
  static void TakeStripTap(Lanes& sum, const ShareStrip& strip, LONG c) {
    constexpr int kWeight = K.below[Dy][Dx + kMaxReach];
    if constexpr (kWeight != 0) {
      AddShares(sum, strip.bySlot[KernelShares::SlotOf(kWeight)] + kMargin + c - Dx);
    }
  }

  // Row y takes, over one strip, the shares of the first row (DyFirst rows
  // below it), then those of the second (DySecond rows below); a distance of
  // 0 means none.
  template <int DyFirst, int DySecond>
  void HandOn(LONG y, LONG x0, const ShareStrip& first, const ShareStrip& second) {
    if constexpr (HasRow<DyFirst>() || HasRow<DySecond>()) {
      if (y >= height_) return;
      BYTE* row = Row(y) + x0;
      const LONG count = std::min(kStrip, width_ - x0);
      LONG c = 0;
      for (; c + kLanes <= count; c += kLanes) {
        Lanes sum;
        LoadLanes(row + c, sum);
        TakeStrip<DyFirst>(sum, first, c);
        TakeStrip<DySecond>(sum, second, c);
        StoreLanes(sum, row + c);
      }
      if (c == count) return;
      // The last few columns through a copy: nothing past the row is touched.
      BYTE tail[kLanes] = {};
      std::memcpy(tail, row + c, static_cast<std::size_t>(count - c));
      Lanes sum;
      LoadLanes(tail, sum);
      TakeStrip<DyFirst>(sum, first, c);
      TakeStrip<DySecond>(sum, second, c);
      StoreLanes(sum, tail);
      std::memcpy(row + c, tail, static_cast<std::size_t>(count - c));
    }
  }

  BYTE* pixels_;
  std::size_t stride_;
  LONG width_;
  LONG height_;
};

// The per-row bookkeeping every method shares: before row y the progress
// value becomes 100 * y / height, and a set escape flag stops the work.
class RowLoop {
 public:
  RowLoop(LONG& progress, const LONG& escape, LONG height)
      : progress_(progress), escape_(escape), height_(height) {}

  bool Begin(LONG y) {
    progress_ = static_cast<LONG>(100 * static_cast<std::int64_t>(y) / height_);
    return escape_ == 0;
  }

 private:
  LONG& progress_;
  const LONG& escape_;
  LONG height_;
};

struct Planes {
  BYTE* gray;
  std::size_t grayStride;
  BYTE* bits;
  std::size_t bitsStride;
  LONG width;
  LONG height;

  BYTE* Gray(LONG y) const { return gray + static_cast<std::size_t>(y) * grayStride; }
  BYTE* Bits(LONG y) const { return bits + static_cast<std::size_t>(y) * bitsStride; }
};

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

// Method 1: white where the cell's entry is below the level d = 16 v / 255.
// Row by y mod 4, column by x mod 4.
constexpr int kIntensityMatrix[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Method 7: white where the gray is above the cell's threshold.
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

using OrderedRows = std::array<ThresholdRow, 4>;

constexpr OrderedRows MakeOrderedRows(const int (&matrix)[4][4], int (*threshold)(int)) {
  OrderedRows rows{};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 16; ++x) rows[y].level[x] = static_cast<BYTE>(threshold(matrix[y][x % 4]));
  }
  return rows;
}

constexpr int Itself(int threshold) { return threshold; }

constexpr OrderedRows kIntensityRows = MakeOrderedRows(kIntensityMatrix, IntensityThreshold);
constexpr OrderedRows kBayerRows = MakeOrderedRows(kBayerThresholds, Itself);

// Ordered dithers only read the gray image.
void DitherOrdered(const Planes& planes, RowLoop& rows, const OrderedRows& table) {
  for (LONG y = 0; y < planes.height; ++y) {
    if (!rows.Begin(y)) return;
    PackAbove(planes.Gray(y), static_cast<DWORD>(planes.width), table[y % 4], planes.Bits(y));
  }
}

}  // namespace

bool DibImage::Dither(LONG method) {
  if (!IsValid()) return false;
  if (GetBpp() == 1) return true;

  // An 8-bit image with the identity gray palette is already its own gray
  // form. A failed gray conversion would leave a depth the loops below cannot
  // read; dithering that would produce a wrong picture reported as success.
  if (IsGrayIdentity(*this)) {
    InvalidateNearestCache();
  } else if (!GrayScale() || GetBpp() != 8) {
    return false;
  }

  DibImage output(0);
  output.CopyInfo(*this);
  // Create hands out zeroed pixels: rows an escape leaves unprocessed, and
  // the row padding, stay black.
  if (output.Create(GetWidth(), GetHeight(), 1, GetType()) == nullptr) {
    SetLastErrorText(output.GetLastError());
    return false;
  }
  if (SelectionIsValid() && !output.SelectionCopy(*this)) return false;
  if (AlphaIsValid() && !output.AlphaCopy(*this)) return false;

  const Planes planes = {info_.pixels,          info_.effWidth,  output.info_.pixels,
                         output.info_.effWidth, header_.biWidth, header_.biHeight};
  RowLoop rows(info_.progress, info_.escape, header_.biHeight);
  switch (method) {
    case 1:
      DitherOrdered(planes, rows, kIntensityRows);
      break;
    case 2:
      Diffuse<kBurkes>(planes, rows);
      break;
    case 3:
      Diffuse<kStucki>(planes, rows);
      break;
    case 4:
      Diffuse<kJarvisJudiceNinke>(planes, rows);
      break;
    case 5:
      Diffuse<kSierra>(planes, rows);
      break;
    case 6:
      Diffuse<kStevensonArce>(planes, rows);
      break;
    case 7:
      DitherOrdered(planes, rows, kBayerRows);
      break;
    default:
      Diffuse<kFloydSteinberg>(planes, rows);
      break;
  }

  output.SetPaletteColor(0, 0, 0, 0, 0);
  output.SetPaletteColor(1, 255, 255, 255, 0);
  return Transfer(output, true);
}
