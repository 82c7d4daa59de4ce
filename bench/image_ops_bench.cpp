// The image operations on their own, on 576 x 256 bands of the bench page:
// every Dither method, Threshold and both turns in their fast version and in
// the literal reference version (for the ratio), and Crop, Flip,
// CreateFromArray and Copy. Reports pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>

#include "bench_page.h"
#include "dib_image.h"
#include "reference_ops.h"

namespace {

constexpr std::uint32_t kBandWidth = 576;
constexpr std::uint32_t kBandRows = 256;
constexpr std::uint32_t kBands = 8;  // consecutive bands, so the content varies

const BenchPage& Page() {
  static const BenchPage page = MakeBenchPage(kBandWidth, kBandRows * kBands);
  return page;
}

// Band i of the page as the working image of the pipeline: 8 bits, identity
// gray palette, first row on top.
void LoadBand(DibImage& image, std::uint32_t band) {
  const BenchPage& page = Page();
  image.CreateFromArray(page.Row((band % kBands) * kBandRows), page.width, kBandRows, 8,
                        page.stride, true);
}

enum Version { kFast, kReference };

// Runs `operation` on a fresh band each iteration; loading it is not timed.
void RunOnBands(benchmark::State& state, const std::function<void(DibImage&)>& operation) {
  std::uint32_t band = 0;
  for (auto _ : state) {
    state.PauseTiming();
    DibImage image(0);
    LoadBand(image, band++);
    state.ResumeTiming();
    operation(image);
    benchmark::DoNotOptimize(image.GetDIB());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBandWidth * kBandRows);
}

// range(last) picks the version: kFast (image/) or kReference.
void FastOrReference(benchmark::State& state, int versionArg,
                     const std::function<void(DibImage&)>& fast,
                     const std::function<void(DibImage&)>& literal) {
  RunOnBands(state, state.range(versionArg) == kFast ? fast : literal);
}

void BM_Dither(benchmark::State& state) {
  const LONG method = static_cast<LONG>(state.range(0));
  FastOrReference(
      state, 1, [&](DibImage& image) { image.Dither(method); },
      [&](DibImage& image) { reference::Dither(image, method); });
}
BENCHMARK(BM_Dither)
    ->ArgNames({"method", "reference"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {kFast, kReference}});

void BM_Threshold(benchmark::State& state) {
  FastOrReference(
      state, 0, [](DibImage& image) { image.Threshold(180); },
      [](DibImage& image) { reference::Threshold(image, 180); });
}
BENCHMARK(BM_Threshold)->ArgName("reference")->Arg(kFast)->Arg(kReference);

void BM_RotateLeft(benchmark::State& state) {
  FastOrReference(
      state, 0, [](DibImage& image) { image.RotateLeft(nullptr); },
      [](DibImage& image) { reference::RotateLeft(image, nullptr); });
}
BENCHMARK(BM_RotateLeft)->ArgName("reference")->Arg(kFast)->Arg(kReference);

void BM_Rotate180(benchmark::State& state) {
  FastOrReference(
      state, 0, [](DibImage& image) { image.Rotate180(nullptr); },
      [](DibImage& image) { reference::Rotate180(image, nullptr); });
}
BENCHMARK(BM_Rotate180)->ArgName("reference")->Arg(kFast)->Arg(kReference);

// Paper saving's crop: a few rows off the top and the bottom.
void BM_Crop(benchmark::State& state) {
  RunOnBands(state, [](DibImage& image) {
    image.Crop(0, 3, static_cast<LONG>(image.GetWidth()), static_cast<LONG>(kBandRows) - 7,
               nullptr);
  });
}
BENCHMARK(BM_Crop);

void BM_Flip(benchmark::State& state) {
  RunOnBands(state, [](DibImage& image) { image.Flip(false, true); });
}
BENCHMARK(BM_Flip);

void BM_CreateFromArray(benchmark::State& state) {
  std::uint32_t band = 0;
  for (auto _ : state) {
    DibImage image(0);
    LoadBand(image, band++);
    benchmark::DoNotOptimize(image.GetDIB());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBandWidth * kBandRows);
}
BENCHMARK(BM_CreateFromArray);

void BM_Copy(benchmark::State& state) {
  DibImage source(0);
  LoadBand(source, 0);
  for (auto _ : state) {
    DibImage copy(0);
    copy.Copy(source, true, true, true);
    benchmark::DoNotOptimize(copy.GetDIB());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBandWidth * kBandRows);
}
BENCHMARK(BM_Copy);

}  // namespace
