// brindol-printer-app: the receipt printers as IPP Everywhere printers.
// Everything but the drivers and the discovery scheme is PAPPL's main loop:
// server, add, devices, drivers, submit, status, shutdown, ...
#include <pappl/pappl.h>

#include "discovery_device.h"
#include "receipt_driver.h"

#ifndef BRINDOL_APP_VERSION
#define BRINDOL_APP_VERSION "1.0.0"
#endif

int main(int argc, char* argv[]) {
  RegisterDiscoveryScheme();
  return papplMainloop(argc, argv, BRINDOL_APP_VERSION, nullptr,
                       static_cast<int>(std::size(kReceiptDrivers)), kReceiptDrivers,
                       ReceiptAutoAdd, ReceiptDriverCallback, nullptr, nullptr, nullptr, nullptr,
                       nullptr);
}
