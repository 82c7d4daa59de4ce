// The printer application's raster path on any document: the first bytes
// choose the job's settings, the rest is read as a PWG (or Apple) raster
// document through the program's reader (libcups's for other kinds of
// raster), as PAPPL in the program reads it, and every page PAPPL
// would accept goes through the raster job. Whatever the document, the
// printer gets a well-formed stream whose rows fit the head, and a page
// that ends early is reported, never printed as complete.
#include <cups/raster.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fuzz_input.h"
#include "halftone_methods.h"
#include "raster_decoder.h"
#include "raster_job.h"

namespace {

constexpr unsigned kHead = 576, kRoll = 639;
constexpr std::uint64_t kMaxPageBytes = 4u * 1024 * 1024;  // keeps each run short

struct Reader {
  const std::uint8_t* data;
  std::size_t size, at;
};

ssize_t Read(void* ctx, unsigned char* buffer, std::size_t bytes) {
  Reader* reader = static_cast<Reader*>(ctx);
  const std::size_t left = reader->size - reader->at;
  const std::size_t n = bytes < left ? bytes : left;
  if (n == 0) return 0;  // an empty document has no data pointer to copy from
  std::memcpy(buffer, reader->data + reader->at, n);
  reader->at += n;
  return static_cast<ssize_t>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  ReceiptSettings settings;
  settings.halftone = kHalftoneOptions[input.Below(std::size(kHalftoneOptions))].method;
  const std::uint8_t flags = input.Byte();
  settings.upsideDown = flags & 1;
  settings.landscape = flags & 2;
  const bool allowScaling = flags & 4;
  settings.length = flags & 8 ? ReceiptLength::kPage : ReceiptLength::kContent;
  if (flags & 16) settings.feed = FeedConvention::kBlockAdvances;
  settings.offsetMm = static_cast<int>(input.Below(2 * kMaxOffsetMm + 1)) - kMaxOffsetMm;
  settings.paperSaving = static_cast<PaperSaving>(input.Below(4));
  settings.cut = CutAtEnd::kNone;  // the stream stays pure raster for the decoder
  const unsigned bandRows = 1 + input.Below(300);
  const std::vector<std::uint8_t> document = input.Rest();

  std::vector<std::uint8_t> stream;
  RasterJob job(
      settings,
      [&stream](const std::uint8_t* bytes, std::size_t n) {
        stream.insert(stream.end(), bytes, bytes + n);
        return true;
      },
      kHead, kRoll, bandRows);
  FUZZ_CHECK(job.Start());

  Reader reader{document.data(), document.size(), 0};
  cups_raster_t* raster = cupsRasterOpenIO(Read, &reader, CUPS_RASTER_READ);
  if (!raster) return 0;
  cups_page_header2_t header;
  unsigned page = 0;
  while (cupsRasterReadHeader2(raster, &header)) {
    ++page;
    // The checks PAPPL makes before it hands a page to the driver.
    if (header.cupsWidth == 0 || header.cupsHeight == 0 ||
        (header.cupsBitsPerColor != 1 && header.cupsBitsPerColor != 8) ||
        header.cupsColorOrder != CUPS_ORDER_CHUNKED ||
        header.cupsBytesPerLine != (header.cupsWidth * header.cupsBitsPerPixel + 7) / 8 ||
        header.cupsBitsPerPixel > 8) {
      break;
    }
    if (std::uint64_t{header.cupsBytesPerLine} * header.cupsHeight > kMaxPageBytes) break;
    if (!job.StartPage(page, PageHeaderOf(header, allowScaling))) {
      FUZZ_CHECK(job.Fault() != JobFault::kNone && !job.Message().empty());
      break;
    }
    std::vector<std::uint8_t> line(header.cupsBytesPerLine);
    unsigned y = 0;
    for (; y < header.cupsHeight; ++y) {
      if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) == 0) break;
      job.WriteLine(line.data());
    }
    const bool ended = job.EndPage(page, false);
    FUZZ_CHECK(ended == (y == header.cupsHeight));
    if (!ended) {
      FUZZ_CHECK(job.Fault() == JobFault::kDocumentFormat);
      break;
    }
  }
  cupsRasterClose(raster);
  job.End();

  const raster::ParseResult parsed = raster::Parse(stream.data(), stream.size(), settings.feed);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "stream of %zu bytes: %s\n", stream.size(), parsed.error.c_str());
  }
  // The decoder draws at most a bounded picture; a longer stream is only
  // refused for its length.
  FUZZ_CHECK(parsed.error.empty() || parsed.error.find("picture too large") != std::string::npos);
  for (const raster::Command& command : parsed.commands) {
    if (command.kind == raster::Command::Kind::kRaster) {
      FUZZ_CHECK(command.rowBytes <= kHead / 8 || command.rowBytes <= (kRoll + 7) / 8);
    }
  }
  return 0;
}
