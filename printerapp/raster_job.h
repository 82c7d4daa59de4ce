// One raster job for the receipt printer, independent of PAPPL: the job's
// framing commands, each page's header checked and fitted to the head, the
// blank paper above and below its content trimmed (unless the job feeds whole
// pages), its lines fed to the band adapter. The PAPPL callbacks
// (receipt_driver.cpp) and the fuzz target drive it the same way.
#pragma once

#include <cups/raster.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "band_adapter.h"
#include "content_trim.h"
#include "page_fit.h"
#include "receipt_settings.h"

struct PageHeader {
  unsigned width = 0;
  unsigned height = 0;
  unsigned bitsPerPixel = 0;
  unsigned bitsPerColor = 0;
  bool zeroIsWhite = false;  // black_8 (K) rather than sgray_8
  bool allowScaling = true;
};

// A raster document's page header as the job needs it; allowScaling is the
// job's (print-scaling other than none).
PageHeader PageHeaderOf(const cups_page_header2_t& header, bool allowScaling);

// Why a job failed, for the job's state reasons.
enum class JobFault { kNone, kDocumentFormat, kDocumentUnprintable, kDevice };

class RasterJob {
 public:
  RasterJob(const RasterJob&) = delete;  // toAdapter_ holds `this`
  RasterJob& operator=(const RasterJob&) = delete;
  RasterJob(const ReceiptSettings& settings, BandAdapter::Sink sink, unsigned printableDots,
            unsigned rollDots, unsigned bandRows = kDefaultBandRows);

  // Each returns false with Fault() and Message() set.
  bool Start();
  bool StartPage(unsigned page, const PageHeader& header);
  bool WriteLine(const std::uint8_t* line);  // header.width bytes
  bool EndPage(unsigned page, bool canceled);
  bool End();

  JobFault Fault() const { return fault_; }
  const std::string& Message() const { return message_; }

 private:
  bool Fail(JobFault fault, std::string message);

  ReceiptSettings settings_;
  BandAdapter adapter_;
  PageFit fit_;
  unsigned headDots_;
  ContentTrim trim_;
  ContentTrim::Emit toAdapter_;  // the lines the trim keeps go to the adapter
  PageHeader header_;
  bool pageOpen_ = false;
  unsigned lines_ = 0;
  std::vector<std::uint8_t> inverted_;
  JobFault fault_ = JobFault::kNone;
  std::string message_;
};
