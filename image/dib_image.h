// DibImage: the in-memory raster image of the driver. A packed
// device-independent bitmap (40-byte header, palette, bottom-up rows padded to
// 4 bytes) in one allocation, with an info record and optional alpha and
// selection planes.
//
// Coordinates are (x, y) with y the stored-row index: y = 0 is the bottom line
// of the picture. Failures are reported by the return value and a text kept in
// the image (GetLastError); nothing throws. Operations that change size or
// depth build a temporary image and move it in with Transfer, so pointers from
// GetBits/GetDIB do not survive them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#if defined(BRINDOL_DIBIMAGE_EXPORTS) && defined(_WIN32)
#define DIBIMAGE_API __declspec(dllexport)
#elif defined(BRINDOL_DIBIMAGE_EXPORTS)
#define DIBIMAGE_API __attribute__((visibility("default")))
#else
#define DIBIMAGE_API
#endif

class DibImage;

// The image info record. Field order and widths are part of the exported
// class layout; keep them.
struct DibImageInfo {
  DWORD effWidth;           // bytes per stored row
  BYTE* pixels;             // stored row 0 inside the DIB block
  DibImage* ghostSource;    // image whose buffers this one shares
  DibImage* parent;         // owner when this image is a layer
  DWORD type;               // file-format code carried along
  char lastError[256];      // text of the last failure
  LONG progress;            // percent of rows done by a whole-image operation
  LONG escape;              // non-zero asks a whole-image operation to stop
  LONG backgroundIndex;     // palette index for reads outside; -1 = none
  RGBQUAD backgroundColor;  // colour for reads outside a 24-bit image
  float quality;            // codec quality
  BYTE codecScale;
  LONG currentFrame;
  LONG frameCount;
  DWORD frameDelay;
  LONG xDpi;
  LONG yDpi;
  RECT selectionBox;  // bounding box of the selection plane
  BYTE alphaMax;
  bool alphaPaletteEnabled;
  bool enabled;
  LONG xOffset;
  LONG yOffset;
  DWORD codecOptions[19];
  RGBQUAD nearestColor;  // one-entry cache of GetNearestIndex
  BYTE nearestIndex;
  bool nearestValid;
  LONG layerCount;
  DWORD flags;
  BYTE disposalMethod;
  bool retrieveAllFrames;
  bool littleEndianHost;
};

class DIBIMAGE_API DibImage {
 public:
  // Construction and lifetime.
  explicit DibImage(DWORD type = 0);
  DibImage(DWORD width, DWORD height, DWORD bpp, DWORD type = 0);
  DibImage(const DibImage& source, bool copyPixels = true, bool copySelection = true,
           bool copyAlpha = true);
  DibImage& operator=(const DibImage& source);
  virtual ~DibImage();

  void Startup(DWORD type);
  bool Destroy();
  bool DestroyFrames();

  // Creation. Create returns the DIB block or null (last error set).
  void* Create(DWORD width, DWORD height, DWORD bpp, DWORD type = 0);
  bool CreateFromArray(const BYTE* array, DWORD width, DWORD height, DWORD bpp, DWORD bytesPerLine,
                       bool flip);

  // Copying and moving.
  void Copy(const DibImage& source, bool copyPixels = true, bool copySelection = true,
            bool copyAlpha = true);
  void CopyInfo(const DibImage& source);
  bool Transfer(DibImage& from, bool transferFrames = true);
  void Ghost(const DibImage* source);

  // Queries.
  bool IsValid() const { return dib_ != nullptr; }
  bool IsIndexed() const { return header_.biClrUsed != 0; }
  WORD GetBpp() const { return header_.biBitCount; }
  DWORD GetWidth() const { return static_cast<DWORD>(header_.biWidth); }
  DWORD GetHeight() const { return static_cast<DWORD>(header_.biHeight); }
  DWORD GetEffWidth() const { return info_.effWidth; }
  DWORD GetType() const { return info_.type; }
  void SetType(DWORD type) { info_.type = type; }
  DWORD GetSize() const;
  DWORD GetPaletteSize() const { return header_.biClrUsed * 4; }
  RGBQUAD* GetPalette() const;
  const char* GetLastError() const { return info_.lastError; }
  void* GetDIB() const { return dib_; }
  BYTE* GetBits(DWORD row = 0) const;
  bool IsInside(LONG x, LONG y) const;
  DWORD GetNumColors() const { return header_.biClrUsed; }
  const BITMAPINFOHEADER& GetHeader() const { return header_; }
  const DibImageInfo& GetInfo() const { return info_; }

  // Info record accessors.
  LONG GetProgress() const { return info_.progress; }
  void SetProgress(LONG progress) { info_.progress = progress; }
  LONG GetEscape() const { return info_.escape; }
  void SetEscape(LONG escape) { info_.escape = escape; }
  LONG GetTransIndex() const { return info_.backgroundIndex; }
  void SetTransIndex(LONG index) { info_.backgroundIndex = index; }
  RGBQUAD GetTransColor() const { return info_.backgroundColor; }
  void SetTransColor(RGBQUAD color) { info_.backgroundColor = color; }
  LONG GetXDPI() const { return info_.xDpi; }
  LONG GetYDPI() const { return info_.yDpi; }
  void SetXDPI(LONG dpi);
  void SetYDPI(LONG dpi);
  BYTE AlphaGetMax() const { return info_.alphaMax; }
  void AlphaSetMax(BYTE value) { info_.alphaMax = value; }
  bool IsEnabled() const { return info_.enabled; }
  void Enable(bool enable = true) { info_.enabled = enable; }
  void GetOffset(LONG* x, LONG* y) const;
  void SetOffset(LONG x, LONG y);
  DWORD GetFlags() const { return info_.flags; }
  void SetFlags(DWORD flags) { info_.flags = flags; }
  bool IsGhost() const { return info_.ghostSource != nullptr; }
  LONG GetNumLayers() const { return info_.layerCount; }
  LONG GetNumFrames() const { return info_.frameCount; }

  // Pixel access; x, y signed, y the stored-row index.
  BYTE GetPixelIndex(LONG x, LONG y) const;
  void SetPixelIndex(LONG x, LONG y, BYTE index);
  RGBQUAD GetPixelColor(LONG x, LONG y, bool getAlpha = true) const;
  void SetPixelColor(LONG x, LONG y, RGBQUAD color, bool setAlpha = false);
  void SetPixelColor(LONG x, LONG y, COLORREF color);
  BYTE GetPixelGray(LONG x, LONG y) const;
  BYTE UncheckedGetPixelIndex(LONG x, LONG y) const;
  void UncheckedSetPixelIndex(LONG x, LONG y, BYTE index);
  RGBQUAD UncheckedGetPixelColor(LONG x, LONG y, bool getAlpha = true) const;
  void UncheckedSetPixelColor(LONG x, LONG y, RGBQUAD color, bool setAlpha = false);
  BYTE* UncheckedGetPixelPointer(LONG x, LONG y) const;

  // Palette.
  void SetGrayPalette();
  void SetPalette(const RGBQUAD* entries, DWORD count);
  void SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha = 0);
  void SetPaletteColor(BYTE index, RGBQUAD color);
  void SetPaletteColor(BYTE index, COLORREF color);
  RGBQUAD GetPaletteColor(BYTE index) const;
  BYTE GetNearestIndex(RGBQUAD color);

  // Alpha plane: width x height bytes, bottom-up, no padding; created 255.
  bool AlphaCreate();
  void AlphaDelete();
  bool AlphaIsValid() const { return alpha_ != nullptr; }
  BYTE* AlphaGetPointer(LONG x = 0, LONG y = 0) const;
  BYTE AlphaGet(LONG x, LONG y) const;
  void AlphaSet(LONG x, LONG y, BYTE value);
  BYTE UncheckedAlphaGet(LONG x, LONG y) const;
  bool AlphaCopy(const DibImage& from);
  bool AlphaFlip();

  // Selection plane: width x height mask bytes, created zero.
  bool SelectionCreate();
  bool SelectionDelete();
  bool SelectionIsValid() const { return selection_ != nullptr; }
  BYTE* SelectionGetPointer(LONG x = 0, LONG y = 0) const;
  BYTE SelectionGet(LONG x, LONG y) const;
  void SelectionSet(LONG x, LONG y, BYTE value);
  BYTE UncheckedSelectionGet(LONG x, LONG y) const;
  bool SelectionCopy(const DibImage& from);
  bool SelectionFlip();
  RECT GetSelectionBox() const { return info_.selectionBox; }

  // Layers and frames: always empty in this system, kept as owned arrays.
  DibImage* GetLayer(LONG index) const;
  DibImage* GetFrame(LONG index) const;

  // Whole-image operations.
  void Clear(BYTE value = 0);
  bool GrayScale();
  bool Threshold(BYTE level);
  bool Flip(bool flipSelection = false, bool flipAlpha = true);
  bool Dither(LONG method = 0);
  bool RotateLeft(DibImage* destination = nullptr);
  bool Rotate180(DibImage* destination = nullptr);
  bool Crop(LONG left, LONG top, LONG right, LONG bottom, DibImage* destination = nullptr);
  bool Crop(const RECT& rect, DibImage* destination = nullptr);

 protected:
  void SetLastErrorText(const char* text);
  void InvalidateNearestCache() { info_.nearestValid = false; }
  // Size of the DIB block for the current header, computed without wrapping.
  std::uint64_t BlockSize64() const;
  // Lets go of the buffers: a ghost forgets the ones it shares (and stops
  // being a ghost), an owner frees its frames and its content.
  void Release();
  // Takes the attributes of another info record but keeps the fields that
  // describe this image's own buffers (pixel pointer, ghost source, parent,
  // layer and frame counts), so that they never disagree with its pointers.
  void AdoptInfo(const DibImageInfo& info);

  void* dib_;                // owned DIB block; null when empty
  BITMAPINFOHEADER header_;  // the image's own copy of the header
  DibImageInfo info_;
  BYTE* selection_;    // owned; null unless a selection exists
  BYTE* alpha_;        // owned; null unless an alpha plane exists
  DibImage** layers_;  // owned array of owned sub-images
  DibImage** frames_;  // owned array of owned sub-images
};

// Allocation seam of the image core: every buffer of DibImage goes through
// these, so tests can make the n-th allocation fail.
namespace dib_alloc {
void* Allocate(std::size_t bytes);
void* AllocateZeroed(std::size_t bytes);
void Free(void* block);
// Test control: the allocation after `successes` more successful ones fails;
// only that one, injection is off again afterwards. A negative value turns
// failure injection off.
void FailAfter(long successes);
}  // namespace dib_alloc
