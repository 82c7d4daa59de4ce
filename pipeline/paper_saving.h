// Paper saving: which rows of the output image stay when white rows at the
// top, the bottom or both are trimmed, with a 5-row margin where it fits whole.
#pragma once

#include <windows.h>

#include "render_settings.h"

class DibImage;

struct RowRange {
  LONG top;     // first row kept, counted from the top
  LONG bottom;  // one past the last row kept
};

// firstInk and lastInk are the first and last non-white rows counted from the
// top, or -1 when every row is white. The range is empty (top >= bottom) when
// nothing is to be cut.
RowRange PaperSavingRows(PaperSaving mode, LONG height, LONG firstInk, LONG lastInk);

// Scans the image for non-white rows (a gray other than 255) and crops it to
// PaperSavingRows over its full width. Off: nothing happens.
void ApplyPaperSaving(DibImage& image, PaperSaving mode);
