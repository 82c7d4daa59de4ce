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

// One byte per dot, 1 = printed; rows top first.
struct Picture {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> dots;
  std::uint8_t At(unsigned x, unsigned y) const {
    return dots[static_cast<std::size_t>(y) * width + x];
  }
};

// The picture of a parsed stream: as wide as the widest block (8 dots per
// row byte) and as long as the paper moved, or as far as a block reached.
Picture Render(const ParseResult& parsed, const std::uint8_t* bytes);

}  // namespace raster
