// Indexed pixels below 8 bits read and ORed in through a row pointer, for the
// loops that move whole pictures into a zeroed work image (turns, crop).
#pragma once

#include <windows.h>

inline BYTE NibbleAt(const BYTE* row, DWORD x) {
  return static_cast<BYTE>((x & 1) != 0 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
}

inline void OrNibble(BYTE* row, DWORD x, BYTE value) {
  row[x >> 1] |= static_cast<BYTE>((x & 1) != 0 ? value : value << 4);
}

inline BYTE BitAt(const BYTE* row, DWORD x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

inline void OrBit(BYTE* row, DWORD x, BYTE bit) {
  row[x >> 3] |= static_cast<BYTE>(bit << (7 - (x & 7)));
}
