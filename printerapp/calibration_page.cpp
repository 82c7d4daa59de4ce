// The calibration page: text and a bar drawn as printer rows, sent in this
// family's convention whatever the printer's driver.
#include "calibration_page.h"

#include <string>

#include "byte_sink.h"
#include "font5x7.h"
#include "raster_stream.h"
#include "receipt_settings.h"

namespace {

constexpr unsigned kScale = 2;  // font dots are 2 x 2 printer dots: 14 rows
constexpr unsigned kLineRows = kBlockRows;
constexpr unsigned kTextTop = (kLineRows - 7 * kScale) / 2;

// Each line fits the 58 mm head: at most 31 characters of 12 dots.
constexpr const char* kTitle = "FEED CONVENTION TEST";
constexpr const char* kLegend[] = {
    "ONE SOLID BAR:",          "BRINDOL 80MM OR 58MM DRIVER", "",
    "BAR WITH WHITE STRIPES:", "GENERIC ESC/POS DRIVER",
};

class Rows {
 public:
  Rows(unsigned dots, unsigned height)
      : rowBytes_(dots / 8), rows_(static_cast<std::size_t>(rowBytes_) * height, 0) {}

  void Dot(unsigned x, unsigned y) {
    rows_[static_cast<std::size_t>(y) * rowBytes_ + x / 8] |=
        static_cast<std::uint8_t>(0x80 >> x % 8);
  }
  // One line of text, centred, inside the 24-row line starting at `top`.
  void Line(unsigned top, const std::string& text) {
    const unsigned width = static_cast<unsigned>(text.size()) * 6 * kScale;
    unsigned x = width < rowBytes_ * 8 ? (rowBytes_ * 8 - width) / 2 : 0;
    for (char c : text) {
      for (const Glyph5x7& glyph : kFont5x7) {
        if (glyph.character != c) continue;
        for (unsigned row = 0; row < 7 * kScale; ++row) {
          for (unsigned col = 0; col < 5 * kScale; ++col) {
            if (glyph.rows[row / kScale] & (0x10 >> col / kScale)) {
              Dot(x + col, top + kTextTop + row);
            }
          }
        }
      }
      x += 6 * kScale;
    }
  }
  void Solid(unsigned top, unsigned height) {
    for (std::size_t i = std::size_t{top} * rowBytes_; i < std::size_t{top + height} * rowBytes_;
         ++i) {
      rows_[i] = 0xFF;
    }
  }
  const std::vector<std::uint8_t>& Bytes() const { return rows_; }
  unsigned RowBytes() const { return rowBytes_; }

 private:
  unsigned rowBytes_;
  std::vector<std::uint8_t> rows_;
};

bool Append(void* context, const std::uint8_t* bytes, std::size_t size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(context);
  out->insert(out->end(), bytes, bytes + size);
  return true;
}

}  // namespace

std::vector<std::uint8_t> CalibrationPage(unsigned dots) {
  // Title, a blank line, the bar, a blank line, the legend, a blank line.
  const unsigned legendTop = kCalibrationBarTop + kCalibrationBarRows + kLineRows;
  const unsigned height = legendTop + static_cast<unsigned>(std::size(kLegend) + 1) * kLineRows;
  Rows rows(dots, height);
  rows.Line(kLineRows, kTitle);
  rows.Solid(kCalibrationBarTop, kCalibrationBarRows);
  for (std::size_t i = 0; i < std::size(kLegend); ++i) {
    rows.Line(legendTop + static_cast<unsigned>(i) * kLineRows, kLegend[i]);
  }
  std::vector<std::uint8_t> stream;
  SendRasterBlocks(ByteSink{&Append, &stream}, rows.Bytes().data(), rows.RowBytes(), height);
  const std::vector<std::uint8_t> end = JobEndCommands(ReceiptSettings{});
  stream.insert(stream.end(), end.begin(), end.end());
  return stream;
}
