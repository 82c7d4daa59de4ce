// Counts the heap in use by the whole benchmark program, the plug-in library
// included: the program replaces malloc and its family (operator new, the
// image core's dib_alloc seam and every other allocation end up there) and
// adds up the usable size of every live block.
#pragma once

#include <cstdint>

namespace heap_counter {

// Bytes in live blocks now.
std::int64_t InUse();
// Starts a new watch: the peak becomes what is in use now.
void ResetPeak();
// The most bytes in use since the last ResetPeak.
std::int64_t Peak();

}  // namespace heap_counter
