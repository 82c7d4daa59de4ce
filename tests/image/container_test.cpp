// Creation, copying and ownership of DibImage: the sizes it computes, the
// failures it reports, and who frees which buffer (ASan and LeakSanitizer
// watch every test here).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "dib_image.h"
#include "image_testing.h"

namespace {

using image_testing::AllocationFailure;
using image_testing::BuildGray8;
using image_testing::ImagesEqual;
using image_testing::ReadRows;
using image_testing::RowOrder;
using image_testing::Rows;

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
      {"5 becomes 8", 1, 3, 5, 8, 4, 256, 40 + 1024 + 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image(7);
    image.SetXDPI(200);
    const BYTE* block = static_cast<const BYTE*>(image.Create(c.width, c.height, c.bpp, 3));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(image.GetBpp(), c.bits);
    EXPECT_EQ(image.GetEffWidth(), c.effWidth);
    EXPECT_EQ(image.GetNumColors(), c.colours);
    EXPECT_EQ(image.GetSize(), c.size);
    EXPECT_EQ(image.GetType(), 3u);
    // One block: the image's own header (DPI kept), palette, rows, all zero.
    EXPECT_EQ(std::memcmp(block, &image.GetHeader(), 40), 0);
    EXPECT_EQ(image.GetHeader().biSizeImage, c.effWidth * c.height);
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 7874);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(image.GetPalette()),
              c.colours != 0 ? block + 40 : nullptr);
    EXPECT_EQ(image.GetBits(c.height - 1),
              block + 40 + 4 * c.colours + (c.height - 1) * c.effWidth);
    EXPECT_EQ(image.GetBits(c.height), nullptr);
    for (DWORD i = 40; i < c.size; ++i) ASSERT_EQ(block[i], 0) << "byte " << i;
  }
}

TEST(Create, Failures) {
  const char* const kZero = "DibImage::Create : width and height must be greater than zero";
  const char* const kTooLarge = "DIBIMAGE_MAX_MEMORY exceeded";
  const char* const kNoMemory = "DibImage::Create can't allocate memory";
  const struct {
    const char* name;
    DWORD width, height, bpp;
    long failAfter;
    const char* text;
  } cases[] = {
      {"zero width", 0, 5, 8, -1, kZero},
      {"zero height", 5, 0, 8, -1, kZero},
      {"pixel bits beyond 32 bits", 40000, 40000, 8, -1, kTooLarge},
      {"pixel bits that wrap in 32 bits", 65536, 65536, 24, -1, kTooLarge},
      // width x height x bpp fits, but four padded bytes per row do not.
      {"padded rows beyond 32 bits", 1, 0x7FFFFFFF, 1, -1, kTooLarge},
      {"width beyond a LONG", 0x80000000u, 1, 1, -1, kTooLarge},
      {"height beyond a LONG", 1, 0x80000000u, 1, -1, kTooLarge},
      // These pass the size test; the injected failure stops the allocation.
      {"largest 1-bit square", 40000, 40000, 1, 0, kNoMemory},
      {"widest row", 0x7FFFFFFF, 1, 1, 0, kNoMemory},
      {"small block", 4, 4, 8, 0, kNoMemory},
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

TEST(CreateFromArray, RowOrderAndDepths) {
  // Three rows of four 8-bit pixels, five bytes apart (one byte of slack).
  const BYTE gray[] = {1, 2, 3, 4, 99, 5, 6, 7, 8, 99, 9, 10, 11, 12, 99};
  const Rows listed = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
  for (bool flip : {false, true}) {
    SCOPED_TRACE(flip ? "flip" : "no flip");
    DibImage image;
    ASSERT_TRUE(image.CreateFromArray(gray, 4, 3, 8, 5, flip));
    EXPECT_EQ(ReadRows(image, flip ? RowOrder::kTopFirst : RowOrder::kBottomFirst), listed);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(image.GetPaletteColor(BYTE(i)).rgbGreen, i);
  }

  // 32 bits: blue, green, red to the pixel, the fourth byte to the alpha plane.
  const BYTE bgra[] = {10, 20, 30, 40, 50, 60, 70, 80};
  DibImage color;
  ASSERT_TRUE(color.CreateFromArray(bgra, 1, 2, 32, 4, true));
  EXPECT_EQ(color.GetBpp(), 24);
  const RGBQUAD top = color.GetPixelColor(0, 1, true);
  EXPECT_EQ(top.rgbBlue + top.rgbGreen + top.rgbRed + top.rgbReserved, 100);
  EXPECT_EQ(color.AlphaGet(0, 0), 80);

  // Refused depths and a null array leave the image as it was.
  const BYTE data[16] = {};
  for (DWORD bpp : {0u, 2u, 16u, 33u}) {
    EXPECT_FALSE(color.CreateFromArray(data, 2, 2, bpp, 8, false)) << bpp;
  }
  EXPECT_FALSE(color.CreateFromArray(nullptr, 2, 2, 8, 4, false));
  EXPECT_EQ(color.AlphaGet(0, 0), 80);
}

// A creation that runs out of memory at any of its allocations leaves an
// invalid image with a text, also when it held a valid image before.
TEST(CreateFromArray, FailedAllocationLeavesNoImage) {
  const BYTE bytes[32] = {1, 2, 3, 4, 5, 6, 7, 8};
  const struct {
    const char* name;
    DWORD bpp;
    long failAfter;
    const char* text;
  } cases[] = {
      {"8 bits, pixels", 8, 0, "DibImage::Create can't allocate memory"},
      {"32 bits, pixels", 32, 0, "DibImage::Create can't allocate memory"},
      {"32 bits, alpha plane", 32, 1, "DibImage::CreateFromArray can't allocate the alpha plane"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage image(2, 2, 8);
    ASSERT_TRUE(image.IsValid());
    {
      AllocationFailure failure(c.failAfter);
      EXPECT_FALSE(image.CreateFromArray(bytes, 2, 2, c.bpp, 8, false));
    }
    EXPECT_FALSE(image.IsValid());
    EXPECT_FALSE(image.AlphaIsValid());
    EXPECT_EQ(image.GetBits(0), nullptr);
    EXPECT_STREQ(image.GetLastError(), c.text);
  }
}

TEST(Lifetime, DpiSetters) {
  const struct {
    LONG dpi, stored, perMetre;
  } cases[] = {{96, 96, 3780},
               {203, 203, 7992},
               {0, 96, 3780},
               {-5, 96, 3780},
               {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    DibImage image(2, 2, 8);
    image.SetXDPI(c.dpi);
    image.SetYDPI(c.dpi);
    EXPECT_EQ(image.GetXDPI(), c.stored);
    const auto* stored = static_cast<const BITMAPINFOHEADER*>(image.GetDIB());
    EXPECT_EQ(stored->biXPelsPerMeter, c.perMetre);
    EXPECT_EQ(stored->biYPelsPerMeter, c.perMetre);
  }
}

TEST(Copy, PixelsPalettePlanesAndInfo) {
  DibImage source;
  ASSERT_TRUE(BuildGray8(source, {{1, 2, 3}, {4, 5, 6}}, RowOrder::kTopFirst));
  source.SetPaletteColor(2, 200, 100, 50);
  ASSERT_TRUE(source.AlphaCreate());
  source.AlphaSet(1, 1, 9);
  ASSERT_TRUE(source.SelectionCreate());
  source.SelectionSet(2, 0, 1);
  source.SetTransIndex(4);

  DibImage copy(source);
  EXPECT_TRUE(ImagesEqual(source, copy));
  EXPECT_NE(copy.GetDIB(), source.GetDIB());
  EXPECT_EQ(copy.GetTransIndex(), 4);
  EXPECT_EQ(copy.AlphaGet(1, 1), 9);
  EXPECT_EQ(copy.SelectionGet(2, 0), 1);

  DibImage bare(source, false, false, false);
  EXPECT_EQ(ReadRows(bare, RowOrder::kTopFirst), (Rows{{0, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(bare.GetPaletteColor(2).rgbRed, 200);
  EXPECT_FALSE(bare.AlphaIsValid() || bare.SelectionIsValid());

  DibImage assigned(5, 5, 24);
  assigned = source;
  EXPECT_TRUE(ImagesEqual(source, assigned));

  // Only an empty image takes another's attributes with CopyInfo.
  DibImage empty;
  empty.CopyInfo(source);
  EXPECT_EQ(empty.GetTransIndex(), 4);
  bare.SetTransIndex(-1);
  bare.CopyInfo(source);
  EXPECT_EQ(bare.GetTransIndex(), -1);
}

TEST(Ownership, GhostSharesAndNeverFrees) {
  auto source = std::make_unique<DibImage>(3, 2, 8);
  ASSERT_TRUE(source->AlphaCreate());
  {
    DibImage ghost;
    ghost.Ghost(source.get());
    EXPECT_TRUE(ghost.IsGhost());
    EXPECT_EQ(ghost.GetDIB(), source->GetDIB());
    EXPECT_EQ(ghost.AlphaGetPointer(), source->AlphaGetPointer());
    EXPECT_FALSE(ghost.Destroy());
    EXPECT_FALSE(ghost.DestroyFrames());
    EXPECT_EQ(ghost.Create(2, 2, 8), nullptr);
    DibImage other(3, 3, 8);
    EXPECT_FALSE(ghost.Transfer(other));
    ghost.SetPixelIndex(2, 1, 77);

    // A copy of a ghost is another ghost of the same buffers.
    DibImage copyOfGhost(ghost);
    EXPECT_TRUE(copyOfGhost.IsGhost());
    EXPECT_EQ(copyOfGhost.GetDIB(), source->GetDIB());
  }
  EXPECT_EQ(source->GetPixelIndex(2, 1), 77);

  // A ghost given a real copy stops sharing instead of freeing its source;
  // an owner that becomes a ghost frees what it had first.
  DibImage ghost;
  ghost.Ghost(source.get());
  ghost = DibImage(1, 1, 8);
  EXPECT_FALSE(ghost.IsGhost());
  EXPECT_NE(ghost.GetDIB(), source->GetDIB());
  ghost.Ghost(source.get());
  EXPECT_EQ(source->GetPixelIndex(2, 1), 77);
}

TEST(Ownership, TransferMovesEverythingAndEmptiesSource) {
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
  EXPECT_TRUE(target.AlphaIsValid() && target.SelectionIsValid());

  EXPECT_FALSE(source.IsValid());
  EXPECT_EQ(source.GetWidth(), 0u);
  EXPECT_EQ(source.GetSize(), 0u);
  EXPECT_FALSE(source.AlphaIsValid() || source.SelectionIsValid());
  EXPECT_TRUE(target.Transfer(target));
  EXPECT_EQ(target.GetDIB(), block);

  // Startup on a live image frees it rather than leaking it.
  target.Startup(0);
  EXPECT_FALSE(target.IsValid());
  EXPECT_EQ(target.GetTransIndex(), -1);
  EXPECT_EQ(target.GetHeader().biXPelsPerMeter, 3780);
}

}  // namespace
