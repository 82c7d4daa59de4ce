// DibImage palette operations and the nearest-colour search with its
// one-entry cache. Every change of the palette drops the cache.
#include <cstring>

#include "dib_image.h"

void DibImage::SetGrayPalette() {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr) return;
  const DWORD count = GetNumColors();
  const DWORD step = count > 1 ? 255 / (count - 1) : 0;
  for (DWORD i = 0; i < count; ++i) {
    const BYTE level = static_cast<BYTE>(i * step);
    palette[i].rgbBlue = level;
    palette[i].rgbGreen = level;
    palette[i].rgbRed = level;
  }
  InvalidateNearestCache();
}

void DibImage::SetPalette(const RGBQUAD* entries, DWORD count) {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr || entries == nullptr) return;
  const std::uint64_t wanted = 4 * std::uint64_t{count};
  const std::size_t bytes =
      wanted < GetPaletteSize() ? static_cast<std::size_t>(wanted) : GetPaletteSize();
  std::memmove(palette, entries, bytes);
  InvalidateNearestCache();
}

void DibImage::SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha) {
  SetPaletteColor(index, RGBQUAD{blue, green, red, alpha});
}

void DibImage::SetPaletteColor(BYTE index, RGBQUAD color) {
  RGBQUAD* palette = GetPalette();
  if (palette == nullptr || index >= GetNumColors()) return;
  palette[index] = color;
  InvalidateNearestCache();
}

void DibImage::SetPaletteColor(BYTE index, COLORREF color) {
  SetPaletteColor(index, static_cast<BYTE>(color & 0xFF), static_cast<BYTE>((color >> 8) & 0xFF),
                  static_cast<BYTE>((color >> 16) & 0xFF), 0);
}

RGBQUAD DibImage::GetPaletteColor(BYTE index) const {
  const RGBQUAD* palette = GetPalette();
  if (palette == nullptr || index >= GetNumColors()) return RGBQUAD{};
  return palette[index];
}

BYTE DibImage::GetNearestIndex(RGBQUAD color) {
  const RGBQUAD* palette = GetPalette();
  if (palette == nullptr) return 0;
  const RGBQUAD& cached = info_.nearestColor;
  if (info_.nearestValid && cached.rgbBlue == color.rgbBlue && cached.rgbGreen == color.rgbGreen &&
      cached.rgbRed == color.rgbRed && cached.rgbReserved == color.rgbReserved) {
    return info_.nearestIndex;
  }
  info_.nearestColor = color;
  info_.nearestValid = true;

  DWORD searched = header_.biClrImportant != 0 ? header_.biClrImportant : GetNumColors();
  if (searched > GetNumColors()) searched = GetNumColors();
  // Above the largest possible distance (3 x 255^2), so any entry beats it.
  long best = 200000;
  BYTE bestIndex = 0;
  for (DWORD i = 0; i < searched; ++i) {
    const long db = long{palette[i].rgbBlue} - color.rgbBlue;
    const long dg = long{palette[i].rgbGreen} - color.rgbGreen;
    const long dr = long{palette[i].rgbRed} - color.rgbRed;
    const long distance = db * db + dg * dg + dr * dr;
    if (distance < best) {
      best = distance;
      bestIndex = static_cast<BYTE>(i);
      if (distance == 0) break;
    }
  }
  info_.nearestIndex = bestIndex;
  return bestIndex;
}
