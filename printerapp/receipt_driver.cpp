// The receipt drivers: model data for PAPPL and the raster job callbacks.
#include "receipt_driver.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "calibration_page.h"
#include "device_ids.h"
#include "job_failure.h"
#include "raster_job.h"
#include "png_filter.h"
#include "printer_status.h"
#include "receipt_settings.h"
#include "serial_device.h"

namespace {

constexpr int kDpi = 203;

struct Model {
  const char* driverName;
  const char* makeAndModel;
  const char* deviceId;  // the IEEE 1284 device ID the printer reports
  unsigned dots;         // printable width of the head
  int rollMm;            // roll width
  const char* const* media;
  int mediaCount;
  const char* mediaDefault;
  FeedConvention feed;
};

// The roll: its width with any length from 20 mm to 3276 mm (the printer
// descriptions' limits), and the descriptions' fixed lengths for tickets
// printed whole (receipt-length=page). The default is the longest: the
// printed length follows the content, so a client's default page costs no
// paper however long it is, and a long receipt prints at 1:1 instead of
// being shrunk onto a shorter page.
constexpr const char* kMedia80[] = {"om_roll-80x3276mm_80x3276mm", "om_roll-80x100mm_80x100mm",
                                    "om_roll-80x150mm_80x150mm",   "om_roll-80x200mm_80x200mm",
                                    "om_roll-80x297mm_80x297mm",   "roll_min_80x20mm",
                                    "roll_max_80x3276mm"};
constexpr const char* kMedia58[] = {"om_roll-58x3276mm_58x3276mm", "om_roll-58x100mm_58x100mm",
                                    "om_roll-58x150mm_58x150mm",   "om_roll-58x200mm_58x200mm",
                                    "om_roll-58x297mm_58x297mm",   "roll_min_58x20mm",
                                    "roll_max_58x3276mm"};

// Ours first: the generic drivers are for every other printer that speaks
// ESC/POS, whose raster blocks advance the paper themselves.
constexpr Model kModels[] = {
    {"brindol_80", "BRINDOL 80mm Receipt Printer", device_ids::kReceipt80, 576, 80, kMedia80,
     static_cast<int>(std::size(kMedia80)), kMedia80[0], FeedConvention::kFeedAfterBlock},
    {"brindol_58", "BRINDOL-58 58mm Receipt Printer", device_ids::kReceipt58, 384, 58, kMedia58,
     static_cast<int>(std::size(kMedia58)), kMedia58[0], FeedConvention::kFeedAfterBlock},
    {"escpos_generic_80", "Generic 80mm ESC/POS Receipt Printer", device_ids::kGenericEscPos80, 576,
     80, kMedia80, static_cast<int>(std::size(kMedia80)), kMedia80[0],
     FeedConvention::kBlockAdvances},
    {"escpos_generic_58", "Generic 58mm ESC/POS Receipt Printer", device_ids::kGenericEscPos58, 384,
     58, kMedia58, static_cast<int>(std::size(kMedia58)), kMedia58[0],
     FeedConvention::kBlockAdvances},
};

const Model* ModelFor(const char* driverName) {
  for (const Model& model : kModels) {
    if (driverName && std::strcmp(driverName, model.driverName) == 0) return &model;
  }
  return nullptr;
}

// Roll width in dots, as PAPPL computes the page width of a job.
unsigned RollDots(const Model& model) {
  return static_cast<unsigned>(model.rollMm * 100 * kDpi / 2540);
}

// Side margins in hundredths of a millimetre: the roll outside the head.
int SideMargin(const Model& model) {
  const int headHundredths = static_cast<int>((model.dots * 2540 + kDpi - 1) / kDpi);
  return (model.rollMm * 100 - headHundredths + 1) / 2;
}

pappl_jreason_t ReasonFor(JobFault fault) {
  switch (fault) {
    case JobFault::kDocumentFormat:
      return PAPPL_JREASON_DOCUMENT_FORMAT_ERROR;
    case JobFault::kDocumentUnprintable:
      return PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR;
    case JobFault::kDevice:
      return PAPPL_JREASON_JOB_CANCELED_AT_DEVICE;
    case JobFault::kNone:
      break;
  }
  return PAPPL_JREASON_NONE;
}

// Reports the raster job's failure on the PAPPL job; false for the callback.
bool Failed(pappl_job_t* job, const RasterJob& raster) {
  FailJob(job, ReasonFor(raster.Fault()), raster.Message());
  return false;
}

// print-content-optimize as its keyword; PAPPL keeps it as a bit.
const char* ContentKeyword(pappl_content_t content) {
  switch (content) {
    case PAPPL_CONTENT_GRAPHIC:
      return "graphic";
    case PAPPL_CONTENT_PHOTO:
      return "photo";
    case PAPPL_CONTENT_TEXT:
      return "text";
    case PAPPL_CONTENT_TEXT_AND_GRAPHIC:
      return "text-and-graphic";
    default:
      return "auto";
  }
}

// Whether the job's finishings (or finishings-col) ask for a trim. Read from
// the job itself: PAPPL 1.3 hands the driver only the plain trim (11), not
// the trim-after-* values clients may send instead.
bool AsksForTrim(pappl_job_t* job) {
  if (ipp_attribute_t* attr = papplJobGetAttribute(job, "finishings")) {
    for (int i = 0; i < ippGetCount(attr); ++i) {
      const int value = ippGetInteger(attr, i);
      if (value == IPP_FINISHINGS_TRIM ||
          (value >= IPP_FINISHINGS_TRIM_AFTER_PAGES && value <= IPP_FINISHINGS_TRIM_AFTER_JOB)) {
        return true;
      }
    }
  }
  if (ipp_attribute_t* attr = papplJobGetAttribute(job, "finishings-col")) {
    for (int i = 0; i < ippGetCount(attr); ++i) {
      const char* name = ippGetString(
          ippFindAttribute(ippGetCollection(attr, i), "finishing-template", IPP_TAG_ZERO), 0,
          nullptr);
      if (name && std::strncmp(name, "trim", 4) == 0) return true;
    }
  }
  return false;
}

// The printer's defaults, then what the job's standard attributes choose,
// then the job's own vendor attributes.
bool ReadSettings(pappl_job_t* job, const pappl_pr_options_t* options, ReceiptSettings& settings,
                  std::string& error) {
  ipp_t* driverAttrs = papplPrinterGetDriverAttributes(papplJobGetPrinter(job));
  bool ok = true;
  for (const VendorAttribute& attribute : VendorAttributes()) {
    std::string value = attribute.defaultValue;
    const std::string defaultName = std::string(attribute.name) + "-default";
    if (ipp_attribute_t* attr =
            driverAttrs ? ippFindAttribute(driverAttrs, defaultName.c_str(), IPP_TAG_ZERO)
                        : nullptr) {
      char text[256];
      ippAttributeString(attr, text, sizeof text);
      value = text;
    }
    ok = ok && ApplySetting(settings, attribute.name, value, error);
  }
  ippDelete(driverAttrs);
  StandardChoices choices;
  if (const char* quality = ippEnumString("print-quality", options->print_quality)) {
    choices.quality = quality;
  }
  choices.content = ContentKeyword(options->print_content_optimize);
  // A JPEG is a photograph unless the client says otherwise. CUPS 2.4 does
  // not pass print-content-optimize on to the printer, so its users could
  // not ask for a photo in any other way.
  const char* format = papplJobGetFormat(job);
  if (choices.content == "auto" && format && std::strcmp(format, "image/jpeg") == 0) {
    choices.content = "photo";
  }
  choices.trim = AsksForTrim(job);
  ApplyStandardChoices(settings, choices);
  for (int i = 0; ok && i < options->num_vendor; ++i) {
    ok = ApplySetting(settings, options->vendor[i].name, options->vendor[i].value, error);
  }
  return ok;
}

RasterJob* JobOf(pappl_job_t* job) { return static_cast<RasterJob*>(papplJobGetData(job)); }

bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  ReceiptSettings settings;
  std::string error;
  if (!ReadSettings(job, options, settings, error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, error);
    return false;
  }
  // What the job prints with, once defaults, standard and vendor attributes
  // are weighed: the job's log answers "why did it print like that?".
  papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Printing with %s", SettingsText(settings).c_str());
  const Model* model = ModelFor(papplPrinterGetDriverName(papplJobGetPrinter(job)));
  if (!model) model = &kModels[0];
  settings.feed = model->feed;
  if (!WaitUntilPrintable(job, device)) return false;
  auto raster = std::make_unique<RasterJob>(
      settings,
      [device](const std::uint8_t* bytes, std::size_t size) {
        return papplDeviceWrite(device, bytes, size) == static_cast<ssize_t>(size);
      },
      model->dots, RollDots(*model));
  // PAPPL calls no other callback of a job whose start failed.
  if (!raster->Start()) return Failed(job, *raster);
  papplJobSetData(job, raster.release());
  return true;
}

bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  RasterJob* raster = JobOf(job);
  if (!raster) return false;
  const bool allowScaling = options->print_scaling != PAPPL_SCALING_NONE;
  return raster->StartPage(page, PageHeaderOf(options->header, allowScaling)) ||
         Failed(job, *raster);
}

bool WriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned,
               const unsigned char* line) {
  RasterJob* raster = JobOf(job);
  return raster && raster->WriteLine(line);
}

bool EndPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device, unsigned page) {
  RasterJob* raster = JobOf(job);
  if (!raster) return false;
  if (!raster->EndPage(page, papplJobIsCanceled(job))) return Failed(job, *raster);
  papplDeviceFlush(device);
  // The next page waits until this one could go onto paper.
  return papplJobIsCanceled(job) || WaitUntilPrintable(job, device);
}

bool EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
  std::unique_ptr<RasterJob> raster(JobOf(job));
  papplJobSetData(job, nullptr);
  if (!raster) return false;
  const bool ok = raster->End();
  papplDeviceFlush(device);
  if (!ok) return Failed(job, *raster);
  // Completed only once the printer could print it all (a printer that ran
  // out of paper holds the rest of the job).
  return papplJobIsCanceled(job) || WaitUntilPrintable(job, device);
}

// pappl_pr_testpage_cb_t: the calibration page in the printer's own format.
// PAPPL 1.3 does not tell a driver its spool directory and keeps a file
// outside it, so the page has one name per head width in the temporary
// directory, rewritten whole (through a rename) each time: pages printed at
// once each read a complete file, and nothing piles up. Nullptr when it
// cannot be written.
const char* WriteCalibrationPage(pappl_printer_t* printer, char* buffer, std::size_t size) {
  const Model* model = ModelFor(papplPrinterGetDriverName(printer));
  if (!model) return nullptr;
  const std::string path = std::string(papplGetTempDir()) + "/brindol-calibration-" +
                           std::to_string(model->dots) + ".bin";
  std::string temporary = path + ".XXXXXX";
  if (path.size() >= size) return nullptr;
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return nullptr;
  const std::vector<std::uint8_t> page = CalibrationPage(model->dots);
  const bool written = write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size());
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return nullptr;
  }
  std::snprintf(buffer, size, "%s", path.c_str());
  return buffer;
}

void AddVendorAttributes(ipp_t* attrs) {
  for (const VendorAttribute& attribute : VendorAttributes()) {
    const std::string supported = std::string(attribute.name) + "-supported";
    const std::string defaultName = std::string(attribute.name) + "-default";
    if (!attribute.keywords.empty()) {
      ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(),
                    static_cast<int>(attribute.keywords.size()), nullptr,
                    attribute.keywords.data());
      ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, defaultName.c_str(), nullptr,
                   attribute.defaultValue);
    } else if (std::strcmp(attribute.name, kAttrOffset) == 0) {
      ippAddRange(attrs, IPP_TAG_PRINTER, supported.c_str(), -kMaxOffsetMm, kMaxOffsetMm);
      ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, defaultName.c_str(),
                    std::atoi(attribute.defaultValue));
    } else {
      ippAddBoolean(attrs, IPP_TAG_PRINTER, supported.c_str(), 1);
      ippAddBoolean(attrs, IPP_TAG_PRINTER, defaultName.c_str(),
                    std::strcmp(attribute.defaultValue, "true") == 0);
    }
  }
}

}  // namespace

pappl_pr_driver_t kReceiptDrivers[4] = {
    {kModels[0].driverName, kModels[0].makeAndModel, kModels[0].deviceId, nullptr},
    {kModels[1].driverName, kModels[1].makeAndModel, kModels[1].deviceId, nullptr},
    {kModels[2].driverName, kModels[2].makeAndModel, kModels[2].deviceId, nullptr},
    {kModels[3].driverName, kModels[3].makeAndModel, kModels[3].deviceId, nullptr},
};
static_assert(std::size(kReceiptDrivers) == std::size(kModels));

bool ReceiptDriverCallback(pappl_system_t* system, const char* driverName, const char* deviceUri,
                           const char*, pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
  const Model* model = ModelFor(driverName);
  if (!model || !data || !attrs) return false;
  // A serial printer with a speed or flow control that no port has would
  // only fail its first job: it is not added.
  SerialSettings serial;
  std::string error;
  if (IsSerialUri(deviceUri) && !ParseSerialUri(deviceUri, serial, error)) {
    papplLog(system, PAPPL_LOGLEVEL_ERROR, "Bad device URI '%s': %s.", deviceUri, error.c_str());
    return false;
  }

  data->rstartjob_cb = StartJob;
  data->rstartpage_cb = StartPage;
  data->rwriteline_cb = WriteLine;
  data->rendpage_cb = EndPage;
  data->rendjob_cb = EndJob;
  // A document in the printer's own language goes to it as it is.
  data->format = kReceiptFormat;
  data->printfile_cb = PrintRawFile;
  data->testpage_cb = WriteCalibrationPage;
  data->status_cb = RefreshIdleStatus;

  std::snprintf(data->make_and_model, sizeof data->make_and_model, "%s", model->makeAndModel);
  data->ppm = 60;  // receipts of about 10 cm at the head's 150 mm/s
  data->kind = static_cast<pappl_kind_t>(PAPPL_KIND_RECEIPT | PAPPL_KIND_ROLL);
  data->orient_default = IPP_ORIENT_PORTRAIT;
  data->color_supported =
      static_cast<pappl_color_mode_t>(PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_MONOCHROME);
  data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
  data->content_default = PAPPL_CONTENT_AUTO;
  // Offered so that clients show a cut choice; the job's finishings are
  // read in ReadSettings.
  data->finishings = PAPPL_FINISHINGS_TRIM;
  data->quality_default = IPP_QUALITY_NORMAL;
  data->scaling_default = PAPPL_SCALING_AUTO;
  // 8-bit gray only: the halftoning is the pipeline's, never PAPPL's.
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
  data->duplex = PAPPL_DUPLEX_NONE;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;
  data->num_resolution = 1;
  data->x_resolution[0] = data->y_resolution[0] = kDpi;
  data->x_default = data->y_default = kDpi;
  data->left_right = SideMargin(*model);
  data->bottom_top = 0;

  data->num_media = model->mediaCount;
  for (int i = 0; i < model->mediaCount; ++i) data->media[i] = model->media[i];
  data->num_source = 1;
  data->source[0] = "main-roll";
  data->num_type = 1;
  data->type[0] = "continuous";
  data->tracking_supported = PAPPL_MEDIA_TRACKING_CONTINUOUS;

  pappl_media_col_t media = {};
  pwg_media_t* size = pwgMediaForPWG(model->mediaDefault);
  std::snprintf(media.size_name, sizeof media.size_name, "%s", model->mediaDefault);
  media.size_width = size ? size->width : model->rollMm * 100;
  media.size_length = size ? size->length : 327600;
  media.left_margin = media.right_margin = data->left_right;
  std::snprintf(media.source, sizeof media.source, "main-roll");
  std::snprintf(media.type, sizeof media.type, "continuous");
  media.tracking = PAPPL_MEDIA_TRACKING_CONTINUOUS;
  data->media_default = media;
  data->media_ready[0] = media;

  data->num_vendor = 0;
  for (const VendorAttribute& attribute : VendorAttributes()) {
    data->vendor[data->num_vendor++] = attribute.name;
  }
  *attrs = ippNew();
  AddVendorAttributes(*attrs);
  return true;
}

void AddSettingLabels(pappl_system_t* system) {
  static constexpr char kEnglish[] = R"strings("halftone-method" = "Halftone method";
"halftone-method.none" = "None (threshold: sharpest text)";
  "halftone-method.ordered" = "Ordered dither (fastest for photos)";
  "halftone-method.burkes" = "Burkes";
  "halftone-method.stucki" = "Stucki";
  "halftone-method.floyd-steinberg" = "Floyd-Steinberg";
  "halftone-method.jarvis-judice-ninke" = "Jarvis, Judice and Ninke";
  "halftone-method.sierra" = "Sierra";
  "halftone-method.stevenson-arce" = "Stevenson-Arce";
  "upside-down" = "Print upside down";
  "horizontal-offset" = "Horizontal offset (mm, + right)";
  "paper-saving" = "Paper saving";
  "paper-saving.off" = "Off";
  "paper-saving.top" = "Top";
  "paper-saving.bottom" = "Bottom";
  "paper-saving.top-and-bottom" = "Top and bottom";
  "receipt-orientation" = "Receipt orientation";
  "receipt-orientation.portrait" = "Portrait";
  "receipt-orientation.landscape" = "Landscape";
  "cut-at-job-end" = "Cut at job end";
  "cut-at-job-end.none" = "No cut";
  "cut-at-job-end.partial" = "Partial cut";
  "cut-at-job-end.full" = "Full cut";
  "cash-drawer" = "Cash drawer";
  "cash-drawer.none" = "Do not open";
  "cash-drawer.before" = "Open before printing";
  "cash-drawer.after" = "Open after printing";
  "receipt-length" = "Receipt length";
  "receipt-length.content" = "As long as the content";
  "receipt-length.page" = "Whole page (fixed length)";
)strings";
  // PAPPL 1.3 loads the strings into its localization of the language, which
  // the web pages use, and lists the resource's language in
  // printer-strings-languages-supported by appending to the printer's
  // attributes on every Get-Printer-Attributes: from the second request on
  // the attribute came twice and IPP clients rejected the response. The
  // loaded strings outlive the resource, so it goes again at once. Every
  // language PAPPL itself speaks gets the English labels: better than the
  // attribute names.
  constexpr char kPath[] = "/brindol-labels.strings";
  for (const char* language : {"en", "de", "es", "fr", "it", "ja", "nb-NO", "pl", "tr"}) {
    papplSystemAddStringsData(system, kPath, language, kEnglish);
    papplSystemRemoveResource(system, kPath);
  }
}

namespace {

// The value of one key of an IEEE 1284 device ID, or of its long name (keys
// compared without case); empty when the ID has neither.
std::string DeviceIdValue(const char* deviceId, const char* key, const char* longKey) {
  cups_option_t* pairs = nullptr;
  const int count = papplDeviceParseID(deviceId, &pairs);
  const char* value = cupsGetOption(key, count, pairs);
  if (!value) value = cupsGetOption(longKey, count, pairs);
  std::string text = value ? value : "";
  cupsFreeOptions(count, pairs);
  return text;
}

// Whether the ID's command set names ESC/POS among its languages.
bool SpeaksEscPos(const char* deviceId) {
  const std::string commands = DeviceIdValue(deviceId, "CMD", "COMMAND SET");
  for (std::size_t start = 0; start <= commands.size();) {
    std::size_t end = commands.find(',', start);
    if (end == std::string::npos) end = commands.size();
    std::size_t first = start, last = end;
    while (first < last && commands[first] == ' ') ++first;
    while (last > first && commands[last - 1] == ' ') --last;
    if (last - first == 7 && strncasecmp(commands.c_str() + first, "ESC/POS", 7) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

const char* ReceiptAutoAdd(const char*, const char*, const char* deviceId, void*) {
  if (!deviceId) return nullptr;
  for (const pappl_pr_driver_t& driver : kReceiptDrivers) {
    if (std::strcmp(deviceId, driver.device_id) == 0) return driver.name;
  }
  if (std::strstr(deviceId, device_ids::kManufacturer)) return kReceiptDrivers[0].name;
  if (!SpeaksEscPos(deviceId)) return nullptr;
  // A model that names its roll width as 58 mm gets the narrow head; any
  // other, the 80 mm one (a narrower picture than the head prints fine).
  const std::string model = DeviceIdValue(deviceId, "MDL", "MODEL");
  return model.find("58") != std::string::npos ? kReceiptDrivers[3].name : kReceiptDrivers[2].name;
}
