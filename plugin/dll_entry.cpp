// The library's exported entry points and its entry routine.
#include <new>

#include "class_factory.h"
#include "debug_output.h"
#include "module_state.h"
#include "printer_oem.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_OEMRENDER)) {
    DebugMessage(DebugSite::kClassNotAvailable);
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  auto* factory = new (std::nothrow) COemCF;
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return module_state::CanUnload() ? S_OK : S_FALSE; }

// Nothing to set up or tear down: every reason succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
