// bandhost: plays the universal printer driver for the plug-in. Loads the
// plug-in library through its exported entry points as the host does, cuts a
// gray page into bands, hands each band to ImageProcessing and writes every
// byte the plug-in spools to OUT.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "band_job.h"

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
  BandJob job;
  bool halftoneGiven = false;
  bool hasOffset = false, hasTranslate = false, hasSavePaper = false;
  std::string offset, translate, savePaper;
  bool landscape = false;
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
      args.job.bandHeight = static_cast<unsigned>(number);
    } else if (arg == "--halftone") {
      args.halftoneGiven = true;
      args.job.halftone = value;
    } else if (arg == "--no-halftone") {
      args.job.noHalftone = true;
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
      args.job.callbackId = static_cast<DWORD>(number);
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
  if (args.halftoneGiven && args.job.noHalftone)
    return "--halftone and --no-halftone exclude each other";
  if (args.page.empty()) return "no page given";
  if (args.output.empty()) return "no output given (-o OUT.bin)";
  return {};
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "bandhost: %s\n", message.c_str());
  return 1;
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

  SubstituteHost host;
  if (args.hasOffset) host.SetOption(kFeatureHorizontalOffset, args.offset);
  if (args.hasTranslate) host.SetOption(kFeatureTranslate180, args.translate);
  if (args.hasSavePaper) host.SetOption(kFeatureSavePaperMode, args.savePaper);
  host.SetLandscape(args.landscape);

  error = RunBandJob(args.plugin, host, args.job, page);
  if (!error.empty()) return Fail(error);

  std::ofstream out(args.output, std::ios::binary);
  out.write(reinterpret_cast<const char*>(host.Spool().data()),
            static_cast<std::streamsize>(host.Spool().size()));
  out.close();
  if (!out) return Fail("cannot write " + args.output);
  return 0;
}
