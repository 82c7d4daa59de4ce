// Driver package installation against the simulated spooler, file system and
// service manager.
#include <winspool.h>
#include <winsvc.h>

#include "installer_fixture.h"
#include "package_files.h"
#include "package_install.h"

namespace {

using PackageInstallTest = InstallerTest;

const std::wstring kDriverDir = L"C:\\Windows\\System32\\spool\\drivers\\x64";

TEST_F(PackageInstallTest, FreshInstallRegistersDriverAndQueueWithTheirRecords) {
  StagePackage();
  sim::AddPort(L"USB001", L"USB Monitor");
  InstallRequest request = Request(L"USB001");

  ASSERT_TRUE(InstallDriverAndPrinter(request));

  for (const WCHAR* file : kArchitecturePackageFiles) {
    EXPECT_EQ(sim::ReadFile(kDriverDir + L"\\" + file), StagedLibrary(L"amd64", file)) << Utf8(file);
  }
  for (const WCHAR* file : kCommonPackageFiles) EXPECT_TRUE(sim::FileExists(kDriverDir + L"\\" + file));

  auto drivers = sim::Drivers();
  ASSERT_EQ(drivers.size(), 1u);
  const auto& driver = drivers[0];
  EXPECT_EQ(driver.version, 3u);
  EXPECT_EQ(driver.name, L"BRINDOL-80");
  EXPECT_EQ(driver.environment, L"");
  EXPECT_EQ(driver.driverPath, L"uniDRV.DLL");
  EXPECT_EQ(driver.dataFile, L"BRINDOL80C.GPD");
  EXPECT_EQ(driver.configFile, L"uniDRVUI.DLL");
  EXPECT_EQ(driver.helpFile, L"");
  EXPECT_EQ(driver.monitorName, L"");
  EXPECT_EQ(driver.defaultDataType, L"RAW");
  EXPECT_EQ(driver.dependentFiles, (std::vector<std::wstring>{L"TTFSUB.GPD", L"STDNAMES.GPD", L"UNIRES.DLL",
                                                              L"BRINDOL80.DLL", L"BRINDOL80RES.DLL",
                                                              L"BRINDOL80.INI"}));

  auto printers = sim::Printers();
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].name, L"BRINDOL-80");
  EXPECT_EQ(printers[0].port, L"USB001");
  EXPECT_EQ(printers[0].driver, L"BRINDOL-80");
  EXPECT_EQ(printers[0].printProcessor, L"WinPrint");
  EXPECT_EQ(printers[0].dataType, L"RAW");
  EXPECT_EQ(printers[0].attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
  EXPECT_EQ(printers[0].shareName, L"");
  EXPECT_EQ(printers[0].serverName, L"");

  EXPECT_TRUE(sim::SpoolerControls().empty()) << "the port was known: no restart";
  auto log = LogLines();
  ASSERT_EQ(log.size(), kPackageFileCount);
  EXPECT_EQ(log[0],
            "Copy file from C:\\setup\\\\amd64\\BRINDOL80RES.DLL to "
            "C:\\Windows\\System32\\spool\\drivers\\x64\\BRINDOL80RES.DLL, 1, errcode:0x0.");
  EXPECT_EQ(log[5],
            "Copy file from C:\\setup\\\\BRINDOL80.INI to "
            "C:\\Windows\\System32\\spool\\drivers\\x64\\BRINDOL80.INI, 1, errcode:0x0.");
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
    sim::ResetWorld();
    StagePackage();
    sim::AddDriver(L"BRINDOL-80");
    sim::AddPort(L"USB001");
    if (c.taken >= 0) sim::AddPrinter(L"BRINDOL-80", L"USB001", L"BRINDOL-80");
    for (int n = 1; n <= c.taken; ++n) {
      sim::AddPrinter(L"BRINDOL-80(Copy " + std::to_wstring(n) + L")", L"USB001", L"BRINDOL-80");
    }
    InstallRequest request = Request(L"USB001");
    ASSERT_TRUE(InstallDriverAndPrinter(request));
    EXPECT_EQ(std::wstring(request.printerName), c.expected);
    EXPECT_EQ(PrinterNames().back(), c.expected);
  }
}

TEST_F(PackageInstallTest, EveryNameTakenFailsWithoutInstalling) {
  StagePackage();
  sim::AddDriver(L"BRINDOL-80");
  sim::AddPrinter(L"BRINDOL-80", L"USB001", L"BRINDOL-80");
  for (int n = 1; n <= 253; ++n) {
    sim::AddPrinter(L"BRINDOL-80(Copy " + std::to_wstring(n) + L")", L"USB001", L"BRINDOL-80");
  }
  InstallRequest request = Request(L"USB001");
  SetLastError(0);
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
  EXPECT_EQ(sim::AddPrinterCalls(), 0);
  EXPECT_TRUE(LogLines().empty()) << "nothing copied";
  EXPECT_EQ(std::wstring(request.printerName), L"BRINDOL-80");
}

TEST_F(PackageInstallTest, RegisteredDriverIsReusedButFilesAreCopiedAgain) {
  StagePackage();
  sim::AddDriver(L"BRINDOL-80");
  sim::AddPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  ASSERT_TRUE(InstallDriverAndPrinter(request));
  EXPECT_EQ(sim::AddPrinterDriverCalls(), 0);
  EXPECT_EQ(LogLines().size(), kPackageFileCount);
  ASSERT_EQ(sim::Printers().size(), 1u);
  EXPECT_EQ(sim::Printers()[0].driver, L"BRINDOL-80");
}

TEST_F(PackageInstallTest, DriverNameComparisonIsCaseSensitive) {
  sim::AddDriver(L"brindol-80");
  EXPECT_FALSE(IsDriverInstalled(L"BRINDOL-80"));
  EXPECT_TRUE(IsDriverInstalled(L"brindol-80"));
}

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

TEST_F(PackageInstallTest, RestartPollsAreBoundedWhenTheSpoolerHangs) {
  sim::SetSpoolerTransitionQueries(-1);  // the stop never completes
  RestartSpooler();
  EXPECT_EQ(sim::SpoolerControls(), (std::vector<std::string>{"stop", "start"}));
  auto sleeps = sim::Sleeps();
  EXPECT_EQ(sleeps.size(), 2000u);
  EXPECT_EQ(sim::SleptMilliseconds(), 20000u);
}

TEST_F(PackageInstallTest, ArchitectureFolderFollowsTheNativeArchitecture) {
  struct Case {
    WORD architecture;
    const wchar_t* folder;  // null: unsupported
  } cases[] = {
      {PROCESSOR_ARCHITECTURE_INTEL, L"i386"},  {PROCESSOR_ARCHITECTURE_ARM, L"arm"},
      {PROCESSOR_ARCHITECTURE_AMD64, L"amd64"}, {PROCESSOR_ARCHITECTURE_ARM64, L"arm64"},
      {PROCESSOR_ARCHITECTURE_IA64, nullptr},   {PROCESSOR_ARCHITECTURE_UNKNOWN, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.architecture);
    sim::ResetWorld();
    sim::SetNativeArchitecture(c.architecture);
    StagePackage(c.folder ? c.folder : L"amd64");
    sim::AddPort(L"USB001");
    InstallRequest request = Request(L"USB001");
    if (!c.folder) {
      EXPECT_FALSE(InstallDriverAndPrinter(request));
      EXPECT_TRUE(LogLines().empty()) << "nothing copied, nothing logged";
      EXPECT_TRUE(sim::Printers().empty());
      continue;
    }
    ASSERT_TRUE(InstallDriverAndPrinter(request));
    EXPECT_EQ(sim::ReadFile(kDriverDir + L"\\BRINDOL80.DLL"), StagedLibrary(c.folder, L"BRINDOL80.DLL"));
    EXPECT_NE(LogLines()[0].find("C:\\setup\\\\" + Utf8(c.folder) + "\\BRINDOL80RES.DLL"), std::string::npos);
  }
}

TEST_F(PackageInstallTest, MissingFileSkipsRegistrationAndKeepsTheOldCopy) {
  StagePackage(L"amd64", L"UNIDRV.HLP");
  sim::WriteFile(kDriverDir + L"\\UNIDRV.HLP", "from an earlier installation");
  sim::AddPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  SetLastError(0);

  EXPECT_FALSE(InstallDriverAndPrinter(request));

  EXPECT_EQ(sim::ReadFile(kDriverDir + L"\\UNIDRV.HLP"), "from an earlier installation");
  EXPECT_EQ(sim::AddPrinterDriverCalls(), 0);
  EXPECT_EQ(sim::AddPrinterCalls(), 1) << "the queue is still attempted";
  auto log = LogLines();
  ASSERT_EQ(log.size(), kPackageFileCount + 1);
  EXPECT_EQ(log[12],
            "Copy file from C:\\setup\\\\UNIDRV.HLP to C:\\Windows\\System32\\spool\\drivers\\x64\\UNIDRV.HLP, 0, "
            "errcode:0x2.");
  EXPECT_EQ(log[13], "AddPrinter BRINDOL-80 failed, portName: USB001, driverName:BRINDOL-80, errcode:1797.");
  // The queue never appeared: the error is that of the last attempt to open it.
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(sim::Sleeps(), std::vector<DWORD>(5, 1000));
  EXPECT_TRUE(sim::SpoolerControls().empty()) << "no restart after a failure";
}

TEST_F(PackageInstallTest, MissingFileWithEarlierDriverStillAddsTheQueue) {
  StagePackage(L"amd64", L"BRINDOL80.DLL");
  sim::AddDriver(L"BRINDOL-80");
  sim::AddPort(L"USB001");
  InstallRequest request = Request(L"USB001");
  EXPECT_TRUE(InstallDriverAndPrinter(request));
  EXPECT_EQ(PrinterNames(), std::vector<std::wstring>{L"BRINDOL-80"});
}

TEST_F(PackageInstallTest, ExistingTargetIsReplaced) {
  StagePackage();
  sim::WriteFile(kDriverDir + L"\\BRINDOL80.DLL", "old");
  EXPECT_TRUE(CopyDriverFile(L"BRINDOL80.DLL", L"amd64"));
  EXPECT_EQ(sim::ReadFile(kDriverDir + L"\\BRINDOL80.DLL"), StagedLibrary(L"amd64", L"BRINDOL80.DLL"));
}

TEST_F(PackageInstallTest, WaitsForTheDriverAndTheQueue) {
  struct Case {
    const char* name;
    DWORD driverDelay, printerDelay;
    bool succeeds;
    DWORD slept;
  } cases[] = {
      {"both at once", 0, 0, true, 0},
      {"driver on the fifth check", 4000, 0, true, 4000},
      {"driver too late", 4001, 0, false, 5000},
      {"queue on the fifth try", 0, 4000, true, 4000},
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

TEST_F(PackageInstallTest, RefusedDriverIsLoggedAndFails) {
  StagePackage();
  sim::FailCall("AddPrinterDriverW", ERROR_ACCESS_DENIED);
  InstallRequest request = Request(L"USB001");
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(LogLines().back(), "AddPrinterDriver failed, errcode:5.");
  EXPECT_EQ(sim::AddPrinterCalls(), 0);
}

TEST_F(PackageInstallTest, RefusedQueueIsLoggedAndFailsAfterFiveTries) {
  StagePackage();
  sim::RefuseNewPrinters(ERROR_ACCESS_DENIED);
  InstallRequest request = Request(L"USB001");
  EXPECT_FALSE(InstallDriverAndPrinter(request));
  EXPECT_EQ(LogLines().back(), "AddPrinter BRINDOL-80 failed, portName: USB001, driverName:BRINDOL-80, errcode:5.");
  EXPECT_EQ(sim::Sleeps(), std::vector<DWORD>(5, 1000));
}

TEST_F(PackageInstallTest, QueueThatExistsAlreadyIsReportedAndKept) {
  StagePackage();
  sim::AddDriver(L"BRINDOL-80");
  sim::AddPrinter(L"BRINDOL-80", L"USB001", L"BRINDOL-80");
  InstallRequest request = Request(L"USB001");
  EXPECT_TRUE(InstallPackage(request));
  EXPECT_EQ(LogLines().back(), "The printer BRINDOL-80 is already added.");
  EXPECT_EQ(sim::AddPrinterCalls(), 0);
}

}  // namespace
