// Writes a printed picture as an image file: PNG (1-bit gray, white paper,
// black dots) or binary PBM (P4, 1 = black).
#pragma once

#include <string>

#include "raster_decoder.h"

namespace raster {

// False with a message in `error` when the file cannot be written.
bool WritePng(const Picture& picture, const std::string& path, std::string& error);
bool WritePbm(const Picture& picture, const std::string& path, std::string& error);

}  // namespace raster
