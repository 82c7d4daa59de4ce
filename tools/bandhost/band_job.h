// One gray page through the plug-in library, band by band, as the universal
// printer driver runs a job: load the library through its exported entry
// points, create the plug-in object, publish the host's service, enable the
// driver and the device, hand every band to ImageProcessing, then disable
// and release everything. What the plug-in spools is collected by the host.
#pragma once

#include <functional>
#include <string>

#include "page_file.h"
#include "printer_description.h"
#include "substitute_host.h"

struct BandJob {
  unsigned bandHeight = 256;  // rows per band; the last band may be shorter
  bool noHalftone = false;    // hand no halftone option name at all
  std::string halftone = "HT_NONE";
  DWORD callbackId = kImageProcessingCallbackId;
};

// Runs the page through the plug-in library at `pluginPath`; the spooled
// bytes are in host.Spool() afterwards. Returns an empty text, or what went
// wrong (also a plug-in that still holds objects or the host's service after
// the job).
std::string RunBandJob(const std::string& pluginPath, SubstituteHost& host, const BandJob& job,
                       const GrayPage& page);

// The same for a page whose rows come from `rows` as the bands need them: it
// writes the next `count` rows into `band`, `stride` bytes apart, or returns
// false with a message.
using BandRows =
    std::function<bool(BYTE* band, std::size_t stride, unsigned count, std::string& error)>;
std::string RunBandJob(const std::string& pluginPath, SubstituteHost& host, const BandJob& job,
                       unsigned width, unsigned height, const BandRows& rows);
