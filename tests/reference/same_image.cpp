#include "same_image.h"

#include <cstring>
#include <iomanip>
#include <sstream>
#include <string>

namespace reference {
namespace {

// Offset and a few bytes around the first difference of two blocks.
std::string FirstDifference(const BYTE* expected, const BYTE* actual, std::size_t size) {
  std::size_t at = 0;
  while (at < size && expected[at] == actual[at]) ++at;
  std::ostringstream text;
  text << "first difference at byte " << at << " of " << size << ":";
  const std::size_t from = at < 4 ? 0 : at - 4;
  for (const BYTE* block : {expected, actual}) {
    text << (block == expected ? "\n  expected" : "\n  actual  ");
    for (std::size_t i = from; i < size && i < from + 12; ++i) {
      text << ' ' << std::hex << std::setw(2) << std::setfill('0') << int{block[i]};
    }
  }
  return text.str();
}

::testing::AssertionResult SamePlane(const char* name, const BYTE* expected, const BYTE* actual,
                                     std::size_t size) {
  if ((expected == nullptr) != (actual == nullptr)) {
    return ::testing::AssertionFailure()
           << name << " plane: expected " << (expected ? "one" : "none") << ", got "
           << (actual ? "one" : "none");
  }
  if (expected != nullptr && std::memcmp(expected, actual, size) != 0) {
    return ::testing::AssertionFailure()
           << name << " plane: " << FirstDifference(expected, actual, size);
  }
  return ::testing::AssertionSuccess();
}

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

::testing::AssertionResult SameImage(const DibImage& expected, const DibImage& actual) {
  if (std::memcmp(&expected.GetHeader(), &actual.GetHeader(), sizeof(BITMAPINFOHEADER)) != 0) {
    return ::testing::AssertionFailure()
           << "image header: "
           << FirstDifference(reinterpret_cast<const BYTE*>(&expected.GetHeader()),
                              reinterpret_cast<const BYTE*>(&actual.GetHeader()),
                              sizeof(BITMAPINFOHEADER));
  }
  if (expected.IsValid() != actual.IsValid()) {
    return ::testing::AssertionFailure() << "valid: expected " << expected.IsValid();
  }
  if (expected.IsValid()) {
    const std::size_t size = expected.GetSize();
    const auto* e = static_cast<const BYTE*>(expected.GetDIB());
    const auto* a = static_cast<const BYTE*>(actual.GetDIB());
    if (std::memcmp(e, a, size) != 0) {
      return ::testing::AssertionFailure() << "DIB block: " << FirstDifference(e, a, size);
    }
  }

  const DibImageInfo& e = expected.GetInfo();
  const DibImageInfo& a = actual.GetInfo();
  // The pixel pointer is compared as its offset inside the block.
  const auto offset = [](const DibImage& image) {
    return image.GetInfo().pixels == nullptr
               ? -1
               : image.GetInfo().pixels - static_cast<const BYTE*>(image.GetDIB());
  };
  const struct {
    const char* name;
    bool same;
  } fields[] = {
      {"effWidth", e.effWidth == a.effWidth},
      {"pixels", offset(expected) == offset(actual)},
      {"ghostSource", e.ghostSource == a.ghostSource},
      {"parent", e.parent == a.parent},
      {"type", e.type == a.type},
      {"lastError", std::strcmp(e.lastError, a.lastError) == 0},
      {"progress", e.progress == a.progress},
      {"escape", e.escape == a.escape},
      {"backgroundIndex", e.backgroundIndex == a.backgroundIndex},
      {"backgroundColor", SameColor(e.backgroundColor, a.backgroundColor)},
      {"quality", e.quality == a.quality},
      {"codecScale", e.codecScale == a.codecScale},
      {"currentFrame", e.currentFrame == a.currentFrame},
      {"frameCount", e.frameCount == a.frameCount},
      {"frameDelay", e.frameDelay == a.frameDelay},
      {"xDpi", e.xDpi == a.xDpi},
      {"yDpi", e.yDpi == a.yDpi},
      {"selectionBox", std::memcmp(&e.selectionBox, &a.selectionBox, sizeof(RECT)) == 0},
      {"alphaMax", e.alphaMax == a.alphaMax},
      {"alphaPaletteEnabled", e.alphaPaletteEnabled == a.alphaPaletteEnabled},
      {"enabled", e.enabled == a.enabled},
      {"xOffset", e.xOffset == a.xOffset},
      {"yOffset", e.yOffset == a.yOffset},
      {"codecOptions", std::memcmp(e.codecOptions, a.codecOptions, sizeof e.codecOptions) == 0},
      {"nearestColor", SameColor(e.nearestColor, a.nearestColor)},
      {"nearestIndex", e.nearestIndex == a.nearestIndex},
      {"nearestValid", e.nearestValid == a.nearestValid},
      {"layerCount", e.layerCount == a.layerCount},
      {"flags", e.flags == a.flags},
      {"disposalMethod", e.disposalMethod == a.disposalMethod},
      {"retrieveAllFrames", e.retrieveAllFrames == a.retrieveAllFrames},
      {"littleEndianHost", e.littleEndianHost == a.littleEndianHost},
  };
  for (const auto& field : fields) {
    if (!field.same) return ::testing::AssertionFailure() << "info record field " << field.name;
  }

  const std::size_t planeBytes = std::size_t{expected.GetWidth()} * expected.GetHeight();
  if (auto r = SamePlane("alpha", expected.AlphaGetPointer(), actual.AlphaGetPointer(), planeBytes);
      !r) {
    return r;
  }
  return SamePlane("selection", expected.SelectionGetPointer(), actual.SelectionGetPointer(),
                   planeBytes);
}

}  // namespace reference
