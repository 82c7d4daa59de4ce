// The band pipeline: working image, turns, offset, paper saving, halftone,
// row order, packing and emission.
#include "render_band.h"

#include <memory>

#include "dib_image.h"
#include "paper_saving.h"
#include "place_on_canvas.h"
#include "raster_stream.h"

static_assert(kMaxBandWidth == kMaxRowBytes * 8);

namespace {

constexpr LONG kPaperDots = 576;
constexpr BYTE kThresholdLevel = 180;

// The band placed on the 576-dot paper. A band shifted wholly off the paper
// still feeds its height: the paper is then all white.
bool BuildShifted(DibImage& band, LONG dots, DibImage& paper) {
  LONG width = static_cast<LONG>(band.GetWidth());
  LONG height = static_cast<LONG>(band.GetHeight());
  if (width + dots <= 0 || dots >= kPaperDots) {
    if (!paper.Create(kPaperDots, static_cast<DWORD>(height), 8, 0)) return false;
    paper.SetGrayPalette();
    paper.Clear(255);
    return true;
  }
  BYTE* pixels = band.GetBits(0);
  if (!PlaceOnCanvas(pixels, width, height, band.GetEffWidth(), kPaperDots, height, dots, 0)) {
    return false;  // only memory can make it refuse here
  }
  std::unique_ptr<BYTE[]> canvas(pixels);
  // The band is not read again: its pixels go now rather than at the end of
  // the call, so that the band, the canvas and the paper never take up
  // memory all at once.
  band.Destroy();
  return paper.CreateFromArray(canvas.get(), kPaperDots, static_cast<DWORD>(height), 8, kPaperDots,
                               false);
}

// Without an offset the paper is an exact copy of the band, which is not used
// again: the paper takes the band's block, header and info record as they
// are, which leaves it exactly as the copy would (a fresh block of the same
// content, type and attributes), without writing the band twice more.
void BuildCopy(DibImage& band, DibImage& paper) { paper.Transfer(band, true); }

void Halftone(DibImage& image, HalftoneMethod method) {
  if (method == HalftoneMethod::kThreshold) {
    image.Threshold(kThresholdLevel);
  } else {
    image.Dither(HalftoneOptionOf(method).ditherNumber);
  }
}

}  // namespace

bool RenderBand(const Band& band, const RenderSettings& settings, const ByteSink& sink) {
  if (!band.bits || band.width == 0 || band.height == 0 || band.stride < band.width) return false;
  DibImage turned(0);
  // Reversed rows: the band's first row becomes the picture's top line.
  if (!turned.CreateFromArray(band.bits, band.width, band.height, 8, band.stride, true)) {
    return false;
  }
  if (settings.landscape) turned.RotateLeft(nullptr);
  if (settings.halfTurn) turned.Rotate180(nullptr);

  DibImage paper(0);
  if (settings.offsetDots) {
    if (!BuildShifted(turned, static_cast<LONG>(*settings.offsetDots), paper)) return false;
  } else {
    BuildCopy(turned, paper);
  }
  ApplyPaperSaving(paper, settings.paperSaving);
  Halftone(paper, settings.halftone);
  paper.Flip(false, true);  // rows now run from the top of the band down

  // Packing reads 1-bit rows; an image that did not get there (no memory) is
  // not sent rather than sent as garbage.
  if (!paper.IsValid() || paper.GetBpp() != 1) return false;
  const DWORD rowBytes = paper.GetEffWidth();
  if (rowBytes > kMaxRowBytes) return false;
  PackRows(paper.GetBits(0), paper.GetWidth(), paper.GetHeight(), rowBytes);
  if (settings.feed == FeedConvention::kBlockAdvances) {
    return SendAdvancingBlocks(sink, paper.GetBits(0), rowBytes, paper.GetHeight());
  }
  return SendRasterBlocks(sink, paper.GetBits(0), rowBytes, paper.GetHeight());
}
