// Printer stream comparison for tests.
#include "stream_testing.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace stream_testing {

namespace {

constexpr std::size_t kDumpBytes = 16;

std::string HexLine(const Bytes& bytes, std::size_t from, std::size_t mark) {
  std::string line;
  // Wide enough for any size_t offset in hex, not only the six digits shown for short streams.
  char cell[24];
  std::snprintf(cell, sizeof cell, "%06zx", from);
  line += cell;
  for (std::size_t i = from; i < std::min(bytes.size(), from + kDumpBytes); ++i) {
    std::snprintf(cell, sizeof cell, i == mark ? "[%02X]" : " %02X ", bytes[i]);
    line += cell;
  }
  return line;
}

// Where `offset` lies in terms of the stream's commands, found by walking the
// GS v 0 and ESC J headers from the start.
std::string Locate(const Bytes& stream, std::size_t offset) {
  std::size_t at = 0, block = 0;
  while (at < stream.size()) {
    std::size_t length = 1;
    std::string what = "an unknown byte";
    if (stream[at] == 0x1D && stream.size() - at >= 8) {
      const std::size_t rowBytes = stream[at + 4] | (stream[at + 5] << 8);
      const std::size_t rows = stream[at + 6] | (stream[at + 7] << 8);
      length = 8 + rowBytes * rows;
      char text[96];
      std::snprintf(text, sizeof text, "raster block %zu (R=%zu, rows=%zu, header at %zu)", block,
                    rowBytes, rows, at);
      what = text;
      if (offset >= at && offset < at + 8) what += ", in its header";
      if (offset >= at + 8 && offset < at + length) {
        std::snprintf(text, sizeof text, ", row %zu byte %zu", (offset - at - 8) / rowBytes,
                      (offset - at - 8) % rowBytes);
        what += text;
      }
      ++block;
    } else if (stream[at] == 0x1B) {
      length = 3;
      what = "a feed command";
    }
    if (offset < at + length) return what;
    at += length;
  }
  return "the end of the stream";
}

}  // namespace

::testing::AssertionResult StreamsEqual(const Bytes& expected, const Bytes& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  std::size_t first = 0;
  while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) {
    ++first;
  }
  const std::size_t from = first / kDumpBytes * kDumpBytes;
  return ::testing::AssertionFailure()
         << "streams differ at offset " << first << " (expected " << expected.size()
         << " bytes, got " << actual.size() << ")\n"
         << "  expected: " << Locate(expected, first) << "\n"
         << "  actual:   " << Locate(actual, first) << "\n"
         << "  expected " << HexLine(expected, from, first) << "\n"
         << "  actual   " << HexLine(actual, from, first);
}

Bytes RasterBlocks(const Bytes& rows, unsigned rowBytes) {
  Bytes stream;
  if (rowBytes == 0) return stream;
  const std::size_t height = rows.size() / rowBytes;
  for (std::size_t first = 0; first < height; first += 24) {
    const std::size_t count = std::min<std::size_t>(24, height - first);
    const std::uint8_t header[8] = {0x1D,
                                    0x76,
                                    0x30,
                                    0x00,
                                    static_cast<std::uint8_t>(rowBytes & 0xFF),
                                    static_cast<std::uint8_t>(rowBytes >> 8),
                                    static_cast<std::uint8_t>(count & 0xFF),
                                    static_cast<std::uint8_t>(count >> 8)};
    stream.insert(stream.end(), header, header + 8);
    stream.insert(stream.end(), rows.begin() + static_cast<std::ptrdiff_t>(first * rowBytes),
                  rows.begin() + static_cast<std::ptrdiff_t>((first + count) * rowBytes));
    stream.insert(stream.end(), {0x1B, 0x4A, 0x18});
  }
  return stream;
}

}  // namespace stream_testing
