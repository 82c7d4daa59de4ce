// The band pipeline: one band of 8-bit gray pixels (first row on top) in,
// printer raster blocks out through a byte sink.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byte_sink.h"
#include "render_settings.h"

// The widest picture a raster block's row carries: its byte count is a 16-bit
// field. A band that turns out wider is refused.
inline constexpr std::uint32_t kMaxBandWidth = 0xFFFF * 8;

struct Band {
  const std::uint8_t* bits;  // height rows of stride bytes; not changed
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t stride;  // at least width
};

// Turns, shifts and trims the band as the settings say, reduces it to black
// and white and writes it as raster blocks in the settings' feed convention. False, with no block
// written, when memory runs out or a row is too long for a raster block; false as well when the
// sink refuses bytes (blocks written before stay written).
bool RenderBand(const Band& band, const RenderSettings& settings, const ByteSink& sink);
