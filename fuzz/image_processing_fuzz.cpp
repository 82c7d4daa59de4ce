// ImageProcessing through the COM surface, as a print job from any user can
// reach it: fuzzed band header, band bytes, option texts the host answers
// (any bytes, any length, or no answer) and the sizes it reports for them
// (a host may lie), halftone name, orientation, callback id, the routes the
// host offers, and a failing image allocation.
//
// Input: flags, [allocation countdown], callback, halftone, three options
// (each: a byte whose bit 0 gives a text and bit 1 a reported size, then
// [text], [size]), width, height, size mode, [size], band bytes (the rest,
// repeated).
#include <cstdint>
#include <string>
#include <vector>

#include "dib_image.h"
#include "fuzz_input.h"
#include "host_services.h"
#include "plugin_object.h"
#include "printer_description.h"
#include "raster_decoder.h"
#include "sim.h"
#include "substitute_host.h"

namespace {

constexpr std::size_t kMaxBandBytes = 1 << 17;
constexpr std::size_t kMaxOptionChars = 1 << 16;

enum Flag : std::uint8_t {
  kLandscape = 1,
  kNoServiceTable = 2,
  kNoTableSetting = 4,
  kNoTableWrite = 8,
  kNoServiceInterface = 16,
  kPublish = 32,
  kNoParams = 64,
  kFailAllocation = 128,
};

struct Case {
  std::uint8_t flags = 0;
  long failAfter = -1;
  DWORD callbackId = kImageProcessingCallbackId;
  bool hasHalftone = true;
  std::string halftone;
  bool hasOption[3] = {};
  std::string option[3];
  bool liesAboutSize[3] = {};
  DWORD reportedSize[3] = {};
  BITMAPINFOHEADER header = {};
  std::vector<BYTE> band;
};

Case ReadCase(FuzzInput& in) {
  Case c;
  c.flags = in.Byte();
  if (c.flags & kFailAllocation) c.failAfter = in.Byte();
  if (in.Byte() == 0) c.callbackId = in.U32();
  const std::uint8_t halftone = in.Byte();
  if (halftone < std::size(kHalftoneOptions)) {
    c.halftone = kHalftoneOptions[halftone].name;
  } else if (halftone == std::size(kHalftoneOptions)) {
    c.hasHalftone = false;
  } else {
    c.halftone = in.Text(kMaxOptionChars);
  }
  for (int i = 0; i < 3; ++i) {
    const std::uint8_t answer = in.Byte();
    c.hasOption[i] = answer & 1;
    if (c.hasOption[i]) c.option[i] = in.Text(kMaxOptionChars);
    c.liesAboutSize[i] = answer & 2;
    if (c.liesAboutSize[i]) c.reportedSize[i] = in.U32();
  }
  // Mostly sizes a host renders, sometimes any 32-bit value.
  const std::uint8_t sizes = in.Byte();
  c.header.biSize = sizeof c.header;
  c.header.biWidth = (sizes & 1) ? in.I32() : in.U16() % 2048;
  c.header.biHeight = (sizes & 2) ? in.I32() : in.U16() % 300;
  c.header.biPlanes = 1;
  c.header.biBitCount = 8;
  const std::uint64_t stride =
      (static_cast<std::uint64_t>(static_cast<DWORD>(c.header.biWidth)) + 3) & ~3ull;
  const std::uint64_t exact = stride * static_cast<DWORD>(c.header.biHeight);
  // The host's buffer always holds biSizeImage bytes; the fields around it may lie.
  c.header.biSizeImage = (sizes & 4) || exact > kMaxBandBytes ? in.U32() % (kMaxBandBytes + 1)
                                                              : static_cast<DWORD>(exact);
  const std::vector<std::uint8_t> pattern = in.Rest();
  c.band.resize(c.header.biSizeImage);
  for (std::size_t i = 0; i < c.band.size(); ++i) {
    c.band[i] = pattern.empty() ? 0x80 : pattern[i % pattern.size()];
  }
  return c;
}

bool AllZero(const std::vector<BYTE>& bytes) {
  for (BYTE b : bytes) {
    if (b != 0) return false;
  }
  return true;
}

// Whatever happened, the spool holds whole raster blocks and feeds only.
void CheckStream(const SubstituteHost& host) {
  const raster::ParseResult parsed = raster::Parse(host.Spool().data(), host.Spool().size());
  FUZZ_CHECK(parsed.error.empty());
  for (const raster::Command& command : parsed.commands) {
    if (command.kind == raster::Command::Kind::kRaster)
      FUZZ_CHECK(command.rows >= 1 && command.rows <= 24);
  }
}

void RunCase(Case& c) {
  SubstituteHost::Routes routes;
  routes.serviceTable = !(c.flags & kNoServiceTable);
  routes.tableGetSetting = !(c.flags & kNoTableSetting);
  routes.tableWrite = !(c.flags & kNoTableWrite);
  routes.serviceInterface = !(c.flags & kNoServiceInterface);
  SubstituteHost host(routes);
  const char* features[3] = {kFeatureHorizontalOffset, kFeatureTranslate180, kFeatureSavePaperMode};
  for (int i = 0; i < 3; ++i) {
    if (c.hasOption[i]) host.SetOption(features[i], c.option[i]);
    if (c.liesAboutSize[i]) host.ReportSettingSize(features[i], c.reportedSize[i]);
  }
  host.SetLandscape(c.flags & kLandscape);

  PluginObject plugin;
  if (c.flags & kPublish) plugin->PublishDriverInterface(host.ServiceObject());
  DRVENABLEDATA hooks = {};
  FUZZ_CHECK(plugin->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof hooks, &hooks) == S_OK);
  GDIINFO gdiInfo = {};
  gdiInfo.cBitsPixel = 8;
  DEVINFO devInfo = {};
  PDEVOEM pdev = nullptr;
  FUZZ_CHECK(plugin->EnablePDEV(host.Devobj(), nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo,
                                sizeof devInfo, &devInfo, host.HostFunctions(), &pdev) == S_OK);
  host.Devobj()->pdevOEM = pdev;

  IPPARAMS params = {};
  params.dwSize = sizeof params;
  params.pHalftoneOption = c.hasHalftone ? c.halftone.data() : nullptr;
  const std::vector<BYTE> before = c.band;
  PBYTE result = reinterpret_cast<PBYTE>(7);
  dib_alloc::FailAfter(c.failAfter);
  const HRESULT hr =
      plugin->ImageProcessing(host.Devobj(), c.band.data(), &c.header, nullptr, c.callbackId,
                              (c.flags & kNoParams) ? nullptr : &params, &result);
  dib_alloc::FailAfter(-1);

  CheckStream(host);
  // However large a size the host reports, the buffer handed to it stays small.
  for (const auto& query : host.SettingQueries())
    FUZZ_CHECK(!query.withBuffer || query.size <= HostServices::kMaxSettingBytes);
  if (hr == S_OK) {
    FUZZ_CHECK(result == reinterpret_cast<PBYTE>(1));
    FUZZ_CHECK(AllZero(c.band));
    // A cleared band handed in again is declined and adds nothing.
    const std::size_t spooled = host.Spool().size();
    FUZZ_CHECK(plugin->ImageProcessing(host.Devobj(), c.band.data(), &c.header, nullptr,
                                       c.callbackId, &params, &result) == E_FAIL);
    FUZZ_CHECK(host.Spool().size() == spooled);
  } else {
    FUZZ_CHECK(hr == E_FAIL);
    FUZZ_CHECK(result == nullptr);
    FUZZ_CHECK(c.band == before);
  }

  plugin->DisablePDEV(host.Devobj());
  host.Devobj()->pdevOEM = nullptr;
  plugin->DisableDriver();
  FUZZ_CHECK(host.ServiceReferences() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The plug-in's debug lines would pile up over a long run.
  sim::ClearDebugOutput();
  FuzzInput in(data, size);
  Case c = ReadCase(in);
  RunCase(c);
  return 0;
}
