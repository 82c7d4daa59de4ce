// How a printer moves the paper around a GS v 0 raster block. Two kinds of
// ESC/POS printers exist: on this family's, a block leaves the paper where it
// was and the stream feeds after it (ESC J 24 after every 24 rows); on most
// others the block itself advances the paper by its height, and a stream
// written for one prints wrongly on the other (white stripes, or blocks
// printed over each other).
#pragma once

#include <cstring>

enum class FeedConvention {
  kFeedAfterBlock,  // this family: the block prints, ESC J moves the paper
  kBlockAdvances,   // most ESC/POS printers: the block moves the paper by its rows
};

// The names the tools take on their command lines.
inline constexpr struct {
  const char* name;
  FeedConvention convention;
} kFeedConventionNames[] = {
    {"family", FeedConvention::kFeedAfterBlock},
    {"generic", FeedConvention::kBlockAdvances},
};

// False for a name not in kFeedConventionNames; `convention` is then unchanged.
inline bool FeedConventionFromName(const char* name, FeedConvention& convention) {
  for (const auto& entry : kFeedConventionNames) {
    if (name && std::strcmp(name, entry.name) == 0) {
      convention = entry.convention;
      return true;
    }
  }
  return false;
}
