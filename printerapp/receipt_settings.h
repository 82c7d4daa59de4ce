// The receipt printer's job settings as the printer application offers them
// (IPP attributes of the printer and the job) and their translation into what
// the band pipeline and the printer understand: the pipeline's settings and
// the job's framing commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render_settings.h"

enum class CutAtEnd { kNone, kPartial, kFull };
enum class CashDrawer { kNone, kBefore, kAfter };
// Content: blank paper above and below each page's content is not fed (a
// 3 mm margin stays, content_trim.h); page: every page is fed whole, for
// tickets of a fixed length.
enum class ReceiptLength { kContent, kPage };

struct ReceiptSettings {
  // Floyd-Steinberg by default: an error-diffusion method keeps pure black
  // and pure white exactly as they are (no error to spread), so text and
  // barcodes stay as crisp as under the threshold, while photos and gray
  // ramps come out as dithered pictures instead of black blobs. Of the
  // error-diffusion methods it spreads to the fewest neighbours: the fastest.
  HalftoneMethod halftone = HalftoneMethod::kFloydSteinberg;
  bool upsideDown = false;
  int offsetMm = 0;  // + right, - left
  PaperSaving paperSaving = PaperSaving::kOff;
  bool landscape = false;
  CutAtEnd cut = CutAtEnd::kPartial;
  CashDrawer drawer = CashDrawer::kNone;
  ReceiptLength length = ReceiptLength::kContent;
  // The printer's, chosen by its driver; no job attribute changes it.
  FeedConvention feed = FeedConvention::kFeedAfterBlock;
};

// One vendor attribute: its IPP name, its keyword values (empty for the
// boolean and integer ones) and its default as IPP text.
struct VendorAttribute {
  const char* name;
  std::vector<const char*> keywords;
  const char* defaultValue;
};

// The attribute names, in the order the web interface shows them.
inline constexpr char kAttrHalftone[] = "halftone-method";
inline constexpr char kAttrUpsideDown[] = "upside-down";
inline constexpr char kAttrOffset[] = "horizontal-offset";
inline constexpr char kAttrPaperSaving[] = "paper-saving";
inline constexpr char kAttrOrientation[] = "receipt-orientation";
inline constexpr char kAttrCut[] = "cut-at-job-end";
inline constexpr char kAttrDrawer[] = "cash-drawer";
inline constexpr char kAttrLength[] = "receipt-length";

inline constexpr int kMaxOffsetMm = 20;  // the driver offers 20 mm either way

const std::vector<VendorAttribute>& VendorAttributes();

// Applies one attribute given as IPP text ("floyd-steinberg", "true", "-3").
// False, with `error` saying what was wrong, for an unknown name or value;
// the settings are then unchanged.
bool ApplySetting(ReceiptSettings& settings, const std::string& name, const std::string& value,
                  std::string& error);

// The settings as the attributes that would choose them, in the order of
// VendorAttributes(): "halftone-method=floyd-steinberg upside-down=false ...".
std::string SettingsText(const ReceiptSettings& settings);

// What a standard client (CUPS, Windows, macOS, phones) can choose per job:
// the values of print-quality, print-content-optimize, and whether
// finishings asks for a trim.
struct StandardChoices {
  std::string quality = "normal";
  std::string content = "auto";
  bool trim = false;
};

// Lets the standard attributes choose the halftone and the cut (README has the
// table). Called between the printer's defaults and the job's own vendor
// attributes, so that a vendor attribute the job names still wins. Unknown
// values change nothing.
void ApplyStandardChoices(ReceiptSettings& settings, const StandardChoices& choices);

// The band pipeline's settings: a millimetre is 8 dots; no offset keeps a
// band narrower than the paper at its own width, as the Windows driver does.
RenderSettings RenderSettingsFor(const ReceiptSettings& settings);

// The printer commands sent before the first page and after the last one;
// headDots is the printable width of the printer's head.
std::vector<std::uint8_t> JobStartCommands(const ReceiptSettings& settings, unsigned headDots);
std::vector<std::uint8_t> JobEndCommands(const ReceiptSettings& settings);
