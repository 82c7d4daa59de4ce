// Drawing hooks: pass every call on to the host's own entry point.
#include "drawing_hooks.h"

#include "function_cast.h"
#include "oem_pdev.h"

namespace {

const COemPDEV* PdevOf(const SURFOBJ* pso) {
  if (!pso || !pso->dhpdev) return nullptr;
  const auto* devobj = reinterpret_cast<const DEVOBJ*>(pso->dhpdev);
  return static_cast<const COemPDEV*>(devobj->pdevOEM);
}

// The host's function kept for the hook `Hook`, typed like the hook itself;
// null when the context has none.
template <auto Hook>
auto HostEntry(const SURFOBJ* pso, PFN COemPDEV::*field) {
  using Entry = decltype(Hook);
  const COemPDEV* pdev = PdevOf(pso);
  return pdev && pdev->*field ? FunctionCast<Entry>(pdev->*field) : Entry{nullptr};
}

}  // namespace

BOOL APIENTRY OemNextBand(SURFOBJ* pso, POINTL* pptl) {
  auto host = HostEntry<&OemNextBand>(pso, &COemPDEV::nextBand);
  return host ? host(pso, pptl) : FALSE;
}

BOOL APIENTRY OemStartPage(SURFOBJ* pso) {
  auto host = HostEntry<&OemStartPage>(pso, &COemPDEV::startPage);
  return host ? host(pso) : FALSE;
}

BOOL APIENTRY OemSendPage(SURFOBJ* pso) {
  auto host = HostEntry<&OemSendPage>(pso, &COemPDEV::sendPage);
  return host ? host(pso) : FALSE;
}

BOOL APIENTRY OemStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
  auto host = HostEntry<&OemStartDoc>(pso, &COemPDEV::startDoc);
  return host ? host(pso, pwszDocName, dwJobId) : FALSE;
}

BOOL APIENTRY OemEndDoc(SURFOBJ* pso, FLONG fl) {
  auto host = HostEntry<&OemEndDoc>(pso, &COemPDEV::endDoc);
  return host ? host(pso, fl) : FALSE;
}

BOOL APIENTRY OemTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                         MIX mix) {
  auto host = HostEntry<&OemTextOut>(pso, &COemPDEV::textOut);
  return host ? host(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix)
              : FALSE;
}

DRVFN* HookTable() {
  // The host only reads the table; it lives as long as the library.
  static DRVFN table[kHookCount] = {
      {INDEX_DrvNextBand, FunctionCast<PFN>(&OemNextBand)},
      {INDEX_DrvStartPage, FunctionCast<PFN>(&OemStartPage)},
      {INDEX_DrvSendPage, FunctionCast<PFN>(&OemSendPage)},
      {INDEX_DrvStartDoc, FunctionCast<PFN>(&OemStartDoc)},
      {INDEX_DrvEndDoc, FunctionCast<PFN>(&OemEndDoc)},
      {INDEX_DrvTextOut, FunctionCast<PFN>(&OemTextOut)},
  };
  return table;
}
