// Band test helpers.
#include "band_testing.h"

namespace plugin_test {

Band::Band(LONG w, LONG h, BYTE gray)
    : width(w),
      height(h),
      stride(static_cast<DWORD>(w + 3) & ~3u),
      bytes(static_cast<std::size_t>(stride) * h, 255) {
  Fill([gray](LONG, LONG) { return gray; });
}

void Band::Fill(const std::function<BYTE(LONG, LONG)>& gray) {
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) At(x, y) = gray(x, y);
}

Dots Thresholded(const Band& band) {
  Dots dots(band.height, std::vector<bool>(band.width));
  for (LONG y = 0; y < band.height; ++y)
    for (LONG x = 0; x < band.width; ++x) dots[y][x] = band.At(x, y) <= 180;
  return dots;
}

HRESULT BandTest::Process(Band& band, const char* halftone, DWORD callbackId) {
  BITMAPINFOHEADER header =
      BandHeader(band.width, band.height, static_cast<DWORD>(band.bytes.size()));
  IPPARAMS params = {};
  params.dwSize = sizeof params;
  halftone_ = halftone ? halftone : "";
  params.pHalftoneOption = halftone ? halftone_.data() : nullptr;
  result_ = reinterpret_cast<PBYTE>(static_cast<ULONG_PTR>(0x5A));
  spoolMark_ = host_.Spool().size();
  writeMark_ = host_.Writes().size();
  return plugin_->ImageProcessing(host_.Devobj(), band.bytes.data(), &header, nullptr, callbackId,
                                  &params, &result_);
}

std::vector<BYTE> BandTest::Output() const {
  return std::vector<BYTE>(host_.Spool().begin() + static_cast<std::ptrdiff_t>(spoolMark_),
                           host_.Spool().end());
}

std::vector<DWORD> BandTest::WriteSizes() const {
  std::vector<DWORD> sizes;
  for (std::size_t i = writeMark_; i < host_.Writes().size(); ++i)
    sizes.push_back(host_.Writes()[i].size);
  return sizes;
}

raster::ParseResult BandTest::Parsed() const {
  const std::vector<BYTE> output = Output();
  raster::ParseResult parsed = raster::Parse(output.data(), output.size());
  EXPECT_EQ(parsed.error, "");
  return parsed;
}

Dots BandTest::Printed() const {
  const raster::ParseResult parsed = Parsed();
  const std::vector<BYTE> output = Output();
  const raster::Picture picture = raster::Render(parsed, output.data());
  Dots dots(picture.height, std::vector<bool>(picture.width));
  for (unsigned y = 0; y < picture.height; ++y)
    for (unsigned x = 0; x < picture.width; ++x) dots[y][x] = picture.At(x, y) != 0;
  return dots;
}

::testing::AssertionResult BandTest::PrintedEquals(const Dots& expected) const {
  const Dots printed = Printed();
  if (printed.size() < expected.size()) {
    return ::testing::AssertionFailure()
           << "printed " << printed.size() << " rows, expected at least " << expected.size();
  }
  for (std::size_t y = 0; y < printed.size(); ++y) {
    if (y < expected.size() && printed[y].size() < expected[y].size()) {
      return ::testing::AssertionFailure()
             << "printed " << printed[y].size() << " dots wide, expected " << expected[y].size();
    }
    for (std::size_t x = 0; x < printed[y].size(); ++x) {
      const bool dot = y < expected.size() && x < expected[y].size() && expected[y][x];
      if (printed[y][x] != dot) {
        return ::testing::AssertionFailure() << "dot at x " << x << ", y " << y << " is "
                                             << (printed[y][x] ? "printed" : "blank");
      }
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<unsigned> BlockRows(const raster::ParseResult& parsed) {
  std::vector<unsigned> rows;
  for (const raster::Command& command : parsed.commands)
    if (command.kind == raster::Command::Kind::kRaster) rows.push_back(command.rows);
  return rows;
}

}  // namespace plugin_test
