// Driver and device-context set-up and tear-down of COemUni2.
#include <new>

#include "drawing_hooks.h"
#include "engine_palette.h"
#include "oem_pdev.h"
#include "oem_uni2.h"

STDMETHODIMP COemUni2::EnableDriver(DWORD, DWORD, PDRVENABLEDATA pded) {
  if (!pded) return E_POINTER;
  pded->iDriverVersion = PRINTER_OEMINTF_VERSION;
  pded->c = kHookCount;
  pded->pdrvfn = HookTable();
  return S_OK;
}

STDMETHODIMP COemUni2::DisableDriver() {
  ReleaseDriverInterface();
  return S_OK;
}

STDMETHODIMP COemUni2::EnablePDEV(PDEVOBJ, PWSTR, ULONG, HSURF*, ULONG, GDIINFO* pGdiInfo, ULONG,
                                  DEVINFO* pDevInfo, DRVENABLEDATA* pded, PDEVOEM* pDevOem) {
  if (!pDevOem) return E_POINTER;
  *pDevOem = nullptr;
  auto* pdev = new (std::nothrow) COemPDEV;
  if (!pdev) return E_OUTOFMEMORY;
  if (pded && pded->pdrvfn) {
    for (ULONG i = 0; i < pded->c; ++i) pdev->Keep(pded->pdrvfn[i].iFunc, pded->pdrvfn[i].pfn);
  }
  if (pGdiInfo && pGdiInfo->cBitsPixel == 24 && pDevInfo) {
    // The plug-in never deletes this palette; the device context owns it.
    // Without the engine service the host's own palette stays.
    if (HPALETTE palette = CreateEmptyBgrPalette()) pDevInfo->hpalDefault = palette;
  }
  *pDevOem = pdev;
  return S_OK;
}

STDMETHODIMP COemUni2::DisablePDEV(PDEVOBJ pdevobj) {
  if (pdevobj) delete static_cast<COemPDEV*>(pdevobj->pdevOEM);
  return S_OK;
}
