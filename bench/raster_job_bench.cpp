// The printer application's share of a job: a page's lines through RasterJob
// (fit, content trim, band adapter, band pipeline) into a sink that only
// counts, for this family's and the generic stream. The page is the PGM named
// by BRINDOL_BENCH_PGM (the application bench's receipt page), else the bench
// page of 576 x 3000. Reports pages per second and the bytes of a page.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_page.h"
#include "raster_job.h"

namespace {

// A binary PGM (P5, maxval 255) as a page, or the bench page.
BenchPage LoadPage() {
  const char* path = std::getenv("BRINDOL_BENCH_PGM");
  if (path == nullptr) return MakeBenchPage(576, 3000);
  BenchPage page{};
  std::FILE* in = std::fopen(path, "rb");
  unsigned width = 0, height = 0, maxval = 0;
  if (in != nullptr && std::fscanf(in, "P5 %u %u %u", &width, &height, &maxval) == 3 &&
      std::fgetc(in) != EOF && maxval == 255) {
    page = {width, height, width, std::vector<std::uint8_t>(std::size_t{width} * height)};
    if (std::fread(page.bytes.data(), 1, page.bytes.size(), in) != page.bytes.size()) page = {};
  }
  if (in != nullptr) std::fclose(in);
  return page;
}

void Job(benchmark::State& state, FeedConvention feed, const char* halftone) {
  static const BenchPage page = LoadPage();
  if (page.bytes.empty()) {
    state.SkipWithError("cannot read BRINDOL_BENCH_PGM");
    return;
  }
  ReceiptSettings settings;
  std::string error;
  ApplySetting(settings, "halftone-method", halftone, error);
  settings.feed = feed;
  std::size_t bytes = 0;
  PageHeader header;
  header.width = page.width;
  header.height = page.height;
  header.bitsPerPixel = header.bitsPerColor = 8;
  for (auto _ : state) {
    bytes = 0;
    RasterJob job(
        settings,
        [&bytes](const std::uint8_t*, std::size_t size) {
          bytes += size;
          return true;
        },
        576, 639);
    bool ok = job.Start() && job.StartPage(1, header);
    for (std::uint32_t y = 0; ok && y < page.height; ++y) ok = job.WriteLine(page.Row(y));
    ok = ok && job.EndPage(1, false) && job.End();
    if (!ok) state.SkipWithError(job.Message().c_str());
  }
  state.counters["pages/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["bytes"] = double(bytes);
}

BENCHMARK_CAPTURE(Job, family_ordered, FeedConvention::kFeedAfterBlock, "ordered");
BENCHMARK_CAPTURE(Job, generic_ordered, FeedConvention::kBlockAdvances, "ordered");
BENCHMARK_CAPTURE(Job, generic_floyd_steinberg, FeedConvention::kBlockAdvances, "floyd-steinberg");

}  // namespace
