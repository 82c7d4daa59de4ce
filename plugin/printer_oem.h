// The host's side of the plug-in contract: the structures, service tables and
// COM interfaces through which the universal printer driver and its rendering
// plug-ins talk, declared from the platform's documentation (the cross
// compiler ships no header with them). Slot order of every interface is the
// platform's and must not change.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <cstddef>
#define USERMODE_DRIVER
#include <winddi.h>

struct DEVOBJ;
using PDEVOBJ = DEVOBJ*;
using PDEVOEM = PVOID;

using PFN_DrvWriteSpoolBuf = DWORD(APIENTRY*)(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize);
using PFN_DrvXMoveTo = INT(APIENTRY*)(PDEVOBJ pdevobj, INT x, DWORD dwFlags);
using PFN_DrvYMoveTo = INT(APIENTRY*)(PDEVOBJ pdevobj, INT y, DWORD dwFlags);
using PFN_DrvGetDriverSetting = BOOL(APIENTRY*)(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                DWORD cbSize, PDWORD pcbNeeded,
                                                PDWORD pdwOptionsReturned);
using PFN_DrvGetStandardVariable = BOOL(APIENTRY*)(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pBuffer,
                                                   DWORD cbSize, PDWORD pcbNeeded);
using PFN_DrvUnidriverTextOut = BOOL(APIENTRY*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo,
                                                CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                                                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque,
                                                POINTL* pptlBrushOrg, MIX mix);
using PFN_DrvWriteAbortBuf = DWORD(APIENTRY*)(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize,
                                              DWORD dwWait);

// The host's service table, reachable from every device object.
struct DRVPROCS {
  PFN_DrvWriteSpoolBuf DrvWriteSpoolBuf;
  PFN_DrvXMoveTo DrvXMoveTo;
  PFN_DrvYMoveTo DrvYMoveTo;
  PFN_DrvGetDriverSetting DrvGetDriverSetting;
  PFN_DrvGetStandardVariable BGetStandardVariable;
  PFN_DrvUnidriverTextOut DrvUnidriverTextOut;
  PFN_DrvWriteAbortBuf DrvWriteAbortBuf;
};
using PDRVPROCS = DRVPROCS*;

// The host's device object; pdevOEM is the plug-in's state for the context.
struct DEVOBJ {
  DWORD dwSize;
  PDEVOEM pdevOEM;
  HANDLE hEngine;
  HANDLE hPrinter;
  HANDLE hOEM;
  PDEVMODEW pPublicDM;
  PVOID pOEMDM;
  PDRVPROCS pDrvProcs;
};

struct IPPARAMS {
  DWORD dwSize;
  POINT ptOffset;
  PSTR pHalftoneOption;
  BOOL bBanding;
  BOOL bBlankBand;
};
using PIPPARAMS = IPPARAMS*;

struct OEMDMPARAM {
  DWORD cbSize;
  PVOID pdriverobj;
  HANDLE hPrinter;
  HANDLE hModule;
  PDEVMODEW pPublicDMIn;
  PDEVMODEW pPublicDMOut;
  PVOID pOEMDMIn;
  PVOID pOEMDMOut;
  DWORD cbBufSize;
};
using POEMDMPARAM = OEMDMPARAM*;

struct OEM_DMEXTRAHEADER {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
};

struct OEMMEMORYUSAGE {
  DWORD dwFixedMemoryUsage;
  DWORD dwPercentMemoryUsage;
  DWORD dwMaxBandSize;
};
using POEMMEMORYUSAGE = OEMMEMORYUSAGE*;

struct FINVOCATION {
  DWORD dwCount;
  PBYTE pubCommand;
};
using PFINVOCATION = FINVOCATION*;

// Font objects of the host; this plug-in never looks inside them.
struct UNIFONTOBJ;
using PUNIFONTOBJ = UNIFONTOBJ*;

#define PRINTER_OEMINTF_VERSION 0x00010000
#define OEMGI_GETSIGNATURE 1
#define OEMGI_GETINTERFACEVERSION 2
#define OEMGI_GETVERSION 3
#define OEMGI_GETPUBLISHERINFO 4
#define OEMDM_SIZE 1
#define OEMDM_DEFAULT 2
#define OEMDM_CONVERT 3
#define OEMDM_MERGE 4

inline constexpr CLSID CLSID_OEMRENDER = {
    0x6D6ABF26, 0x9F38, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
inline constexpr IID IID_IPrintOemCommon = {
    0x7F42285E, 0x91D5, 0x11D1, {0x88, 0x20, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
inline constexpr IID IID_IPrintOemEngine = {
    0x63D17590, 0x91D8, 0x11D1, {0x88, 0x20, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
inline constexpr IID IID_IPrintOemUni = {
    0xD67EBBF0, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
inline constexpr IID IID_IPrintOemUni2 = {
    0xB91220AC, 0x15CC, 0x4E7A, {0xA2, 0x1E, 0x95, 0x91, 0xF3, 0x4D, 0x6F, 0x6C}};
inline constexpr IID IID_IPrintOemUni3 = {
    0x4E4A7747, 0xBC76, 0x4AED, {0xAC, 0xC8, 0xC7, 0x6A, 0xF2, 0x2A, 0xAD, 0x43}};
inline constexpr IID IID_IPrintOemDriverUni = {
    0xD67EBBF1, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};

// Slots 3-4.
struct IPrintOemCommon : public IUnknown {
  STDMETHOD(GetInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) PURE;
  STDMETHOD(DevMode)(DWORD dwMode, POEMDMPARAM pOemDMParam) PURE;
};

// Slots 5-9.
struct IPrintOemEngine : public IPrintOemCommon {
  STDMETHOD(EnableDriver)(DWORD DriverVersion, DWORD cbSize, PDRVENABLEDATA pded) PURE;
  STDMETHOD(DisableDriver)() PURE;
  STDMETHOD(EnablePDEV)
  (PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns, ULONG cjGdiInfo,
   GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
   PDEVOEM* pDevOem) PURE;
  STDMETHOD(DisablePDEV)(PDEVOBJ pdevobj) PURE;
  STDMETHOD(ResetPDEV)(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) PURE;
};

// Slots 10-25.
struct IPrintOemUni : public IPrintOemEngine {
  STDMETHOD(PublishDriverInterface)(IUnknown* pIUnknown) PURE;
  STDMETHOD(GetImplementedMethod)(PSTR pMethodName) PURE;
  STDMETHOD(DriverDMS)(PVOID pDevObj, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) PURE;
  STDMETHOD(CommandCallback)
  (PDEVOBJ pdevobj, DWORD dwCallbackID, DWORD dwCount, PDWORD pdwParams, INT* piResult) PURE;
  STDMETHOD(ImageProcessing)
  (PDEVOBJ pdevobj, PBYTE pSrcBitmap, PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE pColorTable,
   DWORD dwCallbackID, PIPPARAMS pIPParams, PBYTE* ppbResult) PURE;
  STDMETHOD(FilterGraphics)(PDEVOBJ pdevobj, PBYTE pBuf, DWORD dwLen) PURE;
  STDMETHOD(Compression)
  (PDEVOBJ pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen, DWORD dwOutLen, INT* piResult) PURE;
  STDMETHOD(HalftonePattern)
  (PDEVOBJ pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX, DWORD dwHTPatternY, DWORD dwHTNumPatterns,
   DWORD dwCallbackID, PBYTE pResource, DWORD dwResourceSize) PURE;
  STDMETHOD(MemoryUsage)(PDEVOBJ pdevobj, POEMMEMORYUSAGE pMemoryUsage) PURE;
  STDMETHOD(TTYGetInfo)
  (PDEVOBJ pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf, DWORD dwSize, DWORD* pcbcNeeded) PURE;
  STDMETHOD(DownloadFontHeader)(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, DWORD* pdwResult) PURE;
  STDMETHOD(DownloadCharGlyph)
  (PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, HGLYPH hGlyph, PDWORD pdwWidth, DWORD* pdwResult) PURE;
  STDMETHOD(TTDownloadMethod)(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, DWORD* pdwResult) PURE;
  STDMETHOD(OutputCharStr)
  (PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, DWORD dwType, DWORD dwCount, PVOID pGlyph) PURE;
  STDMETHOD(SendFontCmd)(PDEVOBJ pdevobj, PUNIFONTOBJ pUFObj, PFINVOCATION pFInv) PURE;
  STDMETHOD(TextOutAsBitmap)
  (SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
   BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) PURE;
};

// Slot 26.
struct IPrintOemUni2 : public IPrintOemUni {
  STDMETHOD(WritePrinter)(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) PURE;
};

// The host's service interface, handed to PublishDriverInterface.
struct IPrintOemDriverUni : public IUnknown {
  STDMETHOD(DrvGetDriverSetting)
  (PVOID pdriverobj, PCSTR Feature, PVOID pOutput, DWORD cbSize, PDWORD pcbNeeded,
   PDWORD pdwOptionsReturned) PURE;
  STDMETHOD(DrvWriteSpoolBuf)(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) PURE;
  STDMETHOD(DrvXMoveTo)(PDEVOBJ pdevobj, INT x, DWORD dwFlags, INT* piResult) PURE;
  STDMETHOD(DrvYMoveTo)(PDEVOBJ pdevobj, INT y, DWORD dwFlags, INT* piResult) PURE;
  STDMETHOD(DrvGetStandardVariable)
  (PDEVOBJ pdevobj, DWORD dwIndex, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) PURE;
  STDMETHOD(DrvGetGPDData)
  (PDEVOBJ pdevobj, DWORD dwType, PVOID pInputData, PVOID pBuffer, DWORD cbSize,
   PDWORD pcbNeeded) PURE;
  STDMETHOD(DrvUniTextOut)
  (SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
   BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlBrushOrg, MIX mix) PURE;
  STDMETHOD(DrvWriteAbortBuf)(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, DWORD dwWait) PURE;
};

// The layouts the platform fixes, checked where the platform's compiler builds us.
#if defined(_WIN64)
static_assert(sizeof(DEVOBJ) == 64 && offsetof(DEVOBJ, pdevOEM) == 8 &&
              offsetof(DEVOBJ, pPublicDM) == 40 && offsetof(DEVOBJ, pDrvProcs) == 56);
static_assert(sizeof(DRVPROCS) == 56 && offsetof(DRVPROCS, DrvGetDriverSetting) == 24);
static_assert(sizeof(IPPARAMS) == 32 && offsetof(IPPARAMS, pHalftoneOption) == 16);
static_assert(sizeof(OEMDMPARAM) == 72 && offsetof(OEMDMPARAM, pOEMDMIn) == 48 &&
              offsetof(OEMDMPARAM, cbBufSize) == 64);
static_assert(sizeof(DRVFN) == 16 && sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(SURFOBJ) == 80 && offsetof(SURFOBJ, dhpdev) == 16);
static_assert(sizeof(GDIINFO) == 320 && sizeof(DEVINFO) == 312);
#elif defined(_WIN32)
static_assert(sizeof(DEVOBJ) == 32 && offsetof(DEVOBJ, pdevOEM) == 4 &&
              offsetof(DEVOBJ, pPublicDM) == 20 && offsetof(DEVOBJ, pDrvProcs) == 28);
static_assert(sizeof(DRVPROCS) == 28 && offsetof(DRVPROCS, DrvGetDriverSetting) == 12);
static_assert(sizeof(IPPARAMS) == 24 && offsetof(IPPARAMS, pHalftoneOption) == 12);
static_assert(sizeof(OEMDMPARAM) == 36 && offsetof(OEMDMPARAM, pOEMDMIn) == 24 &&
              offsetof(OEMDMPARAM, cbBufSize) == 32);
static_assert(sizeof(DRVFN) == 8 && sizeof(DRVENABLEDATA) == 12);
static_assert(sizeof(SURFOBJ) == 52 && offsetof(SURFOBJ, dhpdev) == 8);
static_assert(sizeof(GDIINFO) == 304 && sizeof(DEVINFO) == 300);
#endif
static_assert(sizeof(OEM_DMEXTRAHEADER) == 12 && sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(GDIINFO, cBitsPixel) == 24);
