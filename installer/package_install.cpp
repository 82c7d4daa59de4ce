// Driver package installation (see package_install.h).
#include "package_install.h"

#include <cwchar>
#include <vector>

#include "log.h"
#include "package_check.h"
#include "package_files.h"
#include "scoped_handle.h"
#include "setup_directory.h"
#include "spooler_ports.h"
#include "texts.h"
#include "wide_format.h"

namespace {

constexpr size_t kCandidateChars = 255;  // printer names have at most 254 characters
constexpr int kCopySuffixLimit = 254;
constexpr int kWaitAttempts = 5;
constexpr DWORD kWaitMilliseconds = 1000;

PRINTER_DEFAULTSW AllAccess() { return PRINTER_DEFAULTSW{nullptr, nullptr, PRINTER_ALL_ACCESS}; }

// Exact, case-sensitive comparison; a list that cannot be read lists nothing.
bool SpoolerListsPort(const WCHAR* portName) {
  SpoolerPorts ports;
  for (DWORD i = 0; i < ports.Count(); ++i) {
    if (ports[i].pPortName && std::wcscmp(ports[i].pPortName, portName) == 0) return true;
  }
  return false;
}

BOOL RegisterDriver(const InstallRequest& request) {
  WCHAR dependentFiles[1024] = {};
  CopyText(dependentFiles, kDependentFilesText);
  for (WCHAR& c : dependentFiles) {
    if (c == L',') c = 0;
  }
  DRIVER_INFO_3W info = {};
  info.cVersion = 3;
  info.pName = const_cast<LPWSTR>(request.driverName);
  info.pDriverPath = const_cast<LPWSTR>(kDriverPathFile);
  info.pDataFile = const_cast<LPWSTR>(request.dataFile);
  info.pConfigFile = const_cast<LPWSTR>(kConfigFile);
  info.pDependentFiles = dependentFiles;
  info.pDefaultDataType = const_cast<LPWSTR>(texts::kDataTypeRaw);
  if (AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) return TRUE;
  LogLine(texts::kLogAddDriverFailed, GetLastError());
  return FALSE;
}

bool WaitForDriver(const WCHAR* driverName) {
  for (int attempt = 0; attempt < kWaitAttempts; ++attempt) {
    if (IsDriverInstalled(driverName)) return true;
    Sleep(kWaitMilliseconds);
  }
  return false;
}

void AddQueue(const InstallRequest& request) {
  PRINTER_INFO_2W info = {};
  info.pPrinterName = const_cast<LPWSTR>(request.printerName);
  info.pPortName = const_cast<LPWSTR>(request.portName);
  info.pDriverName = const_cast<LPWSTR>(request.driverName);
  info.pPrintProcessor = const_cast<LPWSTR>(texts::kPrintProcessor);
  info.pDatatype = const_cast<LPWSTR>(texts::kDataTypeRaw);
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  // The spooler hands back an open handle to the new queue; it is not needed.
  ScopedPrinter added(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  if (!added.IsValid()) {
    LogLine(texts::kLogAddPrinterFailed, request.printerName, request.portName, request.driverName,
            GetLastError());
  }
}

}  // namespace

const WCHAR* ArchitectureFolder(WORD processorArchitecture) {
  switch (processorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      return texts::kFolderIntel;
    case PROCESSOR_ARCHITECTURE_ARM:
      return texts::kFolderArm;
    case PROCESSOR_ARCHITECTURE_AMD64:
      return texts::kFolderAmd64;
    case PROCESSOR_ARCHITECTURE_ARM64:
      return texts::kFolderArm64;
    default:
      return nullptr;
  }
}

bool PrinterExists(const WCHAR* printerName) {
  PRINTER_DEFAULTSW defaults = AllAccess();
  ScopedPrinter printer;
  if (!OpenPrinterW(const_cast<LPWSTR>(printerName), printer.Receive(), &defaults) ||
      !printer.IsValid()) {
    return false;
  }
  // The information is read as a check that the queue answers; it is not used.
  DWORD needed = 0;
  GetPrinterW(printer.Get(), 2, nullptr, 0, &needed);
  if (needed) {
    std::vector<BYTE> info(needed);
    GetPrinterW(printer.Get(), 2, info.data(), needed, &needed);
  }
  return true;
}

bool IsDriverInstalled(const WCHAR* driverName) {
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, nullptr, 8, nullptr, 0, &needed, &count);
  if (needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  if (!EnumPrinterDriversW(nullptr, nullptr, 8, buffer.data(), needed, &needed, &count))
    return false;
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (drivers[i].pName && std::wcscmp(drivers[i].pName, driverName) == 0) return true;
  }
  return false;
}

BOOL CopyDriverFile(const WCHAR* fileName, const WCHAR* architectureFolder) {
  WCHAR driverDirectory[kNameChars] = {};
  DWORD needed = 0;
  GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(driverDirectory),
                             sizeof(driverDirectory), &needed);
  WCHAR target[kNameChars] = {};
  FormatText(target, texts::kTargetPathFormat, driverDirectory, fileName);
  WCHAR source[kNameChars] = {};
  PackageFilePath(source, fileName, architectureFolder);
  // A package that lacks the file must not take away the copy an earlier
  // installation left: the target goes only when there is a replacement.
  if (GetFileAttributesW(source) != INVALID_FILE_ATTRIBUTES) DeleteFileW(target);
  SetLastError(ERROR_SUCCESS);
  BOOL copied = CopyFileW(source, target, FALSE) ? TRUE : FALSE;
  DWORD error = GetLastError();
  LogLine(texts::kLogCopyFile, source, target, copied, error);
  SetLastError(error);
  return copied;
}

BOOL InstallPackage(const InstallRequest& request) {
  SYSTEM_INFO system = {};
  GetNativeSystemInfo(&system);
  const WCHAR* folder = ArchitectureFolder(system.wProcessorArchitecture);
  if (!folder) return FALSE;
  // Nothing is copied or registered unless the whole package is fit for the
  // shared driver directory; the failure box then shows ERROR_BAD_EXE_FORMAT.
  if (!CheckPackage(folder, ArchitectureMachine(system.wProcessorArchitecture))) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return FALSE;
  }

  // Every copy is attempted, also after a failure.
  bool allCopied = true;
  for (const WCHAR* file : kArchitecturePackageFiles)
    allCopied = CopyDriverFile(file, folder) && allCopied;
  for (const WCHAR* file : kCommonPackageFiles)
    allCopied = CopyDriverFile(file, nullptr) && allCopied;

  // With a file missing the driver is not registered anew; a registration
  // from an earlier installation may still serve the queue.
  if (allCopied && !IsDriverInstalled(request.driverName)) {
    if (!RegisterDriver(request)) return FALSE;
    if (!WaitForDriver(request.driverName)) return FALSE;
  }

  if (PrinterExists(request.printerName)) {
    LogLine(texts::kLogPrinterAlreadyAdded, request.printerName);
    return TRUE;
  }
  AddQueue(request);
  DWORD openError = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kWaitAttempts; ++attempt) {
    if (PrinterExists(request.printerName)) return TRUE;
    openError = GetLastError();
    Sleep(kWaitMilliseconds);
  }
  // A queue that never appears is a failed installation, whatever was copied.
  SetLastError(openError);
  return FALSE;
}

BOOL InstallDriverAndPrinter(InstallRequest& request) {
  WCHAR candidate[kCandidateChars] = {};
  CopyText(candidate, request.printerName);
  bool free = false;
  for (int n = 1; n <= kCopySuffixLimit; ++n) {
    if (!PrinterExists(candidate)) {
      free = true;
      break;
    }
    FormatText(candidate, texts::kCopyNameFormat, request.printerName, n);
  }
  if (!free) {
    SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
    return FALSE;
  }
  CopyText(request.printerName, candidate);

  if (!InstallPackage(request)) return FALSE;
  // A queue on a port the spooler does not know yet works only after the
  // spooler has been restarted.
  if (!SpoolerListsPort(request.portName)) RestartSpooler();
  return TRUE;
}
