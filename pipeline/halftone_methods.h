// The halftone methods of both products in one table: the method the pipeline
// applies, the keyword the printer application offers over IPP, and the
// option name the printer description hands the plug-in. Every other list of
// methods is read from this one.
#pragma once

#include <cstddef>

enum class HalftoneMethod {
  kThreshold,
  kOrdered,
  kBurkes,
  kStucki,
  kFloydSteinberg,
  kJarvisJudiceNinke,
  kSierra,
  kStevensonArce,
};

struct HalftoneOption {
  HalftoneMethod method;
  const char* keyword;  // IPP "halftone-method" value
  const char* name;     // the printer description's option name
  long ditherNumber;    // the image core's Dither method; unused for the threshold
};

// In the order the plug-in compares the names and the printer application
// lists its keywords; the first is what an unknown name falls back to.
inline constexpr HalftoneOption kHalftoneOptions[] = {
    {HalftoneMethod::kThreshold, "none", "HT_NONE", 0},
    {HalftoneMethod::kOrdered, "ordered", "HT_Ordered", 1},
    {HalftoneMethod::kBurkes, "burkes", "HT_Burkes", 2},
    {HalftoneMethod::kStucki, "stucki", "HT_Stucki", 3},
    {HalftoneMethod::kFloydSteinberg, "floyd-steinberg", "HT_FloydSteinberg", 0},
    {HalftoneMethod::kJarvisJudiceNinke, "jarvis-judice-ninke", "HT_Jarvis-Judice-Ninke", 4},
    {HalftoneMethod::kSierra, "sierra", "HT_Sierra", 5},
    {HalftoneMethod::kStevensonArce, "stevenson-arce", "HT_StevensonArce", 6},
};

// The row of `method`; every enumerator has one.
constexpr const HalftoneOption& HalftoneOptionOf(HalftoneMethod method) {
  for (const HalftoneOption& option : kHalftoneOptions) {
    if (option.method == method) return option;
  }
  return kHalftoneOptions[0];
}
