// The printed length of a page follows its content: blank lines above the
// first printed line and below the last one are not passed on, except for a
// small margin; blank lines between printed ones are passed on as they are.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Lines kept above the first and below the last printed line: 3 mm at 203 dpi,
// one raster block. The job's cut (GS V B 0 / GS V A 0) feeds the paper from
// the head to the blade and cuts exactly where printing stopped, that is
// below the last raster block; the blocks of a page are 24 lines each, so the
// blade passes 24 to 47 lines (3 to 6 mm) below the last printed line, clear
// of it even with the cutter's and the feed's tolerances (well under a
// millimetre). Above the content, the paper between the blade and the head
// (left blank by the previous cut) already separates receipts; the margin
// only keeps the first line off the tear edge.
inline constexpr unsigned kContentMarginLines = 24;

class ContentTrim {
 public:
  using Emit = std::function<bool(const std::uint8_t* line)>;

  // Starts a page of `width`-byte gray lines. Disabled, every line is passed
  // on as it comes.
  void Start(unsigned width, bool enabled);
  // One line. A blank line (every byte 255, the rule paper saving uses too)
  // is only counted: whether it is printed depends on what follows. False
  // when `emit` returned false.
  bool Feed(const std::uint8_t* line, const Emit& emit);
  // Passes on the bottom margin. A page without a printed line passes on
  // nothing.
  bool Finish(const Emit& emit);

 private:
  bool EmitBlank(unsigned count, const Emit& emit);

  bool enabled_ = false;
  bool printed_ = false;  // a printed line was passed on
  unsigned pending_ = 0;  // blank lines counted since the last printed one
  std::vector<std::uint8_t> blank_;
};
