// What the discovery tests do in the network lab (lab.sh) besides driving
// the dialog: run simulated printers in the lab's printer namespace, and
// send raw datagrams. Plain POSIX, kept apart from the platform headers.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Whether the test runs inside lab.sh's namespaces; the addresses of its
// two sides there.
bool InNetworkLab();
std::vector<std::string> LabAddresses();
std::vector<std::string> LabPrinterAddresses();

// tools/netprinter with these arguments, in the printer namespace, from
// construction to Stop() or destruction.
class LabPrinter {
 public:
  explicit LabPrinter(const std::vector<std::string>& arguments);
  ~LabPrinter();
  LabPrinter(const LabPrinter&) = delete;
  LabPrinter& operator=(const LabPrinter&) = delete;

  bool Started() const { return pid_ > 0; }
  // Ends the printer (SIGTERM) and waits for it.
  void Stop();

 private:
  pid_t pid_ = -1;
};

// Sends one UDP datagram to address:port from an unbound socket.
bool SendDatagram(const std::string& address, int port, const std::vector<unsigned char>& bytes);
