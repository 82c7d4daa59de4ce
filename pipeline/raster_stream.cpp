// Packing and emission of raster blocks.
#include "raster_stream.h"

#include <cstdint>
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

// GS L nL nH: the left margin, in the horizontal motion unit, which after
// ESC @ is one dot on the printers this stream is for.
constexpr BYTE kMarginCommand[2] = {0x1D, 0x4C};
constexpr std::size_t kMarginBytes = 4;
// The widest margin GS L's 16-bit field carries, in whole bytes of a row.
constexpr DWORD kMaxMarginRowBytes = 0xFFFF / 8;
// The rows of a run weighed together for where to split it into blocks (the
// weighing grows with the square of this); a longer run is weighed in
// stretches of this many rows. Bands are shorter in practice.
constexpr DWORD kRunRows = 256;
static_assert(kRunRows <= kMaxAdvancingBlockRows);

// The inked bytes of a row: [first, end), end 0 for a blank row. The row is
// read a word at a time from both ends: most of a receipt's row is white.
void InkedBytes(const BYTE* row, DWORD rowBytes, DWORD& first, DWORD& end) {
  DWORD i = 0;
  for (std::uint64_t word = 0; i + 8 <= rowBytes; i += 8) {
    std::memcpy(&word, row + i, 8);
    if (word != 0) break;
  }
  while (i < rowBytes && row[i] == 0) ++i;
  if (i == rowBytes) {
    first = end = 0;
    return;
  }
  first = i;
  DWORD e = rowBytes;
  for (std::uint64_t word = 0; e >= first + 8; e -= 8) {
    std::memcpy(&word, row + e - 8, 8);
    if (word != 0) break;
  }
  while (row[e - 1] == 0) --e;
  end = e;
}

struct Extent {
  DWORD first, end;
  // Grown to take in another row's ink.
  void Widen(Extent other) {
    if (other.first < first) first = other.first;
    if (other.end > end) end = other.end;
  }
};

// The bytes a block of `rows` rows spanning `extent` costs.
std::size_t BlockCost(DWORD rows, Extent extent) {
  const std::size_t margin = extent.first == 0 ? 0 : kMarginBytes;
  return margin + kBlockHeaderBytes + static_cast<std::size_t>(rows) * (extent.end - extent.first);
}

class AdvancingWriter {
 public:
  AdvancingWriter(const ByteSink& sink, BYTE* rows, DWORD rowBytes)
      : sink_(sink), rows_(rows), rowBytes_(rowBytes) {}

  BYTE* RowAt(DWORD y) const { return rows_ + static_cast<std::size_t>(y) * rowBytes_; }

  // Rows [top, bottom) as one block placed at extent.first. The block's rows
  // are gathered in place, over the band's own rows, which are not read again.
  bool Block(DWORD top, DWORD bottom, Extent extent) {
    BYTE command[kMarginBytes + kBlockHeaderBytes];
    std::size_t size = 0;
    if (extent.first != margin_) Margin(extent.first, command, size);
    const DWORD width = extent.end - extent.first;
    std::memcpy(command + size, kRasterCommand, sizeof kRasterCommand);
    PutWord(command + size + 4, width);
    PutWord(command + size + 6, bottom - top);
    size += kBlockHeaderBytes;
    BYTE* data = RowAt(top);
    if (width != rowBytes_) {
      for (DWORD y = top; y < bottom; ++y) {
        std::memmove(data + static_cast<std::size_t>(y - top) * width, RowAt(y) + extent.first,
                     width);
      }
    }
    return sink_.Write(command, size) &&
           sink_.Write(data, static_cast<std::size_t>(bottom - top) * width);
  }

  // The margin back at 0 for whatever the printer is sent next.
  bool Finish() {
    BYTE command[kMarginBytes];
    std::size_t size = 0;
    if (margin_ == 0) return true;
    Margin(0, command, size);
    return sink_.Write(command, size);
  }

 private:
  void Margin(DWORD bytes, BYTE* command, std::size_t& size) {
    std::memcpy(command + size, kMarginCommand, sizeof kMarginCommand);
    PutWord(command + size + 2, bytes * 8);
    size += kMarginBytes;
    margin_ = bytes;
  }

  const ByteSink& sink_;
  BYTE* rows_;
  DWORD rowBytes_;
  DWORD margin_ = 0;  // in bytes of a row
};

// Sends rows [top, top + count) of a run of inked rows, whose extents are
// given, as the blocks that cost the fewest bytes: each block as wide as the
// ink of its rows, split where a narrower stretch of rows saves more than a
// block header and a margin command cost.
bool SendRun(AdvancingWriter& writer, DWORD top, DWORD count, const Extent* extents) {
  // cost[j]: the fewest bytes for the run's first j rows; start[j]: where
  // the last block of that choice starts.
  std::size_t cost[kRunRows + 1];
  DWORD start[kRunRows + 1];
  cost[0] = 0;
  for (DWORD j = 1; j <= count; ++j) {
    Extent span = extents[j - 1];
    cost[j] = cost[j - 1] + BlockCost(1, span);
    start[j] = j - 1;
    for (DWORD i = j - 1; i-- > 0;) {
      span.Widen(extents[i]);
      const std::size_t candidate = cost[i] + BlockCost(j - i, span);
      if (candidate < cost[j]) {
        cost[j] = candidate;
        start[j] = i;
      }
    }
  }
  // The blocks, found from the end, are sent from the top.
  DWORD next[kRunRows + 1];
  for (DWORD j = count; j > 0; j = start[j]) next[start[j]] = j;
  for (DWORD i = 0; i < count;) {
    const DWORD end = next[i];
    Extent span = extents[i];
    for (DWORD k = i + 1; k < end; ++k) span.Widen(extents[k]);
    if (!writer.Block(top + i, top + end, span)) return false;
    i = end;
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

bool SendAdvancingBlocks(const ByteSink& sink, BYTE* rows, DWORD rowBytes, DWORD height) {
  if (height == 0) return true;
  AdvancingWriter writer(sink, rows, rowBytes);
  Extent extents[kRunRows];
  std::size_t feed = 0;  // blank rows not yet fed
  for (DWORD y = 0; y < height;) {
    // Each row is read once: the run ends at a blank row, which is fed.
    DWORD count = 0;
    bool blankFollows = false;
    for (; y + count < height && count < kRunRows; ++count) {
      Extent& extent = extents[count];
      InkedBytes(writer.RowAt(y + count), rowBytes, extent.first, extent.end);
      if (extent.end == 0) {
        blankFollows = true;
        break;
      }
      // A margin GS L cannot carry: the block starts at the row's start.
      if (extent.first > kMaxMarginRowBytes) extent.first = 0;
    }
    if (count > 0) {
      if (!SendFeed(sink, feed)) return false;
      feed = 0;
      if (!SendRun(writer, y, count, extents)) return false;
    }
    y += count;
    if (blankFollows) {
      ++feed;
      ++y;
    }
  }
  // The paper ends where this family's whole 24-dot steps leave it.
  const std::size_t steps = (static_cast<std::size_t>(height) + kBlockRows - 1) / kBlockRows;
  return writer.Finish() && SendFeed(sink, feed + steps * kBlockRows - height);
}
