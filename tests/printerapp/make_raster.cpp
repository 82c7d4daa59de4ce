// make_raster: writes a gray page (binary PGM) as an 8-bit gray PWG raster
// or Apple raster (URF) document at 203 dpi, for the printer application's
// tests and benchmark. --pages N repeats the page; --bits 1 writes black_1
// and --space k writes black_8 (0 white), which the application must cope
// with; --truncate N cuts the document after N bytes.
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr char kUsage[] =
    "usage: make_raster [--urf] [--pages N] [--space sgray|k] [--width W] PAGE.pgm OUT\n";

bool ReadPgm(const std::string& path, unsigned& width, unsigned& height,
             std::vector<unsigned char>& pixels) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  unsigned maxval = 0;
  if (!(in >> magic >> width >> height >> maxval) || magic != "P5" || maxval != 255) return false;
  in.get();
  pixels.resize(static_cast<std::size_t>(width) * height);
  return static_cast<bool>(
      in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size())));
}

int Fail(const char* message) {
  std::fprintf(stderr, "make_raster: %s\n%s", message, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool urf = false;
  int pages = 1;
  bool black = false;
  unsigned forcedWidth = 0;
  std::string in, out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--urf") {
      urf = true;
    } else if (arg == "--pages" && i + 1 < argc) {
      pages = std::atoi(argv[++i]);
    } else if (arg == "--space" && i + 1 < argc) {
      black = std::strcmp(argv[++i], "k") == 0;
    } else if (arg == "--width" && i + 1 < argc) {
      forcedWidth = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (in.empty()) {
      in = arg;
    } else if (out.empty()) {
      out = arg;
    } else {
      return Fail("too many arguments");
    }
  }
  if (in.empty() || out.empty() || pages < 1) return Fail("missing arguments");
  unsigned width = 0, height = 0;
  std::vector<unsigned char> pixels;
  if (!ReadPgm(in, width, height, pixels))
    return Fail("cannot read the page (binary PGM, maxval 255)");

  const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return Fail("cannot create the output");
  cups_raster_t* raster = cupsRasterOpen(fd, urf ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
  cups_page_header2_t header;
  pwg_media_t* media = pwgMediaForPWG("om_roll-80x297mm_80x297mm");
  cupsRasterInitPWGHeader(&header, media, black ? "black_8" : "sgray_8", 203, 203, "one-sided",
                          nullptr);
  const unsigned outWidth = forcedWidth ? forcedWidth : width;
  header.cupsWidth = outWidth;
  header.cupsHeight = height;
  header.cupsBytesPerLine = outWidth;
  header.PageSize[0] = outWidth * 72 / 203;
  header.PageSize[1] = height * 72 / 203;
  header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = static_cast<unsigned>(pages);
  std::vector<unsigned char> line(outWidth, 255);
  bool ok = true;
  for (int page = 0; page < pages && ok; ++page) {
    ok = cupsRasterWriteHeader2(raster, &header) != 0;
    for (unsigned y = 0; y < height && ok; ++y) {
      const unsigned char* row = pixels.data() + static_cast<std::size_t>(y) * width;
      for (unsigned x = 0; x < outWidth; ++x) {
        const unsigned char gray = x < width ? row[x] : 255;
        line[x] = black ? static_cast<unsigned char>(255 - gray) : gray;
      }
      ok = cupsRasterWritePixels(raster, line.data(), outWidth) == outWidth;
    }
  }
  cupsRasterClose(raster);
  close(fd);
  if (!ok) return Fail("cannot write the raster");
  return 0;
}
