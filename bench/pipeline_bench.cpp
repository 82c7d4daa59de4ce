// ImageProcessing through the real plug-in object: the plug-in library is
// loaded as the host loads it and handed the bench page band by band, on
// pages of 576 and 384 dots in bands of 24, 128 and 256 rows, for every
// halftone option and for landscape, 180-degree printing, an offset and paper
// saving. Reports pixels per second and the peak heap one call takes beyond
// what was in use before it, relative to the band's bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "band_header.h"
#include "bench_page.h"
#include "heap_counter.h"
#include "plugin_library.h"
#include "printer_description.h"
#include "substitute_host.h"

#ifndef BRINDOL_PLUGIN_PATH
#error "the build names the plug-in library"
#endif

namespace {

// One plug-in object for the whole program, made the host's way.
IPrintOemUni2* Plugin() {
  static IPrintOemUni2* const plugin = [] {
    static const PluginLibrary library(BRINDOL_PLUGIN_PATH, /*keep=*/true);
    return CreatePluginObject(library.getClassObject);
  }();
  return plugin;
}

const BenchPage& PageOf(std::uint32_t width, std::uint32_t rows) {
  static std::map<std::pair<std::uint32_t, std::uint32_t>, BenchPage> pages;
  auto found = pages.find({width, rows});
  if (found == pages.end())
    found = pages.emplace(std::make_pair(width, rows), MakeBenchPage(width, rows)).first;
  return found->second;
}

struct Job {
  std::string halftone = "HT_NONE";
  bool landscape = false;
  std::string translate;    // "Translate180"
  std::string offset;       // "HorizontalOffset"
  std::string paperSaving;  // "SavePaperMode"
};

// Hands the page to the plug-in band by band, as the host renders it. The
// plug-in clears each band it sends, so the page is laid out afresh (untimed)
// before every pass.
void ProcessPage(benchmark::State& state, std::uint32_t width, std::uint32_t pageRows,
                 std::uint32_t bandRows, const Job& job) {
  IPrintOemUni2* plugin = Plugin();
  if (plugin == nullptr) {
    state.SkipWithError("the plug-in library does not load");
    return;
  }
  const BenchPage& page = PageOf(width, pageRows);
  std::vector<BYTE> bands(page.bytes.size());
  // The host records nothing and only counts the spool, so that a long run
  // neither grows nor measures a recording.
  SubstituteHost host;
  host.SetRecording(false);
  std::uint64_t spooled = 0;
  host.SetSpoolSink([&spooled](const BYTE*, DWORD size) {
    spooled += size;
    return true;
  });
  host.SetLandscape(job.landscape);
  for (const auto& [feature, option] : {std::pair{kFeatureTranslate180, &job.translate},
                                        {kFeatureHorizontalOffset, &job.offset},
                                        {kFeatureSavePaperMode, &job.paperSaving}}) {
    if (!option->empty()) host.SetOption(feature, *option);  // empty: a feature the printer lacks
  }
  std::vector<char> halftone(job.halftone.begin(), job.halftone.end());
  halftone.push_back('\0');
  IPPARAMS params{sizeof(IPPARAMS), {0, 0}, halftone.data(), TRUE, FALSE};

  double worstShare = 0;   // peak extra heap / band bytes
  double worstBudget = 0;  // peak extra heap / (3 x band bytes + 64 KiB)
  bool failed = false;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(bands.data(), page.bytes.data(), bands.size());
    state.ResumeTiming();
    for (std::uint32_t top = 0; top < pageRows; top += bandRows) {
      const std::uint32_t rows = std::min(bandRows, pageRows - top);
      BITMAPINFOHEADER header =
          BandHeader(static_cast<LONG>(width), static_cast<LONG>(rows), page.stride * rows);
      PBYTE result = nullptr;
      const std::int64_t before = heap_counter::InUse();
      heap_counter::ResetPeak();
      const HRESULT hr =
          plugin->ImageProcessing(host.Devobj(), bands.data() + std::size_t{top} * page.stride,
                                  &header, nullptr, 3, &params, &result);
      const double extra = static_cast<double>(heap_counter::Peak() - before);
      worstShare = std::max(worstShare, extra / header.biSizeImage);
      worstBudget = std::max(worstBudget, extra / (3.0 * header.biSizeImage + 65536));
      failed = failed || FAILED(hr);
    }
  }
  if (failed) state.SkipWithError("ImageProcessing failed");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * width * pageRows);
  state.counters["heap_x_band"] = worstShare;
  state.counters["heap_budget"] = worstBudget;
  state.counters["spool_bytes"] =
      static_cast<double>(spooled) / static_cast<double>(state.iterations());
}

constexpr std::uint32_t kPageRows = 2048;

void Register(const std::string& name, std::uint32_t width, std::uint32_t pageRows,
              std::uint32_t bandRows, const Job& job) {
  benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
    ProcessPage(state, width, pageRows, bandRows, job);
  })->Unit(benchmark::kMicrosecond);
}

const bool kRegistered = [] {
  for (const std::uint32_t width : {576u, 384u}) {
    for (const std::uint32_t bandRows : {24u, 128u, 256u}) {
      const std::string prefix =
          "ImageProcessing/" + std::to_string(width) + "/" + std::to_string(bandRows) + "/";
      for (const HalftoneOption& halftone : kHalftoneOptions) {
        Job job;
        job.halftone = halftone.name;
        Register(prefix + halftone.name, width, kPageRows, bandRows, job);
      }
      Job landscape;
      landscape.landscape = true;
      Register(prefix + "landscape", width, kPageRows, bandRows, landscape);
      Job turned;
      turned.translate = "TRANS_180";
      Register(prefix + "TRANS_180", width, kPageRows, bandRows, turned);
      Job offset;
      offset.offset = "P10";
      Register(prefix + "offset_P10", width, kPageRows, bandRows, offset);
      Job saving;
      saving.paperSaving = "SavePaper_TopAndBottom";
      Register(prefix + "SavePaper_TopAndBottom", width, kPageRows, bandRows, saving);
    }
  }
  // Cost per pixel must not grow with the page; 20000 rows is the page
  // bench/compare.sh hands the other tools.
  for (const std::uint32_t pageRows : {1000u, 20000u, 100000u}) {
    Job job;
    job.halftone = "HT_FloydSteinberg";
    Register("PageLength/576x" + std::to_string(pageRows) + "/256/HT_FloydSteinberg", 576, pageRows,
             256, job);
  }
  return true;
}();

}  // namespace
