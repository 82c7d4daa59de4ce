// PlaceOnCanvas.
#include "place_on_canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

std::size_t PlaceOnCanvas(BYTE*& pixels, LONG& width, LONG& height, DWORD sourceStride,
                          LONG canvasWidth, LONG canvasHeightLimit, LONG dx, LONG dy) {
  if (!pixels || width <= 0 || height <= 0 || canvasWidth <= 0 || canvasHeightLimit <= 0) return 0;
  if (sourceStride < static_cast<DWORD>(width)) return 0;
  const std::int64_t w = width, h = height;
  if (w + dx <= 0 || h + dy <= 0 || dx >= canvasWidth || dy >= canvasHeightLimit) return 0;

  // Canvas rows are the canvas width raised to a multiple of 8.
  const std::int64_t canvasStride = (static_cast<std::int64_t>(canvasWidth) + 7) / 8 * 8;
  const std::int64_t canvasRows = h + dy;
  const std::uint64_t canvasBytes = static_cast<std::uint64_t>(canvasStride) * canvasRows;
  if (canvasBytes > std::numeric_limits<std::size_t>::max()) return 0;
  BYTE* canvas = new (std::nothrow) BYTE[static_cast<std::size_t>(canvasBytes)];
  if (!canvas) return 0;
  std::memset(canvas, 0xFF, static_cast<std::size_t>(canvasBytes));

  const std::int64_t firstColumn = std::max<std::int64_t>(dx, 0);
  const std::int64_t firstRow = std::max<std::int64_t>(dy, 0);
  const std::int64_t outputHeight = std::min<std::int64_t>(h + dy, canvasHeightLimit);
  const std::int64_t visibleWidth = dx >= 0 ? w : w + dx;
  const std::int64_t rowBytes = std::min<std::int64_t>(visibleWidth, canvasWidth - firstColumn);
  const std::int64_t sourceColumn = dx < 0 ? -static_cast<std::int64_t>(dx) : 0;
  for (std::int64_t i = 0; i < outputHeight - firstRow; ++i) {
    const std::int64_t sourceRow = dy < 0 ? i - dy : i;
    std::memcpy(canvas + (firstRow + i) * canvasStride + firstColumn,
                pixels + sourceRow * static_cast<std::int64_t>(sourceStride) + sourceColumn,
                static_cast<std::size_t>(rowBytes));
  }

  pixels = canvas;
  width = canvasWidth;
  height = static_cast<LONG>(outputHeight);
  return static_cast<std::size_t>(canvasBytes);
}
