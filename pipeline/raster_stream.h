// The printer raster command stream: 1-bit rows packed for the printer and
// sent as GS v 0 blocks, in either feed convention (feed_convention.h).
// This family's blocks hold at most 24 rows each and are
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
// The tallest block sent to a printer whose blocks advance the paper. The
// printers' manuals give 2303 rows as the smallest documented limit of GS v
// 0's height (others take 4095 or 65535); the bands the pipeline is handed
// are shorter than this in practice (240 rows in the printer application),
// so a block is a band's run of inked rows.
inline constexpr DWORD kMaxAdvancingBlockRows = 2303;
inline constexpr BYTE kMaxFeedDots = 255;  // ESC J n: n is one byte

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

// The same rows for a printer whose blocks advance the paper: each run of
// blank rows (no dot set) is sent as ESC J feeds, each run of inked rows as
// blocks with nothing after them, each block only as wide as its rows' ink
// (whole bytes): blank bytes at the right are not sent, and blank bytes at
// the left become a left margin (GS L, in dots: the horizontal motion unit
// after ESC @, which the job sends first), set back to 0 by the end of the
// call. A run is split into blocks where that saves bytes. The rows move the
// paper as far as SendRasterBlocks' do (whole 24-dot steps), so the receipt
// prints the same picture, as long, and is cut at the same place. The rows
// are overwritten (a block's bytes are gathered in place). Fails as
// SendRasterBlocks does; it allocates nothing.
bool SendAdvancingBlocks(const ByteSink& sink, BYTE* rows, DWORD rowBytes, DWORD height);
