// The printer application's side of the band pipeline. Raster lines of 8-bit
// gray (255 white) are collected into bands laid out exactly as the Windows
// host hands them to the plug-in (rows of (width + 3) & ~3 bytes, padding
// white, first row on top), so that both products cut a page alike, and each
// band goes to RenderBand with the job's settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "receipt_settings.h"
#include "render_band.h"

// Bands of 240 rows, a multiple of the 24-row raster blocks: every block but a
// page's last is whole, so no band ends in a short block whose 24-dot feed
// would print a thin white gap across the receipt. (bandhost --band-height 240
// cuts a page the same way and gives the same bytes.)
inline constexpr unsigned kDefaultBandRows = 240;

class BandAdapter {
 public:
  // Receives the printer's bytes; false when they could not be delivered.
  using Sink = std::function<bool(const std::uint8_t* bytes, std::size_t size)>;

  BandAdapter(const ReceiptSettings& settings, Sink sink, unsigned bandRows = kDefaultBandRows);
  BandAdapter(const BandAdapter&) = delete;
  BandAdapter& operator=(const BandAdapter&) = delete;

  // Starts a page of lines `width` dots wide. False for a width of 0, or one
  // whose band would not fit in memory.
  bool StartPage(unsigned width);
  // One line of `width` gray bytes. False once the sink has failed.
  bool AddLine(const std::uint8_t* gray);
  // Sends the last, shorter band. False when the sink has failed.
  bool EndPage();

  // Bytes sent directly (job framing commands).
  bool Send(const std::vector<std::uint8_t>& bytes);

  bool Failed() const { return failed_; }

 private:
  static bool Deliver(void* adapter, const std::uint8_t* bytes, std::size_t size);
  bool Send(const std::uint8_t* bytes, std::size_t size);
  void SendBand();

  RenderSettings render_;
  Sink sink_;
  unsigned bandRows_;
  unsigned width_ = 0;
  std::size_t stride_ = 0;
  unsigned rows_ = 0;  // rows collected in the current band
  std::vector<std::uint8_t> band_;
  bool failed_ = false;
};
