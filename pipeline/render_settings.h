// What the band pipeline is told about a job, in plain types. Each host
// fills it from its own settings: the plug-in from the option texts it reads
// from its host, the printer application from its IPP values.
#pragma once

#include <optional>

#include "feed_convention.h"
#include "halftone_methods.h"

enum class PaperSaving { kOff = 0, kTop = 1, kBottom = 2, kTopAndBottom = 3 };

struct RenderSettings {
  HalftoneMethod halftone = HalftoneMethod::kThreshold;
  // None: the band keeps its own width. A value, even 0, places the band on
  // the paper's full width shifted by that many dots (+ right, - left).
  std::optional<long> offsetDots;
  bool halfTurn = false;   // printed upside down
  bool landscape = false;  // the band is turned a quarter left first
  PaperSaving paperSaving = PaperSaving::kOff;
  // The plug-in's printers are this family's; the printer application also
  // drives printers whose blocks advance the paper.
  FeedConvention feed = FeedConvention::kFeedAfterBlock;
};
