// The six drawing hooks the plug-in hands the host through EnableDriver. Each
// finds the device context's COemPDEV through the surface (dhpdev is the
// host's DEVOBJ, whose pdevOEM is the COemPDEV) and calls the host's own entry
// point with the same arguments. A context without that entry point gets FALSE.
#pragma once

#include "printer_oem.h"

BOOL APIENTRY OemNextBand(SURFOBJ* pso, POINTL* pptl);
BOOL APIENTRY OemStartPage(SURFOBJ* pso);
BOOL APIENTRY OemSendPage(SURFOBJ* pso);
BOOL APIENTRY OemStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
BOOL APIENTRY OemEndDoc(SURFOBJ* pso, FLONG fl);
BOOL APIENTRY OemTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                         MIX mix);

// The hook list in the order EnableDriver returns it.
inline constexpr ULONG kHookCount = 6;
DRVFN* HookTable();
