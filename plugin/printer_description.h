// The plug-in's contract with the printer description file: the feature
// keywords it asks the host for, the option names it understands, and the
// image-processing callback identifier. Texts are compared exactly.
#pragma once

inline constexpr char kFeatureHorizontalOffset[] = "HorizontalOffset";
inline constexpr char kFeatureTranslate180[] = "Translate180";
inline constexpr char kFeatureSavePaperMode[] = "SavePaperMode";

inline constexpr char kOptionTranslate180[] = "TRANS_180";
inline constexpr char kOptionSavePaperTop[] = "SavePaper_Top";
inline constexpr char kOptionSavePaperBottom[] = "SavePaper_Bottom";
inline constexpr char kOptionSavePaperTopAndBottom[] = "SavePaper_TopAndBottom";

// Halftone option names in the order they are compared. The first is the
// plain threshold; the others name a dithering method of the image core.
struct HalftoneOption {
  const char* name;
  bool threshold;  // Threshold(180) instead of Dither
  long method;     // Dither method number
};
inline constexpr HalftoneOption kHalftoneOptions[] = {
    {"HT_NONE", true, 0},    {"HT_Ordered", false, 1},        {"HT_Burkes", false, 2},
    {"HT_Stucki", false, 3}, {"HT_FloydSteinberg", false, 0}, {"HT_Jarvis-Judice-Ninke", false, 4},
    {"HT_Sierra", false, 5}, {"HT_StevensonArce", false, 6},
};

inline constexpr unsigned long kImageProcessingCallbackId = 3;
