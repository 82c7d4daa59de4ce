// Fixed debug messages and DebugTrace.
#include "debug_output.h"

#include <cstdarg>
#include <cstdio>

LONG DebugLevel = 0;

namespace {

enum class Kind { kWarning, kError };

struct FixedMessage {
  DebugSite site;
  Kind kind;
  const char* text;  // source base name, "@", line, ": ", message, CR LF
};

// The texts are the plug-in's published diagnostics; keep them byte for byte.
constexpr FixedMessage kMessages[] = {
    {DebugSite::kQueryInterfaceRefused, Kind::kWarning,
     "intrface@112: Warning: COemUni2::QueryInterface NULL. Returning E_NOINTERFACE.\r\n"},
    {DebugSite::kGetInfoInvalidParameter, Kind::kWarning,
     "intrface@941: Warning: COemUni2::GetInfo() exit pcbNeeded is NULL! "
     "ERROR_INVALID_PARAMETER.\r\n"},
    {DebugSite::kDevModeInvalidParameter, Kind::kError,
     "intrface@306: Error:DevMode() ERROR_INVALID_PARAMETER.\r\n"},
    {DebugSite::kConvertDevmodeInvalid, Kind::kError,
     "devmode@54: Error:ConvertOEMDevmode() invalid parameters.\r\n"},
    {DebugSite::kClassNotAvailable, Kind::kError,
     "intrface@2070: Error:DllGetClassObject:\tClass not available!\r\n"},
};

constexpr int kTraceBufferSize = 768;

}  // namespace

void DebugMessage(DebugSite site) {
  for (const FixedMessage& message : kMessages) {
    if (message.site != site) continue;
    const LONG gate = message.kind == Kind::kWarning ? 1 : 2;
    if (DebugLevel <= gate) OutputDebugStringA(message.text);
    return;
  }
}

void DebugTrace(const char* format, ...) {
  if (!format) return;
  // One buffer per call: traces from several host threads never share it.
  char buffer[kTraceBufferSize];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0 || length >= kTraceBufferSize) return;
  OutputDebugStringA(buffer);
}
