// Loading the plug-in library and the shared fixture.
#include "plugin_under_test.h"

#include "function_cast.h"

#ifndef BRINDOL_PLUGIN_PATH
#error "the build names the plug-in library under test"
#endif

namespace plugin_test {

const PluginEntries& Plugin() {
  static const PluginEntries entries = [] {
    PluginEntries loaded;
    // Never freed: the library stays for the whole test program.
    HMODULE module = LoadLibraryA(BRINDOL_PLUGIN_PATH);
    if (!module) return loaded;
    loaded.getClassObject =
        FunctionCast<GetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    loaded.canUnloadNow = FunctionCast<CanUnloadNowFn>(GetProcAddress(module, "DllCanUnloadNow"));
    return loaded;
  }();
  return entries;
}

IPrintOemUni2* CreatePluginObject() {
  IClassFactory* factory = nullptr;
  if (FAILED(Plugin().getClassObject(CLSID_OEMRENDER, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)))) {
    return nullptr;
  }
  IPrintOemUni2* plugin = nullptr;
  factory->CreateInstance(nullptr, IID_IPrintOemUni2, reinterpret_cast<void**>(&plugin));
  factory->Release();
  return plugin;
}

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
