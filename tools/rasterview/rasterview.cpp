// rasterview: turns a printer stream back into the picture the printer would
// print.
//   rasterview STREAM.bin -o PICTURE.png|PICTURE.pbm
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture_file.h"
#include "raster_decoder.h"

namespace {

constexpr char kUsage[] =
    "usage: rasterview STREAM.bin -o PICTURE.png|PICTURE.pbm\n"
    "  Draws the printer raster stream (GS v 0 blocks, ESC J feeds) as the printer\n"
    "  would print it: black dots on white paper, 8 dots per row byte wide.\n"
    "  The output format follows the extension of PICTURE.\n";

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

int main(int argc, char** argv) {
  std::string input, output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-o") {
      if (i + 1 >= argc) return Usage("-o needs a file name");
      output = argv[++i];
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

  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "rasterview: cannot read %s\n", input.c_str());
    return 1;
  }
  const std::vector<std::uint8_t> stream((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
  const raster::ParseResult parsed = raster::Parse(stream.data(), stream.size());
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
