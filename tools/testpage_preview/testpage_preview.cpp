// testpage_preview: the setup program's test page as the printer prints it.
// Draws the page with the setup program's own DrawTestPage onto an 8-bit
// gray bitmap in the printer's device units (576 dots wide, 203 dots per
// inch), hands it band by band to the plug-in library as the host would,
// and writes what the plug-in spools. The language is the one the resource
// loader picks (under Wine, from LANG).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "band_job.h"
#include "resource_text.h"
#include "scoped_handle.h"
#include "test_page.h"

#ifndef TESTPAGE_DEFAULT_PLUGIN
#error "the build names the default plug-in library"
#endif

namespace {

constexpr char kUsage[] =
    "usage: testpage_preview [--plugin DLL] [--printer NAME] [--height N] [--band-height N]\n"
    "                        [--page OUT.pgm] -o OUT.bin\n"
    "  Draws the test page for the queue NAME (default BRINDOL-80) as printed on\n"
    "  6 March 2026 at 09:05:07, on a page 576 dots wide and N dots tall (default\n"
    "  600), runs it through the plug-in (default " TESTPAGE_DEFAULT_PLUGIN
    ") in bands\n"
    "  of 240 rows and writes the stream to OUT.bin; --page also keeps the page.\n";

constexpr int kPageWidth = 576;  // the 80 mm printer's line of dots
constexpr SYSTEMTIME kExampleTime = {2026, 3, 5, 6, 9, 5, 7, 0};

struct Arguments {
  std::string plugin = TESTPAGE_DEFAULT_PLUGIN;
  std::wstring printer = L"BRINDOL-80";
  int height = 600;
  BandJob job;
  std::string page, output;
};

std::string Narrow(const wchar_t* text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  return out;
}

bool ParsePositive(const wchar_t* text, int max, int& value) {
  wchar_t* end = nullptr;
  long number = std::wcstol(text, &end, 10);
  if (end == text || *end || number <= 0 || number > max) return false;
  value = static_cast<int>(number);
  return true;
}

// Empty, or what is wrong with the command line.
std::string ParseArguments(int argc, wchar_t** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (i + 1 >= argc) return "unknown or incomplete option: " + Narrow(argv[i]);
    const wchar_t* value = argv[++i];
    int number = 0;
    if (arg == L"--plugin") {
      args.plugin = Narrow(value);
    } else if (arg == L"--printer") {
      args.printer = value;
    } else if (arg == L"--height") {
      if (!ParsePositive(value, 65535, number)) return "bad height: " + Narrow(value);
      args.height = number;
    } else if (arg == L"--band-height") {
      if (!ParsePositive(value, 65535, number)) return "bad band height: " + Narrow(value);
      args.job.bandHeight = static_cast<unsigned>(number);
    } else if (arg == L"--page") {
      args.page = Narrow(value);
    } else if (arg == L"-o") {
      args.output = Narrow(value);
    } else {
      return "unknown option: " + Narrow(arg.c_str());
    }
  }
  return args.output.empty() ? "no output given (-o OUT.bin)" : "";
}

// The page as the host renders it: 8-bit gray, 255 white, rows from the top.
bool DrawPage(const Arguments& args, GrayPage& page) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info = {};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = kPageWidth;
  info.header.biHeight = -args.height;  // top-down: the first row in memory is the top
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biClrUsed = 256;
  for (int i = 0; i < 256; ++i) {
    info.colors[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  ScopedDc dc(CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  ScopedGdiObject bitmap(CreateDIBSection(dc.Get(), reinterpret_cast<BITMAPINFO*>(&info),
                                          DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc.IsValid() || !bitmap.IsValid() || !bits) return false;
  const size_t stride = (kPageWidth + 3) & ~3;
  std::memset(bits, 255, stride * static_cast<size_t>(args.height));
  HGDIOBJ previous = SelectObject(dc.Get(), bitmap.Get());
  DrawTestPage(dc.Get(), args.printer.c_str(), kExampleTime);
  GdiFlush();
  SelectObject(dc.Get(), previous);
  page.width = kPageWidth;
  page.height = static_cast<unsigned>(args.height);
  page.pixels.resize(static_cast<size_t>(kPageWidth) * page.height);
  for (unsigned row = 0; row < page.height; ++row) {
    std::memcpy(page.pixels.data() + static_cast<size_t>(row) * kPageWidth,
                static_cast<BYTE*>(bits) + row * stride, kPageWidth);
  }
  return true;
}

bool WriteFile(const std::string& path, const std::string& header,
               const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << header;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "testpage_preview: %s\n", message.c_str());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Arguments args;
  args.job.bandHeight = 240;  // a multiple of the plug-in's 24-row blocks
  const std::string problem = ParseArguments(argc, argv, args);
  if (!problem.empty()) {
    std::fprintf(stderr, "testpage_preview: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  SetResourceInstance(GetModuleHandleW(nullptr));
  GrayPage page;
  if (!DrawPage(args, page)) return Fail("cannot draw the page");
  if (!args.page.empty()) {
    const std::string header =
        "P5\n" + std::to_string(page.width) + " " + std::to_string(page.height) + "\n255\n";
    if (!WriteFile(args.page, header, page.pixels)) return Fail("cannot write " + args.page);
  }
  SubstituteHost host;
  const std::string error = RunBandJob(args.plugin, host, args.job, page);
  if (!error.empty()) return Fail(error);
  if (!WriteFile(args.output, "", host.Spool())) return Fail("cannot write " + args.output);
  return 0;
}
