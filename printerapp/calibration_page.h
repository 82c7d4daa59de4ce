// The feed-convention calibration page, printed from the web interface's
// "Print Test Page": it shows at once whether a printer moves the paper after
// a raster block only when told (this family) or by the block's own height.
#pragma once

#include <cstdint>
#include <vector>

// The page as this family's stream for a head `dots` wide (a multiple of 8,
// at least 384), a partial cut after it. Its bar is a run of solid 24-row
// blocks, each followed by its 24-dot feed: one solid bar on a family
// printer, a bar striped with white on a printer whose blocks advance the
// paper. The text lines each sit inside one block, so they read alike on
// both; they say which bar means which driver.
std::vector<std::uint8_t> CalibrationPage(unsigned dots);

// The page's rows of the bar: its first row and how many there are.
inline constexpr unsigned kCalibrationBarTop = 72;
inline constexpr unsigned kCalibrationBarRows = 192;
