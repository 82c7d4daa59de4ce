// The job settings the plug-in reads from the host on every band, and the
// parsing of their option texts into the band pipeline's settings.
#pragma once

#include "host_services.h"
#include "printer_oem.h"
#include "render_settings.h"

// The number of a "HorizontalOffset" option: when the text holds a 'P', the
// first 'P' decides and the number is read right after it (even when that
// gives 0); only a text without 'P' looks for the first 'M', giving the
// negated number. Numbers are read as atoi reads them, saturating instead of
// overflowing. Null or neither letter: 0.
LONG ParseHorizontalOffset(const char* text);
// The shift in dots: number x 8 / 10, truncated toward zero.
LONG OffsetDots(LONG number);
bool ParseTranslate180(const char* text);
PaperSaving ParsePaperSaving(const char* text);
// The halftone option name handed in IPPARAMS. Unknown names and no name at
// all threshold like "HT_NONE": the packing needs a 1-bit image.
HalftoneMethod HalftoneFor(const char* name);

// Reads the three features in their fixed order (the host sees these calls on
// every band) and the orientation from the public DEVMODE. The halftone is
// left at the threshold: it comes with the band, not from these calls. Any
// offset number other than 0 places the band on the paper, even one that
// comes to 0 dots.
RenderSettings ReadJobSettings(const HostServices& host, const DEVOBJ* pdevobj);
