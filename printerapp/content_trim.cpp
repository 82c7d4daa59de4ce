// Content trim: blank lines counted, margins kept, inner gaps kept whole.
#include "content_trim.h"

#include <algorithm>
#include <cstring>

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
  // memcmp against a white line: the library's vector loop, much faster than
  // a byte at a time on a receipt whose lines are mostly white.
  if (std::memcmp(line, blank_.data(), blank_.size()) == 0) {
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
