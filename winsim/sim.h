// Control surface of winsim for tests: set up state, make calls fail, read
// what was recorded. Every area adds its own header below.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace sim {

// Everything written with OutputDebugStringA/W since the last reset, one entry
// per call, exactly as written (narrow; wide text converted to UTF-8).
std::vector<std::string> DebugOutput();
void ClearDebugOutput();
// When set, debug output is also echoed to stderr (handy when a test fails).
void EchoDebugOutput(bool on);

}  // namespace sim

#if __has_include("sim_installer.h")
#include "sim_installer.h"
#endif
