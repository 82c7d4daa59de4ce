// The header a host hands with a band of 8-bit gray rows.
#pragma once

#include <windows.h>

inline BITMAPINFOHEADER BandHeader(LONG width, LONG height, DWORD sizeImage) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biSizeImage = sizeImage;
  return header;
}
