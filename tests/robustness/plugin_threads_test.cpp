// The plug-in under the host's threads: the host creates, uses and releases
// plug-in objects on any thread and asks DllCanUnloadNow whenever it likes,
// and renders the jobs of different device contexts at the same time. Run
// under ThreadSanitizer (scripts/test-tsan) these show races; in every build
// they check the counts and that each device context gets the stream it
// would get alone.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <string>
#include <thread>
#include <vector>

#include "band_header.h"
#include "plugin_library.h"
#include "printer_description.h"
#include "substitute_host.h"

namespace {

constexpr int kThreads = 6;

IClassFactory* Factory() {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(
      DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  return factory;
}

IPrintOemUni2* NewObject(IClassFactory* factory) {
  IPrintOemUni2* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUni2, reinterpret_cast<void**>(&object)),
            S_OK);
  return object;
}

// Every worker makes and drops objects and locks in a loop, the host's way,
// while others keep asking whether the library may go. Halfway, all workers
// hold an object and a lock at once, and the library must say it is in use.
TEST(PluginThreads, ObjectsComeAndGoWhileTheHostAsksToUnload) {
  constexpr int kRounds = 1000;
  std::atomic<bool> done{false};
  std::atomic<int> unloadableAnswers{0};
  std::vector<std::thread> askers;
  for (int i = 0; i < 2; ++i) {
    askers.emplace_back([&] {
      while (!done) {
        if (DllCanUnloadNow() == S_OK) ++unloadableAnswers;
      }
    });
  }
  std::barrier allHolding(kThreads + 1), checked(kThreads + 1);
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        IClassFactory* factory = Factory();
        factory->LockServer(TRUE);
        IPrintOemUni2* object = NewObject(factory);
        IUnknown* unknown = nullptr;
        EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
        char method[] = "ImageProcessing";
        EXPECT_EQ(object->GetImplementedMethod(method), S_OK);
        DWORD signature = 0, needed = 0;
        EXPECT_EQ(object->GetInfo(OEMGI_GETSIGNATURE, &signature, sizeof signature, &needed), S_OK);
        // The refused interface writes a debug message: from every thread at once.
        void* refused = nullptr;
        EXPECT_EQ(object->QueryInterface(IID_IPrintOemUni, &refused), E_NOINTERFACE);
        if (round == kRounds / 2) {
          allHolding.arrive_and_wait();
          checked.arrive_and_wait();
        }
        EXPECT_EQ(unknown->Release(), 1u);
        EXPECT_EQ(object->Release(), 0u);
        factory->LockServer(FALSE);
        EXPECT_EQ(factory->Release(), 0u);
      }
    });
  }
  allHolding.arrive_and_wait();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  checked.arrive_and_wait();
  for (auto& worker : workers) worker.join();
  done = true;
  for (auto& asker : askers) asker.join();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

struct Job {
  std::string halftone;
  std::string offset, translate, savePaper;
  bool landscape;
};

// A band with something on every row, different per job.
std::vector<BYTE> Band(LONG width, LONG height, int seed) {
  std::vector<BYTE> band(static_cast<std::size_t>(width) * height);
  for (LONG y = 0; y < height; ++y) {
    for (LONG x = 0; x < width; ++x)
      band[y * width + x] = static_cast<BYTE>((x * 7 + y * 13 + seed * 31) % 256);
  }
  return band;
}

// One device context's job: EnablePDEV, a few bands, DisablePDEV; returns
// what it spooled.
std::vector<BYTE> RunJob(IPrintOemUni2* plugin, const Job& job, int seed) {
  SubstituteHost host;
  host.SetOption(kFeatureHorizontalOffset, job.offset);
  host.SetOption(kFeatureTranslate180, job.translate);
  host.SetOption(kFeatureSavePaperMode, job.savePaper);
  host.SetLandscape(job.landscape);
  GDIINFO gdiInfo = {};
  gdiInfo.cBitsPixel = 8;
  DEVINFO devInfo = {};
  PDEVOEM pdev = nullptr;
  EXPECT_EQ(plugin->EnablePDEV(host.Devobj(), nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo,
                               sizeof devInfo, &devInfo, host.HostFunctions(), &pdev),
            S_OK);
  host.Devobj()->pdevOEM = pdev;
  std::string halftone = job.halftone;
  IPPARAMS params = {};
  params.dwSize = sizeof params;
  params.pHalftoneOption = halftone.data();
  for (int band = 0; band < 4; ++band) {
    const LONG width = 200 + 40 * seed, height = 50;
    std::vector<BYTE> bits = Band(width, height, seed + band);
    BITMAPINFOHEADER header = BandHeader(width, height, static_cast<DWORD>(bits.size()));
    PBYTE result = nullptr;
    EXPECT_EQ(plugin->ImageProcessing(host.Devobj(), bits.data(), &header, nullptr,
                                      kImageProcessingCallbackId, &params, &result),
              S_OK);
  }
  plugin->DisablePDEV(host.Devobj());
  return host.Spool();
}

// One plug-in object serves several device contexts at once, each with its
// own settings: every context gets exactly the stream it gets alone.
TEST(PluginThreads, DeviceContextsRenderAtTheSameTime) {
  const Job jobs[kThreads] = {
      {"HT_NONE", "P10", "TRANS_180", "SavePaper_Top", false},
      {"HT_FloydSteinberg", "", "", "", true},
      {"HT_Stucki", "M10", "", "SavePaper_TopAndBottom", false},
      {"HT_Ordered", "P40", "TRANS_180", "", true},
      {"HT_Jarvis-Judice-Ninke", "", "", "SavePaper_Bottom", false},
      {"HT_StevensonArce", "P5", "", "", false},
  };
  IPrintOemUni2* plugin = CreatePluginObject(&DllGetClassObject);
  ASSERT_NE(plugin, nullptr);
  std::vector<BYTE> alone[kThreads], together[kThreads];
  for (int t = 0; t < kThreads; ++t) alone[t] = RunJob(plugin, jobs[t], t);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int repeat = 0; repeat < 3; ++repeat) together[t] = RunJob(plugin, jobs[t], t);
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(jobs[t].halftone);
    EXPECT_FALSE(alone[t].empty());
    EXPECT_TRUE(together[t] == alone[t]);
  }
  EXPECT_EQ(plugin->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
