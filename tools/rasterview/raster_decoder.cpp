// Printer raster stream decoding.
#include "raster_decoder.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace raster {

namespace {

constexpr std::uint8_t kGs = 0x1D, kEsc = 0x1B, kCr = 0x0D, kLf = 0x0A;

// LF feeds one line; nothing we send sets the spacing, so it is the
// printers' default of 30 dots (3.75 mm).
constexpr unsigned kLineFeedDots = 30;

// Feeds and row widths are cheap in bytes but not in dots: a few bytes can
// ask for a picture of many gigabytes. No receipt comes near this.
constexpr std::uint64_t kMaxPictureDots = std::uint64_t{1} << 26;

// The marks: wide enough to see even in a stream that prints nothing else.
constexpr std::uint64_t kMarkDots = 64;
constexpr unsigned kCutRows = 2, kDrawerRows = 8;

// The ESC and GS commands by their second byte, with the length of their
// fixed part: a command cut short names the part it ends inside.
struct Shape {
  std::uint8_t lead, code;
  unsigned length;
  Command::Kind kind;
  const char* name;
};
constexpr Shape kShapes[] = {
    {kEsc, '@', 2, Command::Kind::kLayout, "ESC @"},
    {kEsc, 'J', 3, Command::Kind::kFeed, "ESC J"},
    {kEsc, 'p', 5, Command::Kind::kDrawer, "ESC p"},
    {kGs, 'L', 4, Command::Kind::kLayout, "GS L"},
    {kGs, 'P', 4, Command::Kind::kLayout, "GS P"},
    {kGs, 'W', 4, Command::Kind::kLayout, "GS W"},
    {kGs, 'V', 3, Command::Kind::kCut, "GS V"},
    {kGs, 'v', 8, Command::Kind::kRaster, "a GS v 0 header"},
};

// Where the paper is and how large the picture has grown: Parse checks the
// size with it, Render draws along it.
struct Paper {
  bool blocksAdvance = false;
  std::uint64_t width = 0, height = 0, y = 0, margin = 0;
  std::uint64_t unit = 0;  // GS P x: dots of 1/x inch; 0 is the default, a dot
  // Moves the paper as the command does and makes room for what it draws
  // at the new position; false when the picture would grow too large.
  bool Take(const Command& command) {
    switch (command.kind) {
      case Command::Kind::kRaster: {
        const bool fits = Reach(margin + std::uint64_t{command.rowBytes} * 8, command.rows);
        if (blocksAdvance) y += command.rows;
        return fits;
      }
      case Command::Kind::kFeed:
        y += command.feed;
        return Reach(0, 0);
      case Command::Kind::kCut:
        y += command.feed;
        return Reach(kMarkDots, kCutRows);
      case Command::Kind::kDrawer:
        return Reach(kMarkDots, kDrawerRows);
      case Command::Kind::kLayout:
        switch (command.code) {
          case '@':
            margin = unit = 0;
            break;
          case 'P':
            unit = command.dots;
            break;
          case 'L':
            margin = Dots(command.dots);
            break;
          case 'W':
            return Reach(Dots(command.dots), 0);
        }
        break;
      case Command::Kind::kNoMotion:
        break;
    }
    return true;
  }
  // A length in the horizontal motion unit as dots of 1/203 inch.
  std::uint64_t Dots(std::uint64_t units) const { return unit == 0 ? units : units * 203 / unit; }
  bool Reach(std::uint64_t dots, unsigned rows) {
    width = std::max(width, (dots + 7) / 8 * 8);
    height = std::max(height, y + rows);
    return width * height <= kMaxPictureDots;
  }
};

// Ends the parse: the commands read so far stay, the error names the offset.
ParseResult& Fail(ParseResult& result, std::size_t offset, const std::string& what) {
  result.error = "offset " + std::to_string(offset) + ": " + what;
  return result;
}

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

const Shape* ShapeOf(std::uint8_t lead, std::uint8_t code) {
  for (const Shape& shape : kShapes) {
    if (shape.lead == lead && shape.code == code) return &shape;
  }
  return nullptr;
}

// The rest of an ESC or GS command whose fixed part is in the stream: its
// values, and the length of a command with a variable part. An empty text
// when the command is read, else why not.
std::string Complete(Command& command, const std::uint8_t* b, std::size_t left) {
  switch (command.kind) {
    case Command::Kind::kFeed:
      command.feed = b[2];
      return {};
    case Command::Kind::kDrawer:
      // ESC p m t1 t2: pin 2 (m 0 or '0') or pin 5 (m 1 or '1').
      if (b[2] != 0 && b[2] != 1 && b[2] != '0' && b[2] != '1') {
        return "ESC p with an unknown drawer pin " + Hex(b[2]);
      }
      return {};
    case Command::Kind::kLayout:
      command.code = b[1];
      if (b[1] == 'P') {
        // The vertical unit would change what ESC J feeds.
        if (b[3] != 0) return "GS P with a vertical motion unit is not supported";
        command.dots = b[2];
      } else if (b[0] == kGs) {
        command.dots = b[2] | (b[3] << 8);
      }
      return {};
    case Command::Kind::kNoMotion:
      return {};
    case Command::Kind::kCut:
      // GS V m: 0/'0' full, 1/'1' partial; GS V m n: 'A' full, 'B' partial,
      // after feeding n dots.
      switch (b[2]) {
        case 0:
        case '0':
          return {};
        case 1:
        case '1':
          command.partial = true;
          return {};
        case 'A':
        case 'B':
          if (left < 4) return "stream ends inside GS V";
          command.partial = b[2] == 'B';
          command.feed = b[3];
          command.length = 4;
          return {};
      }
      return "unknown command GS V " + Hex(b[2]);
    case Command::Kind::kRaster: {
      if (b[2] != '0') return "unknown command GS 0x76 " + Hex(b[2]);
      if (b[3] != 0 && b[3] != '0') return "GS v 0 with a scaled mode is not supported";
      command.rowBytes = b[4] | (b[5] << 8);
      command.rows = b[6] | (b[7] << 8);
      command.dataOffset = command.offset + 8;
      const std::size_t data = std::size_t{command.rowBytes} * command.rows;
      if (left - 8 < data) return "stream ends inside GS v 0 data";
      command.length = 8 + data;
      return {};
    }
  }
  return {};
}

// Marks drawn with the printer's bits over what is printed.
void DrawCut(Picture& picture, unsigned top, bool partial) {
  const unsigned bytes = picture.RowBytes();
  for (unsigned y = top; y < top + kCutRows; ++y) {
    std::uint8_t* row = picture.packed.data() + std::size_t{y} * bytes;
    for (unsigned x = 0; x < bytes; ++x) {
      // The point a partial cut leaves: 32 dots in the middle.
      const bool bridge = partial && x + 2 >= bytes / 2 && x < bytes / 2 + 2;
      if (!bridge) row[x] |= 0xF0;
    }
  }
}

void DrawDrawer(Picture& picture, unsigned top) {
  for (unsigned y = 0; y < kDrawerRows; ++y) {
    std::uint8_t* row = picture.packed.data() + std::size_t{top + y} * picture.RowBytes();
    row[picture.RowBytes() - 1] |= (y == 0 || y == kDrawerRows - 1) ? 0xFF : 0x81;
  }
}

}  // namespace

ParseResult Parse(const std::uint8_t* bytes, std::size_t size, FeedConvention convention) {
  ParseResult result;
  result.convention = convention;
  Paper paper;
  paper.blocksAdvance = convention == FeedConvention::kBlockAdvances;
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t* b = bytes + at;
    const std::size_t left = size - at;
    Command command{Command::Kind::kNoMotion, at, 1};
    if (b[0] == kLf) {
      command.kind = Command::Kind::kFeed;
      command.feed = kLineFeedDots;
    } else if (b[0] == kEsc || b[0] == kGs) {
      const char* lead = b[0] == kEsc ? "ESC" : "GS";
      const char* article = b[0] == kEsc ? "an " : "a ";
      if (left < 2) {
        return Fail(result, at, std::string("stream ends inside ") + article + lead + " command");
      }
      const Shape* shape = ShapeOf(b[0], b[1]);
      if (!shape) return Fail(result, at, std::string("unknown command ") + lead + " " + Hex(b[1]));
      if (left < shape->length) {
        return Fail(result, at, std::string("stream ends inside ") + shape->name);
      }
      command.kind = shape->kind;
      command.length = shape->length;
      const std::string problem = Complete(command, b, left);
      if (!problem.empty()) return Fail(result, at, problem);
    } else if (b[0] != kCr) {
      return Fail(result, at, "unexpected byte " + Hex(b[0]));
    }
    if (!paper.Take(command)) return Fail(result, at, "picture too large");
    result.commands.push_back(command);
    at += command.length;
  }
  return result;
}

Picture Render(const ParseResult& parsed, const std::uint8_t* bytes) {
  Paper extent;
  extent.blocksAdvance = parsed.convention == FeedConvention::kBlockAdvances;
  for (const Command& command : parsed.commands) extent.Take(command);
  Picture picture;
  // Parse kept both within kMaxPictureDots.
  picture.width = static_cast<unsigned>(extent.width);
  picture.height = static_cast<unsigned>(extent.height);
  const std::size_t pictureRowBytes = picture.RowBytes();
  picture.packed.assign(pictureRowBytes * picture.height, 0);
  Paper paper;
  paper.blocksAdvance = extent.blocksAdvance;
  for (const Command& command : parsed.commands) {
    // A block is drawn where the paper was; a mark where its feed took it.
    const std::uint64_t before = paper.y;
    paper.Take(command);
    const unsigned y =
        static_cast<unsigned>(command.kind == Command::Kind::kRaster ? before : paper.y);
    if (command.kind == Command::Kind::kCut) DrawCut(picture, y, command.partial);
    if (command.kind == Command::Kind::kDrawer) DrawDrawer(picture, y);
    if (command.kind != Command::Kind::kRaster) continue;
    // The block starts at the margin the paper had before it.
    const std::size_t skip = static_cast<std::size_t>(paper.margin / 8);
    const unsigned shift = static_cast<unsigned>(paper.margin % 8);
    for (unsigned row = 0; row < command.rows; ++row) {
      const std::uint8_t* source =
          bytes + command.dataOffset + static_cast<std::size_t>(row) * command.rowBytes;
      std::uint8_t* target = picture.packed.data() + (y + row) * pictureRowBytes + skip;
      // Printing is additive: overlapping blocks never clear a dot.
      for (unsigned x = 0; x < command.rowBytes; ++x) {
        target[x] |= static_cast<std::uint8_t>(source[x] >> shift);
        if (shift != 0 && source[x] << (8 - shift) & 0xFF) {
          target[x + 1] |= static_cast<std::uint8_t>(source[x] << (8 - shift));
        }
      }
    }
  }
  return picture;
}

}  // namespace raster
