// bandhost: plays the universal printer driver for the plug-in. Loads the
// plug-in library through its exported entry points as the host does, cuts a
// gray page into bands, hands each band to ImageProcessing and writes every
// byte the plug-in spools to OUT.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

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

// OUT written through a large stdio buffer into OUT.partial, renamed to OUT by
// Commit(); removed when the run ends without Commit().
class Output {
 public:
  explicit Output(std::string path) : path_(std::move(path)), partial_(path_ + ".partial") {}
  ~Output() {
    if (file_) std::fclose(file_);
    if (!committed_) std::remove(partial_.c_str());
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  bool Open() {
    file_ = std::fopen(partial_.c_str(), "wb");
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return file_ != nullptr;
  }
  bool Write(const BYTE* bytes, DWORD size) { return std::fwrite(bytes, 1, size, file_) == size; }
  bool Commit() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) return false;
    // Windows' rename does not replace an existing file.
    if (std::rename(partial_.c_str(), path_.c_str()) != 0) {
      std::remove(path_.c_str());
      if (std::rename(partial_.c_str(), path_.c_str()) != 0) return false;
    }
    committed_ = true;
    return true;
  }

 private:
  std::string path_;
  std::string partial_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
};

// "bandhost: N of M rows" about once a second, only for pages that take longer
// than a second; quick pages print nothing.
class Progress {
 public:
  explicit Progress(unsigned total) : total_(total), start_(Clock::now()), next_(start_) {
    next_ += std::chrono::seconds(1);
  }
  void Rows(unsigned rows) {
    const auto now = Clock::now();
    if (now >= next_) {
      std::fprintf(stderr, "bandhost: %u of %u rows\n", done_, total_);
      next_ = now + std::chrono::seconds(1);
      shown_ = true;
    }
    done_ += rows;
  }
  void Done() {
    if (shown_) std::fprintf(stderr, "bandhost: %u of %u rows\n", done_, total_);
  }

 private:
  using Clock = std::chrono::steady_clock;
  unsigned total_;
  unsigned done_ = 0;
  Clock::time_point start_;
  Clock::time_point next_;
  bool shown_ = false;
};

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

  PageReader page;
  std::string error;
  if (!page.Open(args.page, error)) return Fail(error);

  SubstituteHost host;
  if (args.hasOffset) host.SetOption(kFeatureHorizontalOffset, args.offset);
  if (args.hasTranslate) host.SetOption(kFeatureTranslate180, args.translate);
  if (args.hasSavePaper) host.SetOption(kFeatureSavePaperMode, args.savePaper);
  host.SetLandscape(args.landscape);

  // The stream goes out through one buffered writer as the plug-in spools it,
  // into a file beside OUT that takes OUT's name only when the job succeeded:
  // a failed run leaves an earlier OUT as it was.
  Output out(args.output);
  if (!out.Open()) return Fail("cannot write " + args.output + ": " + std::strerror(errno));
  host.SetSpoolSink([&](const BYTE* bytes, DWORD size) { return out.Write(bytes, size); });

  Progress progress(page.Height());
  error = RunBandJob(args.plugin, host, args.job, page.Width(), page.Height(),
                     [&](BYTE* band, std::size_t stride, unsigned rows, std::string& problem) {
                       progress.Rows(rows);
                       if (page.ReadRows(band, stride, rows, problem)) return true;
                       problem = args.page + ": " + problem;
                       return false;
                     });
  progress.Done();
  if (!error.empty()) return Fail(error);
  if (host.SpoolFailed() || !out.Commit()) {
    return Fail("cannot write " + args.output + ": " + std::strerror(errno));
  }
  return 0;
}
