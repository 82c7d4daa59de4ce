// Threshold and pack: sixteen comparisons at once, then the bits of eight
// comparisons gathered into one byte with a single multiplication.
#include "pack_bits.h"

#include <cstdint>
#include <cstring>

namespace {

// `ones` holds 0 or 1 in each byte, byte 0 first in memory. The product puts
// the bit of byte i at bit 63 - i, and no two partial products meet, so no
// carry disturbs the top byte: byte 0 becomes its most significant bit.
inline BYTE GatherBits(std::uint64_t ones) {
  return static_cast<BYTE>((ones * 0x8040201008040201ull) >> 56);
}

// Sixteen values compared at once; the compiler maps this onto the vector
// unit where there is one.
using SixteenBytes = std::uint8_t __attribute__((vector_size(16)));
using TwoWords = std::uint64_t __attribute__((vector_size(16)));

inline void Pack16(const BYTE* values, const BYTE* thresholds, BYTE* bits) {
  SixteenBytes value;
  SixteenBytes threshold;
  std::memcpy(&value, values, sizeof value);
  std::memcpy(&threshold, thresholds, sizeof threshold);
  // A comparison gives all ones or zero per byte; one bit of it is kept.
  const SixteenBytes above = (SixteenBytes)(value > threshold) & 1;
  const TwoWords words = (TwoWords)above;
  bits[0] = GatherBits(words[0]);
  bits[1] = GatherBits(words[1]);
}

}  // namespace

void PackAbove(const BYTE* values, DWORD width, const ThresholdRow& thresholds, BYTE* bits) {
  DWORD x = 0;
  for (; x + 16 <= width; x += 16) Pack16(values + x, thresholds.level, bits + x / 8);
  if (x == width) return;
  // The last values through a zeroed copy: 0 is above no threshold, so the
  // bits past the row stay 0, and nothing past the row is read.
  BYTE tail[16] = {};
  BYTE packed[2];
  std::memcpy(tail, values + x, width - x);
  Pack16(tail, thresholds.level, packed);
  std::memcpy(bits + x / 8, packed, (width - x + 7) / 8);
}

ThresholdRow UniformThreshold(BYTE level) {
  ThresholdRow row;
  std::memset(row.level, level, sizeof row.level);
  return row;
}

bool IsGrayIdentity(const DibImage& image) {
  if (!image.IsValid() || image.GetBpp() != 8) return false;
  const RGBQUAD* palette = image.GetPalette();
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD& entry = palette[i];
    if (entry.rgbBlue != i || entry.rgbGreen != i || entry.rgbRed != i) return false;
  }
  return true;
}
