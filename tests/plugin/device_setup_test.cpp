// Driver and device-context set-up: the hook list of EnableDriver, the host
// table walk of EnablePDEV, the hooks passing calls on, the default palette,
// the host's service interface and FilterGraphics.
#include "function_cast.h"
#include "plugin_under_test.h"

#if defined(WINSIM)
#include "sim_gdi_engine.h"
#endif

namespace plugin_test {
namespace {

using SetupTest = PluginTest;
using HookFn = BOOL(APIENTRY*)(SURFOBJ*);

constexpr ULONG kHookOrder[] = {INDEX_DrvNextBand, INDEX_DrvStartPage, INDEX_DrvSendPage,
                                INDEX_DrvStartDoc, INDEX_DrvEndDoc,    INDEX_DrvTextOut};

int gStrayCalls = 0;
BOOL APIENTRY StrayEntry(SURFOBJ*) {
  ++gStrayCalls;
  return FALSE;
}

// Calls the plug-in's hook for `index` with recognisable arguments and
// returns its result; `arguments` receives what the host should see.
BOOL CallHook(const DRVENABLEDATA& hooks, ULONG index, SURFOBJ* surface,
              std::vector<const void*>& arguments) {
  static POINTL origin;
  static STROBJ text;
  static FONTOBJ font;
  static CLIPOBJ clip;
  static RECTL extra, opaque;
  static BRUSHOBJ fore, back;
  static wchar_t docName[] = L"receipt";
  PFN hook = nullptr;
  for (ULONG i = 0; i < hooks.c; ++i)
    if (hooks.pdrvfn[i].iFunc == index) hook = hooks.pdrvfn[i].pfn;
  if (!hook) return -1;
  const auto value = [](ULONG_PTR v) { return reinterpret_cast<const void*>(v); };
  switch (index) {
    case INDEX_DrvNextBand:
      arguments = {surface, &origin};
      return FunctionCast<BOOL(APIENTRY*)(SURFOBJ*, POINTL*)>(hook)(surface, &origin);
    case INDEX_DrvStartPage:
    case INDEX_DrvSendPage:
      arguments = {surface};
      return FunctionCast<HookFn>(hook)(surface);
    case INDEX_DrvStartDoc:
      arguments = {surface, docName, value(42)};
      return FunctionCast<BOOL(APIENTRY*)(SURFOBJ*, LPWSTR, DWORD)>(hook)(surface, docName, 42);
    case INDEX_DrvEndDoc:
      arguments = {surface, value(3)};
      return FunctionCast<BOOL(APIENTRY*)(SURFOBJ*, FLONG)>(hook)(surface, 3);
    default:
      arguments = {surface, &text, &font, &clip,   &extra,
                   &opaque, &fore, &back, &origin, value(0x0D0D)};
      return FunctionCast<BOOL(APIENTRY*)(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                          BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX)>(hook)(
          surface, &text, &font, &clip, &extra, &opaque, &fore, &back, &origin, 0x0D0D);
  }
}

class DeviceTest : public PluginTest {
 protected:
  // EnablePDEV with the given host table; the device state goes into the
  // host's device object as the host puts it there.
  HRESULT EnablePdev(DRVENABLEDATA* table, ULONG bitsPerPixel = 8) {
    GDIINFO gdi = {};
    gdi.cBitsPixel = bitsPerPixel;
    devInfo_.hpalDefault = kHostPalette;
    wchar_t name[] = L"BRINDOL-80";
    PDEVOEM state = kSentinelState;
    const HRESULT hr = plugin_->EnablePDEV(host_.Devobj(), name, 0, nullptr, sizeof gdi, &gdi,
                                           sizeof devInfo_, &devInfo_, table, &state);
    host_.Devobj()->pdevOEM = state;
    return hr;
  }
  void TearDown() override {
    if (host_.Devobj()->pdevOEM) {
      EXPECT_EQ(plugin_->DisablePDEV(host_.Devobj()), S_OK);
    }
    PluginTest::TearDown();
  }
  DRVENABLEDATA Hooks() {
    DRVENABLEDATA hooks = {};
    EXPECT_EQ(plugin_->EnableDriver(0x20000, sizeof hooks, &hooks), S_OK);
    return hooks;
  }

  const HPALETTE kHostPalette = reinterpret_cast<HPALETTE>(static_cast<ULONG_PTR>(0x1234));
  PDEVOEM const kSentinelState = reinterpret_cast<PDEVOEM>(static_cast<ULONG_PTR>(0xBAD));
  DEVINFO devInfo_ = {};
};

TEST_F(DeviceTest, EnableDriverListsTheSixHooksInOrder) {
  const DRVENABLEDATA hooks = Hooks();
  EXPECT_EQ(hooks.iDriverVersion, 0x00010000u);
  ASSERT_EQ(hooks.c, 6u);
  for (ULONG i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(hooks.pdrvfn[i].iFunc, kHookOrder[i]);
    EXPECT_NE(hooks.pdrvfn[i].pfn, nullptr);
  }
}

TEST_F(DeviceTest, HooksPassEveryCallOnAndReturnTheHostsResult) {
  ASSERT_EQ(EnablePdev(host_.HostFunctions()), S_OK);
  ASSERT_NE(host_.Devobj()->pdevOEM, nullptr);
  const DRVENABLEDATA hooks = Hooks();
  for (BOOL hostResult : {TRUE, FALSE}) {
    host_.SetDrawingResult(hostResult);
    for (ULONG index : kHookOrder) {
      SCOPED_TRACE(index);
      const std::size_t before = host_.DrawingCalls().size();
      std::vector<const void*> arguments;
      EXPECT_EQ(CallHook(hooks, index, host_.Surface(), arguments), hostResult);
      ASSERT_EQ(host_.DrawingCalls().size(), before + 1);
      EXPECT_EQ(host_.DrawingCalls().back().index, index);
      EXPECT_EQ(host_.DrawingCalls().back().arguments, arguments);
    }
  }
}

TEST_F(DeviceTest, TableWalkKeepsTheLastEntryOfEachHookedIndex) {
  // The host's table with, for each case, one entry dropped or overridden.
  for (ULONG dropped : kHookOrder) {
    SCOPED_TRACE(dropped);
    std::vector<DRVFN> table;
    for (ULONG i = 0; i < host_.HostFunctions()->c; ++i) {
      const DRVFN entry = host_.HostFunctions()->pdrvfn[i];
      if (entry.iFunc != dropped) table.push_back(entry);
    }
    // Indices the plug-in does not hook are ignored; an early stray entry
    // for a hooked index is overridden by the host's later one.
    table.insert(table.begin(), {INDEX_DrvStartPage, FunctionCast<PFN>(&StrayEntry)});
    table.push_back({INDEX_DrvEnablePDEV, FunctionCast<PFN>(&StrayEntry)});
    table.push_back({99, FunctionCast<PFN>(&StrayEntry)});
    DRVENABLEDATA data = {0x20000, static_cast<ULONG>(table.size()), table.data()};
    ASSERT_EQ(EnablePdev(&data), S_OK);
    gStrayCalls = 0;
    const DRVENABLEDATA hooks = Hooks();
    for (ULONG index : kHookOrder) {
      const std::size_t before = host_.DrawingCalls().size();
      std::vector<const void*> arguments;
      const BOOL result = CallHook(hooks, index, host_.Surface(), arguments);
      const bool kept = index != dropped || index == INDEX_DrvStartPage;
      EXPECT_EQ(host_.DrawingCalls().size(), before + (index != dropped ? 1 : 0)) << index;
      if (!kept) {
        EXPECT_EQ(result, FALSE) << "a missing entry is not called";
      }
    }
    // Dropping the host's StartPage leaves the stray one, which is then called.
    EXPECT_EQ(gStrayCalls, dropped == INDEX_DrvStartPage ? 1 : 0);
    EXPECT_EQ(plugin_->DisablePDEV(host_.Devobj()), S_OK);
    host_.Devobj()->pdevOEM = nullptr;
  }
}

TEST_F(DeviceTest, EnablePdevWithoutATableStillGivesAState) {
  ASSERT_EQ(EnablePdev(nullptr), S_OK);
  ASSERT_NE(host_.Devobj()->pdevOEM, nullptr);
  std::vector<const void*> arguments;
  EXPECT_EQ(CallHook(Hooks(), INDEX_DrvSendPage, host_.Surface(), arguments), FALSE);
  EXPECT_TRUE(host_.DrawingCalls().empty());
  EXPECT_EQ(plugin_->EnablePDEV(host_.Devobj(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr,
                                nullptr, nullptr),
            E_POINTER);
}

TEST_F(DeviceTest, DefaultPaletteOnlyForTwentyFourBits) {
  for (ULONG bits : {1u, 8u, 16u, 32u}) {
    SCOPED_TRACE(bits);
    ASSERT_EQ(EnablePdev(host_.HostFunctions(), bits), S_OK);
    EXPECT_EQ(devInfo_.hpalDefault, kHostPalette);
    EXPECT_EQ(plugin_->DisablePDEV(host_.Devobj()), S_OK);
    host_.Devobj()->pdevOEM = nullptr;
  }
#if defined(WINSIM)
  sim::ClearEnginePalettes();
  ASSERT_EQ(EnablePdev(host_.HostFunctions(), 24), S_OK);
  const auto palettes = sim::EnginePalettes();
  ASSERT_EQ(palettes.size(), 1u);
  EXPECT_EQ(palettes[0].mode, static_cast<ULONG>(PAL_BGR));
  EXPECT_EQ(palettes[0].colorCount, 0u);
  EXPECT_FALSE(palettes[0].hadColorTable);
  EXPECT_EQ(palettes[0].red | palettes[0].green | palettes[0].blue, 0u);
  EXPECT_EQ(devInfo_.hpalDefault, palettes[0].handle);
#else
  // Hosts whose gdi32 lacks the engine service (Wine) keep their palette;
  // the plug-in must not abort there.
  ASSERT_EQ(EnablePdev(host_.HostFunctions(), 24), S_OK);
  const bool engine = GetProcAddress(GetModuleHandleA("gdi32.dll"), "EngCreatePalette") != nullptr;
  if (engine) {
    EXPECT_NE(devInfo_.hpalDefault, kHostPalette);
  } else {
    EXPECT_EQ(devInfo_.hpalDefault, kHostPalette);
  }
#endif
}

TEST_F(SetupTest, ServiceInterfaceIsAskedForOnceAndReleased) {
  EXPECT_EQ(plugin_->PublishDriverInterface(host_.ServiceObject()), S_OK);
  EXPECT_EQ(host_.ServiceReferences(), 1);
  EXPECT_EQ(plugin_->PublishDriverInterface(host_.ServiceObject()), S_OK);
  EXPECT_EQ(host_.ServiceReferences(), 1) << "asked again while held";
  EXPECT_EQ(debug_.Lines(),
            (std::vector<std::string>{"PublishDriverInterface", "PublishDriverInterface"}));
  EXPECT_EQ(plugin_->DisableDriver(), S_OK);
  EXPECT_EQ(host_.ServiceReferences(), 0);
  EXPECT_EQ(plugin_->DisableDriver(), S_OK);
  // Held at the final Release: released there (the fixture checks).
  EXPECT_EQ(plugin_->PublishDriverInterface(host_.ServiceObject()), S_OK);
  EXPECT_EQ(host_.ServiceReferences(), 1);
}

TEST(ServiceInterface, RefusedByTheHost) {
  SubstituteHost::Routes routes;
  routes.serviceInterface = false;
  SubstituteHost host(routes);
  DebugCapture debug;
  IPrintOemUni2* plugin = CreatePluginObject();
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(plugin->PublishDriverInterface(host.ServiceObject()), E_FAIL);
  EXPECT_EQ(plugin->PublishDriverInterface(nullptr), E_FAIL);
  EXPECT_TRUE(debug.Lines().empty());
  BYTE data[4] = {1, 2, 3, 4};
  EXPECT_EQ(plugin->FilterGraphics(host.Devobj(), data, sizeof data), E_FAIL);
  EXPECT_TRUE(host.Spool().empty());
  EXPECT_EQ(plugin->Release(), 0u);
  EXPECT_EQ(host.ServiceReferences(), 0);
  EXPECT_EQ(Plugin().canUnloadNow(), S_OK);
}

TEST_F(SetupTest, FilterGraphicsPassesTheBytesThrough) {
  ASSERT_EQ(plugin_->PublishDriverInterface(host_.ServiceObject()), S_OK);
  const struct {
    DWORD reported;
    HRESULT hr;
  } cases[] = {{0xFFFFFFFF, S_OK}, {10, S_OK}, {7, S_FALSE}, {0, S_FALSE}};
  BYTE data[10] = {0x1D, 0x76, 0x30, 0, 1, 0, 1, 0, 0xFF, 0x1B};
  std::vector<BYTE> expected;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reported);
    host_.LimitReportedWrite(c.reported);
    EXPECT_EQ(plugin_->FilterGraphics(host_.Devobj(), data, sizeof data), c.hr);
    expected.insert(expected.end(), data, data + sizeof data);
  }
  EXPECT_EQ(host_.Spool(), expected);
  for (const auto& write : host_.Writes())
    EXPECT_EQ(write.route, SubstituteHost::Route::kInterface);
}

}  // namespace
}  // namespace plugin_test
