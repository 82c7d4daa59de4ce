// The PNG filter and the raw pass-through.
#include "png_filter.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <vector>

#include "job_failure.h"
#include "printer_status.h"

namespace {

constexpr int kDotsPerInch = 203;  // a PNG is taken dot for dot, scaled down only to fit

}  // namespace

bool PngSizeAcceptable(unsigned width, unsigned height, std::string& reason) {
  if (width == 0 || height == 0) {
    reason = "the PNG image is empty";
    return false;
  }
  if (width > kMaxImageSide || height > kMaxImageSide ||
      static_cast<unsigned long long>(width) * height > kMaxImagePixels) {
    reason = "the PNG image is " + std::to_string(width) + " x " + std::to_string(height) +
             " dots, more than this printer accepts (" + std::to_string(kMaxImagePixels) +
             " dots, " + std::to_string(kMaxImageSide) + " on a side)";
    return false;
  }
  return true;
}

bool FilterPng(pappl_job_t* job, pappl_device_t* device, void*) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, papplJobGetFilename(job))) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            std::string("the PNG image cannot be read: ") + image.message);
    return false;
  }
  std::string reason;
  if (!PngSizeAcceptable(image.width, image.height, reason)) {
    png_image_free(&image);
    FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, reason);
    return false;
  }
  image.format = PNG_FORMAT_GRAY;  // transparency composed onto white paper
  std::vector<unsigned char> pixels;
  try {
    pixels.resize(PNG_IMAGE_SIZE(image));
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, "no memory for the PNG image");
    return false;
  }
  png_color white = {255, 255, 255};
  if (!png_image_finish_read(&image, &white, pixels.data(), 0, nullptr)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            std::string("the PNG image is damaged: ") + image.message);
    png_image_free(&image);
    return false;
  }
  pappl_pr_options_t* options = papplJobCreatePrintOptions(job, 1, false);
  const bool ok =
      papplJobFilterImage(job, device, options, pixels.data(), static_cast<int>(image.width),
                          static_cast<int>(image.height), 1, kDotsPerInch, false);
  papplJobDeletePrintOptions(options);
  return ok;
}

bool PrintRawFile(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
  if (!WaitUntilPrintable(job, device)) return false;
  const int fd = open(papplJobGetFilename(job), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "the document cannot be opened");
    return false;
  }
  bool ok = true;
  unsigned char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (papplDeviceWrite(device, buffer, static_cast<std::size_t>(got)) != got) {
      FailJob(job, PAPPL_JREASON_JOB_CANCELED_AT_DEVICE, "the printer stopped taking data");
      ok = false;
      break;
    }
  }
  close(fd);
  papplDeviceFlush(device);
  return ok && (papplJobIsCanceled(job) || WaitUntilPrintable(job, device));
}
