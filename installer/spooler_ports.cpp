// The spooler's port list (see spooler_ports.h).
#include "spooler_ports.h"

SpoolerPorts::SpoolerPorts() {
  DWORD needed = 0, count = 0;
  EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return;
  buffer_.resize(needed);
  if (EnumPortsW(nullptr, 2, buffer_.data(), needed, &needed, &count)) count_ = count;
}
