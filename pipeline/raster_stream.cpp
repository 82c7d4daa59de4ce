// Packing and emission of raster blocks.
#include "raster_stream.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr BYTE kRasterCommand[4] = {0x1D, 0x76, 0x30, 0x00};        // GS v 0, mode 0
constexpr BYTE kFeedCommand[kBlockFeedBytes] = {0x1B, 0x4A, 0x18};  // ESC J 24

void PutWord(BYTE* at, DWORD value) {
  at[0] = static_cast<BYTE>(value & 0xFF);
  at[1] = static_cast<BYTE>((value >> 8) & 0xFF);
}

}  // namespace

void PackRows(BYTE* rows, DWORD width, DWORD height, DWORD effWidth) {
  const DWORD used = (width + 7) / 8;
  const DWORD spareBits = width % 8;
  for (DWORD y = 0; y < height; ++y) {
    BYTE* row = rows + static_cast<std::size_t>(y) * effWidth;
    for (DWORD i = 0; i < used; ++i) row[i] = static_cast<BYTE>(~row[i]);
    if (spareBits != 0) row[used - 1] &= static_cast<BYTE>(~(0xFFu >> spareBits));
    if (effWidth > used) std::memset(row + used, 0, effWidth - used);
  }
}

bool SendRasterBlocks(const ByteSink& sink, const BYTE* rows, DWORD rowBytes, DWORD height) {
  if (height == 0) return true;
  const std::size_t fullData = static_cast<std::size_t>(kBlockRows) * rowBytes;
  // One buffer, sized for a full block, serves every block of the band.
  std::unique_ptr<BYTE[]> message(new (std::nothrow)
                                      BYTE[kBlockHeaderBytes + fullData + kBlockFeedBytes]);
  if (!message) return false;
  std::memcpy(message.get(), kRasterCommand, sizeof kRasterCommand);
  PutWord(message.get() + 4, rowBytes);
  for (DWORD first = 0; first < height; first += kBlockRows) {
    const DWORD blockRows = height - first < kBlockRows ? height - first : kBlockRows;
    const std::size_t data = static_cast<std::size_t>(blockRows) * rowBytes;
    PutWord(message.get() + 6, blockRows);
    std::memcpy(message.get() + kBlockHeaderBytes,
                rows + static_cast<std::size_t>(first) * rowBytes, data);
    std::memcpy(message.get() + kBlockHeaderBytes + data, kFeedCommand, kBlockFeedBytes);
    if (!sink.Write(message.get(), kBlockHeaderBytes + data + kBlockFeedBytes)) return false;
  }
  return true;
}

namespace {

bool IsBlankRow(const BYTE* row, DWORD rowBytes) {
  for (DWORD i = 0; i < rowBytes; ++i) {
    if (row[i] != 0) return false;
  }
  return true;
}

// `dots` of paper as ESC J commands of at most kMaxFeedDots each.
bool SendFeed(const ByteSink& sink, std::size_t dots) {
  BYTE feeds[16 * kBlockFeedBytes];
  while (dots > 0) {
    std::size_t size = 0;
    for (; dots > 0 && size < sizeof feeds; size += kBlockFeedBytes) {
      const std::size_t step = dots < kMaxFeedDots ? dots : kMaxFeedDots;
      std::memcpy(feeds + size, kFeedCommand, kBlockFeedBytes);
      feeds[size + 2] = static_cast<BYTE>(step);
      dots -= step;
    }
    if (!sink.Write(feeds, size)) return false;
  }
  return true;
}

}  // namespace

bool SendAdvancingBlocks(const ByteSink& sink, const BYTE* rows, DWORD rowBytes, DWORD height) {
  if (height == 0) return true;
  auto rowAt = [&](DWORD y) { return rows + static_cast<std::size_t>(y) * rowBytes; };
  std::size_t feed = 0;  // blank rows not yet fed
  for (DWORD y = 0; y < height;) {
    if (IsBlankRow(rowAt(y), rowBytes)) {
      ++feed;
      ++y;
      continue;
    }
    DWORD end = y + 1;
    while (end < height && end - y < kMaxAdvancingBlockRows && !IsBlankRow(rowAt(end), rowBytes)) {
      ++end;
    }
    if (!SendFeed(sink, feed)) return false;
    feed = 0;
    BYTE header[kBlockHeaderBytes];
    std::memcpy(header, kRasterCommand, sizeof kRasterCommand);
    PutWord(header + 4, rowBytes);
    PutWord(header + 6, end - y);
    // The rows go straight from the band: no copy, nothing to allocate.
    if (!sink.Write(header, sizeof header) ||
        !sink.Write(rowAt(y), static_cast<std::size_t>(end - y) * rowBytes)) {
      return false;
    }
    y = end;
  }
  // The paper ends where this family's whole 24-dot steps leave it.
  const std::size_t steps = (static_cast<std::size_t>(height) + kBlockRows - 1) / kBlockRows;
  return SendFeed(sink, feed + steps * kBlockRows - height);
}
