// Reads a printer raster command stream back into the picture the printer
// would print. Printer model: a GS v 0 block (mode 0) is drawn with its top
// row at the current paper position; ESC J n moves the position down n dots.
// Any other byte, or a stream that ends inside a command, is malformed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace raster {

struct Command {
  enum class Kind { kRaster, kFeed };
  Kind kind;
  std::size_t offset;          // of the command's first byte in the stream
  unsigned rowBytes = 0;       // raster: bytes per row
  unsigned rows = 0;           // raster: rows in the block
  std::size_t dataOffset = 0;  // raster: first data byte in the stream
  unsigned feed = 0;           // feed: dots
};

struct ParseResult {
  std::vector<Command> commands;
  std::string error;  // empty when the whole stream was read
};

ParseResult Parse(const std::uint8_t* bytes, std::size_t size);

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

// The picture of a parsed stream: as wide as the widest block (8 dots per
// row byte) and as long as the paper moved, or as far as a block reached.
Picture Render(const ParseResult& parsed, const std::uint8_t* bytes);

}  // namespace raster
