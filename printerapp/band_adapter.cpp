// The band adapter: page lines to bands, bands to RenderBand, its bytes to
// the sink.
#include "band_adapter.h"

#include <cstring>
#include <new>

namespace {

bool IsAllZero(const std::uint8_t* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

}  // namespace

BandAdapter::BandAdapter(const ReceiptSettings& settings, Sink sink, unsigned bandRows)
    : render_(RenderSettingsFor(settings)),
      sink_(std::move(sink)),
      bandRows_(bandRows == 0 ? kDefaultBandRows : bandRows) {}

bool BandAdapter::Deliver(void* adapter, const std::uint8_t* bytes, std::size_t size) {
  return static_cast<BandAdapter*>(adapter)->Send(bytes, size);
}

bool BandAdapter::Send(const std::uint8_t* bytes, std::size_t size) {
  if (failed_) return false;
  if (size != 0 && !sink_(bytes, size)) failed_ = true;
  return !failed_;
}

bool BandAdapter::Send(const std::vector<std::uint8_t>& bytes) {
  return Send(bytes.data(), bytes.size());
}
bool BandAdapter::StartPage(unsigned width) {
  rows_ = 0;
  width_ = 0;
  if (width == 0 || width > kMaxBandWidth) return false;
  stride_ = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  try {
    band_.assign(stride_ * bandRows_, 255);
  } catch (const std::bad_alloc&) {
    band_.clear();
    return false;
  }
  width_ = width;
  return true;
}

bool BandAdapter::AddLine(const std::uint8_t* gray) {
  if (failed_ || width_ == 0) return false;
  // The padding past `width` stays as StartPage filled it: white.
  std::memcpy(band_.data() + stride_ * rows_, gray, width_);
  if (++rows_ == bandRows_) SendBand();
  return !failed_;
}

bool BandAdapter::EndPage() {
  if (rows_ > 0) SendBand();
  width_ = 0;
  return !failed_;
}

void BandAdapter::SendBand() {
  const std::size_t size = stride_ * rows_;
  // An all-zero band is declined, as the plug-in declines it, and nothing is
  // sent for it. Any other refusal (memory) would lose a part of the page:
  // the job fails instead of printing it with a gap.
  if (!IsAllZero(band_.data(), size)) {
    const Band band = {band_.data(), width_, rows_, static_cast<std::uint32_t>(stride_)};
    if (!RenderBand(band, render_, ByteSink{&Deliver, this})) failed_ = true;
  }
  rows_ = 0;
}
