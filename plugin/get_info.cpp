// GetInfo: the plug-in's signature and version, the two values the host asks for.
#include <cstring>

#include "debug_output.h"
#include "oem_uni2.h"
#include "private_devmode.h"

STDMETHODIMP COemUni2::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
  // One message for both causes; the platform's interface-version and
  // publisher modes are not answered.
  if (!pcbNeeded || (dwMode != OEMGI_GETSIGNATURE && dwMode != OEMGI_GETVERSION)) {
    DebugMessage(DebugSite::kGetInfoInvalidParameter);
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  const DWORD value = dwMode == OEMGI_GETSIGNATURE ? kOemSignature : kOemVersion;
  *pcbNeeded = sizeof value;
  if (cbSize < sizeof value || !pBuffer) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return E_FAIL;
  }
  std::memcpy(pBuffer, &value, sizeof value);
  return S_OK;
}
