// Loading the plug-in library and the shared fixture.
#include "plugin_under_test.h"

#ifndef BRINDOL_PLUGIN_PATH
#error "the build names the plug-in library under test"
#endif

namespace plugin_test {

const PluginLibrary& Plugin() {
  static const PluginLibrary library(BRINDOL_PLUGIN_PATH, /*keep=*/true);
  return library;
}

IPrintOemUni2* CreatePluginObject() { return ::CreatePluginObject(Plugin().getClassObject); }

void PluginTest::SetUp() {
  ASSERT_NE(Plugin().getClassObject, nullptr) << "cannot load " << BRINDOL_PLUGIN_PATH;
  ASSERT_NE(Plugin().canUnloadNow, nullptr);
  ASSERT_EQ(Plugin().canUnloadNow(), S_OK) << "an earlier test left objects or locks behind";
  plugin_ = CreatePluginObject();
  ASSERT_NE(plugin_, nullptr);
  debug_.Clear();
}

void PluginTest::TearDown() {
  if (plugin_) {
    EXPECT_EQ(plugin_->Release(), 0u) << "the test left references on the plug-in";
  }
  EXPECT_EQ(Plugin().canUnloadNow(), S_OK);
  EXPECT_EQ(host_.ServiceReferences(), 0) << "the plug-in still holds the host's service";
}

}  // namespace plugin_test
