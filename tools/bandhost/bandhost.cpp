// bandhost: plays the universal printer driver for the plug-in. Loads the
// plug-in library through its exported entry points as the host does, cuts a
// gray page into bands, hands each band to ImageProcessing and writes every
// byte the plug-in spools to OUT.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "page_file.h"
#include "printer_description.h"
#include "substitute_host.h"

#ifndef BANDHOST_DEFAULT_PLUGIN
#error "the build names the default plug-in library"
#endif

namespace {

constexpr char kUsage[] =
    "usage: bandhost [--plugin LIB] [--band-height N] [--halftone NAME | --no-halftone]\n"
    "                [--offset TEXT] [--translate TEXT] [--save-paper TEXT] [--landscape]\n"
    "                [--callback-id N] PAGE.pgm|PAGE.png -o OUT.bin\n"
    "  Runs the gray page through the plug-in in bands of N rows (default 256) and\n"
    "  writes what the plug-in spools to OUT. --halftone names the halftone option\n"
    "  (default HT_NONE); --offset, --translate and --save-paper are the option\n"
    "  texts answered for HorizontalOffset, Translate180 and SavePaperMode (a\n"
    "  feature not given is unknown to the host). --landscape sets the landscape\n"
    "  orientation; --callback-id the image-processing callback id (default 3).\n"
    "  The default plug-in is " BANDHOST_DEFAULT_PLUGIN ".\n";

struct Arguments {
  std::string plugin = BANDHOST_DEFAULT_PLUGIN;
  unsigned bandHeight = 256;
  bool halftoneGiven = false;
  bool noHalftone = false;
  std::string halftone = "HT_NONE";
  bool hasOffset = false, hasTranslate = false, hasSavePaper = false;
  std::string offset, translate, savePaper;
  bool landscape = false;
  DWORD callbackId = kImageProcessingCallbackId;
  std::string page;
  std::string output;
};

bool ParseUnsigned(const std::string& text, unsigned long max, unsigned long& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  if (text.size() > 10) return false;
  value = std::strtoul(text.c_str(), nullptr, 10);
  return value <= max;
}

// Fills `args`; on a problem returns its description.
std::string ParseArguments(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--plugin" || arg == "--band-height" || arg == "--halftone" ||
                            arg == "--offset" || arg == "--translate" || arg == "--save-paper" ||
                            arg == "--callback-id" || arg == "-o";
    if (takesValue && i + 1 >= argc) return arg + " needs a value";
    // An option's value is the next argument, whatever it holds.
    const std::string value = takesValue ? argv[++i] : std::string();
    unsigned long number = 0;
    if (arg == "--plugin") {
      args.plugin = value;
    } else if (arg == "--band-height") {
      if (!ParseUnsigned(value, 65535, number) || number == 0) return "bad band height: " + value;
      args.bandHeight = static_cast<unsigned>(number);
    } else if (arg == "--halftone") {
      args.halftoneGiven = true;
      args.halftone = value;
    } else if (arg == "--no-halftone") {
      args.noHalftone = true;
    } else if (arg == "--offset") {
      args.hasOffset = true;
      args.offset = value;
    } else if (arg == "--translate") {
      args.hasTranslate = true;
      args.translate = value;
    } else if (arg == "--save-paper") {
      args.hasSavePaper = true;
      args.savePaper = value;
    } else if (arg == "--landscape") {
      args.landscape = true;
    } else if (arg == "--callback-id") {
      if (!ParseUnsigned(value, 0xFFFFFFFFul, number)) return "bad callback id: " + value;
      args.callbackId = static_cast<DWORD>(number);
    } else if (arg == "-o") {
      args.output = value;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option: " + arg;
    } else if (!args.page.empty()) {
      return "more than one page given: " + arg;
    } else {
      args.page = arg;
    }
  }
  if (args.halftoneGiven && args.noHalftone)
    return "--halftone and --no-halftone exclude each other";
  if (args.page.empty()) return "no page given";
  if (args.output.empty()) return "no output given (-o OUT.bin)";
  return {};
}

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

int Fail(const std::string& message) {
  std::fprintf(stderr, "bandhost: %s\n", message.c_str());
  return 1;
}

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
std::string RunJob(IPrintOemUni2* plugin, SubstituteHost& host, const Arguments& args,
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

int main(int argc, char** argv) {
  Arguments args;
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::string problem = ParseArguments(argc, argv, args);
  if (!problem.empty()) {
    std::fprintf(stderr, "bandhost: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }

  GrayPage page;
  std::string error;
  if (!ReadPage(args.page, page, error)) return Fail(error);

  PluginLibrary library(args.plugin);
  if (!library.Loaded()) return Fail("cannot load the plug-in library " + args.plugin);

  SubstituteHost host;
  if (args.hasOffset) host.SetOption(kFeatureHorizontalOffset, args.offset);
  if (args.hasTranslate) host.SetOption(kFeatureTranslate180, args.translate);
  if (args.hasSavePaper) host.SetOption(kFeatureSavePaperMode, args.savePaper);
  host.SetLandscape(args.landscape);

  IPrintOemUni2* plugin = nullptr;
  const HRESULT hr = CreatePlugin(library, plugin);
  if (FAILED(hr)) {
    char text[64];
    std::snprintf(text, sizeof text, "cannot create the plug-in object (0x%08lX)",
                  static_cast<unsigned long>(hr));
    return Fail(text);
  }
  error = RunJob(plugin, host, args, page);
  plugin->Release();
  if (!error.empty()) return Fail(error);
  if (library.canUnloadNow() != S_OK) return Fail("the plug-in still holds objects after the job");
  if (host.ServiceReferences() != 0) return Fail("the plug-in still holds the host's service");

  std::ofstream out(args.output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(host.Spool().data()),
            static_cast<std::streamsize>(host.Spool().size()));
  out.close();
  if (!out) return Fail("cannot write " + args.output);
  return 0;
}
