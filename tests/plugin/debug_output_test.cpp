// Debug output: DebugTrace's buffer limit and formatting, and the DebugLevel
// gate of the fixed messages.
#include "debug_output.h"

#include <gtest/gtest.h>

#include <string>

#include "debug_capture.h"

namespace {

using Lines = std::vector<std::string>;

TEST(DebugOutput, TraceWritesWholeTextsUpTo767Characters) {
  plugin_test::DebugCapture capture;
  const std::string fits(767, 'x');
  const std::string tooLong(768, 'y');
  DebugTrace("%s", fits.c_str());
  DebugTrace("%s", tooLong.c_str());
  DebugTrace("%d-%s", 5, "band");
  DebugTrace("PublishDriverInterface");
  EXPECT_EQ(capture.Lines(), (Lines{fits, "5-band", "PublishDriverInterface"}));
}

TEST(DebugOutput, LevelGatesWarningsAtOneAndErrorsAtTwo) {
  const LONG saved = DebugLevel;
  const char* warning =
      "intrface@112: Warning: COemUni2::QueryInterface NULL. Returning E_NOINTERFACE.\r\n";
  const char* error = "intrface@306: Error:DevMode() ERROR_INVALID_PARAMETER.\r\n";
  const struct {
    LONG level;
    Lines written;
  } cases[] = {{0, {warning, error}}, {1, {warning, error}}, {2, {error}}, {3, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    plugin_test::DebugCapture capture;
    DebugLevel = c.level;
    DebugMessage(DebugSite::kQueryInterfaceRefused);
    DebugMessage(DebugSite::kDevModeInvalidParameter);
    EXPECT_EQ(capture.Lines(), c.written);
  }
  DebugLevel = saved;
}

}  // namespace
