// ImageProcessing: the host's band handed to the band pipeline with the
// host's own services.
#include "oem_uni2.h"
#include "process_band.h"

STDMETHODIMP COemUni2::ImageProcessing(PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                                       PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE,
                                       DWORD dwCallbackID, PIPPARAMS pIPParams, PBYTE* ppbResult) {
  const BandRequest request = {pdevobj,      pSrcBitmap, pBitmapInfoHeader,
                               dwCallbackID, pIPParams,  ppbResult};
  return ProcessBand(request, HostServices(pdevobj, driverUni_));
}
