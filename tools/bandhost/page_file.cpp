// Page files: the PGM reader and the format choice.
#include "page_file.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Reads one header number of a PGM, skipping blanks and comment lines.
bool PgmNumber(const std::vector<std::uint8_t>& bytes, std::size_t& at, unsigned long& value) {
  for (;;) {
    while (at < bytes.size() && std::isspace(bytes[at])) ++at;
    if (at < bytes.size() && bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') ++at;
      continue;
    }
    break;
  }
  if (at >= bytes.size() || !std::isdigit(bytes[at])) return false;
  value = 0;
  for (; at < bytes.size() && std::isdigit(bytes[at]); ++at) {
    value = value * 10 + (bytes[at] - '0');
    if (value > 1000000) return false;
  }
  return true;
}

bool ReadPgm(const std::vector<std::uint8_t>& bytes, GrayPage& page, std::string& error) {
  std::size_t at = 2;
  unsigned long width = 0, height = 0, maxval = 0;
  if (!PgmNumber(bytes, at, width) || !PgmNumber(bytes, at, height) ||
      !PgmNumber(bytes, at, maxval) || at >= bytes.size() || !std::isspace(bytes[at])) {
    error = "malformed PGM header";
    return false;
  }
  ++at;  // the single blank before the pixels
  if (maxval != 255) {
    error = "PGM maxval must be 255";
    return false;
  }
  if (width == 0 || height == 0) {
    error = "the page is empty";
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(width) * height;
  if (bytes.size() - at < size) {
    error = "PGM pixel data is shorter than the header says";
    return false;
  }
  page.width = static_cast<unsigned>(width);
  page.height = static_cast<unsigned>(height);
  page.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
  return true;
}

}  // namespace

bool ReadPage(const std::string& path, GrayPage& page, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  bool read = false;
  if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '5') {
    read = ReadPgm(bytes, page, error);
  } else if (bytes.size() >= 8 &&
             std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin())) {
    read = ReadPngPage(bytes, page, error);
  } else {
    error = "not a binary PGM (P5) or PNG file";
  }
  if (!read) error = path + ": " + error;
  return read;
}
