// Bands for the band pipeline tests, the fixture that hands them to the
// loaded plug-in, and the printed picture of what it spooled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "band_header.h"
#include "plugin_under_test.h"
#include "raster_decoder.h"

namespace plugin_test {

// A band as the host renders it: 8-bit gray, first row on top, rows padded
// to 4 bytes with white.
struct Band {
  Band(LONG width, LONG height, BYTE gray = 255);
  BYTE& At(LONG x, LONG y) { return bytes[static_cast<std::size_t>(y) * stride + x]; }
  BYTE At(LONG x, LONG y) const { return bytes[static_cast<std::size_t>(y) * stride + x]; }
  void Fill(const std::function<BYTE(LONG x, LONG y)>& gray);

  LONG width, height;
  DWORD stride;
  std::vector<BYTE> bytes;
};

// A picture, rows top first, true = dot.
using Dots = std::vector<std::vector<bool>>;
// What HT_NONE prints of a band: a dot where the gray is 180 or darker.
Dots Thresholded(const Band& band);

class BandTest : public PluginTest {
 protected:
  // ImageProcessing with the band; the result location starts at a sentinel.
  // What the host receives from here on is the call's output.
  HRESULT Process(Band& band, const char* halftone = "HT_NONE", DWORD callbackId = 3);
  // The bytes and the sizes of the host writes of the last Process call.
  std::vector<BYTE> Output() const;
  std::vector<DWORD> WriteSizes() const;
  // The output read back as printed dots; fails the test on a malformed stream.
  Dots Printed() const;
  raster::ParseResult Parsed() const;
  // The printed picture equals `expected` (padded with white to the stream's
  // width) and is blank below it, where the last feed moved the paper.
  ::testing::AssertionResult PrintedEquals(const Dots& expected) const;

  PBYTE result_ = nullptr;
  std::string halftone_;
  std::size_t spoolMark_ = 0;
  std::size_t writeMark_ = 0;
};

// The stream's raster blocks: rows of each block, in order.
std::vector<unsigned> BlockRows(const raster::ParseResult& parsed);

}  // namespace plugin_test
