// Page fitting: crop to the head, or area-average down to it.
#include "page_fit.h"

bool PageFit::Start(unsigned width, bool allowScaling, std::string& error) {
  width_ = width;
  sourceRow_ = outRow_ = rowsInSum_ = 0;
  if (width == 0) {
    error = "the page has no width";
    return false;
  }
  if (width <= printable_) {
    mode_ = Mode::kAsIs;
    outWidth_ = width;
    return true;
  }
  if (width <= media_) {
    // Drawn for the whole roll: the head sees the middle, as on the roll.
    mode_ = Mode::kCrop;
    outWidth_ = printable_;
    cropLeft_ = (width - printable_ + 1) / 2;
    return true;
  }
  if (!allowScaling) {
    error = "the page is " + std::to_string(width) + " dots wide, the printer prints " +
            std::to_string(printable_) + " and the job asks for no scaling";
    return false;
  }
  mode_ = Mode::kScale;
  outWidth_ = printable_;
  columnStart_.resize(printable_ + 1);
  for (unsigned i = 0; i <= printable_; ++i) {
    columnStart_[i] = static_cast<unsigned>(std::uint64_t{i} * width / printable_);
  }
  sums_.assign(printable_, 0);
  out_.assign(printable_, 255);
  return true;
}

bool PageFit::Feed(const std::uint8_t* line, const Emit& emit) {
  if (mode_ == Mode::kAsIs) return emit(line);
  if (mode_ == Mode::kCrop) return emit(line + cropLeft_);

  for (unsigned i = 0; i < printable_; ++i) {
    std::uint64_t sum = 0;
    for (unsigned x = columnStart_[i]; x < columnStart_[i + 1]; ++x) sum += line[x];
    sums_[i] += sum;
  }
  ++rowsInSum_;
  ++sourceRow_;
  // Output row j covers source rows [j * W / P, (j + 1) * W / P).
  const std::uint64_t end = (std::uint64_t{outRow_} + 1) * width_ / printable_;
  if (sourceRow_ < end) return true;
  for (unsigned i = 0; i < printable_; ++i) {
    const std::uint64_t count = std::uint64_t{columnStart_[i + 1] - columnStart_[i]} * rowsInSum_;
    out_[i] = static_cast<std::uint8_t>((sums_[i] + count / 2) / count);
  }
  sums_.assign(printable_, 0);
  rowsInSum_ = 0;
  ++outRow_;
  return emit(out_.data());
}
