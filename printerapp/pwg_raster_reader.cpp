#include "pwg_raster_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kSync = 0x52615332;         // "RaS2" in the reader's order
constexpr std::uint32_t kSwappedSync = 0x32536152;  // "2SaR"
constexpr std::size_t kHeaderBytes = 1796;
static_assert(sizeof(cups_page_header2_t) == kHeaderBytes, "the header is read as it is stored");
// Bytes 256 to 579 of a header are 4-byte integers and floats; the rest are
// strings, never swapped.
constexpr std::size_t kNumbersBegin = 256, kNumbersEnd = 580;
constexpr std::size_t kBufferBytes = 64 * 1024;
// Far beyond any printer's line (a 1.2 m wide 600 dpi RGB line is 85 KB); a
// header asking for more is refused rather than allocated.
constexpr std::size_t kMaxBytesPerLine = std::size_t{1} << 24;
constexpr std::size_t kMaxValueBytes = 30;  // 240 bits per pixel

// Where 0xff is white; in the other color spaces (black, CMYK and the device
// ones) white is no colorant, 0.
bool Additive(unsigned space) {
  switch (space) {
    case CUPS_CSPACE_W:
    case CUPS_CSPACE_RGB:
    case CUPS_CSPACE_RGBA:
    case CUPS_CSPACE_RGBW:
    case CUPS_CSPACE_SW:
    case CUPS_CSPACE_SRGB:
    case CUPS_CSPACE_ADOBERGB:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool PwgRasterReader::Open() {
  while (syncRead_ < sizeof sync_) {
    const ssize_t got = read_(context_, sync_ + syncRead_, sizeof sync_ - syncRead_);
    if (got <= 0) return false;
    syncRead_ += static_cast<std::size_t>(got);
  }
  std::uint32_t sync;
  std::memcpy(&sync, sync_, sizeof sync);
  if (sync != kSync && sync != kSwappedSync) return false;
  swapped_ = sync == kSwappedSync;
  buffer_.resize(kBufferBytes);
  return true;
}

// Called with the buffer empty.
bool PwgRasterReader::Refill() {
  begin_ = end_ = 0;
  const ssize_t got = read_(context_, buffer_.data() + end_, buffer_.size() - end_);
  if (got <= 0) return false;
  end_ += static_cast<std::size_t>(got);
  return true;
}

// `to` null skips the bytes.
bool PwgRasterReader::Take(unsigned char* to, std::size_t count) {
  while (count > 0) {
    if (begin_ == end_ && !Refill()) return false;
    const std::size_t n = std::min(count, end_ - begin_);
    if (to) {
      std::memcpy(to, buffer_.data() + begin_, n);
      to += n;
    }
    begin_ += n;
    count -= n;
  }
  return true;
}

bool PwgRasterReader::ReadHeader(cups_page_header2_t& header) {
  if (buffer_.empty()) return false;  // not opened
  while (linesLeft_ > 0) {
    if (!NextLine()) return false;
  }
  unsigned char raw[kHeaderBytes];
  if (!Take(raw, sizeof raw)) return false;
  if (swapped_) {
    for (std::size_t i = kNumbersBegin; i < kNumbersEnd; i += 4) std::reverse(raw + i, raw + i + 4);
  }
  cups_page_header2_t read;
  std::memcpy(&read, raw, sizeof raw);
  const unsigned bits = read.cupsBitsPerColor;
  if ((bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) ||
      read.cupsBitsPerPixel < 1 || read.cupsBitsPerPixel > 240 || read.cupsHeight == 0 ||
      read.cupsBytesPerLine == 0 || read.cupsBytesPerLine > kMaxBytesPerLine ||
      read.cupsColorOrder > CUPS_ORDER_PLANAR) {
    return false;
  }
  valueBytes_ =
      read.cupsColorOrder == CUPS_ORDER_CHUNKED ? (read.cupsBitsPerPixel + 7) / 8 : (bits + 7) / 8;
  if (read.cupsBytesPerLine % valueBytes_ != 0) return false;
  header = read;
  bytesPerLine_ = read.cupsBytesPerLine;
  offset_ = bytesPerLine_;
  linesLeft_ = read.cupsHeight;
  repeats_ = 0;
  white_ = Additive(read.cupsColorSpace) ? 0xff : 0x00;
  line_.assign(bytesPerLine_, white_);
  return true;
}

bool PwgRasterReader::ReadPixels(unsigned char* pixels, std::size_t length) {
  while (length > 0) {
    if (offset_ == bytesPerLine_ && !NextLine()) return false;
    const std::size_t n = std::min(length, bytesPerLine_ - offset_);
    std::memcpy(pixels, line_.data() + offset_, n);
    offset_ += n;
    pixels += n;
    length -= n;
  }
  return true;
}

bool PwgRasterReader::NextLine() {
  if (linesLeft_ == 0) return false;
  --linesLeft_;
  offset_ = 0;
  if (repeats_ > 0) {  // the line before, once more
    --repeats_;
    return true;
  }
  return DecodeLine();
}

// A line: how many times it is used (less one), then runs of whole color
// values: 0..127 repeat the next value 1..128 times, 129..255 are followed by
// 128..2 values as they are, 128 leaves the rest of the line white. A run
// past the line's end is cut at it.
bool PwgRasterReader::DecodeLine() {
  unsigned char count;
  if (!TakeByte(count)) return false;
  repeats_ = count;
  unsigned char* line = line_.data();
  std::size_t x = 0;
  while (x < bytesPerLine_) {
    unsigned char code;
    if (!TakeByte(code)) return false;
    if (code == 128) {
      std::memset(line + x, white_, bytesPerLine_ - x);
      break;
    }
    if (code < 128) {
      const std::size_t n = std::min((code + std::size_t{1}) * valueBytes_, bytesPerLine_ - x);
      unsigned char value[kMaxValueBytes];
      if (valueBytes_ == 1) {
        if (!TakeByte(value[0])) return false;
        std::memset(line + x, value[0], n);
      } else {
        if (!Take(value, valueBytes_)) return false;
        for (std::size_t i = 0; i < n; ++i) line[x + i] = value[i % valueBytes_];
      }
      x += n;
    } else {
      const std::size_t n = (257 - std::size_t{code}) * valueBytes_;
      const std::size_t kept = std::min(n, bytesPerLine_ - x);
      if (!Take(line + x, kept) || !Take(nullptr, n - kept)) return false;
      x += kept;
    }
  }
  return true;
}
