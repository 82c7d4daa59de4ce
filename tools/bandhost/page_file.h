// Pages for bandhost: 8-bit gray pictures read from binary PGM (P5, maxval
// 255) or, where the build has a PNG reader, 8-bit gray PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GrayPage {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> pixels;  // rows top first, width bytes each
};

// Chooses the format by the file's first bytes. False with a message in
// `error` for unreadable or unsupported files.
bool ReadPage(const std::string& path, GrayPage& page, std::string& error);

// The PNG reader of the build (png_page_*.cpp); `bytes` is the whole file.
bool ReadPngPage(const std::vector<std::uint8_t>& bytes, GrayPage& page, std::string& error);
