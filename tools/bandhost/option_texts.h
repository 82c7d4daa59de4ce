// The option texts the printer description offers for typed job settings:
// what a host answers the plug-in's DrvGetDriverSetting for them.
#pragma once

#include <string>

#include "render_settings.h"

std::string OffsetOptionText(int offsetMm);  // "P0", "P10", "M200"
std::string Translate180OptionText(bool upsideDown);
std::string PaperSavingOptionText(PaperSaving mode);
