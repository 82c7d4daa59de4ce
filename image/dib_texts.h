// Last-error texts of the image core, kept here once and used as they stand.
#pragma once

namespace dib_texts {
inline constexpr char kCreateZeroSize[] =
    "DibImage::Create : width and height must be greater than zero";
inline constexpr char kMaxMemory[] = "DIBIMAGE_MAX_MEMORY exceeded";
inline constexpr char kCreateNoMemory[] = "DibImage::Create can't allocate memory";
inline constexpr char kCreateAlphaNoMemory[] =
    "DibImage::CreateFromArray can't allocate the alpha plane";
}  // namespace dib_texts
