// Receipt settings: IPP values to pipeline settings and printer commands.
#include "receipt_settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Each keyword attribute's values, in the order of what they select: the
// enumerators of PaperSaving, CutAtEnd, CashDrawer and ReceiptLength. The halftone keywords
// are the table's own (halftone_methods.h).
constexpr const char* kPaperSavingKeywords[] = {"off", "top", "bottom", "top-and-bottom"};
constexpr const char* kOrientationKeywords[] = {"portrait", "landscape"};
constexpr const char* kCutKeywords[] = {"none", "partial", "full"};
constexpr const char* kDrawerKeywords[] = {"none", "before", "after"};
constexpr const char* kLengthKeywords[] = {"content", "page"};

template <std::size_t N>
std::vector<const char*> List(const char* const (&keywords)[N]) {
  return {std::begin(keywords), std::end(keywords)};
}

std::vector<const char*> HalftoneKeywords() {
  std::vector<const char*> keywords;
  for (const HalftoneOption& option : kHalftoneOptions) keywords.push_back(option.keyword);
  return keywords;
}

// The commands the printer descriptions send for the cutter and the drawer:
// GS V B 0 / GS V A 0 feed the last line past the blade, then cut; ESC p 0
// 25 250 pulses drawer pin 2 for 50 ms.
constexpr std::uint8_t kPartialCut[] = {0x1D, 0x56, 0x42, 0x00};
constexpr std::uint8_t kFullCut[] = {0x1D, 0x56, 0x41, 0x00};
constexpr std::uint8_t kOpenDrawer[] = {0x1B, 0x70, 0x00, 0x19, 0xFA};
// Before a generic printer's job, whose blocks are placed with GS L: ESC @
// (justification, margins and print area at their defaults, whatever the
// last job left), then GS P 203 0, the horizontal motion unit (GS L's and GS
// W's) one dot of the 203-dpi picture. Printers default to 1/203 inch or to
// 1/180; 0 keeps the vertical unit, ESC J's, at its default as before.
constexpr std::uint8_t kInitialize[] = {0x1B, 0x40, 0x1D, 0x50, 203, 0x00};

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
      {kAttrHalftone, HalftoneKeywords(), HalftoneOptionOf(ReceiptSettings{}.halftone).keyword},
      {kAttrUpsideDown, {}, "false"},
      {kAttrOffset, {}, "0"},
      {kAttrPaperSaving, List(kPaperSavingKeywords), "off"},
      {kAttrOrientation, List(kOrientationKeywords), "portrait"},
      {kAttrCut, List(kCutKeywords), "partial"},
      {kAttrDrawer, List(kDrawerKeywords), "none"},
      {kAttrLength, List(kLengthKeywords), "content"},
  };
  return attributes;
}

bool ApplySetting(ReceiptSettings& settings, const std::string& name, const std::string& value,
                  std::string& error) {
  auto bad = [&] {
    error = "unsupported " + name + " value '" + value + "'";
    return false;
  };
  if (name == kAttrUpsideDown) return ParseBoolean(value, settings.upsideDown) || bad();
  if (name == kAttrOffset) {
    return ParseInteger(value, -kMaxOffsetMm, kMaxOffsetMm, settings.offsetMm) || bad();
  }
  const std::vector<VendorAttribute>& attributes = VendorAttributes();
  const auto attribute = std::find_if(attributes.begin(), attributes.end(),
                                      [&](const VendorAttribute& a) { return name == a.name; });
  if (attribute == attributes.end()) {
    error = "unknown setting '" + name + "'";
    return false;
  }
  const std::vector<const char*>& keywords = attribute->keywords;
  const auto keyword = std::find(keywords.begin(), keywords.end(), value);
  if (keyword == keywords.end()) return bad();
  const std::size_t i = static_cast<std::size_t>(keyword - keywords.begin());
  if (name == kAttrHalftone) settings.halftone = kHalftoneOptions[i].method;
  if (name == kAttrPaperSaving) settings.paperSaving = static_cast<PaperSaving>(i);
  if (name == kAttrOrientation) settings.landscape = i == 1;
  if (name == kAttrCut) settings.cut = static_cast<CutAtEnd>(i);
  if (name == kAttrDrawer) settings.drawer = static_cast<CashDrawer>(i);
  if (name == kAttrLength) settings.length = static_cast<ReceiptLength>(i);
  return true;
}

namespace {

// One attribute's value as IPP text, the inverse of ApplySetting.
std::string SettingValue(const ReceiptSettings& settings, const std::string& name) {
  const auto at = [](const auto& keywords, auto value) {
    return std::string(keywords[static_cast<std::size_t>(value)]);
  };
  if (name == kAttrHalftone) return HalftoneOptionOf(settings.halftone).keyword;
  if (name == kAttrUpsideDown) return settings.upsideDown ? "true" : "false";
  if (name == kAttrOffset) return std::to_string(settings.offsetMm);
  if (name == kAttrPaperSaving) return at(kPaperSavingKeywords, settings.paperSaving);
  if (name == kAttrOrientation) return at(kOrientationKeywords, settings.landscape ? 1 : 0);
  if (name == kAttrCut) return at(kCutKeywords, settings.cut);
  if (name == kAttrDrawer) return at(kDrawerKeywords, settings.drawer);
  if (name == kAttrLength) return at(kLengthKeywords, settings.length);
  return "?";
}

}  // namespace

std::string SettingsText(const ReceiptSettings& settings) {
  std::string text;
  for (const VendorAttribute& attribute : VendorAttributes()) {
    // Appended piece by piece: GCC 12's optimiser reports a false overlap
    // (-Wrestrict) in the concatenated form.
    if (!text.empty()) text += ' ';
    text += attribute.name;
    text += '=';
    text += SettingValue(settings, attribute.name);
  }
  return text;
}

void ApplyStandardChoices(ReceiptSettings& settings, const StandardChoices& choices) {
  // Text is thresholded at every quality: dithering only adds specks along
  // anti-aliased edges. A photo is always dithered; draft takes the ordered
  // dither (no error to carry from dot to dot: the fastest that still draws
  // gray), high the error diffusion that spreads widest. Everything else
  // follows the quality, except normal quality, which leaves the choice to
  // the halftone-method setting: a client that sends only print-quality=normal
  // (CUPS always does) then gets the printer's own default.
  const struct {
    const char* quality;
    HalftoneMethod text, photo, other;
  } kTable[] = {
      {"draft", HalftoneMethod::kThreshold, HalftoneMethod::kOrdered, HalftoneMethod::kThreshold},
      {"normal", HalftoneMethod::kThreshold, HalftoneMethod::kFloydSteinberg, settings.halftone},
      {"high", HalftoneMethod::kThreshold, HalftoneMethod::kJarvisJudiceNinke,
       HalftoneMethod::kJarvisJudiceNinke},
  };
  for (const auto& row : kTable) {
    if (choices.quality != row.quality) continue;
    if (choices.content == "text") {
      settings.halftone = row.text;
    } else if (choices.content == "photo") {
      settings.halftone = row.photo;
    } else if (choices.content == "auto" || choices.content == "graphic" ||
               choices.content == "text-and-graphic") {
      settings.halftone = row.other;
    }
  }
  // A trim cuts the receipt off the roll: the full cut. No trim (finishings
  // none, which clients may send on every job, or no finishings at all)
  // keeps the cut-at-job-end setting.
  if (choices.trim) settings.cut = CutAtEnd::kFull;
}

RenderSettings RenderSettingsFor(const ReceiptSettings& settings) {
  constexpr long kDotsPerMm = 8;
  RenderSettings render;
  render.halftone = settings.halftone;
  if (settings.offsetMm != 0) render.offsetDots = settings.offsetMm * kDotsPerMm;
  render.halfTurn = settings.upsideDown;
  render.landscape = settings.landscape;
  render.paperSaving = settings.paperSaving;
  render.feed = settings.feed;
  return render;
}

std::vector<std::uint8_t> JobStartCommands(const ReceiptSettings& settings, unsigned headDots) {
  std::vector<std::uint8_t> bytes;
  if (settings.feed == FeedConvention::kBlockAdvances) {
    Append(bytes, kInitialize, sizeof kInitialize);
    // GS W: the print area as wide as the head, as the blocks assume.
    const std::uint8_t area[] = {0x1D, 0x57, static_cast<std::uint8_t>(headDots & 0xFF),
                                 static_cast<std::uint8_t>((headDots >> 8) & 0xFF)};
    Append(bytes, area, sizeof area);
  }
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
