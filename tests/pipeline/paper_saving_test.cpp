// Paper saving: the rows kept for the row examples.
#include "paper_saving.h"

#include <gtest/gtest.h>

namespace {

struct RowsCase {
  const char* name;
  PaperSaving mode;
  LONG height, firstInk, lastInk;
  LONG top, bottom;  // kept rows [top, bottom); top >= bottom means no crop
};

TEST(PaperSaving, RowsKept) {
  const RowsCase cases[] = {
      {"top, ink at 3: no margin fits", PaperSaving::kTop, 40, 3, 39, 3, 40},
      {"top, ink at 8: 5 white rows stay", PaperSaving::kTop, 40, 8, 39, 3, 40},
      {"top, ink at 5: a margin of exactly 5 or none", PaperSaving::kTop, 40, 5, 39, 5, 40},
      {"top, all white, 24 rows: the last 5 stay", PaperSaving::kTop, 24, -1, -1, 19, 24},
      {"top, all white, 5 rows: nothing removed", PaperSaving::kTop, 5, -1, -1, 5, 5},
      {"bottom, ink ends at 10 of 40", PaperSaving::kBottom, 40, 0, 10, 0, 17},
      {"bottom, ink ends at 36 of 40", PaperSaving::kBottom, 40, 0, 36, 0, 38},
      {"bottom, ink in the last row", PaperSaving::kBottom, 40, 0, 39, 0, 41},
      {"bottom, all white", PaperSaving::kBottom, 40, -1, -1, 0, 40},
      {"both, ink from 8 to 10", PaperSaving::kTopAndBottom, 40, 8, 10, 3, 17},
      {"both, all white", PaperSaving::kTopAndBottom, 40, -1, -1, 35, 40},
      {"off", PaperSaving::kOff, 40, 8, 10, 0, 40},
  };
  for (const RowsCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RowRange rows = PaperSavingRows(c.mode, c.height, c.firstInk, c.lastInk);
    EXPECT_EQ(rows.top, c.top);
    EXPECT_EQ(rows.bottom, c.bottom);
  }
}

}  // namespace
