// Turns a block of equally long rows upside down in place: row i trades places
// with row rows - 1 - i, the middle row of an odd count stays. Needs no buffer,
// so it cannot fail.
#pragma once

#include <windows.h>

#include <cstddef>

void SwapRowsUpsideDown(BYTE* base, std::size_t rowBytes, std::size_t rows);
