// Creation, copying and ownership of DibImage: the sizes it computes, the
// failures it reports, and who frees which buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dib_image.h"
#include "image_testing.h"

namespace {

using image_testing::AllocationFailure;
using image_testing::BuildGray8;
using image_testing::ImagesEqual;
using image_testing::ReadRows;
using image_testing::RowOrder;
using image_testing::Rows;

bool AllZero(const BYTE* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

TEST(Create, SizesAndDepth) {
  const struct {
    const char* name;
    DWORD width, height, bpp;
    WORD bits;
    DWORD effWidth, colours, size;
  } cases[] = {
      {"1 bit, 100 wide", 100, 10, 1, 1, 16, 2, 40 + 8 + 160},
      {"24 bit, 3 wide", 3, 2, 24, 24, 12, 0, 40 + 24},
      {"32 becomes 24", 5, 5, 32, 24, 16, 0, 40 + 80},
      {"16 becomes 24", 5, 5, 16, 24, 16, 0, 40 + 80},
      {"2 becomes 4", 5, 5, 2, 4, 4, 16, 40 + 64 + 20},
      {"0 becomes 1", 5, 5, 0, 1, 4, 2, 40 + 8 + 20},
      {"8 bit, 1 wide", 1, 3, 8, 8, 4, 256, 40 + 1024 + 12},
      {"5 becomes 8", 4, 1, 5, 8, 4, 256, 40 + 1024 + 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image(7);
    image.SetXDPI(200);
    void* block = image.Create(c.width, c.height, c.bpp, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block, image.GetDIB());
    EXPECT_EQ(image.GetBpp(), c.bits);
    EXPECT_EQ(image.GetEffWidth(), c.effWidth);
    EXPECT_EQ(image.GetNumColors(), c.colours);
    EXPECT_EQ(image.IsIndexed(), c.colours != 0);
    EXPECT_EQ(image.GetSize(), c.size);
    EXPECT_EQ(image.GetType(), 3u);
    EXPECT_STREQ(image.GetLastError(), "");

    // The block starts with the image's own header; the DPI survives Create.
    BITMAPINFOHEADER stored;
    std::memcpy(&stored, block, sizeof(stored));
    EXPECT_EQ(std::memcmp(&stored, &image.GetHeader(), sizeof(stored)), 0);
    EXPECT_EQ(stored.biSize, 40u);
    EXPECT_EQ(stored.biPlanes, 1);
    EXPECT_EQ(stored.biSizeImage, c.effWidth * c.height);
    EXPECT_EQ(stored.biXPelsPerMeter, 7874);
    EXPECT_EQ(stored.biYPelsPerMeter, 3780);

    // Palette right behind the header, rows behind the palette, all zero.
    const BYTE* base = static_cast<const BYTE*>(block);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(image.GetPalette()),
              c.colours != 0 ? base + 40 : nullptr);
    EXPECT_EQ(image.GetBits(0), base + 40 + 4 * c.colours);
    EXPECT_EQ(image.GetBits(c.height - 1), base + 40 + 4 * c.colours + (c.height - 1) * c.effWidth);
    EXPECT_EQ(image.GetBits(c.height), nullptr);
    EXPECT_TRUE(AllZero(base + 40, c.size - 40));
  }
}

TEST(Create, Failures) {
  const struct {
    const char* name;
    DWORD width, height, bpp;
    long failAfter;
    const char* text;
  } cases[] = {
      {"zero width", 0, 5, 8, -1, "DibImage::Create : width and height must be greater than zero"},
      {"zero height", 5, 0, 8, -1, "DibImage::Create : width and height must be greater than zero"},
      {"pixel bits beyond 32 bits", 40000, 40000, 8, -1, "DIBIMAGE_MAX_MEMORY exceeded"},
      {"pixel bits wrap in 32 bits", 65536, 65536, 24, -1, "DIBIMAGE_MAX_MEMORY exceeded"},
      // width x height x bpp fits, but four padded bytes per row do not.
      {"padded rows beyond 32 bits", 1, 0x7FFFFFFF, 1, -1, "DIBIMAGE_MAX_MEMORY exceeded"},
      {"width beyond a LONG", 0x80000000u, 1, 1, -1, "DIBIMAGE_MAX_MEMORY exceeded"},
      {"height beyond a LONG", 1, 0x80000000u, 1, -1, "DIBIMAGE_MAX_MEMORY exceeded"},
      // These pass the size test; the injected failure stops the allocation.
      {"largest 1-bit square", 40000, 40000, 1, 0, "DibImage::Create can't allocate memory"},
      {"widest row", 0x7FFFFFFF, 1, 1, 0, "DibImage::Create can't allocate memory"},
      {"small block", 4, 4, 8, 0, "DibImage::Create can't allocate memory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image(4, 4, 24);
    ASSERT_TRUE(image.AlphaCreate());
    AllocationFailure failure(c.failAfter);
    EXPECT_EQ(image.Create(c.width, c.height, c.bpp), nullptr);
    EXPECT_FALSE(image.IsValid());
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_STREQ(image.GetLastError(), c.text);
  }
}

TEST(Create, OnGhostRefusesAndKeepsSource) {
  DibImage source(4, 4, 8);
  DibImage ghost;
  ghost.Ghost(&source);
  EXPECT_EQ(ghost.Create(2, 2, 8), nullptr);
  EXPECT_STREQ(ghost.GetLastError(), "");
  EXPECT_TRUE(source.IsValid());
  EXPECT_EQ(ghost.GetDIB(), source.GetDIB());
}

TEST(Create, SuccessKeepsEarlierErrorText) {
  DibImage image;
  image.Create(0, 1, 8);
  ASSERT_NE(image.Create(1, 1, 8), nullptr);
  EXPECT_STREQ(image.GetLastError(),
               "DibImage::Create : width and height must be greater than zero");
}

TEST(CreateFromArray, RowOrderAndDepths) {
  // Three rows of four 8-bit pixels, five bytes apart (one byte of slack).
  const BYTE gray[] = {1, 2, 3, 4, 99, 5, 6, 7, 8, 99, 9, 10, 11, 12, 99};
  for (bool flip : {false, true}) {
    SCOPED_TRACE(flip ? "flip" : "no flip");
    DibImage image;
    ASSERT_TRUE(image.CreateFromArray(gray, 4, 3, 8, 5, flip));
    const Rows listed = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    EXPECT_EQ(ReadRows(image, flip ? RowOrder::kTopFirst : RowOrder::kBottomFirst), listed);
    EXPECT_EQ(image.GetBits(flip ? 2 : 0)[0], 1);
    for (int i = 0; i < 256; ++i) {
      const RGBQUAD entry = image.GetPaletteColor(static_cast<BYTE>(i));
      ASSERT_TRUE(entry.rgbBlue == i && entry.rgbGreen == i && entry.rgbRed == i) << i;
    }
  }

  // 32 bits: blue, green, red to the pixel, the fourth byte to the alpha plane.
  const BYTE bgra[] = {10, 20, 30, 40, 50, 60, 70, 80};
  DibImage color;
  ASSERT_TRUE(color.CreateFromArray(bgra, 1, 2, 32, 4, true));
  EXPECT_EQ(color.GetBpp(), 24);
  ASSERT_TRUE(color.AlphaIsValid());
  const RGBQUAD top = color.GetPixelColor(0, 1, true);
  EXPECT_EQ(top.rgbBlue, 10);
  EXPECT_EQ(top.rgbGreen, 20);
  EXPECT_EQ(top.rgbRed, 30);
  EXPECT_EQ(top.rgbReserved, 40);
  EXPECT_EQ(color.AlphaGet(0, 0), 80);

  // 1 bit: a two-entry black and white ramp, the bytes as they are.
  const BYTE bits[] = {0xA5, 0, 0, 0};
  DibImage mono;
  ASSERT_TRUE(mono.CreateFromArray(bits, 8, 1, 1, 4, false));
  EXPECT_EQ(mono.GetPaletteColor(1).rgbRed, 255);
  EXPECT_EQ(ReadRows(mono, RowOrder::kTopFirst), (Rows{{1, 0, 1, 0, 0, 1, 0, 1}}));
}

TEST(CreateFromArray, RejectsWithoutTouchingImage) {
  const BYTE data[16] = {};
  for (DWORD bpp : {0u, 2u, 16u, 33u}) {
    SCOPED_TRACE(bpp);
    DibImage image(3, 3, 8);
    const void* block = image.GetDIB();
    EXPECT_FALSE(image.CreateFromArray(data, 2, 2, bpp, 8, false));
    EXPECT_EQ(image.GetDIB(), block);
    EXPECT_EQ(image.GetWidth(), 3u);
  }
  DibImage image(3, 3, 8);
  EXPECT_FALSE(image.CreateFromArray(nullptr, 2, 2, 8, 4, false));
  EXPECT_TRUE(image.IsValid());
}

TEST(Lifetime, StartupDefaults) {
  DibImage image(1);
  const DibImageInfo& info = image.GetInfo();
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetType(), 1u);
  EXPECT_EQ(info.quality, 90.0f);
  EXPECT_EQ(image.AlphaGetMax(), 255);
  EXPECT_EQ(image.GetTransIndex(), -1);
  EXPECT_TRUE(image.IsEnabled());
  EXPECT_EQ(image.GetXDPI(), 96);
  EXPECT_EQ(image.GetYDPI(), 96);
  EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3780);
  EXPECT_TRUE(info.littleEndianHost);
  EXPECT_FALSE(info.nearestValid);
  EXPECT_EQ(image.GetSize(), 0u);
  EXPECT_EQ(image.GetPalette(), nullptr);
  EXPECT_EQ(image.GetBits(0), nullptr);
}

TEST(Lifetime, DpiSetters) {
  const struct {
    LONG dpi, stored, perMetre;
  } cases[] = {{96, 96, 3780}, {203, 203, 7992}, {0, 96, 3780},
               {-5, 96, 3780}, {1, 1, 39},       {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    DibImage image(2, 2, 8);
    image.SetXDPI(c.dpi);
    image.SetYDPI(c.dpi);
    EXPECT_EQ(image.GetXDPI(), c.stored);
    EXPECT_EQ(image.GetHeader().biYPelsPerMeter, c.perMetre);
    const auto* stored = static_cast<const BITMAPINFOHEADER*>(image.GetDIB());
    EXPECT_EQ(stored->biXPelsPerMeter, c.perMetre);
    EXPECT_EQ(stored->biYPelsPerMeter, c.perMetre);
  }
}

TEST(Copy, PixelsPalettePlanesAndInfo) {
  DibImage source(1);
  ASSERT_TRUE(BuildGray8(source, {{1, 2, 3}, {4, 5, 6}}, RowOrder::kTopFirst));
  source.SetPaletteColor(2, 200, 100, 50);
  ASSERT_TRUE(source.AlphaCreate());
  source.AlphaSet(1, 1, 9);
  ASSERT_TRUE(source.SelectionCreate());
  source.SelectionSet(2, 0, 1);
  source.SetTransIndex(4);
  source.SetXDPI(300);

  DibImage copy(source);
  EXPECT_TRUE(ImagesEqual(source, copy));
  EXPECT_NE(copy.GetDIB(), source.GetDIB());
  EXPECT_EQ(copy.GetTransIndex(), 4);
  EXPECT_EQ(copy.GetXDPI(), 300);
  EXPECT_EQ(copy.AlphaGet(1, 1), 9);
  EXPECT_EQ(copy.SelectionGet(2, 0), 1);
  EXPECT_EQ(copy.GetInfo().pixels, copy.GetBits(0));

  DibImage bare(source, false, false, false);
  EXPECT_EQ(ReadRows(bare, RowOrder::kTopFirst), (Rows{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(bare.GetPaletteColor(2).rgbRed, 200);
  EXPECT_FALSE(bare.AlphaIsValid());
  EXPECT_FALSE(bare.SelectionIsValid());

  DibImage assigned(5, 5, 24);
  assigned = source;
  EXPECT_TRUE(ImagesEqual(source, assigned));
  assigned = assigned;
  EXPECT_TRUE(ImagesEqual(source, assigned));
}

TEST(Copy, OfGhostAndIntoGhost) {
  DibImage source(3, 2, 8);
  source.SetPixelIndex(2, 1, 77);
  DibImage ghost;
  ghost.Ghost(&source);

  // A copy of a ghost is another ghost of the same buffers.
  DibImage copyOfGhost(ghost);
  EXPECT_TRUE(copyOfGhost.IsGhost());
  EXPECT_EQ(copyOfGhost.GetDIB(), source.GetDIB());
  EXPECT_EQ(copyOfGhost.GetPixelIndex(2, 1), 77);

  // A ghost given a real copy stops sharing instead of freeing its source.
  DibImage other(1, 1, 8);
  ghost = other;
  EXPECT_FALSE(ghost.IsGhost());
  EXPECT_NE(ghost.GetDIB(), source.GetDIB());
  EXPECT_EQ(source.GetPixelIndex(2, 1), 77);
}

TEST(Transfer, MovesOwnershipAndEmptiesSource) {
  DibImage source(4, 3, 8, 1);
  ASSERT_TRUE(source.AlphaCreate());
  ASSERT_TRUE(source.SelectionCreate());
  void* block = source.GetDIB();

  DibImage target(2, 2, 24);
  ASSERT_TRUE(target.AlphaCreate());
  EXPECT_TRUE(target.Transfer(source));
  EXPECT_EQ(target.GetDIB(), block);
  EXPECT_EQ(target.GetWidth(), 4u);
  EXPECT_EQ(target.GetType(), 1u);
  EXPECT_TRUE(target.AlphaIsValid());
  EXPECT_TRUE(target.SelectionIsValid());

  EXPECT_FALSE(source.IsValid());
  EXPECT_EQ(source.GetWidth(), 0u);
  EXPECT_EQ(source.GetSize(), 0u);
  EXPECT_FALSE(source.AlphaIsValid());
  EXPECT_FALSE(source.SelectionIsValid());
  EXPECT_TRUE(target.Transfer(target));
  EXPECT_EQ(target.GetDIB(), block);
  // Both destructors run here; LeakSanitizer and ASan check the rest.
}

TEST(Transfer, IntoGhostRefuses) {
  DibImage source(2, 2, 8);
  DibImage ghost;
  ghost.Ghost(&source);
  DibImage other(3, 3, 8);
  EXPECT_FALSE(ghost.Transfer(other));
  EXPECT_TRUE(other.IsValid());
  EXPECT_EQ(ghost.GetDIB(), source.GetDIB());
}

TEST(Ghost, SharesWithoutFreeing) {
  auto source = std::make_unique<DibImage>(3, 3, 8);
  ASSERT_TRUE(source->AlphaCreate());
  {
    DibImage ghost;
    ghost.Ghost(source.get());
    EXPECT_TRUE(ghost.IsGhost());
    EXPECT_EQ(ghost.GetInfo().ghostSource, source.get());
    EXPECT_EQ(ghost.GetDIB(), source->GetDIB());
    EXPECT_EQ(ghost.AlphaGetPointer(), source->AlphaGetPointer());
    EXPECT_FALSE(ghost.Destroy());
    EXPECT_FALSE(ghost.DestroyFrames());
    ghost.SetPixelIndex(1, 1, 5);
    ghost.Ghost(nullptr);
    EXPECT_TRUE(ghost.IsGhost());
  }
  // The ghost is gone; the source still owns intact buffers.
  EXPECT_EQ(source->GetPixelIndex(1, 1), 5);

  // An image that owned buffers lets them go before it becomes a ghost.
  DibImage owner(5, 5, 24);
  owner.Ghost(source.get());
  EXPECT_EQ(owner.GetDIB(), source->GetDIB());
}

TEST(Lifetime, DestroyFreesButKeepsHeader) {
  DibImage image(6, 2, 4);
  ASSERT_TRUE(image.AlphaCreate());
  ASSERT_TRUE(image.SelectionCreate());
  EXPECT_TRUE(image.Destroy());
  EXPECT_FALSE(image.IsValid());
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_FALSE(image.SelectionIsValid());
  EXPECT_EQ(image.GetWidth(), 6u);
  EXPECT_EQ(image.GetPalette(), nullptr);
  EXPECT_TRUE(image.DestroyFrames());
  EXPECT_EQ(image.GetLayer(0), nullptr);
  EXPECT_EQ(image.GetFrame(0), nullptr);
  // Startup on a live image frees it rather than leaking.
  ASSERT_NE(image.Create(2, 2, 8), nullptr);
  image.Startup(0);
  EXPECT_FALSE(image.IsValid());
}

TEST(CopyInfo, OnlyIntoEmptyImage) {
  DibImage source(2, 2, 8, 1);
  source.SetTransIndex(3);
  source.SetXDPI(150);
  DibImage empty;
  empty.CopyInfo(source);
  EXPECT_EQ(empty.GetTransIndex(), 3);
  EXPECT_EQ(empty.GetXDPI(), 150);
  EXPECT_EQ(empty.GetType(), 1u);
  EXPECT_EQ(empty.GetInfo().pixels, nullptr);

  DibImage valid(2, 2, 8);
  valid.CopyInfo(source);
  EXPECT_EQ(valid.GetTransIndex(), -1);
}

}  // namespace
