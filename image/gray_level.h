// The gray level of a colour, shared by every operation that reduces colour
// to gray. The weights add up to 1024, so a gray colour keeps its level.
#pragma once

#include <windows.h>

inline BYTE GrayLevel(BYTE red, BYTE green, BYTE blue) {
  return static_cast<BYTE>((306 * red + 601 * green + 117 * blue) >> 10);
}

inline BYTE GrayLevel(const RGBQUAD& color) {
  return GrayLevel(color.rgbRed, color.rgbGreen, color.rgbBlue);
}
