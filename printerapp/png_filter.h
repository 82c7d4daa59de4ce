// PNG documents, read with limits before any pixel is allocated, drawn onto
// the page by PAPPL's image placement and printed through the raster
// callbacks. It replaces PAPPL 1.3's own PNG filter, which never returns
// from a damaged file (its error path reads the file again and fails again).
#pragma once

#include <pappl/pappl.h>

#include <cstddef>
#include <string>

// The printer's own format: the printer's command stream, passed through.
inline constexpr char kReceiptFormat[] = "application/vnd.brindol-receipt";

inline constexpr std::size_t kMaxImagePixels = 64u * 1024 * 1024;
inline constexpr unsigned kMaxImageSide = 65535;

// Whether a PNG of this size is accepted; the reason when not.
bool PngSizeAcceptable(unsigned width, unsigned height, std::string& reason);

// pappl_mime_filter_cb_t for image/png to kReceiptFormat.
bool FilterPng(pappl_job_t* job, pappl_device_t* device, void* data);

// pappl_pr_printfile_cb_t: a document already in kReceiptFormat is copied.
bool PrintRawFile(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
