// One gray page through the plug-in library (see band_job.h).
#include "band_job.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "band_header.h"
#include "plugin_library.h"

namespace {

// Runs every band of the page; returns an error text or nothing.
std::string RunJob(IPrintOemUni2* plugin, SubstituteHost& host, const BandJob& args, unsigned width,
                   unsigned height, const BandRows& source) {
  char method[] = "ImageProcessing";
  if (plugin->GetImplementedMethod(method) != S_OK) return "the plug-in does not process images";
  if (FAILED(plugin->PublishDriverInterface(host.ServiceObject()))) {
    return "the plug-in refused the host's service interface";
  }
  DRVENABLEDATA hooks = {};
  if (FAILED(plugin->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof hooks, &hooks))) {
    return "EnableDriver failed";
  }
  GDIINFO gdiInfo = {};
  gdiInfo.cBitsPixel = 8;
  gdiInfo.cPlanes = 1;
  DEVINFO devInfo = {};
  wchar_t printerName[] = L"bandhost";
  PDEVOEM pdev = nullptr;
  if (FAILED(plugin->EnablePDEV(host.Devobj(), printerName, 0, nullptr, sizeof gdiInfo, &gdiInfo,
                                sizeof devInfo, &devInfo, host.HostFunctions(), &pdev))) {
    plugin->DisableDriver();
    return "EnablePDEV failed";
  }
  host.Devobj()->pdevOEM = pdev;

  const unsigned stride = (width + 3) & ~3u;
  std::string halftone = args.halftone;
  IPPARAMS params = {};
  params.dwSize = sizeof params;
  params.pHalftoneOption = args.noHalftone ? nullptr : halftone.data();
  // One band buffer for the whole page: a fresh one per band would cost an
  // allocation and a fresh set of page faults each time, more than the band's
  // own processing on a long receipt.
  std::vector<BYTE> band(static_cast<std::size_t>(stride) * std::min(args.bandHeight, height));
  std::string error;
  for (unsigned top = 0; top < height; top += args.bandHeight) {
    const unsigned rows = height - top < args.bandHeight ? height - top : args.bandHeight;
    // A short last band gets a buffer of exactly its size, so that a plug-in reading past the
    // band still meets the end of the allocation (and the sanitizers' red zone) there.
    if (static_cast<std::size_t>(stride) * rows < band.size()) {
      band.assign(static_cast<std::size_t>(stride) * rows, 0);
    }
    if (!source(band.data(), stride, rows, error)) {
      plugin->DisablePDEV(host.Devobj());
      host.Devobj()->pdevOEM = nullptr;
      plugin->DisableDriver();
      return error;
    }
    if (stride != width) {
      for (unsigned row = 0; row < rows; ++row) {  // padding is white
        BYTE* end = band.data() + static_cast<std::size_t>(row + 1) * stride;
        std::fill(end - (stride - width), end, BYTE{255});
      }
    }
    BITMAPINFOHEADER header =
        BandHeader(static_cast<LONG>(width), static_cast<LONG>(rows),
                   static_cast<DWORD>(static_cast<std::size_t>(stride) * rows));
    PBYTE result = nullptr;
    // A declined band (all zero, wrong callback id) is the plug-in's answer, not a failure.
    plugin->ImageProcessing(host.Devobj(), band.data(), &header, nullptr, args.callbackId, &params,
                            &result);
  }

  plugin->DisablePDEV(host.Devobj());
  host.Devobj()->pdevOEM = nullptr;
  plugin->DisableDriver();
  return {};
}

}  // namespace

std::string RunBandJob(const std::string& pluginPath, SubstituteHost& host, const BandJob& job,
                       unsigned width, unsigned height, const BandRows& rows) {
  PluginLibrary library(pluginPath);
  if (!library.Loaded()) return "cannot load the plug-in library " + pluginPath;
  HRESULT hr = E_FAIL;
  IPrintOemUni2* plugin = CreatePluginObject(library.getClassObject, &hr);
  if (!plugin) {
    char text[64];
    std::snprintf(text, sizeof text, "cannot create the plug-in object (0x%08lX)",
                  static_cast<unsigned long>(hr));
    return text;
  }
  std::string error = RunJob(plugin, host, job, width, height, rows);
  plugin->Release();
  if (!error.empty()) return error;
  if (library.canUnloadNow() != S_OK) return "the plug-in still holds objects after the job";
  if (host.ServiceReferences() != 0) return "the plug-in still holds the host's service";
  return {};
}

std::string RunBandJob(const std::string& pluginPath, SubstituteHost& host, const BandJob& job,
                       const GrayPage& page) {
  unsigned next = 0;
  return RunBandJob(pluginPath, host, job, page.width, page.height,
                    [&](BYTE* band, std::size_t stride, unsigned count, std::string&) {
                      for (unsigned row = 0; row < count; ++row, ++next) {
                        const BYTE* from = page.pixels.data() + std::size_t{next} * page.width;
                        std::copy(from, from + page.width, band + row * stride);
                      }
                      return true;
                    });
}
