// ImageProcessing's side of the band pipeline: what the host contract asks
// around RenderBand (the callback and the result flag, the job settings read
// as option texts, the band cleared once sent, the bytes spooled through the
// host).
#pragma once

#include "host_services.h"
#include "printer_oem.h"

struct BandRequest {
  PDEVOBJ pdevobj;
  PBYTE bits;  // biSizeImage bytes; cleared to 0 once the band is sent
  const BITMAPINFOHEADER* header;
  DWORD callbackId;
  const IPPARAMS* params;  // only pHalftoneOption is read
  PBYTE* result;           // 0 (FALSE) at the start, 1 (TRUE) once the band is sent
};

// S_OK when the band was sent; E_FAIL when it is declined (wrong callback,
// empty or all-zero or malformed band, no route to the spool) or cannot be
// finished for lack of memory or an oversized row. The settings are read from
// the host on every call, whatever the outcome.
HRESULT ProcessBand(const BandRequest& request, const HostServices& host);
