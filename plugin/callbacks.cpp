// The command, graphics and text callbacks of COemUni2. None of them changes
// the output: graphics pass through to the spool unchanged, text declines.
#include "debug_output.h"
#include "oem_uni2.h"

STDMETHODIMP COemUni2::CommandCallback(PDEVOBJ, DWORD, DWORD, PDWORD, INT* piResult) {
  if (piResult) *piResult = 0;
  return S_OK;
}

STDMETHODIMP COemUni2::FilterGraphics(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) {
  // Without a published service interface there is nowhere to write to.
  if (!driverUni_) return E_FAIL;
  DWORD written = 0;
  driverUni_->DrvWriteSpoolBuf(pdevobj, pBuf, dwLen, &written);
  return written == dwLen ? S_OK : S_FALSE;
}

STDMETHODIMP COemUni2::Compression(PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*) { return E_NOTIMPL; }

STDMETHODIMP COemUni2::HalftonePattern(PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD) {
  return E_NOTIMPL;
}

STDMETHODIMP COemUni2::MemoryUsage(PDEVOBJ, POEMMEMORYUSAGE) { return E_NOTIMPL; }

STDMETHODIMP COemUni2::OutputCharStr(PDEVOBJ, PUNIFONTOBJ, DWORD, DWORD, PVOID) {
  DebugTrace("OutputCharStr");
  return E_NOTIMPL;
}

STDMETHODIMP COemUni2::TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                       BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
  DebugTrace("TextOutAsBitmap");
  return E_NOTIMPL;
}
