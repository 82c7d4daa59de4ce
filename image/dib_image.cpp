// DibImage lifetime and ownership: construction, Startup, Destroy, copying,
// Transfer and Ghost, the block queries and the info record setters.
#include "dib_image.h"

#include <cmath>
#include <cstring>

DibImage::DibImage(DWORD type)
    : dib_(nullptr),
      header_{},
      info_{},
      selection_(nullptr),
      alpha_(nullptr),
      layers_(nullptr),
      frames_(nullptr) {
  Startup(type);
}

DibImage::DibImage(DWORD width, DWORD height, DWORD bpp, DWORD type) : DibImage(type) {
  Create(width, height, bpp, type);
}

DibImage::DibImage(const DibImage& source, bool copyPixels, bool copySelection, bool copyAlpha)
    : DibImage(source.GetType()) {
  Copy(source, copyPixels, copySelection, copyAlpha);
}

DibImage& DibImage::operator=(const DibImage& source) {
  if (&source != this) Copy(source, true, true, true);
  return *this;
}

DibImage::~DibImage() {
  DestroyFrames();
  Destroy();
}

void DibImage::Startup(DWORD type) {
  // Startup on a live image must not leak what it held.
  Release();
  header_ = BITMAPINFOHEADER{};
  info_ = DibImageInfo{};
  info_.type = type;
  info_.quality = 90.0f;
  info_.alphaMax = 255;
  info_.backgroundIndex = -1;
  info_.enabled = true;
  SetXDPI(96);
  SetYDPI(96);
  info_.littleEndianHost = true;
}

bool DibImage::Destroy() {
  if (IsGhost()) return false;
  if (layers_ != nullptr) {
    for (LONG i = 0; i < info_.layerCount; ++i) delete layers_[i];
    dib_alloc::Free(layers_);
    layers_ = nullptr;
  }
  info_.layerCount = 0;
  dib_alloc::Free(selection_);
  dib_alloc::Free(alpha_);
  dib_alloc::Free(dib_);
  selection_ = nullptr;
  alpha_ = nullptr;
  dib_ = nullptr;
  // The record is otherwise left as it was, but a pointer into the freed block
  // is of no use to anyone.
  info_.pixels = nullptr;
  return true;
}

bool DibImage::DestroyFrames() {
  if (IsGhost()) return false;
  if (frames_ != nullptr) {
    for (LONG i = 0; i < info_.frameCount; ++i) delete frames_[i];
    dib_alloc::Free(frames_);
    frames_ = nullptr;
  }
  info_.frameCount = 0;
  return true;
}

void DibImage::Release() {
  if (IsGhost()) {
    dib_ = nullptr;
    selection_ = nullptr;
    alpha_ = nullptr;
    layers_ = nullptr;
    frames_ = nullptr;
    info_.pixels = nullptr;
    info_.ghostSource = nullptr;
    info_.layerCount = 0;
    info_.frameCount = 0;
    return;
  }
  DestroyFrames();
  Destroy();
}

void DibImage::AdoptInfo(const DibImageInfo& info) {
  const DibImageInfo own = info_;
  info_ = info;
  info_.pixels = own.pixels;
  info_.ghostSource = own.ghostSource;
  info_.parent = own.parent;
  info_.layerCount = own.layerCount;
  info_.frameCount = own.frameCount;
  // The cached colour belongs to the other image's palette.
  info_.nearestValid = false;
}

void DibImage::Copy(const DibImage& source, bool copyPixels, bool copySelection, bool copyAlpha) {
  if (&source == this) return;
  if (source.IsGhost()) {
    Ghost(&source);
    return;
  }
  // A ghost that becomes a copy stops sharing; freeing here would free the
  // buffers of the image it shares them with.
  if (IsGhost()) Release();
  AdoptInfo(source.info_);
  header_ = source.header_;
  if (Create(source.GetWidth(), source.GetHeight(), source.GetBpp(), source.GetType()) == nullptr) {
    return;
  }
  if (copyPixels && source.dib_ != nullptr) {
    std::memcpy(dib_, source.dib_, GetSize());
  } else {
    SetPalette(source.GetPalette(), 256);
  }
  if (copySelection && source.selection_ != nullptr) SelectionCopy(source);
  if (copyAlpha && source.alpha_ != nullptr) AlphaCopy(source);
}

void DibImage::CopyInfo(const DibImage& source) {
  if (dib_ == nullptr && &source != this) AdoptInfo(source.info_);
}

bool DibImage::Transfer(DibImage& from, bool transferFrames) {
  if (&from == this) return true;
  if (!Destroy()) return false;
  // Frames go before the record is replaced: DestroyFrames counts them by the
  // record, which must still describe this image's own array.
  if (transferFrames) {
    DestroyFrames();
  } else {
    // The source must end up owning nothing, and its frames stay unclaimed.
    from.DestroyFrames();
  }
  DibImage** const ownFrames = frames_;
  const LONG ownFrameCount = info_.frameCount;

  header_ = from.header_;
  info_ = from.info_;
  dib_ = from.dib_;
  selection_ = from.selection_;
  alpha_ = from.alpha_;
  layers_ = from.layers_;
  if (transferFrames) {
    frames_ = from.frames_;
  } else {
    frames_ = ownFrames;
    info_.frameCount = ownFrameCount;
  }

  from.header_ = BITMAPINFOHEADER{};
  from.info_ = DibImageInfo{};
  from.dib_ = nullptr;
  from.selection_ = nullptr;
  from.alpha_ = nullptr;
  from.layers_ = nullptr;
  from.frames_ = nullptr;
  return true;
}

void DibImage::Ghost(const DibImage* source) {
  if (source == nullptr || source == this) return;
  // Whatever this image held is let go first; overwriting the pointers would
  // leak it.
  Release();
  header_ = source->header_;
  info_ = source->info_;
  dib_ = source->dib_;
  selection_ = source->selection_;
  alpha_ = source->alpha_;
  layers_ = source->layers_;
  frames_ = source->frames_;
  info_.ghostSource = const_cast<DibImage*>(source);
}

std::uint64_t DibImage::BlockSize64() const {
  return std::uint64_t{header_.biSize} + 4 * std::uint64_t{header_.biClrUsed} + header_.biSizeImage;
}

DWORD DibImage::GetSize() const {
  // Create never makes a block beyond 32 bits; saturate for foreign headers.
  const std::uint64_t size = BlockSize64();
  return size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(size);
}

RGBQUAD* DibImage::GetPalette() const {
  if (dib_ == nullptr || header_.biClrUsed == 0) return nullptr;
  return reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(dib_) + header_.biSize);
}

BYTE* DibImage::GetBits(DWORD row) const {
  if (dib_ == nullptr || row >= GetHeight()) return nullptr;
  return static_cast<BYTE*>(dib_) + header_.biSize + GetPaletteSize() +
         static_cast<std::size_t>(row) * info_.effWidth;
}

bool DibImage::IsInside(LONG x, LONG y) const {
  return x >= 0 && y >= 0 && x < header_.biWidth && y < header_.biHeight;
}

namespace {

// floor(dpi * 10000 / 254 + 0.5), held inside LONG for absurd resolutions.
LONG PixelsPerMetre(LONG dpi) {
  const double perMetre = std::floor(static_cast<double>(dpi) * 10000.0 / 254.0 + 0.5);
  return perMetre > 2147483647.0 ? 2147483647 : static_cast<LONG>(perMetre);
}

}  // namespace

void DibImage::SetXDPI(LONG dpi) {
  if (dpi <= 0) dpi = 96;
  info_.xDpi = dpi;
  header_.biXPelsPerMeter = PixelsPerMetre(dpi);
  if (dib_ != nullptr) {
    static_cast<BITMAPINFOHEADER*>(dib_)->biXPelsPerMeter = header_.biXPelsPerMeter;
  }
}

void DibImage::SetYDPI(LONG dpi) {
  if (dpi <= 0) dpi = 96;
  info_.yDpi = dpi;
  header_.biYPelsPerMeter = PixelsPerMetre(dpi);
  if (dib_ != nullptr) {
    static_cast<BITMAPINFOHEADER*>(dib_)->biYPelsPerMeter = header_.biYPelsPerMeter;
  }
}

void DibImage::GetOffset(LONG* x, LONG* y) const {
  if (x != nullptr) *x = info_.xOffset;
  if (y != nullptr) *y = info_.yOffset;
}

void DibImage::SetOffset(LONG x, LONG y) {
  info_.xOffset = x;
  info_.yOffset = y;
}

void DibImage::SetLastErrorText(const char* text) {
  if (text == nullptr) text = "";
  std::size_t length = std::strlen(text);
  if (length >= sizeof(info_.lastError)) length = sizeof(info_.lastError) - 1;
  std::memmove(info_.lastError, text, length);
  info_.lastError[length] = '\0';
}

DibImage* DibImage::GetLayer(LONG index) const {
  if (layers_ == nullptr || index < 0 || index >= info_.layerCount) return nullptr;
  return layers_[index];
}

DibImage* DibImage::GetFrame(LONG index) const {
  if (frames_ == nullptr || index < 0 || index >= info_.frameCount) return nullptr;
  return frames_[index];
}
