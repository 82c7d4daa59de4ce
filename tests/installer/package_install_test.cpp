// Driver package installation against the spooler, file system and service
// manager: winsim's natively, the real ones under Wine.
#include <windows.h>
// After windows.h, which it needs.
#include <winspool.h>
#include <winsvc.h>

#include "installer_fixture.h"
#include "package_files.h"
#include "package_install.h"
#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#endif

namespace {

using PackageInstallTest = InstallerTest;

std::wstring DriverDir() { return machine::DriverDirectory(); }

std::vector<std::wstring> FileNames(const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> names;
  for (const auto& path : paths) names.push_back(machine::FileName(path));
  return names;
}

TEST_F(PackageInstallTest, FreshInstallRegistersDriverAndQueueWithTheirRecords) {
  StagePackage();
  machine::AddLocalPort(L"USB001");
  InstallRequest request = Request(L"USB001");

  ASSERT_TRUE(InstallDriverAndPrinter(request));

  for (const WCHAR* file : kArchitecturePackageFiles) {
    EXPECT_EQ(machine::ReadFile(DriverDir() + L"\\" + file),
              StagedLibrary(machine::NativeFolder(), file))
        << Utf8(file);
  }
  for (const WCHAR* file : kCommonPackageFiles)
    EXPECT_TRUE(machine::FileExists(DriverDir() + L"\\" + file));

  // The spooler lists the driver's files where it keeps them: full paths.
  auto drivers = machine::Drivers();
  ASSERT_EQ(drivers.size(), 1u);
  const auto& driver = drivers[0];
  EXPECT_EQ(driver.version, 3u);
  EXPECT_EQ(driver.name, L"BRINDOL-80");
  EXPECT_EQ(driver.environment, machine::NativeEnvironment());
  EXPECT_TRUE(EqualNoCaseForTest(driver.driverPath, DriverDir() + L"\\3\\uniDRV.DLL"))
      << Utf8(driver.driverPath);
  EXPECT_TRUE(EqualNoCaseForTest(driver.dataFile, DriverDir() + L"\\3\\BRINDOL80C.GPD"))
      << Utf8(driver.dataFile);
  EXPECT_TRUE(EqualNoCaseForTest(driver.configFile, DriverDir() + L"\\3\\uniDRVUI.DLL"))
      << Utf8(driver.configFile);
  EXPECT_EQ(driver.helpFile, L"");
  EXPECT_EQ(driver.monitorName, L"");
  EXPECT_EQ(driver.defaultDataType, L"RAW");
  EXPECT_EQ(FileNames(driver.dependentFiles),
            (std::vector<std::wstring>{L"TTFSUB.GPD", L"STDNAMES.GPD", L"UNIRES.DLL",
                                       L"BRINDOL80.DLL", L"BRINDOL80RES.DLL", L"BRINDOL80.INI"}));

  auto printers = machine::Printers();
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].name, L"BRINDOL-80");
  EXPECT_EQ(printers[0].port, L"USB001");
  EXPECT_EQ(printers[0].driver, L"BRINDOL-80");
  EXPECT_EQ(printers[0].printProcessor, L"WinPrint");
  EXPECT_EQ(printers[0].dataType, L"RAW");
  EXPECT_EQ(printers[0].attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
  EXPECT_EQ(printers[0].shareName, L"");
  EXPECT_EQ(printers[0].serverName, L"");

#if NATIVE_ONLY("records the controls the spooler service received")
  EXPECT_TRUE(sim::SpoolerControls().empty()) << "the port was known: no restart";
#endif
  auto log = LogLines();
  ASSERT_EQ(log.size(), kPackageFileCount);
  EXPECT_EQ(log[0], "Copy file from C:\\setup\\\\" + Utf8(machine::NativeFolder()) +
                        "\\BRINDOL80RES.DLL to " + Utf8(DriverDir()) +
                        "\\BRINDOL80RES.DLL, 1, errcode:0x0.");
  EXPECT_EQ(log[5], "Copy file from C:\\setup\\\\BRINDOL80.INI to " + Utf8(DriverDir()) +
                        "\\BRINDOL80.INI, 1, errcode:0x0.");
}

TEST_F(PackageInstallTest, PrinterNameIsMadeUnique) {
  struct Case {
    const char* name;
    int taken;  // -1: none, 0: the plain name, n: the plain name and (Copy 1)..(Copy n)
    const wchar_t* expected;
  } cases[] = {
      {"free name", -1, L"BRINDOL-80"},
      {"plain name taken", 0, L"BRINDOL-80(Copy 1)"},
      {"copy 1 taken too", 1, L"BRINDOL-80(Copy 2)"},
      {"all but the last", 252, L"BRINDOL-80(Copy 253)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    machine::Reset();
    StagePackage();
    machine::AddDriver(L"BRINDOL-80");
    machine::AddLocalPort(L"USB001");
    if (c.taken >= 0) machine::AddQueue(L"BRINDOL-80", L"USB001", L"BRINDOL-80");
    for (int n = 1; n <= c.taken; ++n) {
      machine::AddQueue(L"BRINDOL-80(Copy " + std::to_wstring(n) + L")", L"USB001", L"BRINDOL-80");
    }
    InstallRequest request = Request(L"USB001");
    ASSERT_TRUE(InstallDriverAndPrinter(request));
    EXPECT_EQ(std::wstring(request.printerName), c.expected);
    EXPECT_EQ(machine::FindPrinter(c.expected).port, L"USB001");
  }
}

TEST_F(PackageInstallTest, EveryNameTakenFailsWithoutInstalling) {
  StagePackage();
  machine::AddDriver(L"BRINDOL-80");
  machine::AddQueue(L"BRINDOL-80", L"USB001", L"BRINDOL-80");
  for (int n = 1; n <= 253; ++n) {
    machine::AddQueue(L"BRINDOL-80(Copy " + std::to_wstring(n) + L")", L"USB001", L"BRINDOL-80");
  }
  InstallRequest request = Request(L"USB001");
  SetLastError(0);
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
  EXPECT_EQ(machine::Printers().size(), 254u);
  EXPECT_TRUE(LogLines().empty()) << "nothing copied";
  EXPECT_EQ(std::wstring(request.printerName), L"BRINDOL-80");
}

TEST_F(PackageInstallTest, RegisteredDriverIsReusedButFilesAreCopiedAgain) {
  StagePackage();
  machine::AddDriver(L"BRINDOL-80");
  machine::AddLocalPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  ASSERT_TRUE(InstallDriverAndPrinter(request));
#if NATIVE_ONLY("counts the calls the spooler received")
  EXPECT_EQ(sim::AddPrinterDriverCalls(), 0);
#endif
  EXPECT_EQ(LogLines().size(), kPackageFileCount);
  ASSERT_EQ(machine::Drivers().size(), 1u);
  EXPECT_NE(machine::FileName(machine::Drivers()[0].dataFile), L"BRINDOL80C.GPD")
      << "the registered driver was kept";
  ASSERT_EQ(machine::Printers().size(), 1u);
  EXPECT_EQ(machine::Printers()[0].driver, L"BRINDOL-80");
}

TEST_F(PackageInstallTest, DriverNameComparisonIsCaseSensitive) {
  machine::AddDriver(L"brindol-80");
  EXPECT_FALSE(IsDriverInstalled(L"BRINDOL-80"));
  EXPECT_TRUE(IsDriverInstalled(L"brindol-80"));
}

#if NATIVE_ONLY("makes EnumPortsW fail and sets the Spooler service's state")
TEST_F(PackageInstallTest, SpoolerIsRestartedOnlyForAPortItDoesNotList) {
  struct Case {
    const char* name;
    const wchar_t* port;
    DWORD spoolerState;
    bool failEnumeration;
    std::vector<std::string> controls;
  } cases[] = {
      {"known port", L"USB001", SERVICE_RUNNING, false, {}},
      {"unknown port", L"USB009", SERVICE_RUNNING, false, {"stop", "start"}},
      {"port differs in case only", L"usb001", SERVICE_RUNNING, false, {"stop", "start"}},
      {"ports cannot be read", L"USB001", SERVICE_RUNNING, true, {"stop", "start"}},
      {"spooler not running", L"USB009", SERVICE_STOPPED, false, {}},
      {"spooler still starting", L"USB009", SERVICE_START_PENDING, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    StagePackage();
    sim::AddPort(L"USB001");
    sim::SetSpoolerState(c.spoolerState);
    if (c.failEnumeration) sim::FailCall("EnumPortsW", ERROR_ACCESS_DENIED, 0, 2);
    InstallRequest request = Request(c.port);
    EXPECT_TRUE(InstallDriverAndPrinter(request));
    EXPECT_EQ(sim::SpoolerControls(), c.controls);
    if (!c.controls.empty()) {
      EXPECT_EQ(sim::SpoolerState(), static_cast<DWORD>(SERVICE_RUNNING));
    }
  }
}
#endif

#if NATIVE_ONLY("a spooler that never stops, and virtual Sleep")
TEST_F(PackageInstallTest, RestartPollsAreBoundedWhenTheSpoolerHangs) {
  sim::SetSpoolerTransitionQueries(-1);  // the stop never completes
  RestartSpooler();
  EXPECT_EQ(sim::SpoolerControls(), (std::vector<std::string>{"stop", "start"}));
  auto sleeps = sim::Sleeps();
  EXPECT_EQ(sleeps.size(), 2000u);
  EXPECT_EQ(sim::SleptMilliseconds(), 20000u);
}
#endif

TEST_F(PackageInstallTest, ArchitectureFolderFollowsTheNativeArchitecture) {
  const struct Case {
    WORD architecture;
    std::wstring folder;  // empty: unsupported
  } cases[] = {
    {machine::NativeArchitecture(), machine::NativeFolder()},  // the machine's own
#if NATIVE_ONLY("sets the processor architecture the system reports")
    {PROCESSOR_ARCHITECTURE_INTEL, L"i386"},
    {PROCESSOR_ARCHITECTURE_ARM, L"arm"},
    {PROCESSOR_ARCHITECTURE_ARM64, L"arm64"},
    {PROCESSOR_ARCHITECTURE_IA64, L""},
    {PROCESSOR_ARCHITECTURE_UNKNOWN, L""},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.architecture);
    machine::Reset();
#if NATIVE_ONLY("sets the processor architecture the system reports")
    sim::SetNativeArchitecture(c.architecture);
#endif
    StagePackage(c.folder.empty() ? machine::NativeFolder() : c.folder);
    machine::AddLocalPort(L"USB001");
    InstallRequest request = Request(L"USB001");
    if (c.folder.empty()) {
      EXPECT_FALSE(InstallDriverAndPrinter(request));
      EXPECT_TRUE(LogLines().empty()) << "nothing copied, nothing logged";
      EXPECT_TRUE(machine::Printers().empty());
      continue;
    }
    ASSERT_TRUE(InstallDriverAndPrinter(request));
    EXPECT_EQ(machine::ReadFile(DriverDir() + L"\\BRINDOL80.DLL"),
              StagedLibrary(c.folder, L"BRINDOL80.DLL"));
    EXPECT_NE(LogLines()[0].find("C:\\setup\\\\" + Utf8(c.folder) + "\\BRINDOL80RES.DLL"),
              std::string::npos);
  }
}

TEST_F(PackageInstallTest, MissingFileSkipsRegistrationAndKeepsTheOldCopy) {
  StagePackage(machine::NativeFolder(), L"UNIDRV.HLP");
  machine::WriteFile(DriverDir() + L"\\UNIDRV.HLP", "from an earlier installation");
  machine::AddLocalPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  SetLastError(0);

  EXPECT_FALSE(InstallDriverAndPrinter(request));
  const DWORD error = GetLastError();

  EXPECT_EQ(machine::ReadFile(DriverDir() + L"\\UNIDRV.HLP"), "from an earlier installation");
  EXPECT_TRUE(machine::Drivers().empty());
  EXPECT_TRUE(machine::Printers().empty());
#if NATIVE_ONLY("counts the calls the spooler received")
  EXPECT_EQ(sim::AddPrinterDriverCalls(), 0);
  EXPECT_EQ(sim::AddPrinterCalls(), 1) << "the queue is still attempted";
#endif
  auto log = LogLines();
  ASSERT_EQ(log.size(), kPackageFileCount + 1) << "the queue is still attempted";
  EXPECT_EQ(log[12], "Copy file from C:\\setup\\\\UNIDRV.HLP to " + Utf8(DriverDir()) +
                         "\\UNIDRV.HLP, 0, errcode:0x2.");
  EXPECT_EQ(log[13],
            "AddPrinter BRINDOL-80 failed, portName: USB001, driverName:BRINDOL-80, errcode:1797.");
  // The queue never appeared: the error is that of the last attempt to open it.
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
#if NATIVE_ONLY("records Sleep calls and spooler service controls")
  EXPECT_EQ(sim::Sleeps(), std::vector<DWORD>(5, 1000));
  EXPECT_TRUE(sim::SpoolerControls().empty()) << "no restart after a failure";
#endif
}

TEST_F(PackageInstallTest, MissingFileWithEarlierDriverStillAddsTheQueue) {
  StagePackage(machine::NativeFolder(), L"BRINDOL80.DLL");
  machine::AddDriver(L"BRINDOL-80");
  machine::AddLocalPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  EXPECT_TRUE(InstallDriverAndPrinter(request));
  EXPECT_EQ(PrinterNames(), std::vector<std::wstring>{L"BRINDOL-80"});
}

TEST_F(PackageInstallTest, ExistingTargetIsReplaced) {
  StagePackage();
  machine::WriteFile(DriverDir() + L"\\BRINDOL80.DLL", "old");
  EXPECT_TRUE(CopyDriverFile(L"BRINDOL80.DLL", machine::NativeFolder().c_str()));
  EXPECT_EQ(machine::ReadFile(DriverDir() + L"\\BRINDOL80.DLL"),
            StagedLibrary(machine::NativeFolder(), L"BRINDOL80.DLL"));
}

#if NATIVE_ONLY("a spooler that lists new drivers and queues late, and virtual Sleep")
TEST_F(PackageInstallTest, WaitsForTheDriverAndTheQueue) {
  struct Case {
    const char* name;
    DWORD driverDelay, printerDelay;
    bool succeeds;
    DWORD slept;
  } cases[] = {
      {"both at once", 0, 0, true, 0},           {"driver on the fifth check", 4000, 0, true, 4000},
      {"driver too late", 4001, 0, false, 5000}, {"queue on the fifth try", 0, 4000, true, 4000},
      {"queue too late", 0, 5001, false, 5000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    StagePackage();
    sim::AddPort(L"USB001");
    sim::SetDriverListingDelay(c.driverDelay);
    sim::SetPrinterListingDelay(c.printerDelay);
    InstallRequest request = Request(L"USB001");
    EXPECT_EQ(InstallDriverAndPrinter(request) != FALSE, c.succeeds);
    EXPECT_EQ(sim::SleptMilliseconds(), c.slept);
    if (c.driverDelay > 4000) {
      EXPECT_EQ(sim::AddPrinterCalls(), 0);
    }
  }
}
#endif

#if NATIVE_ONLY("makes AddPrinterDriverW fail")
TEST_F(PackageInstallTest, RefusedDriverIsLoggedAndFails) {
  StagePackage();
  sim::FailCall("AddPrinterDriverW", ERROR_ACCESS_DENIED);
  InstallRequest request = Request(L"USB001");
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(LogLines().back(), "AddPrinterDriver failed, errcode:5.");
  EXPECT_EQ(sim::AddPrinterCalls(), 0);
}
#endif

#if NATIVE_ONLY("a spooler that refuses every new queue")
TEST_F(PackageInstallTest, RefusedQueueIsLoggedAndFailsAfterFiveTries) {
  StagePackage();
  sim::RefuseNewPrinters(ERROR_ACCESS_DENIED);
  InstallRequest request = Request(L"USB001");
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(LogLines().back(),
            "AddPrinter BRINDOL-80 failed, portName: USB001, driverName:BRINDOL-80, errcode:5.");
  EXPECT_EQ(sim::Sleeps(), std::vector<DWORD>(5, 1000));
}
#endif

TEST_F(PackageInstallTest, QueueThatExistsAlreadyIsReportedAndKept) {
  StagePackage();
  machine::AddDriver(L"BRINDOL-80");
  machine::AddQueue(L"BRINDOL-80", L"USB001", L"BRINDOL-80");
  InstallRequest request = Request(L"USB001");
  EXPECT_TRUE(InstallPackage(request));
  EXPECT_EQ(LogLines().back(), "The printer BRINDOL-80 is already added.");
  EXPECT_EQ(PrinterNames(), std::vector<std::wstring>{L"BRINDOL-80"});
#if NATIVE_ONLY("counts the calls the spooler received")
  EXPECT_EQ(sim::AddPrinterCalls(), 0);
#endif
}

}  // namespace
