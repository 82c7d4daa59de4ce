// The empty BGR palette a 24-bit device context gets as its default palette.
#pragma once

#include "printer_oem.h"

// EngCreatePalette in BGR mode with no colours and zero masks, resolved from
// gdi32 at run time (hosts without the GDI engine services must still load
// the plug-in). Null when the service is missing or fails.
HPALETTE CreateEmptyBgrPalette();
