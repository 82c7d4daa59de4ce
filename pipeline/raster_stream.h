// The printer raster command stream: 1-bit rows packed for the printer and
// sent as blocks of at most 24 rows. Each block is
//   1D 76 30 00  R (16-bit LE)  rows (16-bit LE)  rows x R data bytes  1B 4A 18
// (GS v 0 normal size, then ESC J 24), one sink write per block; a partial
// last block feeds 24 dots too.
#pragma once

#include <windows.h>

#include <cstddef>

#include "byte_sink.h"

inline constexpr DWORD kBlockRows = 24;
inline constexpr std::size_t kBlockHeaderBytes = 8;
inline constexpr std::size_t kBlockFeedBytes = 3;
inline constexpr DWORD kMaxRowBytes = 0xFFFF;  // R is a 16-bit field

// Turns rows of a 1-bit image (palette 0 black, 1 white) into printer rows in
// place: the first (width + 7) / 8 bytes of each row are inverted so that 1
// prints a dot, the bits past the last dot are cleared, and the rest of the
// row (up to effWidth) is zeroed.
void PackRows(BYTE* rows, DWORD width, DWORD height, DWORD effWidth);

// Writes `height` rows of rowBytes bytes each (top row first) as raster
// blocks. rowBytes must not exceed kMaxRowBytes. False when a message buffer
// cannot be allocated (nothing is written) or the sink refuses a block
// (blocks written before stay written, none after is offered).
bool SendRasterBlocks(const ByteSink& sink, const BYTE* rows, DWORD rowBytes, DWORD height);
