// Typed job settings to the printer description's option texts.
#include "option_texts.h"

#include <cstdlib>

#include "printer_description.h"

std::string OffsetOptionText(int offsetMm) {
  // The description's options are P<10 x mm> (right) and M<10 x mm> (left).
  std::string text(1, offsetMm < 0 ? 'M' : 'P');
  text += std::to_string(std::abs(offsetMm) * 10);
  return text;
}

std::string Translate180OptionText(bool upsideDown) {
  return upsideDown ? kOptionTranslate180 : "TRANS_NONE";
}

std::string PaperSavingOptionText(PaperSaving mode) {
  switch (mode) {
    case PaperSaving::kTop:
      return kOptionSavePaperTop;
    case PaperSaving::kBottom:
      return kOptionSavePaperBottom;
    case PaperSaving::kTopAndBottom:
      return kOptionSavePaperTopAndBottom;
    case PaperSaving::kOff:
      break;
  }
  return "SavePaper_Off";
}
