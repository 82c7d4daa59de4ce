// The test page offered after a successful installation.
#pragma once

#include <windows.h>

// Draws the test page on any device context, in its device units: string 113
// (the congratulation, the printer name and the time) in the rectangle from
// (10, 10) to (400, 500) in the stock system font made twice as tall and
// semi-bold, then logo bitmap 106 at (30, 20) over the text's first lines,
// which hold only a full stop. Leaves the context's font as it found it.
void DrawTestPage(HDC dc, const WCHAR* printerName, const SYSTEMTIME& time);

// Prints the test page as one job on the queue, named after the queue. A
// queue that cannot be opened prints nothing; returns 1 in every case.
BOOL PrintTestPage(const WCHAR* printerName);
