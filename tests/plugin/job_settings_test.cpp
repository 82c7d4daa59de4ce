// Parsing of the job settings' option texts and of the halftone names.
#include "job_settings.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr LONG kMax = std::numeric_limits<LONG>::max();

struct OffsetCase {
  const char* text;
  LONG number;
};

TEST(JobSettings, HorizontalOffsetNumber) {
  const OffsetCase cases[] = {
      {"P10", 10},
      {"M10", -10},
      {"P5", 5},
      {"P1", 1},
      {"PM10", 0},  // the first P decides, even when nothing follows it
      {"PX10", 0},
      {"M10P20", 20},
      {"P10M20", 10},
      {"OffsetP8", 8},
      {"P\t+7", 7},  // atoi: blanks (tab too) and one sign
      {"P -3", -3},
      {"M-4", 4},
      {"P+-3", 0},
      {"P12ab", 12},
      {"p10", 0},
      {"m10", 0},
      {"", 0},
      {"NONE", 0},
      {"P99999999999", kMax},
      {"M99999999999", -kMax},
  };
  for (const OffsetCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseHorizontalOffset(c.text), c.number);
  }
  EXPECT_EQ(ParseHorizontalOffset(nullptr), 0);
}

TEST(JobSettings, OffsetDotsTruncateTowardZero) {
  const LONG cases[][2] = {{10, 8},  {5, 4},     {1, 0},     {-1, 0},           {-10, -8},
                           {-5, -4}, {720, 576}, {719, 575}, {kMax, 1717986917}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    EXPECT_EQ(OffsetDots(c[0]), c[1]);
  }
}

TEST(JobSettings, Translate180AndPaperSavingCompareExactly) {
  EXPECT_TRUE(ParseTranslate180("TRANS_180"));
  for (const char* text : {"trans_180", "TRANS_180 ", "TRANS_18", "", "NONE"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseTranslate180(text));
  }
  EXPECT_FALSE(ParseTranslate180(nullptr));

  const std::pair<const char*, PaperSaving> modes[] = {
      {"SavePaper_Top", PaperSaving::kTop},
      {"SavePaper_Bottom", PaperSaving::kBottom},
      {"SavePaper_TopAndBottom", PaperSaving::kTopAndBottom},
      {"SavePaper_None", PaperSaving::kOff},
      {"savepaper_top", PaperSaving::kOff},
      {"SavePaper_Top ", PaperSaving::kOff},
      {"", PaperSaving::kOff},
  };
  for (const auto& [text, mode] : modes) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParsePaperSaving(text), mode);
  }
  EXPECT_EQ(ParsePaperSaving(nullptr), PaperSaving::kOff);
}

TEST(JobSettings, HalftoneNamesSelectTheirOperation) {
  struct Case {
    const char* name;
    bool threshold;
    LONG method;
  } const cases[] = {
      {"HT_NONE", true, 0},
      {"HT_Ordered", false, 1},
      {"HT_Burkes", false, 2},
      {"HT_Stucki", false, 3},
      {"HT_FloydSteinberg", false, 0},
      {"HT_Jarvis-Judice-Ninke", false, 4},
      {"HT_Sierra", false, 5},
      {"HT_StevensonArce", false, 6},
      // Unknown names threshold like HT_NONE.
      {"HT_Bayer", true, 0},
      {"ht_ordered", true, 0},
      {"", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Halftone halftone = HalftoneFor(c.name);
    EXPECT_EQ(halftone.threshold, c.threshold);
    if (!c.threshold) {
      EXPECT_EQ(halftone.method, c.method);
    }
  }
  EXPECT_TRUE(HalftoneFor(nullptr).threshold);
}

}  // namespace
