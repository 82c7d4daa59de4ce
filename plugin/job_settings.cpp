// Job settings: reading them from the host and parsing their option texts.
#include "job_settings.h"

#include <cstring>
#include <limits>

#include "printer_description.h"

namespace {

constexpr long long kLongMax = std::numeric_limits<LONG>::max();
constexpr long long kLongMin = std::numeric_limits<LONG>::min();

LONG Saturate(long long value) {
  if (value > kLongMax) return static_cast<LONG>(kLongMax);
  if (value < kLongMin) return static_cast<LONG>(kLongMin);
  return static_cast<LONG>(value);
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi's reading: blanks, one optional sign, decimal digits up to the first
// other character. Values beyond LONG saturate.
LONG ReadNumber(const char* text) {
  while (IsCSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value <= kLongMax) value = value * 10 + (*text - '0');
  }
  return Saturate(negative ? -value : value);
}

}  // namespace

LONG ParseHorizontalOffset(const char* text) {
  if (!text) return 0;
  if (const char* p = std::strchr(text, 'P')) return ReadNumber(p + 1);
  if (const char* m = std::strchr(text, 'M')) {
    return Saturate(-static_cast<long long>(ReadNumber(m + 1)));
  }
  return 0;
}

LONG OffsetDots(LONG number) { return static_cast<LONG>(static_cast<long long>(number) * 8 / 10); }

bool ParseTranslate180(const char* text) {
  return text && std::strcmp(text, kOptionTranslate180) == 0;
}

PaperSaving ParsePaperSaving(const char* text) {
  if (!text) return PaperSaving::kOff;
  if (std::strcmp(text, kOptionSavePaperTop) == 0) return PaperSaving::kTop;
  if (std::strcmp(text, kOptionSavePaperBottom) == 0) return PaperSaving::kBottom;
  if (std::strcmp(text, kOptionSavePaperTopAndBottom) == 0) return PaperSaving::kTopAndBottom;
  return PaperSaving::kOff;
}

HalftoneMethod HalftoneFor(const char* name) {
  if (name) {
    for (const HalftoneOption& option : kHalftoneOptions) {
      if (std::strcmp(name, option.name) == 0) return option.method;
    }
  }
  return HalftoneMethod::kThreshold;
}

RenderSettings ReadJobSettings(const HostServices& host, const DEVOBJ* pdevobj) {
  RenderSettings settings;
  if (host.CanReadSettings()) {
    const LONG offset = ParseHorizontalOffset(host.ReadSetting(kFeatureHorizontalOffset).c_str());
    if (offset != 0) settings.offsetDots = OffsetDots(offset);
    settings.halfTurn = ParseTranslate180(host.ReadSetting(kFeatureTranslate180).c_str());
    settings.paperSaving = ParsePaperSaving(host.ReadSetting(kFeatureSavePaperMode).c_str());
  }
  settings.landscape =
      pdevobj && pdevobj->pPublicDM && pdevobj->pPublicDM->dmOrientation == DMORIENT_LANDSCAPE;
  return settings;
}
