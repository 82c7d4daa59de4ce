// The test page offered after a successful installation.
#pragma once

#include <windows.h>

// Prints one page on the queue; returns 1 in every case.
BOOL PrintTestPage(const WCHAR* printerName);
