// PlaceOnCanvas: puts an 8-bit picture on a white canvas of fixed width at an
// offset, cutting what falls outside.
#pragma once

#include <windows.h>

#include <cstddef>

// pixels: the source rows, sourceStride bytes apart (at least width bytes).
// On success `pixels` is replaced by the new canvas (the caller frees it with
// delete[]), width by canvasWidth and height by the output height, and the
// canvas size in bytes is returned. Returns 0 and changes nothing when the
// picture lies wholly off the canvas (width + dx <= 0, height + dy <= 0,
// dx >= canvasWidth, dy >= canvasHeightLimit), on empty or inconsistent
// arguments, and when the canvas cannot be allocated.
std::size_t PlaceOnCanvas(BYTE*& pixels, LONG& width, LONG& height, DWORD sourceStride,
                          LONG canvasWidth, LONG canvasHeightLimit, LONG dx, LONG dy);
