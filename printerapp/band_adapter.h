// The printer application's side of the band pipeline: it plays the host for
// ProcessBand. Raster lines of 8-bit gray (255 white) are collected into
// bands laid out exactly as the Windows host hands them to ImageProcessing
// (rows of (width + 3) & ~3 bytes, padding white, first row on top), and the
// job's settings are answered as the host would answer them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "band_pipeline.h"
#include "receipt_settings.h"

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
  static BOOL APIENTRY GetSetting(PVOID pdriverobj, PCSTR feature, PVOID output, DWORD size,
                                  PDWORD needed, PDWORD optionsReturned);
  static DWORD APIENTRY WriteSpool(PDEVOBJ pdevobj, PVOID buffer, DWORD size);
  static BandAdapter* Of(const void* pdevobj);
  const std::string* OptionFor(const char* feature) const;
  void SendBand();

  std::string halftone_;
  std::string offset_, translate_, paperSaving_;
  Sink sink_;
  unsigned bandRows_;
  unsigned width_ = 0;
  std::size_t stride_ = 0;
  unsigned rows_ = 0;  // rows collected in the current band
  std::vector<BYTE> band_;
  bool failed_ = false;

  DEVMODEW devmode_{};
  DRVPROCS procs_{};
  DEVOBJ devobj_{};
};
