// The fast image operations against their literal reference versions on
// thousands of random images: every method number, every depth, every row
// length residue, planes and attributes, the escape flag. Results, images,
// palettes, headers, info records and planes must agree byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "dib_image.h"
#include "random_images.h"
#include "reference_ops.h"
#include "same_image.h"

namespace reference {
namespace {

// The reference versions are slow on purpose; under the sanitizers every
// pixel costs several times more, so fewer rounds there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kRounds = 3;
#else
constexpr int kRounds = 6;
#endif

constexpr DWORD kDepths[] = {8, 8, 8, 24, 4, 1};

using Operation = std::function<bool(DibImage& image, DibImage* destination)>;

std::string Describe(const ImageShape& shape, int round) {
  return std::to_string(shape.width) + "x" + std::to_string(shape.height) + " " +
         std::to_string(shape.bpp) + " bpp" + (shape.grayPalette ? " gray" : "") +
         (shape.alpha ? " alpha" : "") + (shape.selection ? " selection" : "") + " round " +
         std::to_string(round);
}

// Runs `fast` and `literal` on equal copies of one image (optionally into a
// destination image that already holds a picture) and compares everything.
void ExpectSameOutcome(const DibImage& source, const Operation& fast, const Operation& literal,
                       bool withDestination) {
  DibImage fastImage(source);
  DibImage literalImage(source);
  DibImage fastDestination(3, 2, 8);
  DibImage literalDestination(3, 2, 8);
  DibImage* fastTarget = withDestination ? &fastDestination : nullptr;
  DibImage* literalTarget = withDestination ? &literalDestination : nullptr;
  EXPECT_EQ(fast(fastImage, fastTarget), literal(literalImage, literalTarget));
  EXPECT_TRUE(SameImage(literalImage, fastImage));
  EXPECT_TRUE(SameImage(literalDestination, fastDestination));
}

class FastVersusReference : public ::testing::Test {
 protected:
  // Every residue of the row length modulo 32 (so also modulo 8 and 4), in
  // every depth the operation takes, kRounds times; the escape flag set on
  // one image in eleven.
  void ForEachImage(std::uint32_t seed, const std::function<void(const DibImage&)>& check) {
    ImageMaker maker(seed);
    int count = 0;
    for (int round = 0; round < kRounds; ++round) {
      for (DWORD residue = 0; residue < 32; ++residue) {
        const DWORD bpp = kDepths[(residue + round) % std::size(kDepths)];
        const ImageShape shape = maker.Shape(residue, bpp);
        SCOPED_TRACE(Describe(shape, round));
        DibImage image(0);
        maker.Fill(shape, image);
        if (++count % 11 == 0) image.SetEscape(1);
        check(image);
        if (HasFailure()) return;  // one image's report is enough
      }
    }
  }
};

TEST_F(FastVersusReference, DitherEveryMethod) {
  const LONG methods[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, -1, std::numeric_limits<LONG>::min()};
  for (const LONG method : methods) {
    SCOPED_TRACE("method " + std::to_string(method));
    ForEachImage(1000 + static_cast<std::uint32_t>(method), [&](const DibImage& image) {
      ExpectSameOutcome(
          image, [&](DibImage& i, DibImage*) { return i.Dither(method); },
          [&](DibImage& i, DibImage*) { return Dither(i, method); }, false);
    });
  }
}

TEST_F(FastVersusReference, ThresholdAtEveryKindOfLevel) {
  const BYTE levels[] = {180, 128, 127, 0, 254, 255, 1, 77};
  for (const BYTE level : levels) {
    SCOPED_TRACE("level " + std::to_string(level));
    ForEachImage(2000 + level, [&](const DibImage& image) {
      ExpectSameOutcome(
          image, [&](DibImage& i, DibImage*) { return i.Threshold(level); },
          [&](DibImage& i, DibImage*) { return Threshold(i, level); }, false);
    });
  }
}

TEST_F(FastVersusReference, RotationsInPlaceAndIntoADestination) {
  const struct {
    const char* name;
    Operation fast;
    Operation literal;
  } turns[] = {
      {"left", [](DibImage& i, DibImage* d) { return i.RotateLeft(d); }, RotateLeft},
      {"180", [](DibImage& i, DibImage* d) { return i.Rotate180(d); }, Rotate180},
  };
  for (const auto& turn : turns) {
    for (const bool withDestination : {false, true}) {
      SCOPED_TRACE(std::string(turn.name) + (withDestination ? " into a destination" : ""));
      ForEachImage(3000 + withDestination, [&](const DibImage& image) {
        ExpectSameOutcome(image, turn.fast, turn.literal, withDestination);
      });
    }
  }
}

TEST_F(FastVersusReference, EmptyImagesAreRefusedAlike) {
  const Operation fast[] = {
      [](DibImage& i, DibImage*) { return i.Dither(0); },
      [](DibImage& i, DibImage*) { return i.Threshold(180); },
      [](DibImage& i, DibImage* d) { return i.RotateLeft(d); },
      [](DibImage& i, DibImage* d) { return i.Rotate180(d); },
  };
  const Operation literal[] = {
      [](DibImage& i, DibImage*) { return Dither(i, 0); },
      [](DibImage& i, DibImage*) { return Threshold(i, 180); },
      RotateLeft,
      Rotate180,
  };
  for (std::size_t i = 0; i < std::size(fast); ++i) {
    SCOPED_TRACE(testing::Message() << "operation " << i);
    ExpectSameOutcome(DibImage(0), fast[i], literal[i], false);
  }
}

}  // namespace
}  // namespace reference
