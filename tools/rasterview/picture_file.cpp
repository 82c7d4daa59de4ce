// PNG and PBM output of a printed picture.
#include "picture_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace raster {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForWriting(const std::string& path, std::string& error) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) error = "cannot write " + path + ": " + std::strerror(errno);
  return file;
}

}  // namespace

bool WritePbm(const Picture& picture, const std::string& path, std::string& error) {
  File file = OpenForWriting(path, error);
  if (!file) return false;
  // PBM's packing is the printer's: one bit a dot, most significant first, 1 black.
  std::fprintf(file.get(), "P4\n%u %u\n", picture.width, picture.height);
  const bool written = std::fwrite(picture.packed.data(), 1, picture.packed.size(), file.get()) ==
                       picture.packed.size();
  if (!written || std::fflush(file.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool WritePng(const Picture& picture, const std::string& path, std::string& error) {
  if (picture.width == 0 || picture.height == 0) {
    error = "the stream prints nothing; a PNG cannot be empty";
    return false;
  }
  File file = OpenForWriting(path, error);
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    error = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "cannot write " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, picture.width, picture.height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_invert_mono(png);  // 1-bit gray: 0 is black, the opposite of the printer's bits
  for (unsigned y = 0; y < picture.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(picture.Row(y)));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace raster
