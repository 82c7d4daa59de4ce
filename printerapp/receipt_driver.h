// The two receipt printer drivers of the printer application: what PAPPL is
// told about each model, and the raster callbacks that feed a job's pages to
// the band pipeline and its bytes to the device.
#pragma once

#include <pappl/pappl.h>

// "brindol_80" (576 dots) and "brindol_58" (384 dots), this family's; then
// "escpos_generic_80" and "escpos_generic_58" for other ESC/POS printers,
// whose raster blocks advance the paper (feed_convention.h).
extern pappl_pr_driver_t kReceiptDrivers[4];

// pappl_pr_driver_cb_t
bool ReceiptDriverCallback(pappl_system_t* system, const char* driverName, const char* deviceUri,
                           const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attrs,
                           void* cbData);

// pappl_pr_autoadd_cb_t: the driver for a device that identifies as one of
// ours; else a generic driver for one whose command set (CMD) names ESC/POS,
// the 58 mm one when its model (MDL) names 58; else nullptr.
const char* ReceiptAutoAdd(const char* deviceInfo, const char* deviceUri, const char* deviceId,
                           void* cbData);

// The web interface's English labels of our settings and their values
// ("Halftone method" for halftone-method), added to PAPPL's own English.
void AddSettingLabels(pappl_system_t* system);
