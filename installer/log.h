// The setup program's diagnostic log: one line per call on the platform's
// debug output, then a line feed of its own. A line that cannot be formatted
// or would need more than 767 characters is not written at all. Each call
// formats into a buffer of its own, so lines from several threads never mix.
// The caller's last-error code survives the call.
#pragma once

#include "wide_format.h"

void LogLineV(const WCHAR* format, std::span<const FormatArg> args);

template <typename... Args>
void LogLine(const WCHAR* format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  LogLineV(format, list);
}
