// DibImage::Dither: reduces any image to 1-bit black and white (palette entry
// 0 black, 1 white) by one of two ordered dithers or six error-diffusion
// kernels. The output is a pure function of the gray image and the method.
#include "dib_image.h"
#include "dither_diffusion.h"
#include "dither_ordered.h"
#include "pack_bits.h"

// The methods' tables and loops are the dither files' own; this file only
// picks one.
using namespace dither;

bool DibImage::Dither(LONG method) {
  if (!IsValid()) return false;
  if (GetBpp() == 1) return true;

  // An 8-bit image with the identity gray palette is already its own gray
  // form. A failed gray conversion would leave a depth the loops below cannot
  // read; dithering that would produce a wrong picture reported as success.
  if (IsGrayIdentity(*this)) {
    InvalidateNearestCache();
  } else if (!GrayScale() || GetBpp() != 8) {
    return false;
  }

  DibImage output(0);
  output.CopyInfo(*this);
  // Create hands out zeroed pixels: rows an escape leaves unprocessed, and
  // the row padding, stay black.
  if (output.Create(GetWidth(), GetHeight(), 1, GetType()) == nullptr) {
    SetLastErrorText(output.GetLastError());
    return false;
  }
  if (SelectionIsValid() && !output.SelectionCopy(*this)) return false;
  if (AlphaIsValid() && !output.AlphaCopy(*this)) return false;

  const Planes planes = {info_.pixels,          info_.effWidth,  output.info_.pixels,
                         output.info_.effWidth, header_.biWidth, header_.biHeight};
  RowLoop rows(info_.progress, info_.escape, header_.biHeight);
  switch (method) {
    case 1:
      DitherOrdered(planes, rows, kIntensityRows);
      break;
    case 2:
      Diffuse<kBurkes>(planes, rows);
      break;
    case 3:
      Diffuse<kStucki>(planes, rows);
      break;
    case 4:
      Diffuse<kJarvisJudiceNinke>(planes, rows);
      break;
    case 5:
      Diffuse<kSierra>(planes, rows);
      break;
    case 6:
      Diffuse<kStevensonArce>(planes, rows);
      break;
    case 7:
      DitherOrdered(planes, rows, kBayerRows);
      break;
    default:
      Diffuse<kFloydSteinberg>(planes, rows);
      break;
  }

  output.SetPaletteColor(0, 0, 0, 0, 0);
  output.SetPaletteColor(1, 255, 255, 255, 0);
  return Transfer(output, true);
}
