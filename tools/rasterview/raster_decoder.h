// Reads a printer raster command stream back into the picture the printer
// would print. Printer model: a GS v 0 block (mode 0) is drawn with its top
// row at the current paper position and, on a printer whose blocks advance
// the paper (feed_convention.h), moves it down by its rows; ESC J n moves the
// position down n dots,
// LF by one line of the default spacing. ESC @, CR and GS L 0 0 (no left
// margin) change nothing on the paper; cuts (GS V) and drawer pulses (ESC p)
// are drawn as marks. Any other byte, or a stream that ends inside a
// command, is malformed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "feed_convention.h"

namespace raster {

struct Command {
  // kFeed: ESC J and LF. kNoMotion: ESC @, CR and GS L 0 0.
  enum class Kind { kRaster, kFeed, kCut, kDrawer, kNoMotion };
  Kind kind;
  std::size_t offset;          // of the command's first byte in the stream
  std::size_t length = 0;      // bytes of the whole command, raster data included
  unsigned rowBytes = 0;       // raster: bytes per row
  unsigned rows = 0;           // raster: rows in the block
  std::size_t dataOffset = 0;  // raster: first data byte in the stream
  unsigned feed = 0;           // feed: dots; cut: dots fed before the cut
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

// The picture of a parsed stream, on the printer it was parsed for: as wide as the widest block (8
// dots per row byte) and as long as the paper moved, or as far as a block or a mark reached. A cut
// is a dashed line two rows high across the picture where the paper was when it was cut (a partial
// cut leaves a gap in the middle), a drawer pulse a hollow 8-dot square at the right edge; a stream
// of marks alone is drawn 64 dots wide.
Picture Render(const ParseResult& parsed, const std::uint8_t* bytes);

}  // namespace raster
