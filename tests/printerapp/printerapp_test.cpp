// The printer application's own parts: the band adapter and the raster job
// against the real plug-in library, the settings, page fitting and the
// discovery datagrams, the serial device URIs and port list, and the
// printer's status answers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "band_adapter.h"
#include "band_job.h"
#include "calibration_page.h"
#include "discovery_device.h"
#include "discovery_protocol.h"
#include "option_texts.h"
#include "page_fit.h"
#include "png_filter.h"
#include "printer_status.h"
#include "pwg_raster_reader.h"
#include "raster_job.h"
#include "raster_decoder.h"
#include "receipt_driver.h"
#include "receipt_settings.h"
#include "serial_device.h"
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

// A sink that keeps every byte in `out`.
BandAdapter::Sink Collect(Bytes& out) {
  return [&out](const std::uint8_t* bytes, std::size_t size) {
    out.insert(out.end(), bytes, bytes + size);
    return true;
  };
}

Bytes AdapterStream(const GrayPage& page, const ReceiptSettings& settings, unsigned bandRows) {
  Bytes out;
  BandAdapter adapter(settings, Collect(out), bandRows);
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

raster::Picture PictureOf(const Bytes& stream, FeedConvention convention) {
  const raster::ParseResult parsed = raster::Parse(stream.data(), stream.size(), convention);
  EXPECT_EQ(parsed.error, "");
  return raster::Render(parsed, stream.data());
}

// A printer whose blocks advance the paper prints the generic stream as this
// family's printer prints the family stream, blank runs fed rather than sent
// and blank columns left out of the blocks.
TEST(BandAdapterTest, GenericStreamPrintsTheFamilyPicture) {
  struct White {  // rows [top, bottom) of columns [left, right) left blank
    unsigned top, bottom, left = 0, right = ~0u;
  };
  const struct {
    const char* name;
    unsigned width, height, bandRows;
    HalftoneMethod halftone;
    std::vector<White> white;
  } cases[] = {
      {"blank top, middle and bottom",
       576,
       700,
       240,
       kFloydSteinberg,
       {{0, 50}, {300, 420}, {650, 700}}},
      {"blank runs across band ends, short last band",
       576,
       530,
       240,
       kOrdered,
       {{200, 290}, {470, 490}}},
      {"a blank run longer than one feed command", 576, 800, 800, kThreshold, {{100, 700}}},
      {"58 mm, one-row runs", 384, 61, 240, kSierra, {{0, 1}, {30, 31}, {60, 61}}},
      {"wholly inked", 576, 100, 24, kStucki, {}},
      {"ink narrow and off-centre, not on byte edges",
       576,
       300,
       240,
       kOrdered,
       {{0, 300, 0, 203}, {0, 300, 333}, {100, 140}}},
      {"ink moving across the row inside one run, a run longer than the weighing",
       384,
       700,
       700,
       kFloydSteinberg,
       {{0, 120, 0, 300}, {120, 200, 60}, {200, 260, 0, 17}, {260, 700, 9, 375}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GrayPage page = RampPage(c.width, c.height);
    for (const White& w : c.white) {
      for (unsigned y = w.top; y < w.bottom; ++y) {
        std::fill(page.pixels.begin() + y * c.width + w.left,
                  page.pixels.begin() + y * c.width + std::min(w.right, c.width), 255);
      }
    }
    ReceiptSettings settings = With(c.halftone);
    const Bytes family = AdapterStream(page, settings, c.bandRows);
    settings.feed = FeedConvention::kBlockAdvances;
    Bytes generic = JobStartCommands(settings, c.width);
    const Bytes blocks = AdapterStream(page, settings, c.bandRows);
    generic.insert(generic.end(), blocks.begin(), blocks.end());
    const raster::Picture expected = PictureOf(family, FeedConvention::kFeedAfterBlock);
    const raster::Picture actual = PictureOf(generic, FeedConvention::kBlockAdvances);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
    EXPECT_TRUE(actual.packed == expected.packed);
    // The margin is back at 0 by the end of the page's stream.
    unsigned margin = 0;
    for (const raster::Command& command :
         raster::Parse(generic.data(), generic.size(), FeedConvention::kBlockAdvances).commands) {
      if (command.kind == raster::Command::Kind::kLayout && command.code == 'L') {
        margin = command.dots;
      }
    }
    EXPECT_EQ(margin, 0u);
    if (!c.white.empty()) {
      EXPECT_LT(generic.size(), family.size());
    }
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

// A white page of `height` 576-dot lines with ink on the lines [from, to) of
// each span, none of it white.
struct Span {
  unsigned from, to;
};
GrayPage InkPage(unsigned height, std::vector<Span> spans) {
  GrayPage page{576, height, Bytes(576u * height, 255)};
  for (const Span& span : spans) {
    for (unsigned y = span.from; y < span.to; ++y) {
      for (unsigned x = 0; x < 576; ++x) page.pixels[y * 576 + x] = (x * 3 + y * 5) % 200;
    }
  }
  return page;
}

// What a raster job writes for one page (no job framing); black: the page is
// sent as black_8, 0 white.
Bytes JobPageStream(const GrayPage& page, const ReceiptSettings& settings, bool black) {
  Bytes out;
  RasterJob job(settings, Collect(out), 576, 639);
  EXPECT_TRUE(job.StartPage(1, {page.width, page.height, 8, 8, black, true}));
  Bytes line(page.width);
  for (unsigned y = 0; y < page.height; ++y) {
    for (unsigned x = 0; x < page.width; ++x) {
      const std::uint8_t gray = page.pixels[y * page.width + x];
      line[x] = black ? static_cast<std::uint8_t>(255 - gray) : gray;
    }
    EXPECT_TRUE(job.WriteLine(line.data()));
  }
  EXPECT_TRUE(job.EndPage(1, false));
  return out;
}

TEST(RasterJobTest, ThePrintedLengthFollowsTheContentAndIsThePluginsStreamOfTheTrimmedPage) {
  ReceiptSettings wholePage = With(kFloydSteinberg);
  wholePage.length = ReceiptLength::kPage;
  const struct {
    const char* name;
    unsigned height;
    std::vector<Span> ink;
    Span printed;  // the lines of the page the plug-in is given; empty: none
    ReceiptSettings settings;
    bool black = false;  // sent as black_8 (0 white): judged once turned to gray
  } cases[] = {
      {"24 lines stay above and below", 1000, {{300, 420}}, {276, 444}, With(kSierra)},
      {"receipt-length page", 1000, {{300, 420}}, {0, 1000}, wholePage},
      {"a gap inside is kept whole", 900, {{100, 150}, {650, 700}}, {76, 724}, With(kOrdered)},
      {"margins only where the page has them", 1000, {{10, 990}}, {0, 1000}, With(kBurkes)},
      {"ink on the first and last line", 500, {{0, 1}, {499, 500}}, {0, 500}, With(kStucki)},
      {"black_8", 700, {{200, 260}}, {176, 284}, With(kThreshold), true},
      // The page's lines run across the paper: nothing to save.
      {"landscape", 600, {{300, 420}}, {0, 600}, With(kFloydSteinberg, false, 0, kOff, true)},
      // Both act band by band on the trimmed page.
      {"upside down, saving", 1200, {{300, 700}}, {276, 724}, With(kOrdered, true, 0, kTop)},
      {"a blank page feeds nothing", 800, {}, {0, 0}, With(kThreshold)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GrayPage page = InkPage(c.height, c.ink);
    Bytes expected;
    if (c.printed.to > c.printed.from) {
      const GrayPage printed{576, c.printed.to - c.printed.from,
                             Bytes(page.pixels.begin() + c.printed.from * 576,
                                   page.pixels.begin() + c.printed.to * 576)};
      expected = PluginStream(printed, c.settings, kDefaultBandRows);
    }
    EXPECT_TRUE(stream_testing::StreamsEqual(expected, JobPageStream(page, c.settings, c.black)));
  }
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
      {kAttrLength, {"content", "page"}, {"fixed", "CONTENT"}},
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
        // The job's log names what was applied, under the name it came by.
        std::string applied(" "), text(" ");
        applied.append(c.name).append("=").append(value).append(" ");
        text.append(SettingsText(settings)).append(" ");
        EXPECT_EQ(text.find(applied) != std::string::npos, ok);
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
  // A generic printer is reset first, its horizontal unit set to a dot and
  // its print area to the head's width.
  const Bytes generic58 = {0x1B, 0x40, 0x1D, 0x50, 0xCB, 0x00, 0x1D, 0x57,
                           0x80, 0x01, 0x1B, 0x70, 0x00, 0x19, 0xFA};
  const struct {
    CutAtEnd cut;
    CashDrawer drawer;
    Bytes start, end;
    FeedConvention feed = FeedConvention::kFeedAfterBlock;
  } cases[] = {
      {CutAtEnd::kNone, CashDrawer::kNone, {}, {}},
      {CutAtEnd::kFull, CashDrawer::kBefore, generic58, full, FeedConvention::kBlockAdvances},
      {CutAtEnd::kPartial, CashDrawer::kNone, {}, partial},
      {CutAtEnd::kFull, CashDrawer::kBefore, drawer, full},
      {CutAtEnd::kPartial, CashDrawer::kAfter, {}, partialThenDrawer},
      {CutAtEnd::kNone, CashDrawer::kAfter, {}, drawer},
  };
  for (const auto& c : cases) {
    ReceiptSettings settings;
    settings.cut = c.cut;
    settings.drawer = c.drawer;
    settings.feed = c.feed;
    EXPECT_EQ(JobStartCommands(settings, 384), c.start);
    EXPECT_EQ(JobEndCommands(settings), c.end);
  }
}

TEST(ReceiptDriverTest, DeviceIdsChooseTheDriver) {
  const struct {
    const char* deviceId;
    const char* driver;  // nullptr: none
  } cases[] = {
      {"MFG:BRINDOL;MDL:80mm Receipt Printer;", "brindol_80"},
      {"MFG:BRINDOL;MDL:BRINDOL-58;", "brindol_58"},
      // Ours, whatever else the ID says: never a generic driver.
      {"MFG:BRINDOL;MDL:BRINDOL-58 Pro;CMD:ESC/POS;", "brindol_80"},
      {"MFG:Acme;MDL:TP-80;CMD:ESC/POS;", "escpos_generic_80"},
      {"MFG:Acme;CMD:PCL, esc/pos ;MDL:Pocket 58;", "escpos_generic_58"},
      {"MANUFACTURER:Acme;COMMAND SET:ESC/POS;MODEL:POS-5890;", "escpos_generic_58"},
      {"MFG:Acme;CMD:ESC/POSX,ZPL;MDL:58;", nullptr},
      {"MFG:Acme;MDL:ESC/POS 58;CMD:ZPL;", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.deviceId);
    const char* driver = ReceiptAutoAdd(nullptr, nullptr, c.deviceId, nullptr);
    EXPECT_STREQ(driver ? driver : "(none)", c.driver ? c.driver : "(none)");
  }
  EXPECT_EQ(ReceiptAutoAdd(nullptr, nullptr, nullptr, nullptr), nullptr);
}

// The rows of a picture that are black across its whole width, as runs.
std::vector<std::pair<unsigned, unsigned>> SolidRuns(const raster::Picture& picture) {
  std::vector<std::pair<unsigned, unsigned>> runs;  // first row, rows
  for (unsigned y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.Row(y);
    if (!std::all_of(row, row + picture.RowBytes(), [](std::uint8_t b) { return b == 0xFF; })) {
      continue;
    }
    if (!runs.empty() && runs.back().first + runs.back().second == y) {
      ++runs.back().second;
    } else {
      runs.emplace_back(y, 1);
    }
  }
  return runs;
}

TEST(CalibrationPageTest, OneBarOnThisFamilysPrintersStripesOnOthers) {
  for (unsigned dots : {576u, 384u}) {
    SCOPED_TRACE(dots);
    const Bytes page = CalibrationPage(dots);
    const raster::Picture family = PictureOf(page, FeedConvention::kFeedAfterBlock);
    EXPECT_EQ(family.width, dots);
    const std::vector<std::pair<unsigned, unsigned>> bar = {
        {kCalibrationBarTop, kCalibrationBarRows}};
    EXPECT_EQ(SolidRuns(family), bar);
    // Every 24-row block is followed by 24 white rows of its feed.
    const auto striped = SolidRuns(PictureOf(page, FeedConvention::kBlockAdvances));
    ASSERT_EQ(striped.size(), kCalibrationBarRows / 24);
    for (std::size_t i = 0; i < striped.size(); ++i) {
      EXPECT_EQ(striped[i].first, 2 * kCalibrationBarTop + i * 48);
      EXPECT_EQ(striped[i].second, 24u);
    }
    // The legend's text is drawn: ink below the bar, and a partial cut.
    const Bytes cut = {0x1D, 0x56, 0x42, 0x00};
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), page.end() - 4));
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

TEST(SerialTest, DeviceUris) {
  using F = SerialFlow;
  const struct {
    const char* uri;
    bool ok;
    const char* path;
    unsigned baud;
    SerialFlow flow;
  } uris[] = {
      {"serial:/dev/ttyUSB0", true, "/dev/ttyUSB0", 9600, F::kNone},
      {"serial:/dev/ttyS1?baud=115200&flow=rtscts", true, "/dev/ttyS1", 115200, F::kRtsCts},
      {"serial:/dev/rfcomm0?flow=xonxoff&baud=19200", true, "/dev/rfcomm0", 19200, F::kXonXoff},
      {"serial:/dev/ttyACM0?flow=none", true, "/dev/ttyACM0", 9600, F::kNone},
      {"serial:/tmp/lab.x1/printer-tty?baud=1200", true, "/tmp/lab.x1/printer-tty", 1200, F::kNone},
      {"serial:/dev/ttyUSB0?", false, "", 0, F::kNone},           // empty setting
      {"serial:/dev/ttyUSB0?baud=9601", false, "", 0, F::kNone},  // no such speed
      {"serial:/dev/ttyUSB0?baud=", false, "", 0, F::kNone},
      {"serial:/dev/ttyUSB0?baud=+9600", false, "", 0, F::kNone},
      {"serial:/dev/ttyUSB0?baud=9600&baud=19200", false, "", 0, F::kNone},  // repeated
      {"serial:/dev/ttyUSB0?flow=hardware", false, "", 0, F::kNone},
      {"serial:/dev/ttyUSB0?flow=none&", false, "", 0, F::kNone},
      {"serial:/dev/ttyUSB0?parity=even", false, "", 0, F::kNone},
      {"serial:/dev/ttyUSB0?BAUD=9600", false, "", 0, F::kNone},
      {"serial:dev/ttyUSB0", false, "", 0, F::kNone},     // relative
      {"serial:///dev/ttyUSB0", false, "", 0, F::kNone},  // a host part
      {"serial:/dev/tty USB0", false, "", 0, F::kNone},
      {"serial:", false, "", 0, F::kNone},
      {"socket://10.0.0.7", false, "", 0, F::kNone},
  };
  for (const auto& c : uris) {
    SCOPED_TRACE(c.uri);
    SerialSettings settings;
    std::string error;
    EXPECT_EQ(ParseSerialUri(c.uri, settings, error), c.ok);
    EXPECT_EQ(error.empty(), c.ok) << error;
    if (c.ok) {
      EXPECT_EQ(settings.path, c.path);
      EXPECT_EQ(settings.baud, c.baud);
      EXPECT_EQ(settings.flow, c.flow);
    }
  }
}

// Ports are listed by name and kind: a pseudo-terminal stands in for a
// serial port, and has no UART, as a ttyS node without one.
TEST(SerialTest, ListsCharacterDevicesOfSerialNamesAndTtySOnlyWithAUart) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave = ptsname(master);
  char dirTemplate[] = "/tmp/serial-ports.XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  const char* links[] = {"ttyUSB0", "ttyACM12", "rfcomm0", "ttyS0", "ttyUSBx", "sda", "tty0"};
  for (const char* name : links) ASSERT_EQ(symlink(slave.c_str(), (dir + "/" + name).c_str()), 0);
  const int file = open((dir + "/ttyUSB1").c_str(), O_CREAT | O_WRONLY, 0600);  // not a device
  ASSERT_GE(file, 0);
  close(file);

  EXPECT_EQ(ListSerialPorts(dir),
            (std::vector<std::string>{dir + "/rfcomm0", dir + "/ttyACM12", dir + "/ttyUSB0"}));
  EXPECT_EQ(ListSerialPorts(dir + "/missing"), std::vector<std::string>{});

  for (const char* name : links) unlink((dir + "/" + name).c_str());
  unlink((dir + "/ttyUSB1").c_str());
  rmdir(dir.c_str());
  close(master);
}

// Raster streams as libcups writes them (PWG raster in big-endian order, CUPS
// raster version 2 in this machine's order) and as a writer may write them by
// hand, read back in small pieces so that runs and headers straddle reads.
struct MemoryStream {
  std::string data;
  std::size_t at = 0;
  static ssize_t Write(void* context, unsigned char* bytes, size_t length) {
    static_cast<MemoryStream*>(context)->data.append(reinterpret_cast<char*>(bytes), length);
    return static_cast<ssize_t>(length);
  }
  static ssize_t Read(void* context, unsigned char* bytes, size_t length) {
    auto& stream = *static_cast<MemoryStream*>(context);
    const std::size_t n = std::min({length, stream.data.size() - stream.at, std::size_t{7}});
    std::memcpy(bytes, stream.data.data() + stream.at, n);
    stream.at += n;
    return static_cast<ssize_t>(n);
  }
};

struct RasterPage {
  cups_cspace_t space;
  unsigned bitsPerPixel, width, height;
  Bytes pixels;
};

std::string WriteRaster(cups_mode_t mode, const std::vector<RasterPage>& pages) {
  MemoryStream out;
  cups_raster_t* raster = cupsRasterOpenIO(MemoryStream::Write, &out, mode);
  for (const RasterPage& page : pages) {
    cups_page_header2_t header = {};
    header.HWResolution[0] = header.HWResolution[1] = 203;
    header.cupsWidth = page.width;
    header.cupsHeight = page.height;
    header.cupsBitsPerPixel = page.bitsPerPixel;
    header.cupsBitsPerColor = page.bitsPerPixel == 24 ? 8 : page.bitsPerPixel;
    header.cupsBytesPerLine = (page.width * page.bitsPerPixel + 7) / 8;
    header.cupsColorSpace = page.space;
    header.cupsNumColors = page.bitsPerPixel == 24 ? 3 : 1;
    header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = static_cast<unsigned>(pages.size());
    cupsRasterWriteHeader2(raster, &header);
    Bytes pixels = page.pixels;
    cupsRasterWritePixels(raster, pixels.data(), static_cast<unsigned>(pixels.size()));
  }
  cupsRasterClose(raster);
  return out.data;
}

// Reads every page: its size and pixels, lines read one by one.
std::vector<RasterPage> ReadRaster(const std::string& data) {
  MemoryStream in{data};
  PwgRasterReader reader(MemoryStream::Read, &in);
  std::vector<RasterPage> pages;
  if (!reader.Open()) return pages;
  cups_page_header2_t header;
  while (reader.ReadHeader(header)) {
    RasterPage page{static_cast<cups_cspace_t>(header.cupsColorSpace),
                    header.cupsBitsPerPixel,
                    header.cupsWidth,
                    header.cupsHeight,
                    {}};
    Bytes line(header.cupsBytesPerLine);
    for (unsigned y = 0; y < header.cupsHeight && reader.ReadPixels(line.data(), line.size());
         ++y) {
      page.pixels.insert(page.pixels.end(), line.begin(), line.end());
    }
    pages.push_back(page);
  }
  return pages;
}

TEST(PwgRasterReaderTest, ReadsWhatLibcupsWritesAndHandMadeStreams) {
  // Gray with long runs, literal stretches and repeated lines.
  Bytes gray(200 * 9, 255);
  for (std::size_t i = 0; i < gray.size(); ++i) {
    if (i / 200 >= 3 && i / 200 < 6) gray[i] = static_cast<std::uint8_t>((i * 37) % 251);
    if (i / 200 == 7 && i % 200 > 150) gray[i] = 0;
  }
  Bytes rgb(30 * 4 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i < 90 ? 9 : i);
  const Bytes black{0x00, 0xff, 0x0f, 0xf0, 0x00, 0xff, 0x00, 0xff};
  const RasterPage grayPage{CUPS_CSPACE_SW, 8, 200, 9, gray};
  const RasterPage rgbPage{CUPS_CSPACE_SRGB, 24, 30, 4, rgb};
  const RasterPage blackPage{CUPS_CSPACE_K, 1, 16, 4, black};
  const std::vector<RasterPage> written{grayPage, rgbPage, blackPage};
  for (cups_mode_t mode : {CUPS_RASTER_WRITE_PWG, CUPS_RASTER_WRITE_COMPRESSED}) {
    SCOPED_TRACE(mode);
    const std::vector<RasterPage> read = ReadRaster(WriteRaster(mode, written));
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
      EXPECT_EQ(read[i].space, written[i].space);
      EXPECT_EQ(read[i].width, written[i].width);
      EXPECT_EQ(read[i].pixels, written[i].pixels) << "page " << i;
    }
  }

  // Hand-made: one gray page of 4 x 2 (or 1-bit black, 16 x 2) after a
  // header taken from libcups's writer, with the line data replaced.
  const std::string grayHeader =
      WriteRaster(CUPS_RASTER_WRITE_PWG, {{CUPS_CSPACE_SW, 8, 4, 2, Bytes(8, 0)}})
          .substr(0, 4 + 1796);
  const std::string blackHeader =
      WriteRaster(CUPS_RASTER_WRITE_PWG, {{CUPS_CSPACE_K, 1, 16, 2, Bytes(4, 0)}})
          .substr(0, 4 + 1796);
  const struct {
    const char* name;
    std::string stream;
    std::size_t pages;
    Bytes pixels;  // of the last page read
  } cases[] = {
      {"128 leaves the rest of a gray line white",
       grayHeader + std::string("\x01\x00\x10\x80", 4),
       1,
       {0x10, 0xff, 0xff, 0xff, 0x10, 0xff, 0xff, 0xff}},
      {"128 leaves the rest of a black line without ink",
       blackHeader + std::string("\x01\x00\xff\x80", 4),
       1,
       {0xff, 0x00, 0xff, 0x00}},
      {"a run past the line's end is cut there",
       grayHeader + std::string("\x01\x09\x20", 3),
       1,
       {0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20}},
      {"literal values past the end are dropped, the next line follows",
       grayHeader + std::string("\x00\xfb\x01\x02\x03\x04\x05\x06\x00\x03\x07", 11),
       1,
       {0x01, 0x02, 0x03, 0x04, 0x07, 0x07, 0x07, 0x07}},
      {"a stream ending inside a line ends the page short",
       grayHeader + std::string("\x01\x01", 2),
       1,
       {}},
      {"the end after the header: a page without lines", grayHeader, 1, {}},
      {"a header cut short is no page", grayHeader.substr(0, 900), 0, {}},
      {"12 bits per color is no page",
       [&] {
         std::string bad = grayHeader;
         bad[4 + 387] = 12;  // cupsBitsPerColor, big-endian
         return bad + std::string("\x01\x03\x10", 3);
       }(),
       0,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<RasterPage> read = ReadRaster(c.stream);
    ASSERT_EQ(read.size(), c.pages);
    if (!read.empty()) {
      EXPECT_EQ(read.back().pixels, c.pixels);
    }
  }

  // Other kinds of raster are left to libcups, with the bytes read so far.
  for (const std::string& other :
       {std::string("RaS3"), std::string("UNIRAST"), std::string("Ra")}) {
    SCOPED_TRACE(other);
    MemoryStream in{other};
    PwgRasterReader reader(MemoryStream::Read, &in);
    EXPECT_FALSE(reader.Open());
    EXPECT_EQ(
        std::string(reinterpret_cast<const char*>(reader.SyncBytes()), reader.SyncBytesRead()),
        other.substr(0, 4));
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
