// The plug-in's contract with the printer description file: the feature
// keywords it asks the host for, the option names it understands, and the
// image-processing callback identifier. Texts are compared exactly.
#pragma once

#include "halftone_methods.h"

inline constexpr char kFeatureHorizontalOffset[] = "HorizontalOffset";
inline constexpr char kFeatureTranslate180[] = "Translate180";
inline constexpr char kFeatureSavePaperMode[] = "SavePaperMode";

inline constexpr char kOptionTranslate180[] = "TRANS_180";
inline constexpr char kOptionSavePaperTop[] = "SavePaper_Top";
inline constexpr char kOptionSavePaperBottom[] = "SavePaper_Bottom";
inline constexpr char kOptionSavePaperTopAndBottom[] = "SavePaper_TopAndBottom";

// The halftone option names are the `name` column of kHalftoneOptions
// (halftone_methods.h), compared in its order.
inline constexpr unsigned long kImageProcessingCallbackId = 3;
