// Eight pixels at a time in 16-bit lanes, for the parts of error diffusion
// that are not a serial chain. The compiler maps these onto the vector unit
// where there is one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace dither {

using Lanes = std::int16_t __attribute__((vector_size(16)));
using EightBytes = std::uint8_t __attribute__((vector_size(8)));
inline constexpr LONG kLanes = 8;

using SixteenBytes = std::uint8_t __attribute__((vector_size(16)));
using TwoWords = std::uint64_t __attribute__((vector_size(16)));

// White passes nothing on: stands in for the pixels outside a row.
inline constexpr int kNoError = 255;

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

// The errors of eight settled pixels: v - 255 above 128, else v.
inline void ErrorsOf(const BYTE* values, Lanes& errors) {
  const Lanes white = Lanes{} + 128;
  Lanes value;
  LoadLanes(values, value);
  errors = value - ((value > white) & 255);
}

// Their shares with one weight of a kernel, truncated toward zero.
template <int Weight, int Divisor>
void SharesOf(const Lanes& errors, std::int16_t* shares) {
  constexpr std::int16_t kWeight = Weight;
  constexpr std::int16_t kDivisor = Divisor;
  const Lanes share = errors * kWeight / kDivisor;
  std::memcpy(shares, &share, sizeof share);
}

}  // namespace dither
