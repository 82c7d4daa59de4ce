// receipt_sample: writes the built-in sample receipt page, 576 dots wide, as a
// binary PGM: a logo, a gray gradient, a shaded picture, lines of text and a
// bar code, between white margins (so paper saving has something to trim).
//   receipt_sample OUT.pgm
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "font5x7.h"

namespace {

constexpr int kWidth = 576;

class Page {
 public:
  explicit Page(int height)
      : height_(height), pixels_(static_cast<std::size_t>(kWidth) * height, 255) {}

  void Set(int x, int y, int gray) {
    if (x < 0 || y < 0 || x >= kWidth || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * kWidth + x] = static_cast<unsigned char>(gray);
  }
  void Fill(int left, int top, int width, int height, int gray) {
    for (int y = top; y < top + height; ++y)
      for (int x = left; x < left + width; ++x) Set(x, y, gray);
  }
  // Text in the 5 x 7 font, each dot `scale` pixels square, 1 dot apart.
  void Text(int left, int top, const std::string& text, int scale, int gray = 0) {
    int x = left;
    for (char c : text) {
      for (const Glyph5x7& glyph : kFont5x7) {
        if (glyph.character != c) continue;
        for (int row = 0; row < 7; ++row)
          for (int col = 0; col < 5; ++col)
            if (glyph.rows[row] & (0x10 >> col))
              Fill(x + col * scale, top + row * scale, scale, scale, gray);
      }
      x += 6 * scale;
    }
  }
  int TextWidth(const std::string& text, int scale) const {
    return static_cast<int>(text.size()) * 6 * scale - scale;
  }
  void Centered(int top, const std::string& text, int scale) {
    Text((kWidth - TextWidth(text, scale)) / 2, top, text, scale);
  }

  bool Write(const char* path) const {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    std::fprintf(file, "P5\n%d %d\n255\n", kWidth, height_);
    const bool written = std::fwrite(pixels_.data(), 1, pixels_.size(), file) == pixels_.size();
    return std::fclose(file) == 0 && written;
  }

 private:
  int height_;
  std::vector<unsigned char> pixels_;
};

// A round emblem: a black ring with a gray inner disc and a white initial.
void Logo(Page& page, int centerY) {
  const int cx = kWidth / 2;
  for (int y = centerY - 64; y <= centerY + 64; ++y) {
    for (int x = cx - 64; x <= cx + 64; ++x) {
      const double r = std::hypot(x - cx, y - centerY);
      if (r <= 62 && r >= 50)
        page.Set(x, y, 0);
      else if (r < 46)
        page.Set(x, y, 60 + static_cast<int>(r * 2.5));  // shaded disc
    }
  }
  page.Text(cx - 14, centerY - 20, "B", 6, 255);
}

// A landscape in gray: sky gradient, sun, hills; smooth tones for the dithers.
void Picture(Page& page, int top, int height) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      int gray = 200 + 50 * y / height;
      if (std::hypot(x - 430, y - 40) < 26) gray = 250;
      const double hill = height * 0.55 + 18 * std::sin(x / 47.0) + 10 * std::sin(x / 13.0);
      if (y > hill) gray = 40 + static_cast<int>(90 * (y - hill) / height) + (x % 97) / 4;
      page.Set(x, top + y, gray);
    }
  }
}

void Barcode(Page& page, int top, int height) {
  unsigned seed = 2026;
  for (int x = 88; x < kWidth - 88;) {
    seed = seed * 1103515245u + 12345u;
    const int bar = 2 + static_cast<int>((seed >> 16) % 4);
    seed = seed * 1103515245u + 12345u;
    const int gap = 2 + static_cast<int>((seed >> 16) % 3);
    page.Fill(x, top, bar, height, 0);
    x += bar + gap;
  }
}

// Gray ramp from black to white, with its scale marks.
void Ramp(Page& page, int top) {
  for (int x = 0; x < kWidth - 32; ++x) page.Fill(16 + x, top, 1, 40, 255 * x / (kWidth - 33));
  for (int mark = 0; mark <= 4; ++mark) page.Fill(16 + mark * (kWidth - 33) / 4, top + 42, 1, 6, 0);
}

// The full receipt: logo, shop name, item lines, total, gray ramp, picture,
// bar code and greeting.
Page Receipt() {
  Page page(900);
  Logo(page, 100);
  page.Centered(180, "BRINDOL CAFE", 4);
  page.Centered(222, "12 HARBOUR ROAD - TEL 555 0142", 2);
  page.Fill(16, 250, kWidth - 32, 2, 0);

  const char* lines[][2] = {
      {"RECEIPT #0042", "2026-03-06 09:05"}, {"2 X ESPRESSO", "5.00"}, {"1 X CROISSANT", "2.80"},
      {"1 X ORANGE JUICE", "3.40"},          {"SUBTOTAL", "11.20"},    {"VAT 8%", "0.90"}};
  int y = 266;
  for (const auto& line : lines) {
    page.Text(16, y, line[0], 2);
    page.Text(kWidth - 16 - page.TextWidth(line[1], 2), y, line[1], 2);
    y += 24;
  }
  page.Fill(16, y + 2, kWidth - 32, 2, 0);
  page.Text(16, y + 14, "TOTAL", 3);
  page.Text(kWidth - 16 - page.TextWidth("12.10", 3), y + 14, "12.10", 3);
  y += 52;
  Ramp(page, y);
  y += 60;
  Picture(page, y, 150);
  y += 166;
  Barcode(page, y, 60);
  page.Centered(y + 68, "0042 2026 0306", 2);
  page.Centered(y + 96, "THANK YOU!", 3);
  // The rows below stay white: the paper-saving modes trim them.
  return page;
}

// A short page with a little of everything, for checks that run the page
// through many option combinations.
Page CompactReceipt() {
  Page page(300);
  page.Centered(24, "BRINDOL CAFE", 3);
  page.Text(16, 60, "2 X ESPRESSO", 2);
  page.Text(kWidth - 16 - page.TextWidth("5.00", 2), 60, "5.00", 2);
  Ramp(page, 84);
  Picture(page, 144, 90);
  Barcode(page, 240, 30);
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  const bool compact = argc == 3 && std::string(argv[1]) == "--compact";
  if (argc != 2 && !compact) {
    std::fputs(
        "usage: receipt_sample [--compact] OUT.pgm\n"
        "  Writes the sample receipt page (576 dots wide, 8-bit gray); --compact a short one.\n",
        stderr);
    return 2;
  }
  const char* path = argv[argc - 1];
  const Page page = compact ? CompactReceipt() : Receipt();
  if (!page.Write(path)) {
    std::fprintf(stderr, "receipt_sample: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
