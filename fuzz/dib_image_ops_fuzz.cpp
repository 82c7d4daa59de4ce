// Sequences of DibImage operations on three images with fuzzed parameters:
// creation (any size and depth), copying, transfer, ghosts, crops, turns,
// dithering, threshold, flips, gray conversion, planes, palettes, pixels,
// the escape flag and failing allocations. After every step each image must
// still describe its own buffers consistently.
//
// The harness keeps one rule of the class: a ghost's source must keep its
// buffers while the ghost lives. Before an operation may replace or free the
// buffers of an image, the ghosts that share them are let go.
#include <cstdint>
#include <vector>

#include "dib_image.h"
#include "fuzz_input.h"

namespace {

constexpr int kImages = 3;
constexpr std::uint64_t kMaxBlockBytes = 1 << 18;  // keeps one step fast
constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

struct Size {
  DWORD width, height;
};

std::uint64_t NormalisedBits(DWORD bpp) { return bpp <= 1 ? 1 : bpp <= 4 ? 4 : bpp <= 8 ? 8 : 24; }

// A size as fuzzed, but small enough to allocate quickly: sizes whose pixel
// bits pass 32 bits stay as they are (Create must refuse them), others are
// cut down to kMaxBlockBytes.
Size ReadSize(FuzzInput& in, DWORD bpp) {
  Size size;
  if (in.Bool()) {
    size = {in.U32(), in.U32()};
  } else {
    size = {in.Byte() % 80u, in.Byte() % 80u};
  }
  const std::uint64_t bits = NormalisedBits(bpp);
  const std::uint64_t rowBytes = (std::uint64_t{size.width} * bits + 31) / 32 * 4;
  if (std::uint64_t{size.width} * bits * size.height > kMax32 || size.width == 0 ||
      size.height == 0)
    return size;
  if (rowBytes > kMaxBlockBytes) size.width = static_cast<DWORD>(kMaxBlockBytes * 8 / bits);
  const std::uint64_t cutRowBytes = (std::uint64_t{size.width} * bits + 31) / 32 * 4;
  if (cutRowBytes * size.height > kMaxBlockBytes)
    size.height = static_cast<DWORD>(kMaxBlockBytes / cutRowBytes);
  if (size.height == 0) size.height = 1;
  return size;
}

LONG SmallCoordinate(FuzzInput& in) { return static_cast<std::int16_t>(in.U16()) % 200; }

class Images {
 public:
  DibImage& operator[](int i) { return images_[i]; }

  // Lets go of every image that shares the buffers of `image`, directly or
  // through another ghost.
  void ReleaseGhostsOf(int image) {
    bool sharing[kImages] = {};
    sharing[image] = true;
    for (bool found = true; found;) {
      found = false;
      for (int i = 0; i < kImages; ++i) {
        const DibImage* source = images_[i].GetInfo().ghostSource;
        for (int j = 0; j < kImages && !sharing[i]; ++j) {
          if (sharing[j] && source == &images_[j]) sharing[i] = found = true;
        }
      }
    }
    for (int i = 0; i < kImages; ++i) {
      if (i != image && sharing[i]) images_[i].Startup(0);
    }
  }

  // Every image reads and writes inside its own buffers.
  void Check() const {
    for (const DibImage& image : images_) CheckImage(image);
  }

 private:
  static void CheckImage(const DibImage& image) {
    if (!image.IsValid()) return;
    const BITMAPINFOHEADER& header = image.GetHeader();
    const DWORD bpp = header.biBitCount;
    FUZZ_CHECK(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24);
    FUZZ_CHECK(header.biClrUsed == (bpp == 24 ? 0u : 1u << bpp));
    FUZZ_CHECK(header.biWidth > 0 && header.biHeight > 0);
    const std::uint64_t effWidth = (std::uint64_t{image.GetWidth()} * bpp + 31) / 32 * 4;
    FUZZ_CHECK(image.GetEffWidth() == effWidth);
    FUZZ_CHECK(header.biSizeImage == effWidth * image.GetHeight());
    const BYTE* block = static_cast<const BYTE*>(image.GetDIB());
    FUZZ_CHECK(image.GetBits(0) == block + header.biSize + image.GetPaletteSize());
    FUZZ_CHECK(image.GetBits(image.GetHeight() - 1) + effWidth == block + image.GetSize());
    // Touch both ends of every buffer: a block, palette or plane smaller than
    // the header says shows up under the address sanitizer.
    volatile BYTE sink = block[0];
    sink = block[image.GetSize() - 1];
    const std::size_t planeBytes = std::size_t{image.GetWidth()} * image.GetHeight();
    if (const BYTE* alpha = image.AlphaGetPointer(0, 0)) sink = alpha[0] ^ alpha[planeBytes - 1];
    if (const BYTE* selection = image.SelectionGetPointer(0, 0))
      sink = selection[0] ^ selection[planeBytes - 1];
    (void)sink;
  }

  DibImage images_[kImages];
};

void CreateFromFuzzedArray(FuzzInput& in, DibImage& image) {
  static constexpr DWORD kDepths[] = {1, 4, 8, 24, 32, 16, 0};
  const DWORD bpp = kDepths[in.Byte() % std::size(kDepths)];
  const Size size = ReadSize(in, bpp == 32 ? 24 : bpp);
  const bool flip = in.Bool();
  // The caller's promise: the array holds height rows of bytesPerLine bytes.
  const std::uint64_t rowBytes = (std::uint64_t{size.width} * (bpp ? bpp : 1) + 7) / 8;
  std::uint64_t bytesPerLine = rowBytes + in.Byte() % 8;
  if (in.Bool()) bytesPerLine = in.U16();
  const std::uint64_t arrayBytes = bytesPerLine * size.height;
  if (arrayBytes > 4 * kMaxBlockBytes) return;
  std::vector<BYTE> array(static_cast<std::size_t>(arrayBytes) + 1);
  const std::vector<std::uint8_t> pattern = in.Bytes(in.Byte());
  for (std::size_t i = 0; i < array.size() && !pattern.empty(); ++i)
    array[i] = pattern[i % pattern.size()];
  // Success means the whole array arrived, the alpha bytes of 32 bits included.
  if (image.CreateFromArray(array.data(), size.width, size.height, bpp,
                            static_cast<DWORD>(bytesPerLine), flip))
    FUZZ_CHECK(image.IsValid() && (bpp != 32 || image.AlphaIsValid()));
}

void ChangePlanes(FuzzInput& in, DibImage& image, const DibImage& other) {
  switch (in.Byte() % 8) {
    case 0:
      image.AlphaCreate();
      break;
    case 1:
      image.AlphaDelete();
      break;
    case 2:
      image.AlphaFlip();
      break;
    case 3:
      image.AlphaCopy(other);
      break;
    case 4:
      image.SelectionCreate();
      break;
    case 5:
      image.SelectionDelete();
      break;
    case 6:
      image.SelectionFlip();
      break;
    default:
      image.SelectionCopy(other);
      break;
  }
}

void TouchPixels(FuzzInput& in, DibImage& image) {
  const LONG x = SmallCoordinate(in), y = SmallCoordinate(in);
  const BYTE value = in.Byte();
  switch (in.Byte() % 8) {
    case 0:
      image.SetPixelIndex(x, y, value);
      break;
    case 1:
      image.SetPixelColor(x, y, RGBQUAD{value, in.Byte(), in.Byte(), in.Byte()}, in.Bool());
      break;
    case 2:
      image.SetPixelColor(x, y, static_cast<COLORREF>(in.U32()));
      break;
    case 3:
      image.AlphaSet(x, y, value);
      break;
    case 4:
      image.SelectionSet(x, y, value);
      break;
    default: {
      volatile BYTE sink = image.GetPixelIndex(x, y) ^ image.GetPixelGray(x, y) ^
                           image.AlphaGet(x, y) ^ image.SelectionGet(x, y) ^
                           image.GetPixelColor(x, y, in.Bool()).rgbBlue;
      (void)sink;
      break;
    }
  }
}

void ChangePalette(FuzzInput& in, DibImage& image) {
  switch (in.Byte() % 5) {
    case 0:
      image.SetGrayPalette();
      break;
    case 1: {
      const std::vector<std::uint8_t> entries = in.Bytes(4 * std::size_t{in.Byte()});
      image.SetPalette(reinterpret_cast<const RGBQUAD*>(entries.data()),
                       static_cast<DWORD>(entries.size() / 4));
      break;
    }
    case 2:
      image.SetPaletteColor(in.Byte(), in.Byte(), in.Byte(), in.Byte(), in.Byte());
      break;
    case 3:
      image.SetTransIndex(static_cast<std::int8_t>(in.Byte()));
      break;
    default: {
      volatile BYTE sink =
          image.GetNearestIndex(RGBQUAD{in.Byte(), in.Byte(), in.Byte(), in.Byte()});
      (void)sink;
      break;
    }
  }
}

// The picture as the guarded reads see it, row by row.
bool SamePicture(const DibImage& a, const DibImage& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp())
    return false;
  for (LONG y = 0; y < static_cast<LONG>(a.GetHeight()); ++y) {
    for (LONG x = 0; x < static_cast<LONG>(a.GetWidth()); ++x) {
      const RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
      if (a.GetPixelIndex(x, y) != b.GetPixelIndex(x, y) || p.rgbBlue != q.rgbBlue ||
          p.rgbGreen != q.rgbGreen || p.rgbRed != q.rgbRed) {
        return false;
      }
    }
  }
  return true;
}

// `times` turns of a copy of `original` must bring it back, and a turn that
// fails (for lack of memory) must leave the copy as it was.
void CheckRoundTrip(const DibImage& original, int times, bool (*turn)(DibImage&)) {
  DibImage turned(original, true, false, false);
  if (!turned.IsValid()) return;
  turned.SetEscape(0);
  for (int i = 0; i < times; ++i) {
    const DibImage before(turned, true, false, false);
    if (!turn(turned)) {
      if (before.IsValid()) FUZZ_CHECK(SamePicture(before, turned));
      return;
    }
  }
  FUZZ_CHECK(SamePicture(original, turned));
}

// Four quarter turns, two half turns, two flips; and a crop of more than
// the whole picture is a copy of it. Small images only: the comparison reads
// every pixel through the guarded accessors, and the turns are the same
// code at every size.
void CheckRoundTrips(DibImage& image) {
  constexpr std::uint64_t kMaxPixels = 1 << 14;
  if (!image.IsValid() || image.IsGhost()) return;
  if (std::uint64_t{image.GetWidth()} * image.GetHeight() > kMaxPixels) return;
  CheckRoundTrip(image, 4, [](DibImage& i) { return i.RotateLeft(); });
  CheckRoundTrip(image, 2, [](DibImage& i) { return i.Rotate180(); });
  CheckRoundTrip(image, 2, [](DibImage& i) { return i.Flip(); });
  DibImage cropped(0);
  const LONG width = static_cast<LONG>(image.GetWidth()),
             height = static_cast<LONG>(image.GetHeight());
  if (image.GetEscape() == 0 && image.Crop(-5, -5, width + 5, height + 5, &cropped)) {
    FUZZ_CHECK(SamePicture(image, cropped));
  }
}

void Step(FuzzInput& in, Images& images) {
  const std::uint8_t op = in.Byte();
  const int target = in.Byte() % kImages;
  const int other = in.Byte() % kImages;
  DibImage& image = images[target];
  // Operations that only read `image` or write pixels in place leave its
  // ghosts valid; the others may free or replace its buffers. A ghost that
  // is itself the target stays: what it does to the shared buffers is under
  // test.
  const std::uint8_t kind = op % 25;
  if (kind < 16) images.ReleaseGhostsOf(target);
  switch (kind) {
    case 0: {
      const DWORD bpp = in.Byte();
      const Size size = ReadSize(in, bpp);
      image.Create(size.width, size.height, bpp, in.Byte() % 3);
      break;
    }
    case 1:
      CreateFromFuzzedArray(in, image);
      break;
    case 2:
      image.Copy(images[other], in.Bool(), in.Bool(), in.Bool());
      break;
    case 3:
      images.ReleaseGhostsOf(other);
      image.Transfer(images[other], in.Bool());
      break;
    case 4:
      image.Ghost(&images[other]);
      break;
    case 5:
      images.ReleaseGhostsOf(other);
      image.Crop(SmallCoordinate(in), SmallCoordinate(in), SmallCoordinate(in), SmallCoordinate(in),
                 in.Bool() ? &images[other] : nullptr);
      break;
    case 6:
      images.ReleaseGhostsOf(other);
      image.RotateLeft(in.Bool() ? &images[other] : nullptr);
      break;
    case 7:
      images.ReleaseGhostsOf(other);
      image.Rotate180(in.Bool() ? &images[other] : nullptr);
      break;
    case 8:
      image.Dither(static_cast<std::int8_t>(in.Byte()));
      break;
    case 9:
      image.Threshold(in.Byte());
      break;
    case 10:
      image.GrayScale();
      break;
    case 11:
      image.Destroy();
      break;
    case 12:
      image.DestroyFrames();
      break;
    case 13:
      image.Startup(in.Byte());
      break;
    case 14:
      images[target] = images[other];
      break;
    case 15:
      ChangePlanes(in, image, images[other]);
      break;
    case 16:
      image.Flip(in.Bool(), in.Bool());
      break;
    case 17: {
      images.ReleaseGhostsOf(target);
      DibImage copy(images[other], in.Bool(), in.Bool(), in.Bool());
      image.Transfer(copy, true);
      break;
    }
    case 18:
      TouchPixels(in, image);
      break;
    case 19:
      image.Clear(in.Byte());
      break;
    case 20:
      ChangePalette(in, image);
      break;
    case 21:
      image.SetEscape(in.Byte() & 1);
      break;
    case 22:
      image.SetXDPI(in.I32());
      image.SetYDPI(in.I32());
      break;
    case 23:
      dib_alloc::FailAfter(in.Byte() % 8);
      break;
    default:
      CheckRoundTrips(image);
      break;
  }
  images.Check();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  {
    Images images;
    for (int steps = 0; steps < 64 && !in.Empty(); ++steps) Step(in, images);
    dib_alloc::FailAfter(-1);
  }
  return 0;
}
