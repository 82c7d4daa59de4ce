// The band pipeline through the loaded plug-in: the stream format, the
// threshold, the halftone names, the result location, and the bands it
// declines.
#include "band_testing.h"
#include "dib_image.h"
#include "stream_testing.h"

namespace plugin_test {
namespace {

const PBYTE kSent = reinterpret_cast<PBYTE>(1);
const PBYTE kSentinelResult = reinterpret_cast<PBYTE>(static_cast<ULONG_PTR>(0x5A));

BYTE Gradient(LONG x, LONG y) { return static_cast<BYTE>((x * 3 + y * 7) % 256); }

TEST_F(BandTest, BlocksOf24RowsWithAFeedAfterEach) {
  const struct {
    LONG width, height;
    std::vector<DWORD> writes;
    std::vector<unsigned> rows;
  } cases[] = {
      {576, 48, {1739, 1739}, {24, 24}}, {576, 50, {1739, 1739, 155}, {24, 24, 2}},
      {576, 20, {1451}, {20}},           {576, 1, {83}, {1}},
      {384, 24, {1163}, {24}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    Band band(c.width, c.height);
    band.Fill(Gradient);
    const Dots expected = Thresholded(band);  // the band is cleared once sent
    ASSERT_EQ(Process(band), S_OK);
    EXPECT_EQ(WriteSizes(), c.writes);
    const raster::ParseResult parsed = Parsed();
    EXPECT_EQ(BlockRows(parsed), c.rows);
    // Every block is followed by ESC J 24, the partial one included.
    ASSERT_EQ(parsed.commands.size(), 2 * c.rows.size());
    for (std::size_t i = 0; i < parsed.commands.size(); i += 2) {
      EXPECT_EQ(parsed.commands[i].rowBytes, static_cast<unsigned>(c.width / 8));
      EXPECT_EQ(parsed.commands[i + 1].kind, raster::Command::Kind::kFeed);
      EXPECT_EQ(parsed.commands[i + 1].feed, 24u);
    }
    const std::vector<BYTE> output = Output();
    EXPECT_EQ(std::vector<BYTE>(output.begin(), output.begin() + 4),
              (std::vector<BYTE>{0x1D, 0x76, 0x30, 0}));
    EXPECT_TRUE(PrintedEquals(expected));
  }
}

TEST_F(BandTest, RowsArePaddedWithZeroBitsPastTheLastDot) {
  const struct {
    LONG width;
    unsigned rowBytes;
    BYTE last;  // the last byte holding dots, in a row printed black
  } cases[] = {{500, 64, 0xF0}, {570, 72, 0xC0}, {576, 72, 0xFF}, {1, 4, 0x80},
               {9, 4, 0x80},    {33, 8, 0x80},   {31, 4, 0xFE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    Band band(c.width, 3, 1);  // darkest non-zero gray: every dot printed
    ASSERT_EQ(Process(band), S_OK);
    const unsigned used = (c.width + 7) / 8;
    std::vector<BYTE> row(c.rowBytes, 0);
    std::fill(row.begin(), row.begin() + used, 0xFF);
    row[used - 1] = c.last;
    std::vector<BYTE> rows;
    for (int i = 0; i < 3; ++i) rows.insert(rows.end(), row.begin(), row.end());
    EXPECT_TRUE(
        stream_testing::StreamsEqual(stream_testing::RasterBlocks(rows, c.rowBytes), Output()));
  }
}

TEST_F(BandTest, SentBandIsClearedAndReportedOnce) {
  Band band(64, 30);
  band.Fill(Gradient);
  ASSERT_EQ(Process(band), S_OK);
  EXPECT_EQ(result_, kSent);
  EXPECT_EQ(band.bytes, std::vector<BYTE>(band.bytes.size(), 0));
  // The cleared band is all zero: handed in again, it is declined.
  EXPECT_EQ(Process(band), E_FAIL);
  EXPECT_EQ(result_, nullptr);
  EXPECT_TRUE(Output().empty());
}

// Expected dots of a halftone through the image core itself.
Dots ThroughImageCore(const Band& band, const char* name) {
  DibImage image;
  EXPECT_TRUE(
      image.CreateFromArray(band.bytes.data(), band.width, band.height, 8, band.stride, true));
  const std::pair<const char*, LONG> dithers[] = {{"HT_Ordered", 1},
                                                  {"HT_Burkes", 2},
                                                  {"HT_Stucki", 3},
                                                  {"HT_FloydSteinberg", 0},
                                                  {"HT_Jarvis-Judice-Ninke", 4},
                                                  {"HT_Sierra", 5},
                                                  {"HT_StevensonArce", 6}};
  bool dithered = false;
  for (const auto& [option, method] : dithers) {
    if (name && std::string(name) == option) dithered = image.Dither(method);
  }
  if (!dithered) image.Threshold(180);
  Dots dots(band.height, std::vector<bool>(band.width));
  for (LONG y = 0; y < band.height; ++y)
    for (LONG x = 0; x < band.width; ++x)
      dots[y][x] = image.GetPixelIndex(x, band.height - 1 - y) == 0;
  return dots;
}

TEST_F(BandTest, HalftoneNamesSelectTheirMethod) {
  const char* names[] = {"HT_NONE",   "HT_Ordered",        "HT_Burkes",
                         "HT_Stucki", "HT_FloydSteinberg", "HT_Jarvis-Judice-Ninke",
                         "HT_Sierra", "HT_StevensonArce",  "HT_Unknown",
                         nullptr};
  std::vector<std::vector<BYTE>> outputs;
  for (const char* name : names) {
    SCOPED_TRACE(name ? name : "(none)");
    Band band(96, 40);
    band.Fill([](LONG x, LONG y) { return static_cast<BYTE>(30 + (x * 2 + y) % 200); });
    const Dots expected = ThroughImageCore(band, name);
    ASSERT_EQ(Process(band, name), S_OK);
    EXPECT_TRUE(PrintedEquals(expected));
    outputs.push_back(Output());
  }
  // The eight options give eight different pictures of the band; an unknown
  // name and no name print like HT_NONE.
  for (std::size_t i = 0; i < 8; ++i)
    for (std::size_t j = i + 1; j < 8; ++j) EXPECT_NE(outputs[i], outputs[j]) << i << " " << j;
  EXPECT_EQ(outputs[8], outputs[0]);
  EXPECT_EQ(outputs[9], outputs[0]);
}

// ImageProcessing with a header and pointers a test may spoil.
struct RawCall {
  BITMAPINFOHEADER header = {};
  bool band = true, headerGiven = true, result = true;
  DWORD callbackId = 3;
};

TEST_F(BandTest, DeclinedBandsAreLeftAloneButSettingsAreRead) {
  host_.SetOption("HorizontalOffset", "P10");
  const struct {
    const char* name;
    std::function<void(RawCall&, Band&)> spoil;
  } cases[] = {
      {"callback id 2", [](RawCall& c, Band&) { c.callbackId = 2; }},
      {"all zero", [](RawCall&, Band& b) { b.Fill([](LONG, LONG) { return BYTE{0}; }); }},
      {"no rows", [](RawCall& c, Band&) { c.header.biHeight = 0; }},
      {"negative height", [](RawCall& c, Band&) { c.header.biHeight = -5; }},
      {"no width", [](RawCall& c, Band&) { c.header.biWidth = 0; }},
      {"negative width", [](RawCall& c, Band&) { c.header.biWidth = -16; }},
      {"no bytes", [](RawCall& c, Band&) { c.header.biSizeImage = 0; }},
      {"rows shorter than the width", [](RawCall& c, Band&) { c.header.biWidth = 17; }},
      {"no band", [](RawCall& c, Band&) { c.band = false; }},
      {"no header", [](RawCall& c, Band&) { c.headerGiven = false; }},
      {"no result location", [](RawCall& c, Band&) { c.result = false; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Band band(16, 10);
    band.Fill(Gradient);
    RawCall call;
    call.header = BandHeader(band.width, band.height, static_cast<DWORD>(band.bytes.size()));
    c.spoil(call, band);
    const std::vector<BYTE> before = band.bytes;
    const std::size_t queries = host_.SettingQueries().size();
    char halftone[] = "HT_NONE";
    IPPARAMS params = {};
    params.pHalftoneOption = halftone;
    PBYTE result = kSentinelResult;
    EXPECT_EQ(plugin_->ImageProcessing(host_.Devobj(), call.band ? band.bytes.data() : nullptr,
                                       call.headerGiven ? &call.header : nullptr, nullptr,
                                       call.callbackId, &params, call.result ? &result : nullptr),
              E_FAIL);
    if (call.result) {
      EXPECT_EQ(result, nullptr);
    }
    EXPECT_EQ(band.bytes, before);
    EXPECT_TRUE(host_.Spool().empty());
    EXPECT_EQ(host_.SettingQueries().size(), queries + 6) << "three settings, two calls each";
  }
}

TEST_F(BandTest, RowsWiderThanTheCommandCanSayAreDeclined) {
  // 524256 dots make 65532-byte rows, the widest a block can describe.
  Band widest(524256, 1, 7);
  ASSERT_EQ(Process(widest), S_OK);
  ASSERT_EQ(Parsed().commands.size(), 2u);
  EXPECT_EQ(Parsed().commands[0].rowBytes, 65532u);

  Band tooWide(524257, 1, 7);
  const std::vector<BYTE> before = tooWide.bytes;
  EXPECT_EQ(Process(tooWide), E_FAIL);
  EXPECT_EQ(result_, nullptr);
  EXPECT_TRUE(Output().empty());
  EXPECT_EQ(tooWide.bytes, before);
}

}  // namespace
}  // namespace plugin_test
