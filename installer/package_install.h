// Installing the driver package: a free queue name, the package files in the
// spooler's driver directory, the driver and queue registrations, and a
// spooler restart when the queue's port is new to the spooler. Everything
// runs on the dialog thread against the local spooler; failures leave the
// thread's last-error code for the failure message.
#pragma once

#include <windows.h>

#include "install_request.h"

// Non-zero on success. May replace request.printerName by a unique name
// (BRINDOL-80, then BRINDOL-80(Copy 1), ...). When every name up to (Copy 253)
// is taken it fails with ERROR_PRINTER_ALREADY_EXISTS.
BOOL InstallDriverAndPrinter(InstallRequest& request);

// Checks the package (package_check.h: on failure nothing is copied and the
// error is ERROR_BAD_EXE_FORMAT), copies the 13 package files, registers the driver when all copies
// succeeded and it is not registered yet, and adds the queue. Non-zero once the queue can be
// opened; zero (with the error of the last failed open) when it still cannot be after five tries.
BOOL InstallPackage(const InstallRequest& request);

// Copies one package file from the setup directory (or its architecture
// folder, when one is given) into the driver directory. The old copy is
// removed first, but only when the source exists. Returns the copy's result.
BOOL CopyDriverFile(const WCHAR* fileName, const WCHAR* architectureFolder);

// The setup directory's folder for a native processor architecture, or null
// for one the package does not support.
const WCHAR* ArchitectureFolder(WORD processorArchitecture);

// True when the spooler lists a driver of exactly this name (case matters).
bool IsDriverInstalled(const WCHAR* driverName);

// True when a queue of this name can be opened.
bool PrinterExists(const WCHAR* printerName);

// Stops and restarts the "Spooler" service if it is running; silent on
// failure. Each phase polls up to 1000 times, 10 ms apart.
void RestartSpooler();
