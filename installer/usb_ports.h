// USB printers that are connected now, found through the device interfaces
// of the USB printer class.
#pragma once

#include "port_list.h"

// Rebuilds the list: one entry "USB%.3d" per present interface whose vendor
// is a supported printer maker and whose device parameters name a port
// number. The list ends up in reverse enumeration order. Interfaces that
// cannot be read are skipped silently.
void DiscoverUsbPorts(PortList& usbPorts);
