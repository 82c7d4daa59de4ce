// DevMode: the size, defaults, convert and merge operations on the plug-in's
// private DEVMODE block. The blocks are the host's memory: fields are read and
// written with memcpy, so no alignment is assumed.
#include "private_devmode.h"

#include <cstddef>
#include <cstring>

#include "debug_output.h"
#include "oem_uni2.h"

namespace {

constexpr std::size_t kSizeOffset = offsetof(OemPrivateDevmode, header.dwSize);
constexpr std::size_t kSignatureOffset = offsetof(OemPrivateDevmode, header.dwSignature);
constexpr std::size_t kVersionOffset = offsetof(OemPrivateDevmode, header.dwVersion);
constexpr std::size_t kPrivateDataOffset = offsetof(OemPrivateDevmode, privateData);

DWORD ReadField(const void* block, std::size_t offset) {
  DWORD value;
  std::memcpy(&value, static_cast<const BYTE*>(block) + offset, sizeof value);
  return value;
}

void WriteField(void* block, std::size_t offset, DWORD value) {
  std::memcpy(static_cast<BYTE*>(block) + offset, &value, sizeof value);
}

void WriteDefaults(void* block) {
  const OemPrivateDevmode defaults = {{kOemDevmodeSize, kOemSignature, kOemVersion}, 0};
  std::memcpy(block, &defaults, sizeof defaults);
}

}  // namespace

HRESULT DevModeSize(OEMDMPARAM& param) {
  param.cbBufSize = kOemDevmodeSize;
  return S_OK;
}

HRESULT DevModeDefault(OEMDMPARAM& param) {
  if (!param.pOEMDMOut) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  WriteDefaults(param.pOEMDMOut);
  return S_OK;
}

HRESULT DevModeConvert(OEMDMPARAM& param) {
  void* in = param.pOEMDMIn;
  void* out = param.pOEMDMOut;
  if (!in || !out) {
    DebugMessage(DebugSite::kConvertDevmodeInvalid);
    return S_OK;
  }
  WriteField(out, kPrivateDataOffset, 0);
  if (ReadField(in, kSignatureOffset) != ReadField(out, kSignatureOffset)) {
    WriteDefaults(out);
    return S_OK;
  }
  DWORD count = ReadField(in, kSizeOffset);
  const DWORD outSize = ReadField(out, kSizeOffset);
  if (outSize < count) count = outSize;
  // The size fields are the host's word; the block is 16 bytes whatever they claim.
  if (count > kOemDevmodeSize) count = kOemDevmodeSize;
  std::memmove(out, in, count);
  WriteField(out, kSizeOffset, kOemDevmodeSize);
  WriteField(out, kVersionOffset, kOemVersion);
  return S_OK;
}

HRESULT DevModeMerge(OEMDMPARAM& param) {
  if (!param.pOEMDMIn || !param.pOEMDMOut) DebugMessage(DebugSite::kConvertDevmodeInvalid);
  if (param.pOEMDMOut) WriteDefaults(param.pOEMDMOut);
  return S_OK;
}

STDMETHODIMP COemUni2::DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) {
  if (!pOemDMParam || dwMode < OEMDM_SIZE || dwMode > OEMDM_MERGE) {
    DebugMessage(DebugSite::kDevModeInvalidParameter);
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  switch (dwMode) {
    case OEMDM_SIZE:
      return DevModeSize(*pOemDMParam);
    case OEMDM_DEFAULT:
      return DevModeDefault(*pOemDMParam);
    case OEMDM_CONVERT:
      return DevModeConvert(*pOemDMParam);
    default:
      return DevModeMerge(*pOemDMParam);
  }
}
