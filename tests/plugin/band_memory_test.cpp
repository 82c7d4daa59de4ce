// The band pipeline when the image core runs out of memory at any one of its
// allocations: the band is either sent as a well-formed stream and cleared,
// or declined with nothing written and the band left as it was.
#include <gtest/gtest.h>

#include <vector>

#include "band_header.h"
#include "image_testing.h"
#include "printer_description.h"
#include "process_band.h"
#include "raster_decoder.h"
#include "stream_testing.h"
#include "substitute_host.h"

namespace {

struct Outcome {
  HRESULT hr;
  PBYTE result;
  std::vector<BYTE> band;
  std::vector<BYTE> spool;
};

Outcome RunBand(const std::vector<BYTE>& band, LONG width, LONG height, long failAfter) {
  SubstituteHost host;
  host.SetOption(kFeatureHorizontalOffset, "P10");
  host.SetOption(kFeatureTranslate180, "TRANS_180");
  host.SetOption(kFeatureSavePaperMode, "SavePaper_TopAndBottom");
  host.SetLandscape(true);
  BITMAPINFOHEADER header = BandHeader(width, height, static_cast<DWORD>(band.size()));
  char halftone[] = "HT_Stucki";
  IPPARAMS params = {};
  params.pHalftoneOption = halftone;
  Outcome outcome{E_NOTIMPL, reinterpret_cast<PBYTE>(7), band, {}};
  const BandRequest request = {host.Devobj(), outcome.band.data(), &header, 3,
                               &params,       &outcome.result};
  {
    image_testing::AllocationFailure failure(failAfter);
    outcome.hr = ProcessBand(request, HostServices(host.Devobj(), nullptr));
  }
  outcome.spool = host.Spool();
  return outcome;
}

TEST(BandMemory, AnyFailedImageAllocationSendsWholeBlocksOrNothing) {
  const LONG width = 40, height = 30;
  std::vector<BYTE> band(static_cast<std::size_t>(width) * height, 255);
  for (LONG y = 8; y < 20; ++y)
    for (LONG x = 0; x < width; ++x) band[y * width + x] = static_cast<BYTE>((x * 9 + y * 5) % 256);

  const Outcome reference = RunBand(band, width, height, -1);
  ASSERT_EQ(reference.hr, S_OK);
  bool declined = false;
  for (long n = 0; n < 40; ++n) {
    SCOPED_TRACE(n);
    const Outcome outcome = RunBand(band, width, height, n);
    if (outcome.hr == S_OK) {
      EXPECT_EQ(outcome.result, reinterpret_cast<PBYTE>(1));
      EXPECT_EQ(outcome.band, std::vector<BYTE>(band.size(), 0));
      EXPECT_EQ(raster::Parse(outcome.spool.data(), outcome.spool.size()).error, "");
    } else {
      declined = true;
      EXPECT_EQ(outcome.hr, E_FAIL);
      EXPECT_EQ(outcome.result, nullptr);
      EXPECT_EQ(outcome.band, band);
      EXPECT_TRUE(outcome.spool.empty());
    }
  }
  EXPECT_TRUE(declined) << "the first allocation (the working image) must decline the band";
  // Beyond the last allocation nothing fails any more.
  EXPECT_TRUE(
      stream_testing::StreamsEqual(reference.spool, RunBand(band, width, height, 40).spool));
}

}  // namespace
