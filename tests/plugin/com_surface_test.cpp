// The library's COM surface as the host sees it: entry points, class factory,
// reference counts, interface queries, GetInfo, DevMode, the implemented
// methods and the declined slots.
#include <cstring>
#include <thread>

#include "plugin_under_test.h"

namespace plugin_test {
namespace {

constexpr IID kForeignClass = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
void* const kSentinel = reinterpret_cast<void*>(static_cast<ULONG_PTR>(0xDEADBEEF));
constexpr DWORD kErrorSentinel = 0xDEADBEEF;

const char kQueryWarning[] =
    "intrface@112: Warning: COemUni2::QueryInterface NULL. Returning E_NOINTERFACE.\r\n";
const char kGetInfoWarning[] =
    "intrface@941: Warning: COemUni2::GetInfo() exit pcbNeeded is NULL! "
    "ERROR_INVALID_PARAMETER.\r\n";
const char kDevModeError[] = "intrface@306: Error:DevMode() ERROR_INVALID_PARAMETER.\r\n";
const char kConvertError[] = "devmode@54: Error:ConvertOEMDevmode() invalid parameters.\r\n";
const char kClassError[] = "intrface@2070: Error:DllGetClassObject:\tClass not available!\r\n";

using Lines = std::vector<std::string>;

// Tests of the library's counts start from no object at all.
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Plugin().getClassObject, nullptr);
    ASSERT_EQ(Plugin().canUnloadNow(), S_OK);
  }
  void TearDown() override { EXPECT_EQ(Plugin().canUnloadNow(), S_OK); }

  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(Plugin().getClassObject(CLSID_OEMRENDER, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
  }

  DebugCapture debug_;
};

TEST_F(LibraryTest, GetClassObjectServesOnlyTheFactory) {
  const struct {
    const char* name;
    const CLSID* clsid;
    const IID* iid;
    HRESULT hr;
    Lines debug;
  } cases[] = {
      {"factory", &CLSID_OEMRENDER, &IID_IClassFactory, S_OK, {}},
      {"factory as IUnknown", &CLSID_OEMRENDER, &IID_IUnknown, S_OK, {}},
      {"plug-in interface from the factory",
       &CLSID_OEMRENDER,
       &IID_IPrintOemUni2,
       E_NOINTERFACE,
       {}},
      {"foreign class",
       &kForeignClass,
       &IID_IClassFactory,
       CLASS_E_CLASSNOTAVAILABLE,
       {kClassError}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    debug_.Clear();
    void* out = kSentinel;
    EXPECT_EQ(Plugin().getClassObject(*c.clsid, *c.iid, &out), c.hr);
    EXPECT_EQ(debug_.Lines(), c.debug);
    if (c.hr != S_OK) {
      EXPECT_EQ(out, nullptr);
      continue;
    }
    ASSERT_NE(out, nullptr);
    // Handed out with exactly one reference.
    EXPECT_EQ(static_cast<IUnknown*>(out)->Release(), 0u);
  }
  EXPECT_EQ(Plugin().getClassObject(CLSID_OEMRENDER, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(LibraryTest, FactoryCountsAndRefusals) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->AddRef(), 2u);
  EXPECT_EQ(factory->Release(), 1u);
  void* out = kSentinel;
  EXPECT_EQ(factory->QueryInterface(IID_IPrintOemUni2, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, factory);
  EXPECT_EQ(factory->Release(), 1u);
  EXPECT_TRUE(debug_.Lines().empty()) << "the factory refuses without a message";

  // CreateInstance: refusals leave no object alive.
  out = kSentinel;
  IUnknown* outer = factory;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IPrintOemUni2, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  out = kSentinel;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni2, nullptr), E_POINTER);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(Plugin().canUnloadNow(), S_OK);
}

TEST_F(LibraryTest, UnloadWaitsForObjectsAndLocks) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  IPrintOemUni2* first = nullptr;
  IUnknown* second = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni2, reinterpret_cast<void**>(&first)),
            S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&second)),
            S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->Release(), 0u);  // a lock holds the library, not the factory

  EXPECT_EQ(Plugin().canUnloadNow(), S_FALSE);
  EXPECT_EQ(first->AddRef(), 2u);
  EXPECT_EQ(first->Release(), 1u);
  EXPECT_EQ(first->Release(), 0u);
  EXPECT_EQ(Plugin().canUnloadNow(), S_FALSE);  // second object, and the lock
  EXPECT_EQ(second->Release(), 0u);
  EXPECT_EQ(Plugin().canUnloadNow(), S_FALSE);  // the lock

  factory = Factory();
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(Plugin().canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(Plugin().canUnloadNow(), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
}

using ComSurfaceTest = PluginTest;

TEST_F(ComSurfaceTest, QueryInterfaceAnswersOnlyIUnknownAndIPrintOemUni2) {
  for (const IID* iid : {&IID_IUnknown, &IID_IPrintOemUni2}) {
    void* out = nullptr;
    EXPECT_EQ(plugin_->QueryInterface(*iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(plugin_));
    EXPECT_EQ(plugin_->Release(), 1u);
  }
  EXPECT_TRUE(debug_.Lines().empty());
  const struct {
    const char* name;
    const IID* iid;
  } refused[] = {{"IPrintOemUni", &IID_IPrintOemUni},
                 {"IPrintOemUni3", &IID_IPrintOemUni3},
                 {"IPrintOemCommon", &IID_IPrintOemCommon},
                 {"IPrintOemEngine", &IID_IPrintOemEngine},
                 {"IClassFactory", &IID_IClassFactory},
                 {"IPrintOemDriverUni", &IID_IPrintOemDriverUni},
                 {"foreign", &kForeignClass}};
  for (const auto& c : refused) {
    SCOPED_TRACE(c.name);
    debug_.Clear();
    void* out = kSentinel;
    EXPECT_EQ(plugin_->QueryInterface(*c.iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(debug_.Lines(), Lines{kQueryWarning});
  }
}

TEST_F(ComSurfaceTest, GetInfoAnswersSignatureAndVersion) {
  const struct {
    const char* name;
    DWORD mode;
    DWORD size;
    bool buffer, needed;
    HRESULT hr;
    DWORD lastError, neededAfter, value;
    Lines debug;
  } cases[] = {
      {"signature", 1, 4, true, true, S_OK, kErrorSentinel, 4, 0x4D534654, {}},
      {"version", 3, 8, true, true, S_OK, kErrorSentinel, 4, 1, {}},
      {"3-byte buffer", 1, 3, true, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0x77777777, {}},
      {"no buffer", 3, 4, false, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0x77777777, {}},
      {"interface version",
       2,
       4,
       true,
       true,
       E_FAIL,
       ERROR_INVALID_PARAMETER,
       0x55,
       0x77777777,
       {kGetInfoWarning}},
      {"publisher info",
       4,
       4,
       true,
       true,
       E_FAIL,
       ERROR_INVALID_PARAMETER,
       0x55,
       0x77777777,
       {kGetInfoWarning}},
      {"mode 0",
       0,
       4,
       true,
       true,
       E_FAIL,
       ERROR_INVALID_PARAMETER,
       0x55,
       0x77777777,
       {kGetInfoWarning}},
      {"no size location",
       1,
       4,
       true,
       false,
       E_FAIL,
       ERROR_INVALID_PARAMETER,
       0x55,
       0x77777777,
       {kGetInfoWarning}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    debug_.Clear();
    DWORD value = 0x77777777, needed = 0x55;
    SetLastError(kErrorSentinel);
    EXPECT_EQ(
        plugin_->GetInfo(c.mode, c.buffer ? &value : nullptr, c.size, c.needed ? &needed : nullptr),
        c.hr);
    EXPECT_EQ(GetLastError(), c.lastError);
    EXPECT_EQ(needed, c.neededAfter);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(debug_.Lines(), c.debug);
  }
}

// A private block inside guard bytes, to see that nothing is written past 16 bytes.
struct GuardedBlock {
  DWORD fields[4];
  BYTE guard[16];
};

TEST_F(ComSurfaceTest, DevModeModes) {
  const DWORD sig = 0x4D534654;
  const struct {
    const char* name;
    DWORD mode;
    bool in, out;
    DWORD inFields[4], outFields[4];
    HRESULT hr;
    DWORD expected[4];
    Lines debug;
  } cases[] = {
      {"defaults", 2, true, true, {}, {9, 9, 9, 9}, S_OK, {16, sig, 1, 0}, {}},
      {"convert, other signature",
       3,
       true,
       true,
       {16, 0x11111111, 3, 4},
       {16, sig, 5, 6},
       S_OK,
       {16, sig, 1, 0},
       {}},
      {"convert, 8-byte input",
       3,
       true,
       true,
       {8, sig, 7, 9},
       {16, sig, 5, 5},
       S_OK,
       {16, sig, 1, 0},
       {}},
      {"convert, whole input",
       3,
       true,
       true,
       {16, sig, 7, 5},
       {16, sig, 5, 6},
       S_OK,
       {16, sig, 1, 5},
       {}},
      {"convert, sizes claim more than 16",
       3,
       true,
       true,
       {100, sig, 7, 5},
       {200, sig, 5, 6},
       S_OK,
       {16, sig, 1, 5},
       {}},
      {"convert, no input", 3, false, true, {}, {1, 2, 3, 4}, S_OK, {1, 2, 3, 4}, {kConvertError}},
      {"convert, no output", 3, true, false, {16, sig, 1, 0}, {}, S_OK, {}, {kConvertError}},
      {"merge keeps defaults",
       4,
       true,
       true,
       {16, sig, 1, 5},
       {16, sig, 1, 7},
       S_OK,
       {16, sig, 1, 0},
       {}},
      {"merge, no input", 4, false, true, {}, {1, 2, 3, 4}, S_OK, {16, sig, 1, 0}, {kConvertError}},
      {"merge, no output", 4, true, false, {16, sig, 1, 0}, {}, S_OK, {}, {kConvertError}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    debug_.Clear();
    GuardedBlock in = {}, out = {};
    std::memcpy(in.fields, c.inFields, sizeof in.fields);
    std::memcpy(out.fields, c.outFields, sizeof out.fields);
    std::memset(out.guard, 0xA5, sizeof out.guard);
    OEMDMPARAM param = {};
    param.cbSize = sizeof param;
    param.pOEMDMIn = c.in ? &in : nullptr;
    param.pOEMDMOut = c.out ? &out : nullptr;
    EXPECT_EQ(plugin_->DevMode(c.mode, &param), c.hr);
    if (c.out) {
      EXPECT_EQ(std::vector<DWORD>(out.fields, out.fields + 4),
                std::vector<DWORD>(c.expected, c.expected + 4));
    }
    EXPECT_EQ(std::vector<BYTE>(out.guard, out.guard + 16), std::vector<BYTE>(16, 0xA5));
    EXPECT_EQ(debug_.Lines(), c.debug);
  }

  OEMDMPARAM size = {};
  EXPECT_EQ(plugin_->DevMode(OEMDM_SIZE, &size), S_OK);
  EXPECT_EQ(size.cbBufSize, 16u);

  // Refused: no block, modes outside 1-4, defaults without an output block.
  debug_.Clear();
  const struct {
    DWORD mode;
    bool param;
  } refused[] = {{2, false}, {0, true}, {5, true}};
  for (const auto& r : refused) {
    OEMDMPARAM param = {};
    SetLastError(kErrorSentinel);
    EXPECT_EQ(plugin_->DevMode(r.mode, r.param ? &param : nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(debug_.Lines(), (Lines{kDevModeError, kDevModeError, kDevModeError}));
  OEMDMPARAM noOutput = {};
  SetLastError(kErrorSentinel);
  EXPECT_EQ(plugin_->DevMode(OEMDM_DEFAULT, &noOutput), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ComSurfaceTest, ImplementedMethodsByExactName) {
  const struct {
    const char* name;
    HRESULT hr;
  } cases[] = {
      {"CommandCallback", S_OK},     {"FilterGraphics", S_OK},
      {"ImageProcessing", S_OK},     {"OutputCharStr", S_OK},
      {"TextOutAsBitmap", S_OK},     {"imageprocessing", S_FALSE},
      {"ImageProcessing ", S_FALSE}, {"ImageProcessin", S_FALSE},
      {"Compression", S_FALSE},      {"HalftonePattern", S_FALSE},
      {"MemoryUsage", S_FALSE},      {"DriverDMS", S_FALSE},
      {"WritePrinter", S_FALSE},     {"", S_FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string name = c.name;
    EXPECT_EQ(plugin_->GetImplementedMethod(name.data()), c.hr);
  }
  EXPECT_EQ(plugin_->GetImplementedMethod(nullptr), S_FALSE);
}

TEST_F(ComSurfaceTest, DeclinedSlotsTouchNothing) {
  DWORD d1 = 0x11, d2 = 0x22;
  INT i1 = 0x33;
  BYTE buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  OEMMEMORYUSAGE usage = {1, 2, 3};
  FINVOCATION invocation = {};
  const auto untouched = [&] {
    return d1 == 0x11 && d2 == 0x22 && i1 == 0x33 && buffer[0] == 1 && buffer[7] == 8 &&
           usage.dwFixedMemoryUsage == 1 && usage.dwMaxBandSize == 3;
  };
  PDEVOBJ devobj = host_.Devobj();
  EXPECT_EQ(plugin_->DriverDMS(devobj, buffer, sizeof buffer, &d1), E_NOTIMPL);
  EXPECT_EQ(plugin_->Compression(devobj, buffer, buffer, 4, 4, &i1), E_NOTIMPL);
  EXPECT_EQ(plugin_->HalftonePattern(devobj, buffer, 2, 2, 1, 3, buffer, 8), E_NOTIMPL);
  EXPECT_EQ(plugin_->MemoryUsage(devobj, &usage), E_NOTIMPL);
  EXPECT_EQ(plugin_->TTYGetInfo(devobj, 1, buffer, sizeof buffer, &d1), E_NOTIMPL);
  EXPECT_EQ(plugin_->DownloadFontHeader(devobj, nullptr, &d1), E_NOTIMPL);
  EXPECT_EQ(plugin_->DownloadCharGlyph(devobj, nullptr, 5, &d1, &d2), E_NOTIMPL);
  EXPECT_EQ(plugin_->TTDownloadMethod(devobj, nullptr, &d2), E_NOTIMPL);
  EXPECT_EQ(plugin_->SendFontCmd(devobj, nullptr, &invocation), E_NOTIMPL);
  EXPECT_EQ(plugin_->WritePrinter(nullptr, nullptr, 0, nullptr), E_NOTIMPL);  // the host's probe
  EXPECT_EQ(plugin_->WritePrinter(devobj, buffer, sizeof buffer, &d2), E_NOTIMPL);
  EXPECT_EQ(plugin_->ResetPDEV(devobj, devobj), S_OK);
  EXPECT_TRUE(untouched());
  EXPECT_TRUE(debug_.Lines().empty());
  EXPECT_TRUE(host_.Spool().empty());

  // The two text callbacks decline too, after their trace, every time.
  for (int call = 0; call < 2; ++call) {
    EXPECT_EQ(plugin_->OutputCharStr(devobj, nullptr, 1, 2, buffer), E_NOTIMPL);
    EXPECT_EQ(plugin_->TextOutAsBitmap(host_.Surface(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, 0),
              E_NOTIMPL);
  }
  EXPECT_EQ(debug_.Lines(),
            (Lines{"OutputCharStr", "TextOutAsBitmap", "OutputCharStr", "TextOutAsBitmap"}));
  EXPECT_TRUE(untouched());
  EXPECT_TRUE(host_.Spool().empty());
}

TEST_F(ComSurfaceTest, CommandCallbackAnswersZeroAndSendsNothing) {
  for (DWORD id : {0u, 1u, 3u, 255u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(id);
    DWORD params[3] = {7, 8, 9};
    INT result = 0x5A5A;
    EXPECT_EQ(plugin_->CommandCallback(host_.Devobj(), id, 3, params, &result), S_OK);
    EXPECT_EQ(result, 0);
  }
  EXPECT_EQ(plugin_->CommandCallback(host_.Devobj(), 1, 0, nullptr, nullptr), S_OK);
  EXPECT_TRUE(host_.Spool().empty());
  EXPECT_TRUE(host_.SettingQueries().empty());
}

TEST_F(ComSurfaceTest, CountsAndTracesStayWholeAcrossThreads) {
  constexpr int kThreads = 4, kCalls = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < kCalls; ++i) {
        plugin_->AddRef();
        if (t % 2 == 0) {
          plugin_->OutputCharStr(nullptr, nullptr, 0, 0, nullptr);
        } else {
          plugin_->TextOutAsBitmap(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, 0);
        }
        plugin_->Release();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(plugin_->AddRef(), 2u);
  EXPECT_EQ(plugin_->Release(), 1u);
  const Lines lines = debug_.Lines();
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kCalls));
  for (const std::string& line : lines) {
    ASSERT_TRUE(line == "OutputCharStr" || line == "TextOutAsBitmap") << line;
  }
}

}  // namespace
}  // namespace plugin_test
