// Parsing of the job settings' option texts.
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

}  // namespace
