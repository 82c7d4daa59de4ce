// Builds without a PNG reader: PNG pages are refused with a clear message.
#include "page_file.h"

bool ReadPngPage(const std::vector<std::uint8_t>&, GrayPage&, std::string& error) {
  error = "this build of bandhost reads PGM pages only";
  return false;
}
