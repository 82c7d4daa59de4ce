// Getting the chosen port ready before the queue is added on it.
#pragma once

#include <windows.h>

#include "install_request.h"

inline constexpr DWORD kRawPrintingPort = 9100;

// COM: sets the port's baud rate (a port that cannot be opened keeps its
// settings). NET: creates the TCP/IP port and puts its name into the request.
// USB, LPT: nothing.
void PreparePort(HWND dialog, InstallRequest& request, DWORD baudRate, DWORD address);

// Names the TCP/IP port after the address ("192.168.1.100_9100") in the
// request and asks the Standard TCP/IP port monitor to create it for raw
// printing on port 9100. The monitor's answer is not checked: a port that
// exists already serves as well, and one the spooler does not know makes the
// queue fail later.
void AddTcpIpPort(InstallRequest& request, DWORD address);
