// COemUni2: lifetime, interface queries, the host's service interface, the
// implemented-method query and the slots the plug-in declines.
#include "oem_uni2.h"

#include <cstring>

#include "debug_output.h"
#include "module_state.h"

COemUni2::COemUni2() { module_state::ObjectCreated(); }

STDMETHODIMP COemUni2::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  // IPrintOemUni is refused on purpose: the host then knows it must use the
  // 27-slot table of IPrintOemUni2.
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemUni2)) {
    *ppv = static_cast<IPrintOemUni2*>(this);
    AddRef();
    return S_OK;
  }
  DebugMessage(DebugSite::kQueryInterfaceRefused);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) COemUni2::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

STDMETHODIMP_(ULONG) COemUni2::Release() {
  const LONG count = InterlockedDecrement(&refCount_);
  if (count != 0) return static_cast<ULONG>(count);
  ReleaseDriverInterface();
  module_state::ObjectDestroyed();
  delete this;
  return 0;
}

void COemUni2::ReleaseDriverInterface() {
  if (!driverUni_) return;
  driverUni_->Release();
  driverUni_ = nullptr;
}

STDMETHODIMP COemUni2::PublishDriverInterface(IUnknown* pIUnknown) {
  if (!driverUni_) {
    if (!pIUnknown) return E_FAIL;
    void* service = nullptr;
    const HRESULT hr = pIUnknown->QueryInterface(IID_IPrintOemDriverUni, &service);
    // A host that reports success without a pointer has given nothing to keep.
    if (FAILED(hr) || !service) {
      driverUni_ = nullptr;
      return E_FAIL;
    }
    driverUni_ = static_cast<IPrintOemDriverUni*>(service);
  }
  DebugTrace("PublishDriverInterface");
  return S_OK;
}

STDMETHODIMP COemUni2::GetImplementedMethod(PSTR pMethodName) {
  // OutputCharStr and TextOutAsBitmap are reported although they decline:
  // the host relies on these five answers.
  static constexpr const char* kImplemented[] = {
      "CommandCallback", "FilterGraphics", "ImageProcessing", "OutputCharStr", "TextOutAsBitmap"};
  if (!pMethodName) return S_FALSE;
  for (const char* name : kImplemented) {
    if (std::strcmp(pMethodName, name) == 0) return S_OK;
  }
  return S_FALSE;
}

STDMETHODIMP COemUni2::ResetPDEV(PDEVOBJ, PDEVOBJ) { return S_OK; }

// Declined slots: they read no argument and write no out-parameter.
STDMETHODIMP COemUni2::DriverDMS(PVOID, PVOID, DWORD, PDWORD) { return E_NOTIMPL; }
STDMETHODIMP COemUni2::TTYGetInfo(PDEVOBJ, DWORD, PVOID, DWORD, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP COemUni2::DownloadFontHeader(PDEVOBJ, PUNIFONTOBJ, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP COemUni2::DownloadCharGlyph(PDEVOBJ, PUNIFONTOBJ, HGLYPH, PDWORD, DWORD*) {
  return E_NOTIMPL;
}
STDMETHODIMP COemUni2::TTDownloadMethod(PDEVOBJ, PUNIFONTOBJ, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP COemUni2::SendFontCmd(PDEVOBJ, PUNIFONTOBJ, PFINVOCATION) { return E_NOTIMPL; }
// The host probes this at set-up; intercepting every spool write is not wanted.
STDMETHODIMP COemUni2::WritePrinter(PDEVOBJ, PVOID, DWORD, PDWORD) { return E_NOTIMPL; }
