#include "image_testing.h"

#include <sstream>

namespace image_testing {
namespace {

std::string Describe(const RGBQUAD& c) {
  std::ostringstream text;
  text << "(b " << int{c.rgbBlue} << ", g " << int{c.rgbGreen} << ", r " << int{c.rgbRed} << ", a "
       << int{c.rgbReserved} << ")";
  return text.str();
}

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed &&
         a.rgbReserved == b.rgbReserved;
}

// The stored row that the n-th listed row stands for.
LONG StoredRow(std::size_t listed, std::size_t height, RowOrder order) {
  return static_cast<LONG>(order == RowOrder::kBottomFirst ? listed : height - 1 - listed);
}

}  // namespace

::testing::AssertionResult BuildGray8(DibImage& image, const Rows& rows, RowOrder order) {
  if (rows.empty() || rows.front().empty()) return ::testing::AssertionFailure() << "no rows";
  const std::size_t width = rows.front().size();
  if (image.Create(static_cast<DWORD>(width), static_cast<DWORD>(rows.size()), 8) == nullptr) {
    return ::testing::AssertionFailure() << "Create failed: " << image.GetLastError();
  }
  image.SetGrayPalette();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].size() != width) return ::testing::AssertionFailure() << "row " << i << " length";
    const LONG y = StoredRow(i, rows.size(), order);
    for (std::size_t x = 0; x < width; ++x) {
      image.SetPixelIndex(static_cast<LONG>(x), y, static_cast<BYTE>(rows[i][x]));
    }
  }
  return ::testing::AssertionSuccess();
}

Rows ReadRows(const DibImage& image, RowOrder order) {
  const std::size_t height = image.IsValid() ? image.GetHeight() : 0;
  Rows rows(height, std::vector<int>(image.GetWidth()));
  for (std::size_t i = 0; i < height; ++i) {
    const LONG y = StoredRow(i, height, order);
    for (std::size_t x = 0; x < rows[i].size(); ++x) {
      const LONG px = static_cast<LONG>(x);
      rows[i][x] = image.IsIndexed() ? image.GetPixelIndex(px, y) : image.GetPixelGray(px, y);
    }
  }
  return rows;
}

::testing::AssertionResult ImagesEqual(const DibImage& expected, const DibImage& actual) {
  if (expected.IsValid() != actual.IsValid()) {
    return ::testing::AssertionFailure()
           << "valid: expected " << expected.IsValid() << ", got " << actual.IsValid();
  }
  if (!expected.IsValid()) return ::testing::AssertionSuccess();

  const BITMAPINFOHEADER& e = expected.GetHeader();
  const BITMAPINFOHEADER& a = actual.GetHeader();
  const struct {
    const char* name;
    long long expected;
    long long actual;
  } fields[] = {
      {"biSize", e.biSize, a.biSize},
      {"biWidth", e.biWidth, a.biWidth},
      {"biHeight", e.biHeight, a.biHeight},
      {"biPlanes", e.biPlanes, a.biPlanes},
      {"biBitCount", e.biBitCount, a.biBitCount},
      {"biCompression", e.biCompression, a.biCompression},
      {"biSizeImage", e.biSizeImage, a.biSizeImage},
      {"biXPelsPerMeter", e.biXPelsPerMeter, a.biXPelsPerMeter},
      {"biYPelsPerMeter", e.biYPelsPerMeter, a.biYPelsPerMeter},
      {"biClrUsed", e.biClrUsed, a.biClrUsed},
      {"biClrImportant", e.biClrImportant, a.biClrImportant},
  };
  for (const auto& field : fields) {
    if (field.expected != field.actual) {
      return ::testing::AssertionFailure() << "header " << field.name << ": expected "
                                           << field.expected << ", got " << field.actual;
    }
  }
  for (DWORD i = 0; i < expected.GetNumColors(); ++i) {
    const RGBQUAD pe = expected.GetPaletteColor(static_cast<BYTE>(i));
    const RGBQUAD pa = actual.GetPaletteColor(static_cast<BYTE>(i));
    if (!SameColor(pe, pa)) {
      return ::testing::AssertionFailure()
             << "palette entry " << i << ": expected " << Describe(pe) << ", got " << Describe(pa);
    }
  }
  for (LONG y = 0; y < e.biHeight; ++y) {
    for (LONG x = 0; x < e.biWidth; ++x) {
      const RGBQUAD pe = expected.GetPixelColor(x, y, false);
      const RGBQUAD pa = actual.GetPixelColor(x, y, false);
      const int ie = expected.GetPixelIndex(x, y);
      const int ia = actual.GetPixelIndex(x, y);
      if (ie != ia || !SameColor(pe, pa)) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << "): expected index " << ie << " " << Describe(pe)
               << ", got index " << ia << " " << Describe(pa);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace image_testing
