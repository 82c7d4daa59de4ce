// The receipt printer's job settings as the printer application offers them
// (IPP attributes of the printer and the job) and their translation into what
// the band pipeline and the printer understand: the option texts the Windows
// driver's host would answer, and the job's framing commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CutAtEnd { kNone, kPartial, kFull };
enum class CashDrawer { kNone, kBefore, kAfter };

struct ReceiptSettings {
  std::string halftone = "HT_NONE";  // the pipeline's halftone option name
  bool upsideDown = false;
  int offsetMm = 0;  // + right, - left
  std::string paperSaving = "SavePaper_Off";
  bool landscape = false;
  CutAtEnd cut = CutAtEnd::kPartial;
  CashDrawer drawer = CashDrawer::kNone;
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

inline constexpr int kMaxOffsetMm = 20;  // the driver offers 20 mm either way

const std::vector<VendorAttribute>& VendorAttributes();

// Applies one attribute given as IPP text ("floyd-steinberg", "true", "-3").
// False, with `error` saying what was wrong, for an unknown name or value;
// the settings are then unchanged.
bool ApplySetting(ReceiptSettings& settings, const std::string& name, const std::string& value,
                  std::string& error);

// The option texts the host answers for the pipeline's three features.
std::string OffsetOptionText(int offsetMm);  // "P0", "P10", "M200"
std::string Translate180OptionText(bool upsideDown);

// The printer commands sent before the first page and after the last one.
std::vector<std::uint8_t> JobStartCommands(const ReceiptSettings& settings);
std::vector<std::uint8_t> JobEndCommands(const ReceiptSettings& settings);
