// Page files: the PGM reader and the format choice.
//
// A receipt page can be tens of megabytes and is read on every run, so a PGM's
// pixels go from the file straight to where they are used, in large reads: the
// header is parsed through the stream's own small buffer.
#include "page_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads one header number of a PGM, skipping blanks and comment lines; `next`
// is left on the byte after the number.
bool PgmNumber(std::FILE* in, int& next, unsigned long& value) {
  for (;;) {
    while (next != EOF && std::isspace(next)) next = std::getc(in);
    if (next == '#') {
      while (next != EOF && next != '\n') next = std::getc(in);
      continue;
    }
    break;
  }
  if (next == EOF || !std::isdigit(next)) return false;
  value = 0;
  for (; next != EOF && std::isdigit(next); next = std::getc(in)) {
    value = value * 10 + static_cast<unsigned long>(next - '0');
    if (value > 1000000) return false;
  }
  return true;
}

// Reads the header; `in` is positioned after the "P5" magic and is left on
// the first pixel.
bool ReadPgmHeader(std::FILE* in, unsigned& width, unsigned& height, std::string& error) {
  unsigned long w = 0, h = 0, maxval = 0;
  int next = std::getc(in);
  if (!PgmNumber(in, next, w) || !PgmNumber(in, next, h) || !PgmNumber(in, next, maxval) ||
      next == EOF || !std::isspace(next)) {
    error = "malformed PGM header";
    return false;
  }
  // `next` was the single blank before the pixels.
  if (maxval != 255) {
    error = "PGM maxval must be 255";
    return false;
  }
  if (w == 0 || h == 0) {
    error = "the page is empty";
    return false;
  }
  width = static_cast<unsigned>(w);
  height = static_cast<unsigned>(h);
  return true;
}

bool ReadPgmRows(std::FILE* in, std::uint8_t* out, std::size_t width, std::size_t stride,
                 unsigned rows, std::string& error) {
  bool read = true;
  if (stride == width) {
    read = std::fread(out, 1, width * rows, in) == width * rows;
  } else {
    for (unsigned row = 0; read && row < rows; ++row) {
      read = std::fread(out + row * stride, 1, width, in) == width;
    }
  }
  if (!read) {
    error = std::ferror(in) ? std::string("read error: ") + std::strerror(errno)
                            : "PGM pixel data is shorter than the header says";
  }
  return read;
}

// The rest of the file from its current position, in large reads.
bool ReadRest(std::FILE* in, std::vector<std::uint8_t>& bytes, std::string& error) {
  constexpr std::size_t kChunk = 1 << 20;
  for (;;) {
    const std::size_t have = bytes.size();
    bytes.resize(have + kChunk);
    const std::size_t got = std::fread(bytes.data() + have, 1, kChunk, in);
    bytes.resize(have + got);
    if (got < kChunk) break;
  }
  if (std::ferror(in)) {
    error = std::string("read error: ") + std::strerror(errno);
    return false;
  }
  return true;
}

// Opens `path` and reads its format's magic: true with `bytes` holding what
// was read (2 bytes for a PGM, the whole file otherwise).
bool OpenPage(const std::string& path, File& in, std::vector<std::uint8_t>& bytes,
              std::string& error) {
  in.reset(std::fopen(path.c_str(), "rb"));
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  // Large reads go straight to their destination; this buffer serves the header.
  std::setvbuf(in.get(), nullptr, _IOFBF, 1 << 16);
  bytes.resize(2);
  bytes.resize(std::fread(bytes.data(), 1, 2, in.get()));
  if (bytes.size() == 2 && bytes[0] == 'P' && bytes[1] == '5') return true;
  return ReadRest(in.get(), bytes, error);
}

bool IsPng(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 8 &&
         std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin());
}

}  // namespace

struct PageReader::Source {
  File file;         // a PGM being read
  GrayPage decoded;  // or a PNG decoded whole
};

PageReader::PageReader() : source_(std::make_unique<Source>()) {}
PageReader::~PageReader() = default;

bool PageReader::Open(const std::string& path, std::string& error) {
  std::vector<std::uint8_t> bytes;
  bool opened = OpenPage(path, source_->file, bytes, error);
  if (opened) {
    if (bytes.size() == 2 && bytes[0] == 'P' && bytes[1] == '5') {
      opened = ReadPgmHeader(source_->file.get(), width_, height_, error);
    } else if (IsPng(bytes)) {
      source_->file.reset();
      opened = ReadPngPage(bytes, source_->decoded, error);
      width_ = source_->decoded.width;
      height_ = source_->decoded.height;
    } else {
      error = "not a binary PGM (P5) or PNG file";
      opened = false;
    }
  }
  if (!opened) error = path + ": " + error;
  nextRow_ = 0;
  return opened;
}

bool PageReader::ReadRows(std::uint8_t* out, std::size_t stride, unsigned rows,
                          std::string& error) {
  if (rows > height_ - nextRow_) {
    error = "the page has no more rows";
    return false;
  }
  if (source_->file) {
    if (!ReadPgmRows(source_->file.get(), out, width_, stride, rows, error)) return false;
  } else {
    const std::uint8_t* from =
        source_->decoded.pixels.data() + static_cast<std::size_t>(nextRow_) * width_;
    for (unsigned row = 0; row < rows; ++row) {
      std::copy(from + static_cast<std::size_t>(row) * width_,
                from + static_cast<std::size_t>(row + 1) * width_, out + row * stride);
    }
  }
  nextRow_ += rows;
  return true;
}
