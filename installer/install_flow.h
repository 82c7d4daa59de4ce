// What the Install button does: read and check the choices, prepare the
// port, install the package, then report.
#pragma once

#include <windows.h>

#include "install_request.h"

// The choices on the dialog as Install reads them.
struct InstallChoices {
  InstallRequest request;  // connection kind, port line, model filled in
  DWORD baudRate;
  DWORD address;     // 0 when the address control is empty
  bool hasPortLine;  // a list line is selected (and fits a port name)
};
InstallChoices ReadInstallChoices(HWND dialog);

// NET needs an address other than 0.0.0.0; every other kind a port line.
bool ChoicesAreComplete(const InstallChoices& choices);

// The whole flow; the push buttons are disabled while it runs. Failures are
// shown in message boxes, nothing is returned.
void RunInstallFlow(HWND dialog);
