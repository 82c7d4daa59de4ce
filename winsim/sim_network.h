// Test control of winsim's threads, sockets and adapters, and of messages
// that the program's own threads send to its dialog.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace sim {

// ---- Adapters, as GetAdaptersInfo reports them (none until set).
struct Adapter {
  std::string name;                    // e.g. "{4D36E972-...}"
  std::string description;             // e.g. "Intel(R) Ethernet"
  UINT type = 6;                       // MIB_IF_TYPE_ETHERNET
  std::vector<std::string> addresses;  // dotted IPv4 texts, "0.0.0.0" for none
};
void SetAdapters(std::vector<Adapter> adapters);

// ---- Sockets. Sockets are real (POSIX, IPv4 UDP). Sending anywhere but the
// loopback network fails with WSAEACCES unless the test allows it; only tests
// that run inside a network namespace of their own do.
void AllowNetworkTraffic(bool allow);
// WSAStartup grants this version (0: the one requested, up to 2.2).
void GrantWinsockVersion(WORD version);
// WSAStartup calls minus WSACleanup calls.
int WinsockStartups();
// Sockets open now, each described as "udp 10.0.0.1:9600" (bound) or "udp".
std::vector<std::string> OpenSockets();

// ---- Threads started with CreateThread.
int RunningThreads();
// Ends them all, as the end of the program would: each one ends at its next
// call into the platform (Sleep, a socket call, SendMessage), and every socket
// is closed. Returns once they have ended. ResetWorld does this first.
void EndThreads();

// ---- Messages those threads send. SendMessage from such a thread waits
// until the test's own thread delivers the message, as the platform delivers
// it to the window's thread: in PumpMessages and the two calls below.
// Delivers messages until `done` holds or `milliseconds` of real time pass;
// returns whether `done` held.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds);
void PumpMessagesFor(DWORD milliseconds);

}  // namespace sim
