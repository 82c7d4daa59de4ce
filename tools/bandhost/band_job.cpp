// One gray page through the plug-in library (see band_job.h).
#include "band_job.h"

#include <cstdio>
#include <vector>

namespace {

// The plug-in library and its two entry points.
class PluginLibrary {
 public:
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
  using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

  explicit PluginLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {
    if (!module_) return;
    getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<CanUnloadNowFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "DllCanUnloadNow")));
  }
  ~PluginLibrary() {
    if (module_) FreeLibrary(module_);
  }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  bool Loaded() const { return module_ && getClassObject && canUnloadNow; }

  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;

 private:
  HMODULE module_;
};

// The plug-in's object for the whole job, created as the host creates it.
HRESULT CreatePlugin(const PluginLibrary& library, IPrintOemUni2*& plugin) {
  plugin = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = library.getClassObject(CLSID_OEMRENDER, IID_IClassFactory,
                                      reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, IID_IPrintOemUni2, reinterpret_cast<void**>(&plugin));
  factory->Release();
  return hr;
}

// Runs every band of the page; returns an error text or nothing.
std::string RunJob(IPrintOemUni2* plugin, SubstituteHost& host, const BandJob& args,
                   const GrayPage& page) {
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

  const unsigned stride = (page.width + 3) & ~3u;
  std::string halftone = args.halftone;
  IPPARAMS params = {};
  params.dwSize = sizeof params;
  params.pHalftoneOption = args.noHalftone ? nullptr : halftone.data();
  for (unsigned top = 0; top < page.height; top += args.bandHeight) {
    const unsigned rows = page.height - top < args.bandHeight ? page.height - top : args.bandHeight;
    std::vector<BYTE> band(static_cast<std::size_t>(stride) * rows, 255);  // padding is white
    for (unsigned row = 0; row < rows; ++row) {
      const BYTE* source = page.pixels.data() + static_cast<std::size_t>(top + row) * page.width;
      std::copy(source, source + page.width,
                band.begin() + static_cast<std::ptrdiff_t>(row) * stride);
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = static_cast<LONG>(page.width);
    header.biHeight = static_cast<LONG>(rows);
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biSizeImage = static_cast<DWORD>(band.size());
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
                       const GrayPage& page) {
  PluginLibrary library(pluginPath);
  if (!library.Loaded()) return "cannot load the plug-in library " + pluginPath;
  IPrintOemUni2* plugin = nullptr;
  const HRESULT hr = CreatePlugin(library, plugin);
  if (FAILED(hr)) {
    char text[64];
    std::snprintf(text, sizeof text, "cannot create the plug-in object (0x%08lX)", static_cast<unsigned long>(hr));
    return text;
  }
  std::string error = RunJob(plugin, host, job, page);
  plugin->Release();
  if (!error.empty()) return error;
  if (library.canUnloadNow() != S_OK) return "the plug-in still holds objects after the job";
  if (host.ServiceReferences() != 0) return "the plug-in still holds the host's service";
  return {};
}
