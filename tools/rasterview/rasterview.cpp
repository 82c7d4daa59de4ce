// rasterview: turns a printer stream back into the picture the printer would
// print.
//   rasterview [--convention family|generic] STREAM.bin -o PICTURE.png|PICTURE.pbm
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture_file.h"
#include "raster_decoder.h"

namespace {

constexpr char kUsage[] =
    "usage: rasterview [--convention family|generic] STREAM.bin -o PICTURE.png|PICTURE.pbm\n"
    "  Draws the printer raster stream (GS v 0 blocks, ESC J and LF feeds, ESC @,\n"
    "  CR, GS L left margin and GS W print area width in dots or in GS P's unit)\n"
    "  as the printer would print it: black dots on white paper, 8 dots per row\n"
    "  byte wide. Cuts (GS V) are dashed lines across, a partial cut\n"
    "  with a gap in the middle; drawer pulses (ESC p) small squares at the right.\n"
    "  The output format follows the extension of PICTURE. --convention names the\n"
    "  printer: family (default) moves the paper only on feeds; generic moves it\n"
    "  by each GS v 0 block's height as well.\n";

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "rasterview: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

// The whole stream in one read into a buffer of its size (or in large chunks
// when the size is not known, as for a pipe).
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return false;
  std::size_t size = 1 << 20;
  if (std::fseek(in, 0, SEEK_END) == 0) {
    const long end = std::ftell(in);
    if (end >= 0) size = static_cast<std::size_t>(end) + 1;  // + 1 sees the end at once
    std::rewind(in);
  }
  std::size_t have = 0;
  for (;;) {
    bytes.resize(have + size);
    const std::size_t got = std::fread(bytes.data() + have, 1, size, in);
    have += got;
    if (got < size) break;
  }
  bytes.resize(have);
  const bool read = !std::ferror(in);
  std::fclose(in);
  return read;
}

int main(int argc, char** argv) {
  std::string input, output;
  FeedConvention convention = FeedConvention::kFeedAfterBlock;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-o") {
      if (i + 1 >= argc) return Usage("-o needs a file name");
      output = argv[++i];
    } else if (arg == "--convention") {
      if (i + 1 >= argc) return Usage("--convention needs family or generic");
      if (!FeedConventionFromName(argv[++i], convention)) {
        return Usage((std::string("unknown convention: ") + argv[i]).c_str());
      }
    } else if (!input.empty()) {
      return Usage(("unexpected argument: " + arg).c_str());
    } else {
      input = arg;
    }
  }
  if (input.empty() || output.empty()) return Usage("a stream and -o PICTURE are required");
  const bool png = EndsWith(output, ".png") || EndsWith(output, ".PNG");
  if (!png && !EndsWith(output, ".pbm") && !EndsWith(output, ".PBM")) {
    return Usage("the picture must be a .png or .pbm file");
  }

  std::vector<std::uint8_t> stream;
  if (!ReadWholeFile(input, stream)) {
    std::fprintf(stderr, "rasterview: cannot read %s: %s\n", input.c_str(), std::strerror(errno));
    return 1;
  }
  const raster::ParseResult parsed = raster::Parse(stream.data(), stream.size(), convention);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "rasterview: %s: malformed stream at %s\n", input.c_str(),
                 parsed.error.c_str());
    return 1;
  }
  const raster::Picture picture = raster::Render(parsed, stream.data());
  std::string error;
  const bool written =
      png ? raster::WritePng(picture, output, error) : raster::WritePbm(picture, output, error);
  if (!written) {
    std::fprintf(stderr, "rasterview: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
