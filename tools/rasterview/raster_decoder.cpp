// Printer raster stream decoding.
#include "raster_decoder.h"

#include <algorithm>
#include <cstdio>

namespace raster {

namespace {

constexpr std::uint8_t kGs = 0x1D, kEsc = 0x1B;

// Feeds and row widths are cheap in bytes but not in dots: a few bytes can
// ask for a picture of many gigabytes. No receipt comes near this.
constexpr std::uint64_t kMaxPictureDots = std::uint64_t{1} << 26;

// The picture's extent so far, as Render will draw it.
struct Extent {
  std::uint64_t width = 0, height = 0, y = 0;
  bool Grow(unsigned rowBytes, unsigned rows) {
    width = std::max<std::uint64_t>(width, std::uint64_t{rowBytes} * 8);
    height = std::max(height, y + rows);
    return width * height <= kMaxPictureDots;
  }
  bool Feed(unsigned dots) {
    y += dots;
    height = std::max(height, y);
    return width * height <= kMaxPictureDots;
  }
};

// Ends the parse: the commands read so far stay, the error names the offset.
ParseResult& Fail(ParseResult& result, std::size_t offset, const char* what) {
  char text[160];
  std::snprintf(text, sizeof text, "offset %zu: %s", offset, what);
  result.error = text;
  return result;
}

}  // namespace

ParseResult Parse(const std::uint8_t* bytes, std::size_t size) {
  ParseResult result;
  Extent extent;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t start = at;
    if (bytes[at] == kEsc) {
      if (size - at < 3) return Fail(result, start, "stream ends inside ESC J");
      if (bytes[at + 1] != 'J') {
        char what[64];
        std::snprintf(what, sizeof what, "unknown command ESC 0x%02X", bytes[at + 1]);
        return Fail(result, start, what);
      }
      if (!extent.Feed(bytes[at + 2])) return Fail(result, start, "picture too large");
      result.commands.push_back({Command::Kind::kFeed, start, 0, 0, 0, bytes[at + 2]});
      at += 3;
      continue;
    }
    if (bytes[at] == kGs) {
      if (size - at < 8) return Fail(result, start, "stream ends inside a GS v 0 header");
      if (bytes[at + 1] != 'v' || bytes[at + 2] != '0') {
        char what[64];
        std::snprintf(what, sizeof what, "unknown command GS 0x%02X 0x%02X", bytes[at + 1],
                      bytes[at + 2]);
        return Fail(result, start, what);
      }
      if (bytes[at + 3] != 0 && bytes[at + 3] != '0') {
        return Fail(result, start, "GS v 0 with a scaled mode is not supported");
      }
      const unsigned rowBytes = bytes[at + 4] | (bytes[at + 5] << 8);
      const unsigned rows = bytes[at + 6] | (bytes[at + 7] << 8);
      const std::size_t data = static_cast<std::size_t>(rowBytes) * rows;
      if (size - at - 8 < data) return Fail(result, start, "stream ends inside GS v 0 data");
      if (!extent.Grow(rowBytes, rows)) return Fail(result, start, "picture too large");
      result.commands.push_back({Command::Kind::kRaster, start, rowBytes, rows, at + 8, 0});
      at += 8 + data;
      continue;
    }
    char what[64];
    std::snprintf(what, sizeof what, "unexpected byte 0x%02X", bytes[at]);
    return Fail(result, start, what);
  }
  return result;
}

Picture Render(const ParseResult& parsed, const std::uint8_t* bytes) {
  Picture picture;
  std::size_t y = 0, height = 0;
  for (const Command& command : parsed.commands) {
    if (command.kind == Command::Kind::kFeed) {
      y += command.feed;
    } else {
      picture.width = std::max(picture.width, command.rowBytes * 8);
      height = std::max(height, y + command.rows);
    }
  }
  height = std::max(height, y);
  picture.height = static_cast<unsigned>(height);
  const std::size_t pictureRowBytes = picture.RowBytes();
  picture.packed.assign(pictureRowBytes * picture.height, 0);
  y = 0;
  for (const Command& command : parsed.commands) {
    if (command.kind == Command::Kind::kFeed) {
      y += command.feed;
      continue;
    }
    for (unsigned row = 0; row < command.rows; ++row) {
      const std::uint8_t* source =
          bytes + command.dataOffset + static_cast<std::size_t>(row) * command.rowBytes;
      std::uint8_t* target = picture.packed.data() + (y + row) * pictureRowBytes;
      // Printing is additive: overlapping blocks never clear a dot.
      for (unsigned x = 0; x < command.rowBytes; ++x) target[x] |= source[x];
    }
  }
  return picture;
}

}  // namespace raster
