// The job settings in the band pipeline: how they are asked for and on which
// route, and what the offset, the turns and paper saving do to the print.
#include "band_testing.h"
#include "printer_description.h"

namespace plugin_test {
namespace {

using Route = SubstituteHost::Route;

// A band whose every dot can be told apart: a dot where x * 7 + y * 3 is odd
// or the row is a multiple of 5 (so no column or row pattern repeats simply).
BYTE Pattern(LONG x, LONG y) { return ((x * 7 + y * 3) % 2 == 1 || y % 5 == 0) ? 20 : 230; }

TEST_F(BandTest, SettingsAreAskedInTwoCallsInAFixedOrder) {
  host_.SetOption(kFeatureHorizontalOffset, "P10");
  host_.SetOption(kFeatureSavePaperMode, "SavePaper_Top");
  Band band(16, 4, 100);
  ASSERT_EQ(Process(band), S_OK);
  const auto& queries = host_.SettingQueries();
  ASSERT_EQ(queries.size(), 6u);
  const char* features[] = {kFeatureHorizontalOffset, kFeatureTranslate180, kFeatureSavePaperMode};
  const DWORD sizes[] = {4, 0, 14};  // the unknown feature needs nothing
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(features[i]);
    EXPECT_EQ(queries[2 * i].feature, features[i]);
    EXPECT_FALSE(queries[2 * i].withBuffer);
    EXPECT_EQ(queries[2 * i].size, 0u);
    EXPECT_EQ(queries[2 * i + 1].feature, features[i]);
    EXPECT_TRUE(queries[2 * i + 1].withBuffer);
    EXPECT_EQ(queries[2 * i + 1].size, sizes[i]);
  }
}

// A host that lies about how long an option text is. Up to 4 KiB the text is
// read (the plug-in ends it itself, whatever the host wrote); above that the
// option counts as absent and no buffer is handed out. 0xFFFFFFFF + 1 wraps to
// 0 in a 32-bit size_t: this is the case that once corrupted the heap.
TEST(BandSettingSizes, SizesAboveFourKilobytesAreNotBelieved) {
  const struct {
    DWORD reported;
    bool read;             // the second call is made with a buffer of `reported` bytes
    unsigned bytesPerRow;  // 72: "P10"/"P1" put the band on the 576-dot line; 16: no offset
  } cases[] = {
      {0, true, 16},
      {2, true, 72},
      {4, true, 72},
      {4096, true, 72},
      {4097, false, 16},
      {0x80000000u, false, 16},
      {0xFFFFFFFEu, false, 16},
      {0xFFFFFFFFu, false, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reported);
    SubstituteHost host;
    host.SetOption(kFeatureHorizontalOffset, "P10");
    host.ReportSettingSize(kFeatureHorizontalOffset, c.reported);
    IPrintOemUni2* plugin = CreatePluginObject();
    ASSERT_NE(plugin, nullptr);
    Band band(100, 30, 90);
    BITMAPINFOHEADER header =
        BandHeader(band.width, band.height, static_cast<DWORD>(band.bytes.size()));
    PBYTE result = nullptr;
    ASSERT_EQ(plugin->ImageProcessing(host.Devobj(), band.bytes.data(), &header, nullptr, 3,
                                      nullptr, &result),
              S_OK);
    std::vector<DWORD> buffers;
    for (const auto& query : host.SettingQueries())
      if (query.feature == kFeatureHorizontalOffset && query.withBuffer)
        buffers.push_back(query.size);
    EXPECT_EQ(buffers, c.read ? std::vector<DWORD>{c.reported} : std::vector<DWORD>{});
    const raster::ParseResult parsed = raster::Parse(host.Spool().data(), host.Spool().size());
    ASSERT_EQ(parsed.error, "");
    ASSERT_FALSE(parsed.commands.empty());
    EXPECT_EQ(parsed.commands[0].rowBytes, c.bytesPerRow);
    EXPECT_EQ(plugin->Release(), 0u);
  }
}

TEST(BandRoutes, TableFirstThenServiceInterface) {
  const struct {
    const char* name;
    SubstituteHost::Routes routes;
    bool publish;
    HRESULT hr;
    std::vector<Route> reads, writes;
  } cases[] = {
      {"full table", {true, true, true, true}, true, S_OK, {Route::kTable}, {Route::kTable}},
      {"no table", {false, true, true, true}, true, S_OK, {Route::kInterface}, {Route::kInterface}},
      {"table without settings",
       {true, false, true, true},
       true,
       S_OK,
       {Route::kInterface},
       {Route::kTable}},
      {"table without writes",
       {true, true, false, true},
       true,
       S_OK,
       {Route::kTable},
       {Route::kInterface}},
      {"table only", {true, true, true, true}, false, S_OK, {Route::kTable}, {Route::kTable}},
      {"no route to write", {true, true, false, true}, false, E_FAIL, {Route::kTable}, {}},
      {"no route at all", {false, true, true, true}, false, E_FAIL, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SubstituteHost host(c.routes);
    host.SetOption(kFeatureHorizontalOffset, "P1");
    IPrintOemUni2* plugin = CreatePluginObject();
    ASSERT_NE(plugin, nullptr);
    if (c.publish) {
      ASSERT_EQ(plugin->PublishDriverInterface(host.ServiceObject()), S_OK);
    }

    Band band(40, 30, 90);
    const std::vector<BYTE> before = band.bytes;
    BITMAPINFOHEADER header = {sizeof header,
                               band.width,
                               band.height,
                               1,
                               8,
                               0,
                               static_cast<DWORD>(band.bytes.size()),
                               0,
                               0,
                               0,
                               0};
    PBYTE result = nullptr;
    EXPECT_EQ(plugin->ImageProcessing(host.Devobj(), band.bytes.data(), &header, nullptr, 3,
                                      nullptr, &result),
              c.hr);
    std::vector<Route> reads, writes;
    for (const auto& query : host.SettingQueries())
      if (reads.empty() || reads.back() != query.route) reads.push_back(query.route);
    for (const auto& write : host.Writes())
      if (writes.empty() || writes.back() != write.route) writes.push_back(write.route);
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(writes, c.writes);
    if (c.hr == S_OK) {
      // "P1": a zero-dot shift still puts the band on the 576-dot line.
      ASSERT_FALSE(host.Writes().empty());
      EXPECT_EQ(host.Writes()[0].size, 24u * 72 + 11);
    } else {
      EXPECT_EQ(band.bytes, before);
    }
    EXPECT_EQ(plugin->Release(), 0u);
    EXPECT_EQ(host.ServiceReferences(), 0);
  }
}

TEST_F(BandTest, HorizontalOffsetPlacesTheBandOnThe576DotLine) {
  const struct {
    const char* option;
    LONG width;
    LONG shift;  // dots; the printed line is 576 wide unless `keepsWidth`
    bool keepsWidth;
  } cases[] = {
      {"P10", 576, 8, false},     {"M10", 576, -8, false},   {"P5", 200, 4, false},
      {"P1", 384, 0, false},      {"M10P5", 100, 4, false},  {"P\t-5", 100, -4, false},
      {"M-10", 100, 8, false},    {"PM10", 384, 0, true},    {"PX10", 100, 0, true},
      {"NONE", 100, 0, true},     {"P719", 200, 575, false}, {"P720", 200, 576, false},
      {"M250", 200, -200, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    host_.SetOption(kFeatureHorizontalOffset, c.option);
    Band band(c.width, 26);
    band.Fill(Pattern);
    const Dots source = Thresholded(band);
    ASSERT_EQ(Process(band), S_OK);
    const LONG lineWidth = c.keepsWidth ? c.width : 576;
    Dots expected(band.height, std::vector<bool>(lineWidth));
    for (LONG y = 0; y < band.height; ++y)
      for (LONG x = 0; x < lineWidth; ++x) {
        const LONG sx = x - c.shift;
        expected[y][x] = sx >= 0 && sx < c.width && source[y][sx];
      }
    EXPECT_TRUE(PrintedEquals(expected));
    // The whole height still feeds, even when nothing of the band is left on paper.
    EXPECT_EQ(BlockRows(Parsed()), (std::vector<unsigned>{24, 2}));
    EXPECT_EQ(Parsed().commands[0].rowBytes, static_cast<unsigned>((lineWidth + 31) / 32 * 4));
  }
}

TEST_F(BandTest, LandscapeTurnsLeftThen180TurnsHalfway) {
  const LONG w = 40, h = 28;
  const struct {
    const char* name;
    bool landscape, rotate180;
    LONG outWidth, outHeight;
    std::function<std::pair<LONG, LONG>(LONG r, LONG c)>
        source;  // printed (row, column) -> band (x, y)
  } cases[] = {
      {"landscape", true, false, h, w,
       [&](LONG r, LONG c) {
         return std::pair{w - 1 - r, c};
       }},
      {"TRANS_180", false, true, w, h,
       [&](LONG r, LONG c) {
         return std::pair{w - 1 - c, h - 1 - r};
       }},
      {"both", true, true, h, w,
       [&](LONG r, LONG c) {
         return std::pair{r, h - 1 - c};
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host_.SetLandscape(c.landscape);
    host_.SetOption(kFeatureTranslate180, c.rotate180 ? "TRANS_180" : "TRANS_0");
    Band band(w, h);
    band.Fill(Pattern);
    const Dots source = Thresholded(band);
    ASSERT_EQ(Process(band), S_OK);
    Dots expected(c.outHeight, std::vector<bool>(c.outWidth));
    for (LONG r = 0; r < c.outHeight; ++r)
      for (LONG col = 0; col < c.outWidth; ++col) {
        const auto [x, y] = c.source(r, col);
        expected[r][col] = source[y][x];
      }
    EXPECT_TRUE(PrintedEquals(expected));
  }
}

TEST_F(BandTest, PaperSavingTrimsWhiteRowsWithFiveRowMargins) {
  const struct {
    const char* name;
    const char* option;
    LONG height;
    std::vector<LONG> inkRows;
    LONG keptTop, keptRows;
  } cases[] = {
      {"top, ink from row 3", "SavePaper_Top", 40, {3, 20}, 3, 37},
      {"top, ink from row 8", "SavePaper_Top", 40, {8, 20}, 3, 37},
      {"top, all white, 24 rows", "SavePaper_Top", 24, {}, 19, 5},
      {"top, all white, 5 rows", "SavePaper_Top", 5, {}, 0, 5},
      {"bottom, ink ends at 10 of 40", "SavePaper_Bottom", 40, {2, 10}, 0, 17},
      {"bottom, ink ends at 36 of 40", "SavePaper_Bottom", 40, {2, 36}, 0, 38},
      {"both", "SavePaper_TopAndBottom", 40, {8, 10}, 3, 14},
      {"unknown option", "SavePaper_top", 40, {8, 10}, 0, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host_.SetOption(kFeatureSavePaperMode, c.option);
    Band band(48, c.height);
    for (LONG row : c.inkRows) band.At(row % 48, row) = 0;
    const Dots source = Thresholded(band);
    ASSERT_EQ(Process(band), S_OK);
    unsigned printedRows = 0;
    for (unsigned rows : BlockRows(Parsed())) printedRows += rows;
    EXPECT_EQ(printedRows, static_cast<unsigned>(c.keptRows));
    EXPECT_TRUE(
        PrintedEquals(Dots(source.begin() + c.keptTop, source.begin() + c.keptTop + c.keptRows)));
  }
}

}  // namespace
}  // namespace plugin_test
