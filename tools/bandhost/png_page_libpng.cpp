// PNG pages through libpng: 8-bit gray only.
#include <png.h>

#include <cstring>

#include "page_file.h"

namespace {

struct Reader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (reader->bytes->size() - reader->at < count) png_error(png, "truncated PNG");
  std::memcpy(out, reader->bytes->data() + reader->at, count);
  reader->at += count;
}

}  // namespace

bool ReadPngPage(const std::vector<std::uint8_t>& bytes, GrayPage& page, std::string& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "out of memory";
    return false;
  }
  Reader reader{&bytes, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "malformed PNG";
    return false;
  }
  png_set_read_fn(png, &reader, &ReadFromMemory);
  png_read_info(png, info);
  const auto width = png_get_image_width(png, info);
  const auto height = png_get_image_height(png, info);
  if (png_get_color_type(png, info) != PNG_COLOR_TYPE_GRAY || png_get_bit_depth(png, info) != 8 ||
      png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "the PNG must be 8-bit gray, not interlaced";
    return false;
  }
  page.width = width;
  page.height = height;
  page.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (png_uint_32 y = 0; y < height; ++y) {
    png_read_row(png, page.pixels.data() + static_cast<std::size_t>(y) * width, nullptr);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}
