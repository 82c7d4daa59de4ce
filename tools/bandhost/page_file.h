// Pages for bandhost: 8-bit gray pictures read from binary PGM (P5, maxval
// 255) or, where the build has a PNG reader, 8-bit gray PNG.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct GrayPage {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> pixels;  // rows top first, width bytes each
};

// A page read as the job consumes it. A PGM's rows go from the file straight
// into the caller's band, so a long receipt is never held whole nor copied
// twice; a PNG is decoded whole on opening (its file is small) and served from
// memory.
class PageReader {
 public:
  PageReader();
  ~PageReader();
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  // Reads the header; false with a message naming the file.
  bool Open(const std::string& path, std::string& error);
  unsigned Width() const { return width_; }
  unsigned Height() const { return height_; }
  // The next `rows` rows, each written to `out` `stride` bytes after the last.
  bool ReadRows(std::uint8_t* out, std::size_t stride, unsigned rows, std::string& error);

 private:
  struct Source;
  std::unique_ptr<Source> source_;
  unsigned width_ = 0;
  unsigned height_ = 0;
  unsigned nextRow_ = 0;
};

// The PNG reader of the build (png_page_*.cpp); `bytes` is the whole file.
bool ReadPngPage(const std::vector<std::uint8_t>& bytes, GrayPage& page, std::string& error);
