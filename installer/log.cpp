// Diagnostic log lines (see log.h).
#include "log.h"

namespace {
constexpr size_t kLogLineChars = 768;
}

void LogLineV(const WCHAR* format, std::span<const FormatArg> args) {
  DWORD error = GetLastError();
  WCHAR line[kLogLineChars];
  int length = FormatTextV(line, kLogLineChars, format, args);
  if (length >= 0 && static_cast<size_t>(length) < kLogLineChars) {
    OutputDebugStringW(line);
    OutputDebugStringW(L"\n");
  }
  SetLastError(error);
}
