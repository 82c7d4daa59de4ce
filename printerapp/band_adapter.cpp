// The band adapter: page lines to host-shaped bands, job settings to host
// answers, pipeline output to the sink.
#include "band_adapter.h"

#include <cstring>
#include <new>

#include "printer_description.h"
#include "raster_stream.h"

namespace {

bool IsAllZero(const BYTE* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

}  // namespace

BandAdapter::BandAdapter(const ReceiptSettings& settings, Sink sink, unsigned bandRows)
    : halftone_(settings.halftone),
      offset_(OffsetOptionText(settings.offsetMm)),
      translate_(Translate180OptionText(settings.upsideDown)),
      paperSaving_(settings.paperSaving),
      sink_(std::move(sink)),
      bandRows_(bandRows == 0 ? kDefaultBandRows : bandRows) {
  devmode_.dmSize = sizeof devmode_;
  devmode_.dmFields = DM_ORIENTATION;
  devmode_.dmOrientation = settings.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  procs_.DrvGetDriverSetting = &GetSetting;
  procs_.DrvWriteSpoolBuf = &WriteSpool;
  devobj_.dwSize = sizeof devobj_;
  devobj_.hEngine = this;  // leads the service calls back to this adapter
  devobj_.pPublicDM = &devmode_;
  devobj_.pDrvProcs = &procs_;
}

BandAdapter* BandAdapter::Of(const void* pdevobj) {
  return pdevobj ? static_cast<BandAdapter*>(static_cast<const DEVOBJ*>(pdevobj)->hEngine)
                 : nullptr;
}

const std::string* BandAdapter::OptionFor(const char* feature) const {
  if (!feature) return nullptr;
  if (std::strcmp(feature, kFeatureHorizontalOffset) == 0) return &offset_;
  if (std::strcmp(feature, kFeatureTranslate180) == 0) return &translate_;
  if (std::strcmp(feature, kFeatureSavePaperMode) == 0) return &paperSaving_;
  return nullptr;
}

// Answers as the host does: the size needed (text and terminator) first, the
// text once the buffer is large enough.
BOOL APIENTRY BandAdapter::GetSetting(PVOID pdriverobj, PCSTR feature, PVOID output, DWORD size,
                                      PDWORD needed, PDWORD optionsReturned) {
  const BandAdapter* adapter = Of(pdriverobj);
  const std::string* text = adapter ? adapter->OptionFor(feature) : nullptr;
  if (!text) {
    if (needed) *needed = 0;
    return FALSE;
  }
  const DWORD bytes = static_cast<DWORD>(text->size() + 1);
  if (needed) *needed = bytes;
  if (optionsReturned) *optionsReturned = 1;
  if (!output || size < bytes) return FALSE;
  std::memcpy(output, text->c_str(), bytes);
  return TRUE;
}

DWORD APIENTRY BandAdapter::WriteSpool(PDEVOBJ pdevobj, PVOID buffer, DWORD size) {
  BandAdapter* adapter = Of(pdevobj);
  if (!adapter || adapter->failed_) return 0;
  if (!adapter->sink_(static_cast<const std::uint8_t*>(buffer), size)) {
    adapter->failed_ = true;
    return 0;
  }
  return size;
}

bool BandAdapter::Send(const std::vector<std::uint8_t>& bytes) {
  if (failed_) return false;
  if (bytes.empty()) return true;
  if (!sink_(bytes.data(), bytes.size())) failed_ = true;
  return !failed_;
}

bool BandAdapter::StartPage(unsigned width) {
  rows_ = 0;
  width_ = 0;
  if (width == 0 || width > kMaxRowBytes * 8u) return false;
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
  BYTE* row = band_.data() + stride_ * rows_;
  std::memcpy(row, gray, width_);
  std::memset(row + width_, 255, stride_ - width_);  // the pipeline clears a sent band
  if (++rows_ == bandRows_) SendBand();
  return !failed_;
}

bool BandAdapter::EndPage() {
  if (rows_ > 0) SendBand();
  width_ = 0;
  return !failed_;
}

void BandAdapter::SendBand() {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(width_);
  header.biHeight = static_cast<LONG>(rows_);
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biSizeImage = static_cast<DWORD>(stride_ * rows_);
  IPPARAMS params = {};
  params.dwSize = sizeof params;
  params.pHalftoneOption = halftone_.data();
  PBYTE result = nullptr;
  const BandRequest request = {&devobj_, band_.data(), &header, kImageProcessingCallbackId,
                               &params,  &result};
  const HRESULT hr = ProcessBand(request, HostServices(&devobj_, nullptr));
  // An all-zero band is declined by the pipeline, as it is for the plug-in,
  // and nothing is sent for it. Any other refusal (memory) would lose a part
  // of the page: the job fails instead of printing it with a gap.
  if (FAILED(hr) && !IsAllZero(band_.data(), header.biSizeImage)) failed_ = true;
  rows_ = 0;
}
