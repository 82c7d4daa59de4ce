// The raster job: checks, fitting and framing around the band adapter.
#include "raster_job.h"

PageHeader PageHeaderOf(const cups_page_header2_t& header, bool allowScaling) {
  PageHeader page;
  page.width = header.cupsWidth;
  page.height = header.cupsHeight;
  page.bitsPerPixel = header.cupsBitsPerPixel;
  page.bitsPerColor = header.cupsBitsPerColor;
  page.zeroIsWhite = header.cupsColorSpace == CUPS_CSPACE_K;
  page.allowScaling = allowScaling;
  return page;
}

RasterJob::RasterJob(const ReceiptSettings& settings, BandAdapter::Sink sink,
                     unsigned printableDots, unsigned rollDots, unsigned bandRows)
    : settings_(settings),
      adapter_(settings, std::move(sink), bandRows),
      fit_(printableDots, rollDots),
      headDots_(printableDots),
      toAdapter_([this](const std::uint8_t* line) { return adapter_.AddLine(line); }) {}

bool RasterJob::Fail(JobFault fault, std::string message) {
  if (fault_ == JobFault::kNone) {
    fault_ = fault;
    message_ = std::move(message);
  }
  return false;
}

bool RasterJob::Start() {
  if (!adapter_.Send(JobStartCommands(settings_, headDots_))) {
    return Fail(JobFault::kDevice, "the printer does not take data");
  }
  return true;
}

bool RasterJob::StartPage(unsigned page, const PageHeader& header) {
  pageOpen_ = false;
  const std::string name = "page " + std::to_string(page);
  if (header.bitsPerPixel != 8 || header.bitsPerColor != 8) {
    return Fail(JobFault::kDocumentFormat, name + " is not 8-bit gray raster");
  }
  std::string error;
  if (!fit_.Start(header.width, header.allowScaling, error)) {
    return Fail(JobFault::kDocumentUnprintable, name + ": " + error);
  }
  if (!adapter_.StartPage(fit_.OutputWidth())) {
    return Fail(JobFault::kDocumentUnprintable, name + " cannot be processed");
  }
  // In landscape the page's lines run across the paper: its blank lines are
  // not paper that could be saved, so the page is printed whole.
  trim_.Start(fit_.OutputWidth(),
              settings_.length == ReceiptLength::kContent && !settings_.landscape);
  header_ = header;
  if (header.zeroIsWhite) inverted_.resize(header.width);
  lines_ = 0;
  pageOpen_ = true;
  return true;
}

bool RasterJob::WriteLine(const std::uint8_t* line) {
  if (!pageOpen_ || adapter_.Failed()) return false;
  ++lines_;
  if (header_.zeroIsWhite) {
    for (unsigned x = 0; x < header_.width; ++x) {
      inverted_[x] = static_cast<std::uint8_t>(255 - line[x]);
    }
    line = inverted_.data();
  }
  return fit_.Feed(line,
                   [this](const std::uint8_t* fitted) { return trim_.Feed(fitted, toAdapter_); });
}

bool RasterJob::EndPage(unsigned page, bool canceled) {
  if (!pageOpen_) return false;
  pageOpen_ = false;
  const std::string name = "page " + std::to_string(page);
  if (adapter_.Failed()) {
    return Fail(JobFault::kDevice, "the printer stopped taking data during " + name);
  }
  // A document that ends inside a page leaves it short; the rest of the
  // page is not printed as if the receipt were complete.
  if (lines_ < header_.height && !canceled) {
    return Fail(JobFault::kDocumentFormat, name + " ends after " + std::to_string(lines_) +
                                               " of its " + std::to_string(header_.height) +
                                               " lines: the document is truncated");
  }
  if (!trim_.Finish(toAdapter_) || !adapter_.EndPage()) {
    return Fail(JobFault::kDevice, "the printer stopped taking data during " + name);
  }
  return true;
}

bool RasterJob::End() {
  if (adapter_.Failed() || !adapter_.Send(JobEndCommands(settings_))) {
    return Fail(JobFault::kDevice, "the printer stopped taking data");
  }
  return fault_ == JobFault::kNone;
}
