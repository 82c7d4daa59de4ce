// COemUni2: the plug-in object the host creates through COemCF. It answers
// IUnknown and IPrintOemUni2 (27 slots) and holds one reference on the host's
// service interface between PublishDriverInterface and DisableDriver.
#pragma once

#include "printer_oem.h"

class COemUni2 final : public IPrintOemUni2 {
 public:
  // Count 1, no service interface; raises the live object count.
  COemUni2();
  COemUni2(const COemUni2&) = delete;
  COemUni2& operator=(const COemUni2&) = delete;

  // IUnknown (oem_uni2.cpp).
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IPrintOemCommon (get_info.cpp, private_devmode.cpp).
  STDMETHOD(GetInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
  STDMETHOD(DevMode)(DWORD dwMode, POEMDMPARAM pOemDMParam) override;

  // IPrintOemEngine (device_setup.cpp).
  STDMETHOD(EnableDriver)(DWORD DriverVersion, DWORD cbSize, PDRVENABLEDATA pded) override;
  STDMETHOD(DisableDriver)() override;
  STDMETHOD(EnablePDEV)
  (PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns, ULONG cjGdiInfo,
   GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
   PDEVOEM* pDevOem) override;
  STDMETHOD(DisablePDEV)(PDEVOBJ pdevobj) override;
  STDMETHOD(ResetPDEV)(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) override;

  // IPrintOemUni: set-up (oem_uni2.cpp), band pipeline (band_pipeline.cpp),
  // other callbacks (callbacks.cpp).
  STDMETHOD(PublishDriverInterface)(IUnknown* pIUnknown) override;
  STDMETHOD(GetImplementedMethod)(PSTR pMethodName) override;
  STDMETHOD(DriverDMS)(PVOID pDevObj, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
  STDMETHOD(CommandCallback)
  (PDEVOBJ pdevobj, DWORD dwCallbackID, DWORD dwCount, PDWORD pdwParams, INT* piResult) override;
  STDMETHOD(ImageProcessing)
  (PDEVOBJ pdevobj, PBYTE pSrcBitmap, PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE pColorTable,
   DWORD dwCallbackID, PIPPARAMS pIPParams, PBYTE* ppbResult) override;
  STDMETHOD(FilterGraphics)(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) override;
  STDMETHOD(Compression)
  (PDEVOBJ pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen, DWORD dwOutLen,
   INT* piResult) override;
  STDMETHOD(HalftonePattern)
  (PDEVOBJ pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX, DWORD dwHTPatternY, DWORD dwHTNumPatterns,
   DWORD dwCallbackID, PBYTE pResource, DWORD dwResourceSize) override;
  STDMETHOD(MemoryUsage)(PDEVOBJ pdevobj, POEMMEMORYUSAGE pMemoryUsage) override;
  STDMETHOD(TTYGetInfo)
  (PDEVOBJ pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf, DWORD dwSize, DWORD* pcbcNeeded) override;
  STDMETHOD(DownloadFontHeader)(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, DWORD* pdwResult) override;
  STDMETHOD(DownloadCharGlyph)
  (PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, HGLYPH hGlyph, PDWORD pdwWidth, DWORD* pdwResult) override;
  STDMETHOD(TTDownloadMethod)(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, DWORD* pdwResult) override;
  STDMETHOD(OutputCharStr)
  (PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, DWORD dwType, DWORD dwCount, PVOID pGlyph) override;
  STDMETHOD(SendFontCmd)(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, PFINVOCATION pFInv) override;
  STDMETHOD(TextOutAsBitmap)
  (SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
   BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) override;

  // IPrintOemUni2.
  STDMETHOD(WritePrinter)(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) override;

 private:
  ~COemUni2() = default;  // only Release deletes
  void ReleaseDriverInterface();

  LONG volatile refCount_ = 1;
  IPrintOemDriverUni* driverUni_ = nullptr;  // one reference held while not null
};
