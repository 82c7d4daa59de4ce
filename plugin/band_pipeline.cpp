// The band pipeline: settings, checks, working image, turns, offset, paper
// saving, halftone, row order, packing and emission.
#include "band_pipeline.h"

#include <cstring>
#include <memory>

#include "dib_image.h"
#include "job_settings.h"
#include "paper_saving.h"
#include "place_on_canvas.h"
#include "printer_description.h"
#include "raster_stream.h"

namespace {

constexpr LONG kPaperDots = 576;
constexpr BYTE kThresholdLevel = 180;

PBYTE ResultFlag(BOOL value) { return reinterpret_cast<PBYTE>(static_cast<ULONG_PTR>(value)); }

// The host's band as the pipeline may read it: positive sizes, rows at least
// as long as the band is wide.
bool IsWellFormed(const BandRequest& request) {
  const BITMAPINFOHEADER* header = request.header;
  if (!request.bits || !header || header->biWidth <= 0 || header->biHeight <= 0) return false;
  const DWORD stride = header->biSizeImage / static_cast<DWORD>(header->biHeight);
  return stride >= static_cast<DWORD>(header->biWidth);
}

bool IsAllZero(const BYTE* bits, DWORD size) {
  for (DWORD i = 0; i < size; ++i) {
    if (bits[i] != 0) return false;
  }
  return true;
}

// B for a non-zero offset: A placed on the 576-dot canvas. A band shifted
// wholly off the paper still feeds its height: B is then all white.
bool BuildShifted(DibImage& a, LONG dots, DibImage& b) {
  LONG width = static_cast<LONG>(a.GetWidth());
  LONG height = static_cast<LONG>(a.GetHeight());
  if (width + dots <= 0 || dots >= kPaperDots) {
    if (!b.Create(kPaperDots, static_cast<DWORD>(height), 8, 0)) return false;
    b.SetGrayPalette();
    b.Clear(255);
    return true;
  }
  BYTE* pixels = a.GetBits(0);
  if (!PlaceOnCanvas(pixels, width, height, a.GetEffWidth(), kPaperDots, height, dots, 0)) {
    return false;  // only memory can make it refuse here
  }
  std::unique_ptr<BYTE[]> canvas(pixels);
  // A is not read again: its pixels go now rather than at the end of the
  // call, so that A, the canvas and B never take up memory all at once.
  a.Destroy();
  return b.CreateFromArray(canvas.get(), kPaperDots, static_cast<DWORD>(height), 8, kPaperDots,
                           false);
}

// B for no offset is an exact copy of A, and A is not used again: B takes
// A's block, header and info record as they are, which leaves B exactly as
// the copy would (a fresh block of the same content, type and attributes),
// without writing the band twice more.
void BuildCopy(DibImage& a, DibImage& b) { b.Transfer(a, true); }

}  // namespace

HRESULT ProcessBand(const BandRequest& request, const HostServices& host) {
  const JobSettings settings = ReadJobSettings(host, request.pdevobj);
  if (!request.result) return E_FAIL;
  *request.result = ResultFlag(FALSE);
  if (request.callbackId != kImageProcessingCallbackId) return E_FAIL;
  if (!IsWellFormed(request)) return E_FAIL;
  const BITMAPINFOHEADER& header = *request.header;
  if (IsAllZero(request.bits, header.biSizeImage)) return E_FAIL;
  if (!host.CanWrite()) return E_FAIL;

  const DWORD width = static_cast<DWORD>(header.biWidth);
  const DWORD height = static_cast<DWORD>(header.biHeight);
  DibImage a(0);
  // Reversed rows: the band's first row becomes the picture's top line.
  if (!a.CreateFromArray(request.bits, width, height, 8, header.biSizeImage / height, true)) {
    return E_FAIL;
  }
  if (settings.landscape) a.RotateLeft(nullptr);
  if (settings.rotate180) a.Rotate180(nullptr);

  DibImage b(0);
  if (settings.offsetNumber != 0) {
    if (!BuildShifted(a, OffsetDots(settings.offsetNumber), b)) return E_FAIL;
  } else {
    BuildCopy(a, b);
  }
  ApplyPaperSaving(b, settings.paperSaving);

  const Halftone halftone = HalftoneFor(request.params ? request.params->pHalftoneOption : nullptr);
  if (halftone.threshold) {
    b.Threshold(kThresholdLevel);
  } else {
    b.Dither(halftone.method);
  }
  b.Flip(false, true);  // rows now run from the top of the band down

  // Packing reads 1-bit rows; an image that did not get there (no memory) is
  // not sent rather than sent as garbage.
  if (!b.IsValid() || b.GetBpp() != 1) return E_FAIL;
  const DWORD rowBytes = b.GetEffWidth();
  if (rowBytes > kMaxRowBytes) return E_FAIL;
  PackRows(b.GetBits(0), b.GetWidth(), b.GetHeight(), rowBytes);
  if (!SendRasterBlocks(host, b.GetBits(0), rowBytes, b.GetHeight())) return E_FAIL;

  std::memset(request.bits, 0, header.biSizeImage);
  *request.result = ResultFlag(TRUE);
  return S_OK;
}
