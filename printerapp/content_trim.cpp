// Content trim: blank lines counted, margins kept, inner gaps kept whole.
#include "content_trim.h"

#include <algorithm>

void ContentTrim::Start(unsigned width, bool enabled) {
  enabled_ = enabled;
  printed_ = false;
  pending_ = 0;
  blank_.assign(enabled ? width : 0, 255);
}

bool ContentTrim::EmitBlank(unsigned count, const Emit& emit) {
  for (unsigned i = 0; i < count; ++i) {
    if (!emit(blank_.data())) return false;
  }
  return true;
}

bool ContentTrim::Feed(const std::uint8_t* line, const Emit& emit) {
  if (!enabled_) return emit(line);
  if (std::all_of(line, line + blank_.size(), [](std::uint8_t gray) { return gray == 255; })) {
    ++pending_;
    return true;
  }
  // A blank line passed on is the line that came: every byte 255.
  const unsigned blank = printed_ ? pending_ : std::min(pending_, kContentMarginLines);
  pending_ = 0;
  printed_ = true;
  return EmitBlank(blank, emit) && emit(line);
}

bool ContentTrim::Finish(const Emit& emit) {
  if (!enabled_ || !printed_) return true;
  const unsigned blank = std::min(pending_, kContentMarginLines);
  pending_ = 0;
  return EmitBlank(blank, emit);
}
