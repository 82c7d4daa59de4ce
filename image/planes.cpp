// DibImage alpha and selection planes: one byte per pixel, width x height,
// bottom-up like the pixel rows but without padding.
#include <cstring>

#include "dib_image.h"
#include "row_swap.h"

namespace {

// Create limits width x height x bpp to 32 bits, so this never wraps.
std::size_t PlaneBytes(const DibImage& image) {
  return static_cast<std::size_t>(image.GetWidth()) * image.GetHeight();
}

std::size_t PlaneOffset(const DibImage& image, LONG x, LONG y) {
  return static_cast<std::size_t>(y) * image.GetWidth() + static_cast<std::size_t>(x);
}

// The plane's byte for (x, y); null without a plane or outside the image.
BYTE* PlaneByte(BYTE* plane, const DibImage& image, LONG x, LONG y) {
  if (plane == nullptr || !image.IsInside(x, y)) return nullptr;
  return plane + PlaneOffset(image, x, y);
}

BYTE ValueOrZero(const BYTE* value) { return value != nullptr ? *value : 0; }

// Replaces *plane of `to` by a copy of `source`, the same plane of `from`.
// Only between valid images of one size; on failure *plane is left alone.
bool CopyPlane(BYTE** plane, const DibImage& to, const BYTE* source, const DibImage& from) {
  if (source == nullptr || !to.IsValid() || from.GetWidth() != to.GetWidth() ||
      from.GetHeight() != to.GetHeight()) {
    return false;
  }
  if (source == *plane) return true;
  const std::size_t bytes = PlaneBytes(to);
  BYTE* copy = static_cast<BYTE*>(dib_alloc::Allocate(bytes));
  if (copy == nullptr) return false;
  std::memcpy(copy, source, bytes);
  dib_alloc::Free(*plane);
  *plane = copy;
  return true;
}

}  // namespace

// A ghost's planes are its source's: it may read and write their bytes, but
// creating, replacing or freeing a plane through it would leave the source
// holding freed memory, or the ghost holding a plane nobody frees.

bool DibImage::AlphaCreate() {
  if (dib_ == nullptr) return false;
  if (alpha_ != nullptr) return true;
  if (IsGhost()) return false;
  alpha_ = static_cast<BYTE*>(dib_alloc::Allocate(PlaneBytes(*this)));
  if (alpha_ == nullptr) return false;
  std::memset(alpha_, 255, PlaneBytes(*this));
  return true;
}

void DibImage::AlphaDelete() {
  if (IsGhost()) return;
  dib_alloc::Free(alpha_);
  alpha_ = nullptr;
}

BYTE* DibImage::AlphaGetPointer(LONG x, LONG y) const { return PlaneByte(alpha_, *this, x, y); }

BYTE DibImage::AlphaGet(LONG x, LONG y) const { return ValueOrZero(AlphaGetPointer(x, y)); }

void DibImage::AlphaSet(LONG x, LONG y, BYTE value) {
  if (BYTE* target = AlphaGetPointer(x, y)) *target = value;
}

BYTE DibImage::UncheckedAlphaGet(LONG x, LONG y) const { return alpha_[PlaneOffset(*this, x, y)]; }

bool DibImage::AlphaCopy(const DibImage& from) {
  if (IsGhost()) return false;
  return CopyPlane(&alpha_, *this, from.alpha_, from);
}

bool DibImage::AlphaFlip() {
  if (alpha_ == nullptr) return false;
  SwapRowsUpsideDown(alpha_, GetWidth(), GetHeight());
  return true;
}

bool DibImage::SelectionCreate() {
  if (dib_ == nullptr) return false;
  if (selection_ != nullptr) return true;
  if (IsGhost()) return false;
  selection_ = static_cast<BYTE*>(dib_alloc::AllocateZeroed(PlaneBytes(*this)));
  return selection_ != nullptr;
}

bool DibImage::SelectionDelete() {
  if (IsGhost()) return false;
  dib_alloc::Free(selection_);
  selection_ = nullptr;
  // The empty box: left beyond the right edge, bottom above the top.
  info_.selectionBox = RECT{header_.biWidth, 0, 0, header_.biHeight};
  return true;
}

BYTE* DibImage::SelectionGetPointer(LONG x, LONG y) const {
  return PlaneByte(selection_, *this, x, y);
}

BYTE DibImage::SelectionGet(LONG x, LONG y) const { return ValueOrZero(SelectionGetPointer(x, y)); }

void DibImage::SelectionSet(LONG x, LONG y, BYTE value) {
  if (BYTE* target = SelectionGetPointer(x, y)) *target = value;
}

BYTE DibImage::UncheckedSelectionGet(LONG x, LONG y) const {
  return selection_[PlaneOffset(*this, x, y)];
}

bool DibImage::SelectionCopy(const DibImage& from) {
  if (IsGhost() || !CopyPlane(&selection_, *this, from.selection_, from)) return false;
  // The box describes the plane; they travel together.
  info_.selectionBox = from.info_.selectionBox;
  return true;
}

bool DibImage::SelectionFlip() {
  if (selection_ == nullptr) return false;
  SwapRowsUpsideDown(selection_, GetWidth(), GetHeight());
  const LONG height = header_.biHeight;
  RECT& box = info_.selectionBox;
  const LONG oldTop = box.top;
  box.top = height - box.bottom;
  box.bottom = height - oldTop;
  return true;
}
