// Reads a printer raster command stream back into the picture the printer
// would print. Printer model: a GS v 0 block (mode 0) is drawn with its top
// row at the current paper position and, on a printer whose blocks advance
// the paper (feed_convention.h), moves it down by its rows; ESC J n moves the
// position down n dots, LF by one line of the default spacing. GS L n sets
// the left margin where the next blocks start and GS W n the print area's
// width (the picture is drawn at least that wide), both in the horizontal
// motion unit: one dot, or 1/x inch after GS P x 0. ESC @ sets margin and
// unit back to their defaults; CR changes nothing; cuts (GS V) and drawer
// pulses (ESC p) are drawn as marks. Any other byte, or a stream that ends
// inside a command, is malformed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "feed_convention.h"

namespace raster {

struct Command {
  // kFeed: ESC J and LF. kLayout: ESC @ (dots 0), GS L, GS P and GS W. kNoMotion: CR.
  enum class Kind { kRaster, kFeed, kCut, kDrawer, kLayout, kNoMotion };
  Kind kind;
  std::size_t offset;          // of the command's first byte in the stream
  std::size_t length = 0;      // bytes of the whole command, raster data included
  unsigned rowBytes = 0;       // raster: bytes per row
  unsigned rows = 0;           // raster: rows in the block
  std::size_t dataOffset = 0;  // raster: first data byte in the stream
  unsigned feed = 0;           // feed: dots; cut: dots fed before the cut
  unsigned dots = 0;           // layout: margin, print area width (units), GS P's x
  std::uint8_t code = 0;       // layout: '@', 'L', 'P' or 'W', the command's second byte
  bool partial = false;        // cut: one point is left uncut
};

struct ParseResult {
  FeedConvention convention = FeedConvention::kFeedAfterBlock;  // the printer's
  std::vector<Command> commands;
  std::string error;  // empty when the whole stream was read
};

ParseResult Parse(const std::uint8_t* bytes, std::size_t size,
                  FeedConvention convention = FeedConvention::kFeedAfterBlock);

// Rows top first, packed as the printer receives them: 8 dots a byte, the most
// significant bit leftmost, a set bit printed. Every block is a whole number of
// bytes wide, so the picture is too; keeping it packed lets a long receipt be
// drawn and written a byte at a time instead of a dot at a time.
struct Picture {
  unsigned width = 0;  // dots, a multiple of 8
  unsigned height = 0;
  std::vector<std::uint8_t> packed;  // height rows of width / 8 bytes
  unsigned RowBytes() const { return width / 8; }
  const std::uint8_t* Row(unsigned y) const {
    return packed.data() + static_cast<std::size_t>(y) * RowBytes();
  }
  std::uint8_t At(unsigned x, unsigned y) const { return (Row(y)[x / 8] >> (7 - x % 8)) & 1; }
};

// The picture of a parsed stream, on the printer it was parsed for: as wide as the print area or
// the farthest right a block reached (8 dots per row byte, past its margin), rounded up to whole
// bytes, and as long as the paper moved, or as far as a block or a mark reached. A cut is a dashed
// line two rows high across the picture where the paper was when it was cut (a partial cut leaves a
// gap in the middle), a drawer pulse a hollow 8-dot square at the right edge; a stream of marks
// alone is drawn 64 dots wide.
Picture Render(const ParseResult& parsed, const std::uint8_t* bytes);

}  // namespace raster
