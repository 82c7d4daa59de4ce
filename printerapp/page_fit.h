// Fitting a page's lines to the print head: a page as wide as the roll has
// its margins cut off, a wider page is scaled down to the printable width
// (area average), unless the job asked for no scaling.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class PageFit {
 public:
  enum class Mode { kAsIs, kCrop, kScale };
  using Emit = std::function<bool(const std::uint8_t* line)>;

  // printable: dots of the head; media: dots of the roll's width.
  PageFit(unsigned printable, unsigned media) : printable_(printable), media_(media) {}

  // Decides for a page `width` dots wide; false (with `error`) when the page
  // is wider than the roll and scaling is not allowed, or is empty.
  bool Start(unsigned width, bool allowScaling, std::string& error);
  Mode GetMode() const { return mode_; }
  unsigned OutputWidth() const { return outWidth_; }

  // One source line; calls `emit` for each output line it completes. False
  // when `emit` returned false.
  bool Feed(const std::uint8_t* line, const Emit& emit);

 private:
  unsigned printable_, media_;
  Mode mode_ = Mode::kAsIs;
  unsigned width_ = 0, outWidth_ = 0, cropLeft_ = 0;
  // Scaling state: the source columns of each output column, the sums of the
  // rows collected so far, the source row and the output row.
  std::vector<unsigned> columnStart_;
  std::vector<std::uint64_t> sums_;
  std::vector<std::uint8_t> out_;
  unsigned sourceRow_ = 0, outRow_ = 0, rowsInSum_ = 0;
};
