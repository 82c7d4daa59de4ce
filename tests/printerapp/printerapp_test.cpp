// The printer application's own parts: the band adapter against the real
// plug-in library, the settings, page fitting, the discovery datagrams and
// the printer's status answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "band_adapter.h"
#include "band_job.h"
#include "discovery_device.h"
#include "discovery_protocol.h"
#include "option_texts.h"
#include "page_fit.h"
#include "png_filter.h"
#include "printer_status.h"
#include "receipt_settings.h"
#include "service_lifecycle.h"
#include "stream_testing.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A page with ink everywhere and no all-black band: a diagonal ramp.
GrayPage RampPage(unsigned width, unsigned height) {
  GrayPage page{width, height, Bytes(static_cast<std::size_t>(width) * height)};
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      page.pixels[static_cast<std::size_t>(y) * width + x] =
          static_cast<std::uint8_t>((x * 3 + y * 5) % 256 | (y < 8 ? 0x80 : 0));
    }
  }
  return page;
}

Bytes AdapterStream(const GrayPage& page, const ReceiptSettings& settings, unsigned bandRows) {
  Bytes out;
  BandAdapter adapter(
      settings,
      [&out](const std::uint8_t* bytes, std::size_t size) {
        out.insert(out.end(), bytes, bytes + size);
        return true;
      },
      bandRows);
  EXPECT_TRUE(adapter.StartPage(page.width));
  for (unsigned y = 0; y < page.height; ++y) {
    EXPECT_TRUE(adapter.AddLine(page.pixels.data() + static_cast<std::size_t>(y) * page.width));
  }
  EXPECT_TRUE(adapter.EndPage());
  return out;
}

Bytes PluginStream(const GrayPage& page, const ReceiptSettings& settings, unsigned bandRows) {
  SubstituteHost host;
  host.SetOption(kFeatureHorizontalOffset, OffsetOptionText(settings.offsetMm));
  host.SetOption(kFeatureTranslate180, Translate180OptionText(settings.upsideDown));
  host.SetOption(kFeatureSavePaperMode, PaperSavingOptionText(settings.paperSaving));
  host.SetLandscape(settings.landscape);
  BandJob job;
  job.bandHeight = bandRows;
  job.halftone = HalftoneOptionOf(settings.halftone).name;
  const std::string error = RunBandJob(BRINDOL_PLUGIN_PATH, host, job, page);
  EXPECT_EQ(error, "");
  return host.Spool();
}

struct AdapterCase {
  const char* name;
  unsigned width, height, bandRows;
  ReceiptSettings settings;
};

using enum HalftoneMethod;
using enum PaperSaving;

ReceiptSettings With(HalftoneMethod halftone, bool upsideDown = false, int offsetMm = 0,
                     PaperSaving saving = kOff, bool landscape = false) {
  return {halftone, upsideDown, offsetMm, saving, landscape};
}

TEST(BandAdapterTest, GivesThePluginsBytesForTheSamePageAndSettings) {
  const AdapterCase cases[] = {
      {"one full band", 576, 256, 256, With(kThreshold)},
      {"band and a short one", 576, 300, 256, With(kFloydSteinberg)},
      {"single row", 576, 1, 256, With(kOrdered)},
      {"width not a multiple of 4 (padded rows)", 381, 130, 256, With(kBurkes)},
      {"narrower than the head, offset right", 384, 200, 256, With(kStucki, false, 7)},
      {"offset left beyond the page", 200, 50, 256, With(kSierra, false, -20)},
      {"upside down, small bands", 576, 100, 24, With(kJarvisJudiceNinke, true)},
      {"paper saving top and bottom", 576, 280, 256, With(kStevensonArce, false, 0, kTopAndBottom)},
      {"landscape", 576, 270, 256, With(kFloydSteinberg, false, 0, kOff, true)},
      {"landscape, upside down, shifted", 300, 90, 40, With(kOrdered, true, 3, kBottom, true)},
  };
  for (const AdapterCase& c : cases) {
    SCOPED_TRACE(c.name);
    const GrayPage page = RampPage(c.width, c.height);
    const Bytes expected = PluginStream(page, c.settings, c.bandRows);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(
        stream_testing::StreamsEqual(expected, AdapterStream(page, c.settings, c.bandRows)));
  }
}

TEST(BandAdapterTest, AnAllBlackBandIsDeclinedLikeThePluginDoesWithoutFailingTheJob) {
  GrayPage page = RampPage(576, 48);
  std::fill(page.pixels.begin(), page.pixels.begin() + 576 * 24, 0);
  const ReceiptSettings settings = With(kThreshold);
  EXPECT_TRUE(stream_testing::StreamsEqual(PluginStream(page, settings, 24),
                                           AdapterStream(page, settings, 24)));
}

TEST(BandAdapterTest, ASinkThatFailsFailsTheRestOfThePage) {
  int calls = 0;
  BandAdapter adapter(
      With(kThreshold), [&calls](const std::uint8_t*, std::size_t) { return ++calls < 2; }, 24);
  const GrayPage page = RampPage(64, 100);
  ASSERT_TRUE(adapter.StartPage(page.width));
  bool lineResult = true;
  for (unsigned y = 0; y < page.height; ++y)
    lineResult = adapter.AddLine(page.pixels.data() + y * 64);
  EXPECT_FALSE(lineResult);
  EXPECT_FALSE(adapter.EndPage());
  EXPECT_TRUE(adapter.Failed());
  EXPECT_EQ(calls, 2);  // nothing is offered after the first refusal
  EXPECT_FALSE(adapter.Send({0x1D, 0x56, 0x42, 0x00}));
}

TEST(BandAdapterTest, RefusesPagesItCannotCarry) {
  BandAdapter adapter(With(kThreshold), [](const std::uint8_t*, std::size_t) { return true; });
  EXPECT_FALSE(adapter.StartPage(0));
  EXPECT_FALSE(adapter.StartPage(0xFFFF * 8 + 1));  // a row the stream's 16-bit field cannot hold
  const std::uint8_t line[8] = {};
  EXPECT_FALSE(adapter.AddLine(line));  // no page started
  EXPECT_TRUE(adapter.StartPage(8));
}

TEST(ReceiptSettingsTest, AcceptsTheOfferedValuesAndNothingElse) {
  const struct {
    const char* name;
    std::vector<const char*> good, bad;
  } cases[] = {
      // The driver's name of a halftone method is not its keyword.
      {kAttrHalftone, {"floyd-steinberg", "jarvis-judice-ninke"}, {"HT_FloydSteinberg", ""}},
      {kAttrUpsideDown, {"true"}, {"maybe"}},
      {kAttrOffset, {"-20", "20"}, {"21", "-21", "5mm", "99999999999999", ""}},
      {kAttrPaperSaving, {"top-and-bottom"}, {"middle"}},
      {kAttrOrientation, {"landscape"}, {"reverse-landscape"}},
      {kAttrCut, {"full"}, {"half"}},
      {kAttrDrawer, {"after"}, {"during"}},
      {"print-speed", {}, {"5"}},
  };
  for (const auto& c : cases) {
    for (const bool ok : {true, false}) {
      for (const char* value : ok ? c.good : c.bad) {
        SCOPED_TRACE(std::string(c.name) + "=" + value);
        ReceiptSettings settings;
        const ReceiptSettings before = settings;
        std::string error;
        EXPECT_EQ(ApplySetting(settings, c.name, value, error), ok);
        if (!ok) {
          EXPECT_NE(error.find(c.name), std::string::npos) << error;
          EXPECT_EQ(settings.halftone, before.halftone);
          EXPECT_EQ(settings.offsetMm, before.offsetMm);
        }
      }
    }
  }
}

TEST(ReceiptSettingsTest, StandardAttributesChooseTheHalftoneAndTheCut) {
  const struct {
    const char *quality, *content;
    bool trim;
    HalftoneMethod halftone;
    CutAtEnd cut;
  } cases[] = {
      // Normal quality of any content but text and photo keeps the setting
      // (here Sierra, standing for whatever the printer's default is).
      {"normal", "auto", false, kSierra, CutAtEnd::kPartial},
      {"normal", "text-and-graphic", false, kSierra, CutAtEnd::kPartial},
      {"normal", "photo", false, kFloydSteinberg, CutAtEnd::kPartial},
      {"normal", "text", true, kThreshold, CutAtEnd::kFull},
      {"draft", "auto", false, kThreshold, CutAtEnd::kPartial},
      {"draft", "photo", false, kOrdered, CutAtEnd::kPartial},
      {"high", "graphic", false, kJarvisJudiceNinke, CutAtEnd::kPartial},
      {"high", "photo", false, kJarvisJudiceNinke, CutAtEnd::kPartial},
      {"high", "text", false, kThreshold, CutAtEnd::kPartial},
      // Values no client should send change nothing.
      {"best", "photo", false, kSierra, CutAtEnd::kPartial},
      {"high", "poster", false, kSierra, CutAtEnd::kPartial},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.quality) + " " + c.content);
    ReceiptSettings settings;
    settings.halftone = kSierra;
    ApplyStandardChoices(settings, {c.quality, c.content, c.trim});
    EXPECT_EQ(settings.halftone, c.halftone);
    EXPECT_EQ(settings.cut, c.cut);
  }
}

TEST(ReceiptSettingsTest, OptionTextsAreTheDescriptionsOptions) {
  const struct {
    int mm;
    const char* text;
  } offsets[] = {{0, "P0"}, {1, "P10"}, {20, "P200"}, {-1, "M10"}, {-20, "M200"}};
  for (const auto& c : offsets) EXPECT_EQ(OffsetOptionText(c.mm), c.text) << c.mm;
  EXPECT_EQ(Translate180OptionText(true), "TRANS_180");
  EXPECT_EQ(Translate180OptionText(false), "TRANS_NONE");
}

TEST(ReceiptSettingsTest, CutAndDrawerCommandsFrameTheJob) {
  const Bytes partial = {0x1D, 0x56, 0x42, 0x00}, full = {0x1D, 0x56, 0x41, 0x00},
              drawer = {0x1B, 0x70, 0x00, 0x19, 0xFA};
  // The drawer opens after the cut.
  const Bytes partialThenDrawer = {0x1D, 0x56, 0x42, 0x00, 0x1B, 0x70, 0x00, 0x19, 0xFA};
  const struct {
    CutAtEnd cut;
    CashDrawer drawer;
    Bytes start, end;
  } cases[] = {
      {CutAtEnd::kNone, CashDrawer::kNone, {}, {}},
      {CutAtEnd::kPartial, CashDrawer::kNone, {}, partial},
      {CutAtEnd::kFull, CashDrawer::kBefore, drawer, full},
      {CutAtEnd::kPartial, CashDrawer::kAfter, {}, partialThenDrawer},
      {CutAtEnd::kNone, CashDrawer::kAfter, {}, drawer},
  };
  for (const auto& c : cases) {
    ReceiptSettings settings;
    settings.cut = c.cut;
    settings.drawer = c.drawer;
    EXPECT_EQ(JobStartCommands(settings), c.start);
    EXPECT_EQ(JobEndCommands(settings), c.end);
  }
}

std::vector<Bytes> Fit(PageFit& fit, const std::vector<Bytes>& lines) {
  std::vector<Bytes> out;
  for (const Bytes& line : lines) {
    EXPECT_TRUE(fit.Feed(line.data(), [&](const std::uint8_t* fitted) {
      out.emplace_back(fitted, fitted + fit.OutputWidth());
      return true;
    }));
  }
  return out;
}

TEST(PageFitTest, ChoosesByWidth) {
  const struct {
    unsigned width;
    bool allowScaling;
    bool ok;
    PageFit::Mode mode;
    unsigned outWidth;
  } cases[] = {
      {576, false, true, PageFit::Mode::kAsIs, 576}, {300, true, true, PageFit::Mode::kAsIs, 300},
      {639, false, true, PageFit::Mode::kCrop, 576}, {577, false, true, PageFit::Mode::kCrop, 576},
      {640, true, true, PageFit::Mode::kScale, 576}, {640, false, false, PageFit::Mode::kAsIs, 0},
      {0, true, false, PageFit::Mode::kAsIs, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    PageFit fit(576, 639);
    std::string error;
    EXPECT_EQ(fit.Start(c.width, c.allowScaling, error), c.ok);
    if (c.ok) {
      EXPECT_EQ(fit.GetMode(), c.mode);
      EXPECT_EQ(fit.OutputWidth(), c.outWidth);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(PageFitTest, CropKeepsTheMiddleAsTheRollHasIt) {
  PageFit fit(4, 7);
  std::string error;
  ASSERT_TRUE(fit.Start(7, false, error));
  EXPECT_EQ(Fit(fit, {{1, 2, 3, 4, 5, 6, 7}}), (std::vector<Bytes>{{3, 4, 5, 6}}));
}

TEST(PageFitTest, ScalingAveragesAreasAndKeepsTheAspect) {
  PageFit fit(2, 3);
  std::string error;
  ASSERT_TRUE(fit.Start(4, true, error));
  // Each output dot is the rounded mean of a 2 x 2 block; a fifth row that
  // completes no output row gives none.
  const std::vector<Bytes> out = Fit(fit, {{0, 255, 10, 20},
                                           {255, 0, 30, 41},
                                           {100, 100, 200, 200},
                                           {100, 101, 200, 200},
                                           {9, 9, 9, 9}});
  EXPECT_EQ(out, (std::vector<Bytes>{{128, 25}, {100, 200}}));
}

TEST(PngFilterTest, RefusesImagesBeyondTheLimitsBeforeAllocating) {
  const struct {
    unsigned width, height;
    bool ok;
  } cases[] = {
      {576, 3000, true},       {8192, 8192, true},  // exactly the pixel limit
      {8192, 8193, false},                          // one row more
      {65535, 1, true},        {65536, 1, false},   // wider than a side may be
      {100000, 100000, false},                      // the product would overflow 32 bits
      {0, 10, false},          {10, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    std::string reason;
    EXPECT_EQ(PngSizeAcceptable(c.width, c.height, reason), c.ok);
    EXPECT_EQ(reason.empty(), c.ok);
  }
}

TEST(PrinterStatusTest, AnswersBecomeReasonsAndWaits) {
  constexpr auto kEmpty = PAPPL_PREASON_MEDIA_EMPTY, kNeeded = PAPPL_PREASON_MEDIA_NEEDED,
                 kLow = PAPPL_PREASON_MEDIA_LOW, kCover = PAPPL_PREASON_COVER_OPEN;
  struct Case {
    const char* name;
    std::uint8_t answers[4];  // to DLE EOT 1, 2, 3, 4
    bool answered;
    bool wait;
    unsigned reasons;  // with a job waiting
  } const cases[] = {
      {"ready", {0x12, 0x12, 0x12, 0x12}, true, false, PAPPL_PREASON_NONE},
      {"paper near its end", {0x12, 0x12, 0x12, 0x1E}, true, false, kLow},
      {"paper out", {0x1A, 0x32, 0x12, 0x7E}, true, true, kEmpty | kNeeded},
      // Some printers report the end only by the roll sensor.
      {"paper out, sensor only", {0x12, 0x12, 0x12, 0x72}, true, true, kEmpty | kNeeded},
      {"cover open", {0x1A, 0x16, 0x12, 0x12}, true, true, kCover},
      {"cutter error", {0x1A, 0x52, 0x1A, 0x12}, true, true, PAPPL_PREASON_OTHER},
      {"offline, feed button", {0x1A, 0x1A, 0x12, 0x12}, true, true, PAPPL_PREASON_OFFLINE},
      // Not status answers (fixed bits wrong): data of a printer that does
      // not know the requests.
      {"bit 0 set", {0x13, 0x12, 0x12, 0x12}, false, false, PAPPL_PREASON_NONE},
      {"bit 4 clear", {0x12, 0x12, 0x02, 0x12}, false, false, PAPPL_PREASON_NONE},
      {"zeros", {0, 0, 0, 0}, false, false, PAPPL_PREASON_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PrinterStatus status = DecodeStatus(c.answers);
    EXPECT_EQ(status.answered, c.answered);
    EXPECT_EQ(MustWait(status), c.wait);
    EXPECT_EQ(static_cast<unsigned>(ReasonsOf(status, true)), c.reasons);
    EXPECT_EQ(static_cast<unsigned>(ReasonsOf(status, false)), c.reasons & ~kNeeded);
    EXPECT_EQ(c.reasons & ~static_cast<unsigned>(kStatusReasons), 0u);
  }
}

TEST(DiscoveryTest, ReadsTheAddressFromRepliesOnly) {
  auto reply = [](std::size_t size, const char* prefix, Bytes address) {
    Bytes datagram(size, 0x20);
    std::copy(prefix, prefix + std::min<std::size_t>(std::strlen(prefix), size), datagram.begin());
    if (size >= 23) std::copy(address.begin(), address.end(), datagram.begin() + 19);
    return datagram;
  };
  const struct {
    const char* name;
    Bytes datagram;
    bool ok;
    const char* address;
  } cases[] = {
      {"reply", reply(34, "KQ0001FOUND", {0xC0, 0xA8, 0x01, 0x64}), true, "192.168.1.100"},
      {"octets above 127", reply(34, "KQ0001FOUND", {200, 255, 0, 1}), true, "200.255.0.1"},
      {"35 bytes", reply(35, "KQ0001FOUND", {10, 0, 0, 1}), false, ""},
      {"33 bytes", reply(33, "KQ0001FOUND", {10, 0, 0, 1}), false, ""},
      {"other prefix", reply(34, "KQ0001FIND", {10, 0, 0, 1}), false, ""},
      {"empty", {}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto address = discovery::ParseReply(c.datagram.data(), c.datagram.size());
    EXPECT_EQ(address.has_value(), c.ok);
    if (address) {
      EXPECT_EQ(discovery::AddressText(*address), c.address);
    }
  }
}

TEST(DiscoveryTest, InterfaceListsAndDeviceUris) {
  EXPECT_EQ(ParseInterfaceList(nullptr), std::vector<std::string>{});
  EXPECT_EQ(ParseInterfaceList(""), std::vector<std::string>{});
  EXPECT_EQ(ParseInterfaceList("eth0, wlan0,,lo"),
            (std::vector<std::string>{"eth0", "wlan0", "lo"}));
  EXPECT_EQ(ParseInterfaceList("a-name-far-too-long-for-an-interface eth1"),
            std::vector<std::string>{"eth1"});

  const struct {
    const char* uri;
    bool ok;
    const char* host;
    int port;
  } uris[] = {
      {"brindol-net://10.0.0.7", true, "10.0.0.7", 9100},
      {"brindol-net://10.0.0.7/", true, "10.0.0.7", 9100},
      {"brindol-net://10.0.0.7:9101", true, "10.0.0.7", 9101},
      {"brindol-net://10.0.0.7:0", false, "", 0},
      {"brindol-net://10.0.0.7:70000", false, "", 0},
      {"brindol-net://10.0.0.7:", false, "", 0},
      {"brindol-net://printer.local", false, "", 0},
      {"socket://10.0.0.7", false, "", 0},
      {"brindol-net://", false, "", 0},
  };
  for (const auto& c : uris) {
    SCOPED_TRACE(c.uri);
    std::string host;
    int port = 0;
    EXPECT_EQ(ParseDeviceUri(c.uri, host, port), c.ok);
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
}

// PAPPL 1.3's loader stops at a job without a document format, and every
// line after it is lost; the repair gives such jobs one and changes nothing
// else.
TEST(StateFileTest, JobsWithoutADocumentFormatGetOne) {
  const struct {
    const char* name;
    std::string saved, repaired;
  } cases[] = {
      {"a job canceled before its document",
       "Job completed=\"1\" id=\"5\" name=\"x\" state=\"7\" username=\"root\"\n",
       "Job format=\"application/octet-stream\" completed=\"1\" id=\"5\" name=\"x\" "
       "state=\"7\" username=\"root\"\n"},
      {"a printed job", "Job format=\"image/png\" id=\"4\"\n",
       "Job format=\"image/png\" id=\"4\"\n"},
      {"other lines, a name with 'format' in it",
       "<Printer name=\"r80\">\nJobName format\n</Printer>\nJob name=\"format=1\" id=\"3\"\n",
       "<Printer name=\"r80\">\nJobName format\n</Printer>\nJob "
       "format=\"application/octet-stream\" "
       "name=\"format=1\" id=\"3\"\n"},
      {"a last line without its end", "Job id=\"2\"",
       "Job format=\"application/octet-stream\" id=\"2\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RepairStateText(c.saved), c.repaired);
  }
}

}  // namespace
