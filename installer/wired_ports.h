// Serial and parallel ports for the wired port list.
#pragma once

#include "port_list.h"

// Rebuilds the list from the serial ports the registry's SERIALCOMM key
// lists ("COM3" becomes "COM3:"); empty when the key cannot be read.
void CollectSerialPorts(PortList& wiredPorts);

// Rebuilds the list from the spooler's ports whose name contains "LPT" and
// whose device opens; empty when the ports cannot be read.
void CollectParallelPorts(PortList& wiredPorts);
