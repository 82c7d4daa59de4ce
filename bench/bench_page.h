// The page every benchmark and bench/compare.sh work on: 8-bit gray, first
// row on top, rows padded to 4 bytes with white, made the same way every time.
// Its rows cycle through the kinds of content a receipt holds: white paper,
// lines of text, a gray ramp and a photograph-like area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct BenchPage {
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t stride;
  std::vector<std::uint8_t> bytes;

  const std::uint8_t* Row(std::uint32_t y) const { return bytes.data() + std::size_t{y} * stride; }
};

BenchPage MakeBenchPage(std::uint32_t width, std::uint32_t height);
