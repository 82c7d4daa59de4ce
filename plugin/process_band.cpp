// The host's band to RenderBand and back: checks, settings, the spool route.
#include "process_band.h"

#include <cstring>

#include "job_settings.h"
#include "printer_description.h"
#include "render_band.h"

namespace {

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

// The host's result of a spool write is not looked at: the band counts as sent.
bool Spool(void* context, const std::uint8_t* bytes, std::size_t size) {
  static_cast<HostServices*>(context)->Write(bytes, static_cast<DWORD>(size));
  return true;
}

}  // namespace

HRESULT ProcessBand(const BandRequest& request, const HostServices& host) {
  RenderSettings settings = ReadJobSettings(host, request.pdevobj);
  if (!request.result) return E_FAIL;
  *request.result = ResultFlag(FALSE);
  if (request.callbackId != kImageProcessingCallbackId) return E_FAIL;
  if (!IsWellFormed(request)) return E_FAIL;
  const BITMAPINFOHEADER& header = *request.header;
  if (IsAllZero(request.bits, header.biSizeImage)) return E_FAIL;
  if (!host.CanWrite()) return E_FAIL;

  settings.halftone = HalftoneFor(request.params ? request.params->pHalftoneOption : nullptr);
  const DWORD height = static_cast<DWORD>(header.biHeight);
  const Band band = {request.bits, static_cast<DWORD>(header.biWidth), height,
                     header.biSizeImage / height};
  HostServices spool = host;
  const ByteSink sink = {&Spool, &spool};
  if (!RenderBand(band, settings, sink)) return E_FAIL;

  std::memset(request.bits, 0, header.biSizeImage);
  *request.result = ResultFlag(TRUE);
  return S_OK;
}
