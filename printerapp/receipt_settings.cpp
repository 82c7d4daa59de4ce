// Receipt settings: IPP values to pipeline options and printer commands.
#include "receipt_settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "printer_description.h"

namespace {

// The halftone keywords, in the order of the pipeline's option names.
constexpr const char* kHalftoneKeywords[] = {"none",   "ordered",         "burkes",
                                             "stucki", "floyd-steinberg", "jarvis-judice-ninke",
                                             "sierra", "stevenson-arce"};
static_assert(std::size(kHalftoneKeywords) == std::size(kHalftoneOptions));

struct KeywordText {
  const char* keyword;
  const char* option;
};
constexpr KeywordText kPaperSaving[] = {{"off", "SavePaper_Off"},
                                        {"top", kOptionSavePaperTop},
                                        {"bottom", kOptionSavePaperBottom},
                                        {"top-and-bottom", kOptionSavePaperTopAndBottom}};

// The commands the printer descriptions send for the cutter and the drawer:
// GS V B 0 / GS V A 0 feed the last line past the blade, then cut; ESC p 0
// 25 250 pulses drawer pin 2 for 50 ms.
constexpr std::uint8_t kPartialCut[] = {0x1D, 0x56, 0x42, 0x00};
constexpr std::uint8_t kFullCut[] = {0x1D, 0x56, 0x41, 0x00};
constexpr std::uint8_t kOpenDrawer[] = {0x1B, 0x70, 0x00, 0x19, 0xFA};

bool ParseBoolean(const std::string& value, bool& out) {
  if (value == "true" || value == "on" || value == "yes") {
    out = true;
  } else if (value == "false" || value == "off" || value == "no") {
    out = false;
  } else {
    return false;
  }
  return true;
}

bool ParseInteger(const std::string& value, int low, int high, int& out) {
  if (value.empty() || value.size() > 6) return false;
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(value.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || number < low || number > high) return false;
  out = static_cast<int>(number);
  return true;
}

// Byte by byte: GCC 12's optimiser warns falsely (stringop-overflow) about
// the range insert into an empty vector.
void Append(std::vector<std::uint8_t>& bytes, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(data[i]);
}

}  // namespace

const std::vector<VendorAttribute>& VendorAttributes() {
  static const std::vector<VendorAttribute> attributes = {
      {kAttrHalftone,
       std::vector<const char*>(std::begin(kHalftoneKeywords), std::end(kHalftoneKeywords)),
       "none"},
      {kAttrUpsideDown, {}, "false"},
      {kAttrOffset, {}, "0"},
      {kAttrPaperSaving, {"off", "top", "bottom", "top-and-bottom"}, "off"},
      {kAttrOrientation, {"portrait", "landscape"}, "portrait"},
      {kAttrCut, {"none", "partial", "full"}, "partial"},
      {kAttrDrawer, {"none", "before", "after"}, "none"},
  };
  return attributes;
}

bool ApplySetting(ReceiptSettings& settings, const std::string& name, const std::string& value,
                  std::string& error) {
  auto bad = [&] {
    error = "unsupported " + name + " value '" + value + "'";
    return false;
  };
  if (name == kAttrHalftone) {
    for (std::size_t i = 0; i < std::size(kHalftoneKeywords); ++i) {
      if (value == kHalftoneKeywords[i]) {
        settings.halftone = kHalftoneOptions[i].name;
        return true;
      }
    }
    return bad();
  }
  if (name == kAttrUpsideDown) return ParseBoolean(value, settings.upsideDown) || bad();
  if (name == kAttrOffset) {
    return ParseInteger(value, -kMaxOffsetMm, kMaxOffsetMm, settings.offsetMm) || bad();
  }
  if (name == kAttrPaperSaving) {
    for (const KeywordText& k : kPaperSaving) {
      if (value == k.keyword) {
        settings.paperSaving = k.option;
        return true;
      }
    }
    return bad();
  }
  if (name == kAttrOrientation) {
    if (value != "portrait" && value != "landscape") return bad();
    settings.landscape = value == "landscape";
    return true;
  }
  if (name == kAttrCut) {
    if (value == "none") {
      settings.cut = CutAtEnd::kNone;
    } else if (value == "partial") {
      settings.cut = CutAtEnd::kPartial;
    } else if (value == "full") {
      settings.cut = CutAtEnd::kFull;
    } else {
      return bad();
    }
    return true;
  }
  if (name == kAttrDrawer) {
    if (value == "none") {
      settings.drawer = CashDrawer::kNone;
    } else if (value == "before") {
      settings.drawer = CashDrawer::kBefore;
    } else if (value == "after") {
      settings.drawer = CashDrawer::kAfter;
    } else {
      return bad();
    }
    return true;
  }
  error = "unknown setting '" + name + "'";
  return false;
}

std::string OffsetOptionText(int offsetMm) {
  // The description's options are P<10 x mm> (right) and M<10 x mm> (left).
  std::string text(1, offsetMm < 0 ? 'M' : 'P');
  text += std::to_string(std::abs(offsetMm) * 10);
  return text;
}

std::string Translate180OptionText(bool upsideDown) {
  return upsideDown ? kOptionTranslate180 : "TRANS_NONE";
}

std::vector<std::uint8_t> JobStartCommands(const ReceiptSettings& settings) {
  std::vector<std::uint8_t> bytes;
  if (settings.drawer == CashDrawer::kBefore) Append(bytes, kOpenDrawer, sizeof kOpenDrawer);
  return bytes;
}

std::vector<std::uint8_t> JobEndCommands(const ReceiptSettings& settings) {
  std::vector<std::uint8_t> bytes;
  if (settings.cut == CutAtEnd::kPartial) Append(bytes, kPartialCut, sizeof kPartialCut);
  if (settings.cut == CutAtEnd::kFull) Append(bytes, kFullCut, sizeof kFullCut);
  // After the cut, so that the drawer opens when the receipt can be torn off.
  if (settings.drawer == CashDrawer::kAfter) Append(bytes, kOpenDrawer, sizeof kOpenDrawer);
  return bytes;
}
