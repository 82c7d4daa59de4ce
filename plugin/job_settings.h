// The job settings the band pipeline reads from the host on every call, and
// the parsing of their option texts.
#pragma once

#include "host_services.h"
#include "printer_oem.h"

enum class PaperSaving { kOff = 0, kTop = 1, kBottom = 2, kTopAndBottom = 3 };

struct JobSettings {
  LONG offsetNumber = 0;  // as written in the option text; dots = OffsetDots(number)
  bool rotate180 = false;
  PaperSaving paperSaving = PaperSaving::kOff;
  bool landscape = false;
};

struct Halftone {
  bool threshold;  // Threshold(180); otherwise Dither(method)
  LONG method;
};

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
Halftone HalftoneFor(const char* name);

// Reads the three features in their fixed order (the host sees these calls on
// every band) and the orientation from the public DEVMODE.
JobSettings ReadJobSettings(const HostServices& host, const DEVOBJ* pdevobj);
