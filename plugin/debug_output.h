// Debug output of the plug-in: fixed messages gated by DebugLevel, and
// DebugTrace for free text. Both go to the system debug output as narrow text.
#pragma once

#include <windows.h>

// Threshold of the fixed messages: warnings are written at 1 or below, errors
// at 2 or below. Nothing in the plug-in changes it.
extern LONG DebugLevel;

// The places that write a fixed message; each has one constant text.
enum class DebugSite {
  kQueryInterfaceRefused,
  kGetInfoInvalidParameter,
  kDevModeInvalidParameter,
  kConvertDevmodeInvalid,
  kClassNotAvailable,
};

void DebugMessage(DebugSite site);

// Formats by the printf rules into a buffer of its own (768 bytes) and writes
// the text unchanged, without prefix or line end; a text longer than 767
// characters is not written at all. Not gated by DebugLevel.
void DebugTrace(const char* format, ...);
