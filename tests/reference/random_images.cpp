#include "random_images.h"

#include <iterator>

#include "image_internals.h"

namespace reference {
namespace {

// Where the operations decide: the diffusion threshold 128, the pipeline's
// threshold 180, every method-7 table entry and the method-1 level steps
// (v = ceil(255 * k / 16)), each with its neighbours; and the extremes.
constexpr BYTE kDecisive[] = {0,   1,   2,   15,  16,  17,  31,  32,  33,  47,  48,  49,  63,  64,
                              65,  79,  80,  81,  95,  96,  97,  111, 112, 113, 127, 128, 129, 143,
                              144, 145, 159, 160, 161, 175, 176, 177, 180, 181, 191, 192, 193, 207,
                              208, 209, 223, 224, 225, 239, 240, 241, 254, 255, 16,  32,  48,  64,
                              80,  96,  112, 128, 144, 160, 176, 192, 208, 224, 240, 255};

}  // namespace

ImageShape ImageMaker::Shape(DWORD residue32, DWORD bpp) {
  ImageShape shape{};
  // 32 * 21 + residue stays within 700 only for residues up to 28.
  const DWORD maxBlocks = residue32 <= 28 ? 22 : 21;
  // Half of the images narrow, so that the small residues also come as
  // whole images.
  shape.width = residue32 + 32 * (Below(2) == 0 ? Below(2) : Below(maxBlocks));
  if (shape.width == 0) shape.width = 32;
  // Heights mostly short, now and then up to 100.
  shape.height = Below(8) == 0 ? 1 + Below(100) : 1 + Below(12);
  shape.bpp = bpp;
  shape.grayPalette = bpp == 8 && Below(4) != 0;
  shape.alpha = Below(6) == 0;
  shape.selection = Below(6) == 0;
  return shape;
}

BYTE ImageMaker::Gray() {
  switch (Below(8)) {
    case 0:
    case 1:
    case 2:
      return kDecisive[Below(std::size(kDecisive))];
    case 3:
      return 0;
    case 4:
      return 255;
    default:
      return static_cast<BYTE>(random_());
  }
}

void ImageMaker::Fill(const ImageShape& shape, DibImage& image) {
  image.Create(shape.width, shape.height, shape.bpp, Below(3));
  // Padding that is not zero shows an operation that lets it through.
  image.Clear(0xA5);
  const DWORD colours = image.GetNumColors();
  if (shape.grayPalette) {
    image.SetGrayPalette();
  } else if (shape.bpp == 8 && Below(3) == 0) {
    // Nearly the identity: a gray conversion must still happen.
    image.SetGrayPalette();
    for (int changes = 1 + static_cast<int>(Below(3)); changes > 0; --changes) {
      const BYTE index = static_cast<BYTE>(random_());
      RGBQUAD entry = image.GetPaletteColor(index);
      BYTE* channel =
          Below(3) == 0 ? &entry.rgbBlue : (Below(2) == 0 ? &entry.rgbGreen : &entry.rgbRed);
      *channel = static_cast<BYTE>(*channel ^ 1);
      image.SetPaletteColor(index, entry);
    }
  } else {
    for (DWORD i = 0; i < colours; ++i) {
      // Palette entries gray or nearly so, so that the gray levels still
      // gather where the operations decide.
      const BYTE level = Gray();
      image.SetPaletteColor(static_cast<BYTE>(i), level, static_cast<BYTE>(level ^ Below(4)),
                            static_cast<BYTE>(level ^ Below(2)), static_cast<BYTE>(random_()));
    }
  }
  const LONG width = static_cast<LONG>(shape.width);
  const LONG height = static_cast<LONG>(shape.height);
  // Runs of one value, as rendered pages have, mixed with single pixels.
  BYTE value = Gray();
  for (LONG y = 0; y < height; ++y) {
    for (LONG x = 0; x < width; ++x) {
      if (Below(4) == 0) value = Gray();
      if (shape.bpp == 24) {
        const BYTE b = Below(3) == 0 ? Gray() : value;
        image.SetPixelColor(x, y, RGBQUAD{b, value, static_cast<BYTE>(value ^ Below(3)), 0});
      } else {
        image.SetPixelIndex(x, y, static_cast<BYTE>(value % colours));
      }
    }
  }
  if (shape.alpha && image.AlphaCreate()) {
    for (LONG y = 0; y < height; ++y) {
      for (LONG x = 0; x < width; ++x) image.AlphaSet(x, y, static_cast<BYTE>(random_()));
    }
  }
  if (shape.selection && image.SelectionCreate()) {
    for (LONG y = 0; y < height; ++y) {
      for (LONG x = 0; x < width; ++x) image.SelectionSet(x, y, static_cast<BYTE>(random_() & 3));
    }
    ImageInternals::Info(image).selectionBox = {
        static_cast<LONG>(Below(shape.width)), static_cast<LONG>(Below(shape.height)),
        static_cast<LONG>(Below(shape.width)), static_cast<LONG>(Below(shape.height))};
  }
  image.SetXDPI(Below(2) == 0 ? 96 : 203);
  image.SetYDPI(Below(2) == 0 ? 96 : 180);
  image.SetTransIndex(Below(3) == 0 ? static_cast<LONG>(Below(colours != 0 ? colours : 1)) : -1);
  image.SetTransColor(RGBQUAD{Gray(), Gray(), Gray(), static_cast<BYTE>(random_())});
  image.SetProgress(static_cast<LONG>(Below(100)));
}

}  // namespace reference
