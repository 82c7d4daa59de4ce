// rasterview's stream decoder on any bytes, for either kind of printer: a
// stream is either read whole or refused with an error naming an offset
// inside it, every command it reports lies inside the stream, and a stream
// that was read can be drawn.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "raster_decoder.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size, FeedConvention convention) {
  const raster::ParseResult parsed = raster::Parse(data, size, convention);
  std::size_t end = 0;
  for (const raster::Command& command : parsed.commands) {
    FUZZ_CHECK(command.offset == end);
    if (command.kind == raster::Command::Kind::kRaster) {
      FUZZ_CHECK(command.dataOffset == command.offset + 8);
      FUZZ_CHECK(command.length == 8 + std::size_t{command.rowBytes} * command.rows);
    }
    FUZZ_CHECK(command.length > 0);
    end = command.offset + command.length;
    FUZZ_CHECK(end <= size);
  }
  if (!parsed.error.empty()) {
    FUZZ_CHECK(parsed.error.rfind("offset " + std::to_string(end) + ":", 0) == 0);
    return;
  }
  FUZZ_CHECK(end == size);
  const raster::Picture picture = raster::Render(parsed, data);
  FUZZ_CHECK(picture.packed.size() == std::size_t{picture.RowBytes()} * picture.height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size, FeedConvention::kFeedAfterBlock);
  Check(data, size, FeedConvention::kBlockAdvances);
  return 0;
}
