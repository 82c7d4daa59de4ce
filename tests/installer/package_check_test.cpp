// The package check before the copy: a setup directory with a placeholder or
// with a library for another processor changes nothing on the machine.
#include <windows.h>
// After windows.h, which it needs.
#include <winspool.h>

#include "installer_fixture.h"
#include "package_files.h"
#include "package_install.h"
#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#endif

namespace {

using PackageCheckTest = InstallerTest;

std::string Placeholder(const std::string& name) {
  return "PLACEHOLDER - not the real " + name + ".\r\nIt cannot install a working driver.\r\n";
}

std::string LittleEndian32(DWORD value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
  return bytes;
}

// A DOS header whose PE offset field holds `offset`, nothing else.
std::string DosHeaderPointingAt(DWORD offset) {
  std::string image(0x3C, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  return image + LittleEndian32(offset) + std::string(64, '\0');
}

TEST_F(PackageCheckTest, UnfitFileStopsTheInstallationBeforeAnyCopy) {
  // The machine's own processor in most rows: AMD64, or INTEL under 32-bit Wine.
  const WORD own = machine::NativeArchitecture();
  const std::wstring at = machine::NativeFolder() + L"\\";
  const bool x64 = own == PROCESSOR_ARCHITECTURE_AMD64;
  const struct {
    const char* name;
    WORD architecture;
    std::wstring file;  // relative to C:\setup\ ;
    std::string content;
    const char* reason;  // the log line after the file's path
  } cases[] = {
      {"placeholder library", own, at + L"UNIDRV.DLL", Placeholder("UNIDRV.DLL"),
       " is a placeholder, not the real file."},
      {"placeholder description", own, L"STDNAMES.GPD", Placeholder("STDNAMES.GPD"),
       " is a placeholder, not the real file."},
      {"placeholder help file", own, L"UNIDRV.HLP", Placeholder("UNIDRV.HLP"),
       " is a placeholder, not the real file."},
      {"text as a library", own, at + L"BRINDOL80.DLL", "BRINDOL80",
       " is not a PE image (no MZ header)."},
      {"empty library", own, at + L"UNIRES.DLL", "", " is not a PE image (no MZ header)."},
      {"DOS header only", own, at + L"UNIDRVUI.DLL", DosHeaderPointingAt(0x40),
       " is not a PE image (no PE signature in its first 4096 bytes)."},
      // An offset near 2^32 must not wrap into the part that was read.
      {"PE offset far past the end", own, at + L"UNIDRVUI.DLL", DosHeaderPointingAt(0xFFFFFFFEu),
       " is not a PE image (no PE signature in its first 4096 bytes)."},
      {"a library of the other Windows", own, at + L"UNIDRV.DLL",
       InstallerTest::PeImage(x64 ? 0x014C : 0x8664, "UNIDRV.DLL"),
       x64 ? " is built for machine type 0x14c, this machine needs 0x8664."
           : " is built for machine type 0x8664, this machine needs 0x14c."},
      {"x64 library on x86", PROCESSOR_ARCHITECTURE_INTEL, L"i386\\BRINDOL80RES.DLL",
       InstallerTest::PeImage(0x8664, "amd64 BRINDOL80RES.DLL"),
       " is built for machine type 0x8664, this machine needs 0x14c."},
      {"ARM64 library on ARM", PROCESSOR_ARCHITECTURE_ARM, L"arm\\UNIRES.DLL",
       InstallerTest::PeImage(0xAA64, "arm64 UNIRES.DLL"),
       " is built for machine type 0xaa64, this machine needs 0x1c4."},
  };
  for (const auto& c : cases) {
    if (c.architecture != own &&
        !NATIVE_ONLY("a machine of another processor than the test machine's")) {
      continue;
    }
    SCOPED_TRACE(c.name);
    machine::Reset();
#if NATIVE_ONLY("the machine's processor chosen per case")
    sim::SetNativeArchitecture(c.architecture);
#endif
    StagePackage(ArchitectureFolder(c.architecture));
    machine::WriteFile(L"C:\\setup\\" + c.file, c.content);
    // What an earlier installation left must stay exactly as it was.
    const std::wstring driverDir = c.architecture == PROCESSOR_ARCHITECTURE_INTEL
                                       ? L"C:\\Windows\\System32\\spool\\drivers\\w32x86"
                                       : machine::DriverDirectory();
    machine::WriteFile(driverDir + L"\\UNIDRV.DLL", "the platform's own UNIDRV.DLL");
    machine::AddLocalPort(L"USB001");
    const std::size_t drivers = machine::Drivers().size();
    const std::size_t printers = machine::Printers().size();
    InstallRequest request = Request(L"USB001");
    SetLastError(0);

    EXPECT_FALSE(InstallDriverAndPrinter(request));

    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Package check failed: C:\\setup\\\\" +
                                                   Utf8(c.file) + c.reason})
        << "one line, naming the file; no copy was attempted";
    EXPECT_EQ(machine::ReadFile(driverDir + L"\\UNIDRV.DLL"), "the platform's own UNIDRV.DLL");
    for (const WCHAR* file : kCommonPackageFiles)
      EXPECT_FALSE(machine::FileExists(driverDir + L"\\" + file));
    EXPECT_EQ(machine::Drivers().size(), drivers);
    EXPECT_EQ(machine::Printers().size(), printers);
#if NATIVE_ONLY("the spooler's recorded calls and service controls")
    EXPECT_EQ(sim::AddPrinterDriverCalls(), 0);
    EXPECT_EQ(sim::AddPrinterCalls(), 0);
    EXPECT_TRUE(sim::SpoolerControls().empty());
#endif
  }
}

// What the package script writes without the platform's files: all six are
// placeholders, and the log lists every one of them.
TEST_F(PackageCheckTest, EveryPlaceholderIsLogged) {
  StagePackage();
  const std::wstring at = machine::NativeFolder() + L"\\";
  const std::wstring placeholders[] = {at + L"UNIDRV.DLL", at + L"UNIDRVUI.DLL", at + L"UNIRES.DLL",
                                       L"STDNAMES.GPD",    L"TTFSUB.GPD",        L"UNIDRV.HLP"};
  const std::size_t drivers = machine::Drivers().size();
  for (const auto& file : placeholders) {
    machine::WriteFile(L"C:\\setup\\" + file, Placeholder(Utf8(file.substr(file.find(L'\\') + 1))));
  }
  InstallRequest request = Request(L"USB001");
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  std::vector<std::string> expected;
  for (const auto& file : placeholders) {
    expected.push_back("Package check failed: C:\\setup\\\\" + Utf8(file) +
                       " is a placeholder, not the real file.");
  }
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(machine::Drivers().size(), drivers);
}

// The check reads only the first page: a library whose headers lie at its
// very end passes, and a large file is no reason to refuse.
TEST_F(PackageCheckTest, HeadersAtTheEndOfTheFirstPageArePassed) {
  StagePackage();
  std::string late = DosHeaderPointingAt(4096 - 6);
  late.resize(4096 - 6, '\0');
  const WORD own = machine::NativeArchitecture() == PROCESSOR_ARCHITECTURE_INTEL ? 0x014C : 0x8664;
  late += std::string("PE\0\0", 4) + static_cast<char>(own & 0xFF) + static_cast<char>(own >> 8) +
          std::string(100000, 'x');
  machine::WriteFile(L"C:\\setup\\" + machine::NativeFolder() + L"\\UNIRES.DLL", late);
  machine::AddLocalPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  EXPECT_TRUE(InstallDriverAndPrinter(request));
  EXPECT_EQ(machine::ReadFile(machine::DriverDirectory() + L"\\UNIRES.DLL"), late);
}

}  // namespace
