// The plug-in library under test, loaded through LoadLibrary as the host
// loads it (libbrindol80.so natively, BRINDOL80.DLL on Windows), and the
// fixture that gives each test a fresh substitute host and plug-in object.
#pragma once

#include <gtest/gtest.h>

#include "debug_capture.h"
#include "plugin_library.h"
#include "substitute_host.h"

namespace plugin_test {

// Loaded once per test program and kept until it ends.
const PluginLibrary& Plugin();

// A new plug-in object made the host's way (class factory, CreateInstance),
// holding one reference; null when the library refuses.
IPrintOemUni2* CreatePluginObject();

// Every test starts with the library unloadable (no object, no lock), gets a
// plug-in object made the host's way, and must leave no reference behind: on
// the plug-in, on the host's service object, or in the library's counts.
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  SubstituteHost host_;
  DebugCapture debug_;
  IPrintOemUni2* plugin_ = nullptr;
};

}  // namespace plugin_test
