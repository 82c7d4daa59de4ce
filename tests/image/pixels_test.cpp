// Pixel and palette access of DibImage: packing per depth, reads outside the
// image, the gray formula and the nearest-colour search with its cache.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dib_image.h"
#include "image_testing.h"

namespace {

RGBQUAD Bgra(int b, int g, int r, int a = 0) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), BYTE(a)}; }

// Colours compared as one number, so failures print both sides.
DWORD Packed(const RGBQUAD& c) {
  return DWORD{c.rgbBlue} | DWORD{c.rgbGreen} << 8 | DWORD{c.rgbRed} << 16 |
         DWORD{c.rgbReserved} << 24;
}

TEST(Pixels, PackingPerDepth) {
  // Writing one index into row 1 must set exactly these bits of this byte.
  const struct {
    DWORD bpp;
    LONG x;
    BYTE index;
    DWORD byte;
    BYTE expected;
  } cases[] = {
      {1, 0, 1, 0, 0x80},    {1, 7, 1, 0, 0x01},   {1, 9, 3, 1, 0x40},  // low bit only
      {1, 12, 2, 1, 0x00},   {4, 0, 0xA, 0, 0xA0}, {4, 3, 0xB, 1, 0x0B},
      {4, 2, 0x1F, 1, 0xF0},  // low nibble only
      {8, 5, 200, 5, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bpp << " bpp, x " << c.x);
    DibImage image(13, 2, c.bpp);
    image.SetPixelIndex(c.x, 1, c.index);
    const BYTE* row = image.GetBits(1);
    for (DWORD i = 0; i < image.GetEffWidth(); ++i) {
      EXPECT_EQ(row[i], i == c.byte ? c.expected : 0) << "byte " << i;
    }
    const BYTE mask = BYTE((1u << c.bpp) - 1);
    EXPECT_EQ(image.GetPixelIndex(c.x, 1), c.index & mask);
    // Clearing the pixel again leaves its neighbours' bits alone.
    image.Clear(0xFF);
    image.SetPixelIndex(c.x, 1, 0);
    EXPECT_EQ(image.GetPixelIndex(c.x, 1), 0);
    EXPECT_EQ(image.GetPixelIndex(c.x ^ 1, 1), mask);
  }

  DibImage color(3, 1, 24);
  color.SetPixelColor(2, 0, Bgra(1, 2, 3, 4), false);
  EXPECT_EQ(color.UncheckedGetPixelPointer(2, 0), color.GetBits(0) + 6);
  EXPECT_EQ(color.GetBits(0)[8], 3);
  EXPECT_EQ(color.GetPixelIndex(2, 0), 0);
  // The packed colour value holds red in its low byte.
  color.SetPixelColor(0, 0, COLORREF{0x00030201});
  EXPECT_EQ(Packed(color.UncheckedGetPixelColor(0, 0, false)), Packed(Bgra(3, 2, 1)));
}

TEST(Pixels, GrayFormula) {
  const struct {
    RGBQUAD color;
    BYTE gray;
  } cases[] = {
      {Bgra(0, 0, 255), 76},      {Bgra(0, 255, 0), 149},     {Bgra(255, 0, 0), 29},
      {Bgra(255, 255, 255), 255}, {Bgra(128, 128, 128), 128}, {Bgra(10, 20, 30), 21},
  };
  DibImage color(1, 1, 24);
  DibImage indexed(1, 1, 8);
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.gray});
    color.SetPixelColor(0, 0, c.color, false);
    EXPECT_EQ(color.GetPixelGray(0, 0), c.gray);
    indexed.SetPaletteColor(0, c.color);
    EXPECT_EQ(indexed.GetPixelGray(0, 0), c.gray);
  }
}

TEST(Pixels, ReadsOutsideTheImage) {
  // 3 x 2 images whose pixel (0, 0) is index 1 (a colour) and (1, 0) index 0.
  const RGBQUAD pixelZero = Bgra(10, 20, 30);
  const RGBQUAD background = Bgra(1, 2, 3, 4);
  const struct {
    const char* name;
    DWORD bpp;
    LONG transIndex;
    BYTE index;
    RGBQUAD color;
  } cases[] = {
      {"8 bit, no background", 8, -1, 1, pixelZero},
      {"8 bit, background 7", 8, 7, 7, Bgra(70, 70, 70)},
      {"4 bit, no background", 4, -1, 1, pixelZero},
      {"1 bit, no background", 1, -1, 1, pixelZero},
      {"1 bit, background 0", 1, 0, 0, Bgra(0, 0, 0)},
      {"background beyond palette", 4, 200, 200, Bgra(0, 0, 0)},
      {"24 bit, no background", 24, -1, 0, Bgra(10, 20, 30, 4)},
      {"24 bit, background 2", 24, 2, 0, background},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image(3, 2, c.bpp);
    image.SetTransColor(background);
    image.SetPaletteColor(1, pixelZero);
    image.SetPaletteColor(7, Bgra(70, 70, 70));
    image.SetPixelColor(0, 0, pixelZero, false);
    image.SetTransIndex(c.transIndex);
    for (const POINT p : {POINT{-1, 0}, POINT{3, 0}, POINT{0, -1}, POINT{0, 2}, POINT{-5, 9}}) {
      SCOPED_TRACE(::testing::Message() << "(" << p.x << ", " << p.y << ")");
      EXPECT_EQ(image.GetPixelIndex(p.x, p.y), c.index);
      EXPECT_EQ(Packed(image.GetPixelColor(p.x, p.y, false)), Packed(c.color));
      // Guarded writes outside are ignored (ASan watches the neighbours).
      image.SetPixelIndex(p.x, p.y, 1);
      image.SetPixelColor(p.x, p.y, Bgra(255, 255, 255), true);
      image.AlphaSet(p.x, p.y, 1);
    }
  }

  DibImage empty;
  empty.SetTransColor(background);
  EXPECT_EQ(Packed(empty.GetPixelColor(0, 0, true)), Packed(background));
}

TEST(Pixels, ReservedByteOfColourPixels) {
  DibImage color(2, 1, 24);
  color.SetTransColor(Bgra(0, 0, 0, 33));
  const struct {
    bool alphaPlane, getAlpha;
    BYTE guarded, unchecked;
  } cases[] = {{false, true, 33, 0}, {true, true, 99, 99}, {true, false, 33, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.alphaPlane << c.getAlpha);
    if (c.alphaPlane) color.AlphaCreate();
    color.SetPixelColor(1, 0, Bgra(5, 6, 7, 99), true);
    EXPECT_EQ(color.GetPixelColor(1, 0, c.getAlpha).rgbReserved, c.guarded);
    EXPECT_EQ(color.UncheckedGetPixelColor(1, 0, c.getAlpha).rgbReserved, c.unchecked);
  }
}

TEST(Palette, GrayRampsAndBounds) {
  for (DWORD bpp : {1u, 4u, 8u}) {
    SCOPED_TRACE(bpp);
    DibImage image(1, 1, bpp);
    const DWORD n = image.GetNumColors();
    for (DWORD i = 0; i < n; ++i) image.SetPaletteColor(BYTE(i), Bgra(9, 9, 9, 7));
    image.SetGrayPalette();
    for (DWORD i = 0; i < n; ++i) {
      const int level = int(i * (255 / (n - 1)));
      ASSERT_EQ(Packed(image.GetPaletteColor(BYTE(i))), Packed(Bgra(level, level, level, 7)));
    }
    // Indices beyond the palette: ignored on write, zero on read.
    if (n == 256) continue;
    image.SetPaletteColor(BYTE(n), Bgra(1, 1, 1));
    EXPECT_EQ(Packed(image.GetPaletteColor(BYTE(n))), 0u);
  }

  DibImage image(1, 1, 1);
  const RGBQUAD many[4] = {Bgra(1, 1, 1), Bgra(2, 2, 2), Bgra(3, 3, 3), Bgra(4, 4, 4)};
  image.SetPalette(many, 4);  // only two entries fit
  EXPECT_EQ(Packed(image.GetPaletteColor(1)), Packed(Bgra(2, 2, 2)));
  image.SetPaletteColor(0, COLORREF{0x00332211});
  EXPECT_EQ(Packed(image.GetPaletteColor(0)), Packed(Bgra(0x33, 0x22, 0x11)));
}

// The header's colours-important field has no setter; the search must honour it.
class LimitedPaletteImage : public DibImage {
 public:
  using DibImage::DibImage;
  void SetColorsImportant(DWORD count) { header_.biClrImportant = count; }
};

TEST(Palette, NearestIndex) {
  const std::vector<RGBQUAD> blackWhite = {Bgra(0, 0, 0), Bgra(255, 255, 255)};
  const std::vector<RGBQUAD> four = {Bgra(0, 0, 100), Bgra(0, 0, 200), Bgra(0, 0, 150),
                                     Bgra(0, 0, 150, 9)};
  const struct {
    const char* name;
    const std::vector<RGBQUAD>* palette;
    DWORD important;
    RGBQUAD color;
    BYTE index;
  } cases[] = {
      {"127 is nearer black", &blackWhite, 0, Bgra(127, 127, 127), 0},
      {"128 is nearer white", &blackWhite, 0, Bgra(128, 128, 128), 1},
      {"tie goes to the lower index", &four, 0, Bgra(0, 0, 125), 0},
      {"exact match", &four, 0, Bgra(0, 0, 200), 1},
      {"reserved byte ignored", &four, 0, Bgra(0, 0, 150, 9), 2},
      {"colours important limits the search", &four, 2, Bgra(0, 0, 150), 0},
      {"colours important beyond the palette", &blackWhite, 300, Bgra(9, 9, 9), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LimitedPaletteImage image(1, 1, c.palette->size() == 2 ? 1 : 4);
    image.SetPalette(c.palette->data(), DWORD(c.palette->size()));
    image.SetColorsImportant(c.important);
    EXPECT_EQ(image.GetNearestIndex(c.color), c.index);
    // A colour written into an indexed image lands on the same index.
    image.SetPixelColor(0, 0, c.color, false);
    EXPECT_EQ(image.GetPixelIndex(0, 0), c.index);
  }
}

TEST(Palette, NearestIndexCacheIsDroppedByEveryPaletteChange) {
  const RGBQUAD asked = Bgra(250, 250, 250);
  const RGBQUAD black = Bgra(0, 0, 0);
  const RGBQUAD white = Bgra(255, 255, 255);
  // The palette written raw (which the cache cannot see) before the answer is
  // cached, the change, and the answer the changed palette must give.
  const struct {
    const char* name;
    RGBQUAD before[2];
    std::function<void(DibImage&)> change;
    BYTE expected;
  } cases[] = {
      {"SetPaletteColor", {white, white}, [](DibImage& i) { i.SetPaletteColor(0, 0, 0, 0); }, 1},
      {"SetPaletteColor RGBQUAD",
       {white, white},
       [](DibImage& i) { i.SetPaletteColor(0, Bgra(0, 0, 0)); },
       1},
      {"SetPaletteColor COLORREF",
       {white, white},
       [](DibImage& i) { i.SetPaletteColor(0, COLORREF{0}); },
       1},
      {"SetPalette",
       {white, black},
       [](DibImage& i) {
         const RGBQUAD entries[2] = {Bgra(0, 0, 0), Bgra(255, 255, 255)};
         i.SetPalette(entries, 2);
       },
       1},
      {"SetGrayPalette", {white, black}, [](DibImage& i) { i.SetGrayPalette(); }, 1},
      {"Create", {black, white}, [](DibImage& i) { i.Create(1, 1, 1); }, 0},  // all black
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image(1, 1, 1);
    image.GetPalette()[0] = c.before[0];
    image.GetPalette()[1] = c.before[1];
    const BYTE cached = image.GetNearestIndex(asked);
    ASSERT_NE(cached, c.expected) << "the case must tell a stale cache from a fresh one";
    // A raw write is invisible to the cache...
    image.GetPalette()[0] = c.before[1];
    image.GetPalette()[1] = c.before[0];
    EXPECT_EQ(image.GetNearestIndex(asked), cached);
    // ...but every palette operation drops it.
    c.change(image);
    EXPECT_EQ(image.GetNearestIndex(asked), c.expected);
  }
}

}  // namespace
