// OemPrivateDevmode: the plug-in's 16-byte private block in the job's DEVMODE,
// and the DevMode operations on it. The block starts with the platform's
// extra-data header (size, signature, version).
#pragma once

#include "printer_oem.h"

struct OemPrivateDevmode {
  OEM_DMEXTRAHEADER header;
  DWORD privateData;  // nothing in the plug-in reads it
};
static_assert(sizeof(OemPrivateDevmode) == 16);

inline constexpr DWORD kOemSignature = 0x4D534654;  // bytes 54 46 53 4D
inline constexpr DWORD kOemVersion = 1;
inline constexpr DWORD kOemDevmodeSize = sizeof(OemPrivateDevmode);

// The DevMode modes on a parameter block that has been checked for null.
// Convert and merge never write more than the 16 bytes of the block.
HRESULT DevModeSize(OEMDMPARAM& param);
HRESULT DevModeDefault(OEMDMPARAM& param);
HRESULT DevModeConvert(OEMDMPARAM& param);
HRESULT DevModeMerge(OEMDMPARAM& param);
