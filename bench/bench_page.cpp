#include "bench_page.h"

#include <cmath>

namespace {

// A small deterministic generator, so that every run sees the same page.
class Noise {
 public:
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  std::uint32_t state_ = 12345;
};

constexpr std::uint32_t kSection = 96;  // rows of one kind of content

}  // namespace

BenchPage MakeBenchPage(std::uint32_t width, std::uint32_t height) {
  BenchPage page{width, height, (width + 3) & ~3u, {}};
  page.bytes.assign(std::size_t{page.stride} * height, 255);
  Noise noise;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = page.bytes.data() + std::size_t{y} * page.stride;
    switch ((y / kSection) % 4) {
      case 0:  // white paper
        break;
      case 1: {  // text: dark strokes with grey anti-aliased edges on 24-row lines
        if (y % 24 >= 18) break;
        for (std::uint32_t x = 8; x + 8 < width;) {
          const std::uint32_t run = 1 + noise.Next() % 6;
          const bool ink = noise.Next() % 3 == 0;
          for (std::uint32_t i = 0; i < run && x < width; ++i, ++x) {
            row[x] = ink ? static_cast<std::uint8_t>(noise.Next() % 60) : 255;
          }
          if (ink && x < width) row[x++] = static_cast<std::uint8_t>(128 + noise.Next() % 100);
        }
        break;
      }
      case 2:  // a ramp from black to white with a little noise
        for (std::uint32_t x = 0; x < width; ++x) {
          const int level = static_cast<int>(255 * x / (width > 1 ? width - 1 : 1)) +
                            static_cast<int>(noise.Next() % 9) - 4;
          row[x] = static_cast<std::uint8_t>(level < 0 ? 0 : (level > 255 ? 255 : level));
        }
        break;
      default:  // a photograph: smooth shapes
        for (std::uint32_t x = 0; x < width; ++x) {
          const double v = 128 +
                           90 * std::sin(x * 0.031 + y * 0.017) * std::cos(y * 0.023 - x * 0.011) +
                           30 * std::sin((x + y) * 0.071);
          row[x] = static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
        break;
    }
  }
  return page;
}
