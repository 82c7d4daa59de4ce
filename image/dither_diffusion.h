// Error diffusion with one of the kernels of dither_kernels.h, in place on
// the 8-bit rows of the gray image, each row packed into the 1-bit image once
// it is final.
#pragma once

#include "dither_kernels.h"
#include "dither_rows.h"

namespace dither {

template <const Kernel& K>
void Diffuse(const Planes& planes, RowLoop& rows);

extern template void Diffuse<kFloydSteinberg>(const Planes&, RowLoop&);
extern template void Diffuse<kBurkes>(const Planes&, RowLoop&);
extern template void Diffuse<kStucki>(const Planes&, RowLoop&);
extern template void Diffuse<kJarvisJudiceNinke>(const Planes&, RowLoop&);
extern template void Diffuse<kSierra>(const Planes&, RowLoop&);
extern template void Diffuse<kStevensonArce>(const Planes&, RowLoop&);

}  // namespace dither
