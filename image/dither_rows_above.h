// The half of error diffusion that is not a serial chain: once a row is
// settled, the rows above it (up to three) take its shares in bulk, eight
// pixels at a time, a strip of columns at a time.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "dither_kernels.h"
#include "dither_lanes.h"

namespace dither {

// The earlier-row shares are handed on in strips of this many columns, with
// a margin of source columns on either side.
inline constexpr LONG kStrip = 256;
inline constexpr LONG kMargin = 8;
inline constexpr LONG kSpan = kStrip + 2 * kMargin;
static_assert(kMargin >= kMaxReach && kSpan % kLanes == 0);

// The shares one settled row passes to the rows above, for the source
// columns x0 - kMargin .. x0 + kStrip + kMargin - 1 of one strip, one array
// per weight. Columns outside the row pass nothing.
struct ShareStrip {
  std::int16_t bySlot[kMaxWeights][kSpan];
};

template <const Kernel& K>
class RowsAbove {
 public:
  RowsAbove(BYTE* pixels, std::size_t stride, LONG width, LONG height)
      : pixels_(pixels), stride_(stride), width_(width), height_(height) {}

  // Row y was settled on its own: rows y + 1 to y + 3 take its shares.
  void TakeFromOneRow(LONG y) {
    const BYTE* row = Row(y);
    ShareStrip strip;
    for (LONG x0 = 0; x0 < width_; x0 += kStrip) {
      FillStrip(row, x0, strip);
      HandOn<1, 0>(y + 1, x0, strip, strip);
      HandOn<2, 0>(y + 2, x0, strip, strip);
      HandOn<3, 0>(y + 3, x0, strip, strip);
    }
  }

  // Rows y and y + 1 were settled together (the next-row shares of the
  // lower one already taken): rows y + 2 to y + 4 take their shares, the
  // lower row's first.
  void TakeFromTwoRows(LONG y) {
    if (y + 2 >= height_) return;
    const BYTE* lower = Row(y);
    const BYTE* upper = Row(y + 1);
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
  BYTE* Row(LONG y) { return pixels_ + static_cast<std::size_t>(y) * stride_; }

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
      SharesOf<K.weights[Slot], K.divisor>(errors, shares);
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
      AddShares(sum, strip.bySlot[K.SlotOf(kWeight)] + kMargin + c - Dx);
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

}  // namespace dither
