// The setup program: one modal dialog.
#pragma once

#include <windows.h>

// Runs the program with its resources in `instance`; returns 0 in every case.
int RunSetupProgram(HINSTANCE instance);
