// Random images for the property tests: sizes that cover every row-length
// residue, gray values piled up where the operations decide (the thresholds
// and the dither tables) and at the extremes, every depth, optional planes
// and odd attributes.
#pragma once

#include <cstdint>
#include <random>

#include "dib_image.h"

namespace reference {

struct ImageShape {
  DWORD width;
  DWORD height;
  DWORD bpp;         // 1, 4, 8 or 24
  bool grayPalette;  // 8 bits: the identity gray palette (else a random one,
                     // or for 8 bits now and then the identity with a few
                     // entries off by one in one colour)
  bool alpha;
  bool selection;
};

class ImageMaker {
 public:
  explicit ImageMaker(std::uint32_t seed) : random_(seed) {}

  // Width 1..700 with the given residue modulo 32, height 1..100 (mostly
  // short: the cost of the reference grows with it), the given depth.
  ImageShape Shape(DWORD residue32, DWORD bpp);

  // Fills `image` per shape; also sets random attributes (type, DPI,
  // background index and colour, progress) that the operations must carry
  // or reset exactly as the reference does.
  void Fill(const ImageShape& shape, DibImage& image);

  std::mt19937& Random() { return random_; }

 private:
  BYTE Gray();
  std::uint32_t Below(std::uint32_t limit) { return random_() % limit; }

  std::mt19937 random_;
};

}  // namespace reference
