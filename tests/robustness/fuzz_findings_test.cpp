// Faults the fuzz targets found, one table per place, so that each stays
// fixed. The inputs that found them are kept in fuzz/corpus/ as well.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dib_image.h"
#include "raster_decoder.h"

namespace {

// A ghost shares its source's planes. Deleting, replacing or creating a plane
// through the ghost used to free the source's plane under it (a use after
// free in the source) or give the ghost a plane that nobody freed.
TEST(FuzzFindings, GhostLeavesTheSourcesPlanesAlone) {
  struct Case {
    const char* name;
    bool sourcePlanes;  // the source has an alpha and a selection plane
    std::function<void(DibImage& ghost, const DibImage& other)> change;
  } cases[] = {
      {"AlphaDelete", true, [](DibImage& g, const DibImage&) { g.AlphaDelete(); }},
      {"SelectionDelete", true, [](DibImage& g, const DibImage&) { g.SelectionDelete(); }},
      {"AlphaCopy", true, [](DibImage& g, const DibImage& o) { g.AlphaCopy(o); }},
      {"SelectionCopy", true, [](DibImage& g, const DibImage& o) { g.SelectionCopy(o); }},
      {"AlphaCreate", false, [](DibImage& g, const DibImage&) { EXPECT_FALSE(g.AlphaCreate()); }},
      {"SelectionCreate", false,
       [](DibImage& g, const DibImage&) { EXPECT_FALSE(g.SelectionCreate()); }},
      {"AlphaCreate with a plane", true,
       [](DibImage& g, const DibImage&) { EXPECT_TRUE(g.AlphaCreate()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DibImage source(6, 4, 8);
    DibImage other(6, 4, 8);
    ASSERT_TRUE(other.AlphaCreate() && other.SelectionCreate());
    if (c.sourcePlanes) {
      ASSERT_TRUE(source.AlphaCreate() && source.SelectionCreate());
      source.AlphaSet(5, 3, 77);
      source.SelectionSet(5, 3, 9);
    }
    const BYTE* alpha = source.AlphaGetPointer();
    const BYTE* selection = source.SelectionGetPointer();
    {
      DibImage ghost;
      ghost.Ghost(&source);
      c.change(ghost, other);
      EXPECT_EQ(ghost.AlphaGetPointer(), alpha);
      EXPECT_EQ(ghost.SelectionGetPointer(), selection);
    }
    EXPECT_EQ(source.AlphaGetPointer(), alpha);
    EXPECT_EQ(source.SelectionGetPointer(), selection);
    if (c.sourcePlanes) {
      EXPECT_EQ(source.AlphaGet(5, 3), 77);
      EXPECT_EQ(source.SelectionGet(5, 3), 9);
    }
  }
}

using Bytes = std::vector<std::uint8_t>;

Bytes RasterHeader(unsigned rowBytes, unsigned rows) {
  return {0x1D,
          0x76,
          0x30,
          0x00,
          static_cast<std::uint8_t>(rowBytes),
          static_cast<std::uint8_t>(rowBytes >> 8),
          static_cast<std::uint8_t>(rows),
          static_cast<std::uint8_t>(rows >> 8)};
}

Bytes Feeds(unsigned count, std::uint8_t dots) {
  Bytes feeds;
  for (unsigned i = 0; i < count; ++i) feeds.insert(feeds.end(), {0x1B, 0x4A, dots});
  return feeds;
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A few kilobytes of stream could ask rasterview for a picture of hundreds of
// gigabytes (the widest row times the paper fed), which it tried to allocate.
TEST(FuzzFindings, StreamAskingForAHugePictureIsRefused) {
  struct Case {
    const char* name;
    Bytes stream;
    std::string error;  // empty: read whole
  } cases[] = {
      {"widest empty block, then feeds", Join(RasterHeader(65535, 0), Feeds(1000, 255)),
       "offset 8: picture too large"},
      {"feeds, then the widest empty block", Join(Feeds(1000, 255), RasterHeader(65535, 0)),
       "offset 3000: picture too large"},
      {"a receipt of 96000 dot rows", Join(RasterHeader(72, 0), Feeds(4000, 24)), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const raster::ParseResult parsed = raster::Parse(c.stream.data(), c.stream.size());
    EXPECT_EQ(parsed.error, c.error);
    if (c.error.empty()) {
      EXPECT_EQ(raster::Render(parsed, c.stream.data()).height, 96000u);
    }
  }
}

}  // namespace
