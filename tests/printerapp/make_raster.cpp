// make_raster: writes a gray page (binary PGM) as an 8-bit gray PWG raster
// or Apple raster (URF) document at 203 dpi, for the printer application's
// tests and benchmark. --pages N repeats the page; --space k writes black_8
// (0 white), which the application must cope with; --width W makes the rows
// W dots wide (cut, or padded white).
#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  bool urf = false, black = false;
  int pages = 1;
  unsigned forcedWidth = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--urf") {
      urf = true;
    } else if (arg == "--pages" && hasValue) {
      pages = std::atoi(argv[++i]);
    } else if (arg == "--space" && hasValue) {
      black = std::string(argv[++i]) == "k";
    } else if (arg == "--width" && hasValue) {
      forcedWidth = static_cast<unsigned>(std::atoi(argv[++i]));
    } else {
      files.push_back(arg);
    }
  }
  auto fail = [](const char* message) {
    std::fprintf(stderr,
                 "make_raster: %s\nusage: make_raster [--urf] [--pages N] [--space sgray|k] "
                 "[--width W] PAGE.pgm OUT\n",
                 message);
    return 2;
  };
  if (files.size() != 2 || pages < 1) return fail("wrong arguments");
  std::ifstream in(files[0], std::ios::binary);
  std::string magic;
  unsigned width = 0, height = 0, maxval = 0;
  std::vector<unsigned char> pixels;
  if (in >> magic >> width >> height >> maxval && magic == "P5" && maxval == 255 && in.get()) {
    pixels.resize(static_cast<std::size_t>(width) * height);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  }
  if (!in || pixels.empty()) return fail("cannot read the page (binary PGM, maxval 255)");

  const int fd = open(files[1].c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return fail("cannot create the output");
  cups_raster_t* raster = cupsRasterOpen(fd, urf ? CUPS_RASTER_WRITE_APPLE : CUPS_RASTER_WRITE_PWG);
  cups_page_header2_t header;
  cupsRasterInitPWGHeader(&header, pwgMediaForPWG("om_roll-80x297mm_80x297mm"),
                          black ? "black_8" : "sgray_8", 203, 203, "one-sided", nullptr);
  const unsigned outWidth = forcedWidth ? forcedWidth : width;
  header.cupsWidth = header.cupsBytesPerLine = outWidth;
  header.cupsHeight = height;
  header.PageSize[0] = outWidth * 72 / 203;
  header.PageSize[1] = height * 72 / 203;
  header.cupsInteger[CUPS_RASTER_PWG_TotalPageCount] = static_cast<unsigned>(pages);
  std::vector<unsigned char> line(outWidth);
  bool ok = true;
  for (int page = 0; page < pages && ok; ++page) {
    ok = cupsRasterWriteHeader2(raster, &header) != 0;
    for (unsigned y = 0; y < height && ok; ++y) {
      for (unsigned x = 0; x < outWidth; ++x) {
        const unsigned char gray =
            x < width ? pixels[static_cast<std::size_t>(y) * width + x] : 255;
        line[x] = black ? static_cast<unsigned char>(255 - gray) : gray;
      }
      ok = cupsRasterWritePixels(raster, line.data(), outWidth) == outWidth;
    }
  }
  cupsRasterClose(raster);
  close(fd);
  return ok ? 0 : fail("cannot write the raster");
}
