// The printer's real-time status over the job's device connection.
#include "printer_status.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Well under a second: a printer that answers does so within milliseconds,
// and one that does not answer must not slow its jobs down noticeably.
constexpr int kAnswerMs = 300;
// How long a printer that did not answer is left alone before it is asked
// again (it may have been switched for one that answers).
constexpr auto kQuietTime = std::chrono::seconds(60);
constexpr auto kPollInterval = std::chrono::seconds(1);

constexpr std::uint8_t kRequests[] = {0x10, 0x04, 1, 0x10, 0x04, 2, 0x10, 0x04, 3, 0x10, 0x04, 4};

// What this module knows of each printer (by id): until when it is left
// alone, and the reasons it last set (papplPrinterGetReasons would call the
// status callback again).
struct Known {
  Clock::time_point quietUntil;
  Clock::time_point idleRefreshAfter;  // an idle printer that could not be reached
  unsigned reasons = PAPPL_PREASON_NONE;
};
std::mutex gKnownLock;
std::map<int, Known> gKnown;

bool Quiet(int printerId) {
  std::lock_guard<std::mutex> lock(gKnownLock);
  return Clock::now() < gKnown[printerId].quietUntil;
}

void MakeQuiet(int printerId) {
  std::lock_guard<std::mutex> lock(gKnownLock);
  gKnown[printerId].quietUntil = Clock::now() + kQuietTime;
}

// Whether an idle printer should be asked again: it shows a reason of ours,
// and was reachable the last time (connecting to one switched off holds up
// the status request that asks).
bool WorthRefreshing(int printerId) {
  std::lock_guard<std::mutex> lock(gKnownLock);
  const Known& known = gKnown[printerId];
  return known.reasons != PAPPL_PREASON_NONE && Clock::now() >= known.idleRefreshAfter;
}

void PostponeRefresh(int printerId) {
  std::lock_guard<std::mutex> lock(gKnownLock);
  gKnown[printerId].idleRefreshAfter = Clock::now() + kQuietTime;
}

void SetReasons(pappl_printer_t* printer, unsigned reasons, unsigned remove) {
  {
    std::lock_guard<std::mutex> lock(gKnownLock);
    unsigned& shown = gKnown[papplPrinterGetID(printer)].reasons;
    shown = (shown & ~remove) | reasons;
  }
  papplPrinterSetReasons(printer, static_cast<pappl_preason_t>(reasons),
                         static_cast<pappl_preason_t>(remove));
}

int MsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

std::string SchemeOf(const char* uri) {
  const char* colon = uri ? std::strchr(uri, ':') : nullptr;
  return colon ? std::string(uri, colon) : std::string();
}

// The port of a socket://host:port URI (9100 without one).
int PortOf(const char* uri) {
  const char* host = std::strstr(uri, "://");
  if (!host) return 0;
  host += 3;
  const char* end = host + std::strcspn(host, "/?#");
  const char* colon = nullptr;
  for (const char* at = host; at < end; ++at) {
    if (*at == ':') colon = at;
    if (*at == ']') colon = nullptr;  // inside an IPv6 literal
  }
  return colon ? std::atoi(colon + 1) : 9100;
}

// PAPPL 1.3 waits up to 10 s for a socket device's read, too long for a
// printer that never answers, so the answers are read from the connection
// itself. PAPPL's data of a socket device starts with the connection's
// descriptor; it is used only when it is a stream socket connected to the
// URI's port, and otherwise the printer is not asked at all.
int SocketOf(pappl_device_t* device, const char* uri) {
  const void* data = papplDeviceGetData(device);
  if (!data) return -1;
  int fd = -1;
  std::memcpy(&fd, data, sizeof fd);
  struct stat info {};
  int type = 0;
  socklen_t typeSize = sizeof type;
  sockaddr_storage peer{};
  socklen_t peerSize = sizeof peer;
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode) ||
      getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeSize) != 0 || type != SOCK_STREAM ||
      getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) {
    return -1;
  }
  int port = 0;
  if (peer.ss_family == AF_INET) port = ntohs(reinterpret_cast<sockaddr_in*>(&peer)->sin_port);
  if (peer.ss_family == AF_INET6) port = ntohs(reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port);
  return port == PortOf(uri) ? fd : -1;
}

// Reads the four answers within kAnswerMs; the number of bytes read.
std::size_t ReadAnswers(pappl_device_t* device, int fd, std::uint8_t answers[4]) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerMs);
  std::size_t got = 0;
  while (got < 4) {
    ssize_t n = 0;
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      const int left = MsLeft(deadline);
      if (left == 0 || poll(&p, 1, left) != 1) break;
      n = recv(fd, answers + got, 4 - got, MSG_DONTWAIT);
      if (n <= 0) break;  // closed by the printer, or an error
    } else {
      // Our own schemes and USB return what came within a short wait.
      n = papplDeviceRead(device, answers + got, 4 - got);
      if (n < 0) break;
      if (n == 0 && MsLeft(deadline) == 0) break;
    }
    got += static_cast<std::size_t>(n);
  }
  return got;
}

// Whether the device can read back, and how: the socket's descriptor, or
// PAPPL's read for USB and our own schemes. Files and other schemes cannot.
bool CanAsk(const std::string& scheme) {
  return scheme == "socket" || scheme == "usb" || scheme == "serial" || scheme == "brindol-net";
}

PrinterStatus Ask(pappl_device_t* device, const char* uri) {
  PrinterStatus status;
  const std::string scheme = SchemeOf(uri);
  const int fd = scheme == "socket" ? SocketOf(device, uri) : -1;
  if (scheme == "socket" && fd < 0) return status;
  if (fd >= 0) {
    // Late answers to an earlier request must not be taken for these.
    std::uint8_t stale[64];
    while (recv(fd, stale, sizeof stale, MSG_DONTWAIT) > 0) {
    }
  }
  if (papplDeviceWrite(device, kRequests, sizeof kRequests) !=
      static_cast<ssize_t>(sizeof kRequests)) {
    return status;
  }
  papplDeviceFlush(device);
  std::uint8_t answers[4] = {};
  if (ReadAnswers(device, fd, answers) < 4) return status;
  return DecodeStatus(answers);
}

// A line for the log and the job's message.
const char* WaitingFor(const PrinterStatus& status) {
  if (status.paperOut) return "Waiting for paper to be loaded.";
  if (status.coverOpen) return "Waiting for the printer's cover to be closed.";
  if (status.error) return "Waiting for the printer to recover from an error.";
  return "Waiting for the printer to come online.";
}

}  // namespace

PrinterStatus DecodeStatus(const std::uint8_t answers[4]) {
  PrinterStatus status;
  for (int i = 0; i < 4; ++i) {
    if ((answers[i] & 0x93) != 0x12) return status;
  }
  status.answered = true;
  // DLE EOT 1, the printer: bit 3 offline.
  status.offline = answers[0] & 0x08;
  // DLE EOT 2, the offline cause: bit 2 cover open, bit 5 printing stopped at
  // the paper's end, bit 6 an error.
  status.coverOpen = answers[1] & 0x04;
  status.paperOut = answers[1] & 0x20;
  status.error = answers[1] & 0x40;
  // DLE EOT 3, the error cause: bit 3 cutter, bit 5 unrecoverable, bit 6
  // automatically recoverable error.
  status.error = status.error || (answers[2] & 0x68);
  // DLE EOT 4, the roll sensors: bits 2-3 paper near its end, bits 5-6 no
  // paper.
  status.paperLow = answers[3] & 0x0C;
  status.paperOut = status.paperOut || (answers[3] & 0x60);
  return status;
}

bool MustWait(const PrinterStatus& status) {
  return status.answered && (status.offline || status.coverOpen || status.paperOut || status.error);
}

pappl_preason_t ReasonsOf(const PrinterStatus& status, bool jobWaiting) {
  unsigned reasons = PAPPL_PREASON_NONE;
  if (status.paperOut) reasons |= PAPPL_PREASON_MEDIA_EMPTY;
  if (status.paperOut && jobWaiting) reasons |= PAPPL_PREASON_MEDIA_NEEDED;
  if (status.paperLow && !status.paperOut) reasons |= PAPPL_PREASON_MEDIA_LOW;
  if (status.coverOpen) reasons |= PAPPL_PREASON_COVER_OPEN;
  if (status.error) reasons |= PAPPL_PREASON_OTHER;
  // Offline for none of the causes above (the feed button held, say).
  if (status.offline && reasons == PAPPL_PREASON_NONE) reasons |= PAPPL_PREASON_OFFLINE;
  return static_cast<pappl_preason_t>(reasons);
}

namespace {

// Asks the printer unless it is being left alone. A printer that does not
// answer is left alone for kQuietTime and what it said before is cleared:
// it may no longer hold.
PrinterStatus AskPrinter(pappl_printer_t* printer, pappl_device_t* device) {
  const int id = papplPrinterGetID(printer);
  if (Quiet(id)) return {};
  const PrinterStatus status = Ask(device, papplPrinterGetDeviceURI(printer));
  if (!status.answered) {
    MakeQuiet(id);
    SetReasons(printer, PAPPL_PREASON_NONE, kStatusReasons);
    papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO,
                    "The printer does not answer status requests; not asked again for %d s.",
                    static_cast<int>(kQuietTime.count()));
  }
  return status;
}

void ShowStatus(pappl_printer_t* printer, const PrinterStatus& status, bool jobWaiting) {
  const pappl_preason_t reasons = ReasonsOf(status, jobWaiting);
  SetReasons(printer, reasons, kStatusReasons & ~reasons);
}

}  // namespace

bool WaitUntilPrintable(pappl_job_t* job, pappl_device_t* device) {
  pappl_printer_t* printer = papplJobGetPrinter(job);
  if (!CanAsk(SchemeOf(papplPrinterGetDeviceURI(printer)))) return true;
  bool waited = false;
  for (;;) {
    const auto asked = Clock::now();
    const PrinterStatus status = AskPrinter(printer, device);
    if (!status.answered) return true;
    const bool wait = MustWait(status);
    ShowStatus(printer, status, wait);
    if (!wait) {
      if (waited) {
        papplJobSetMessage(job, "Printing.");
        papplLogJob(job, PAPPL_LOGLEVEL_INFO, "The printer can print again.");
      }
      return true;
    }
    if (!waited) {
      papplJobSetMessage(job, "%s", WaitingFor(status));
      papplLogJob(job, PAPPL_LOGLEVEL_INFO, "%s", WaitingFor(status));
      waited = true;
    }
    while (Clock::now() - asked < kPollInterval) {
      if (papplJobIsCanceled(job)) {
        SetReasons(printer, PAPPL_PREASON_NONE, PAPPL_PREASON_MEDIA_NEEDED);
        return false;
      }
      usleep(50000);
    }
  }
}

bool RefreshIdleStatus(pappl_printer_t* printer) {
  // Only what a job saw can have gone stale while no job runs (paper loaded,
  // cover closed); a printer that shows none of it is not disturbed with a
  // connection.
  const int id = papplPrinterGetID(printer);
  if (!WorthRefreshing(id) || papplPrinterGetState(printer) != IPP_PSTATE_IDLE ||
      !CanAsk(SchemeOf(papplPrinterGetDeviceURI(printer)))) {
    return true;
  }
  pappl_device_t* device = papplPrinterOpenDevice(printer);
  if (!device) {  // unreachable, or a job took it meanwhile (and asks itself)
    PostponeRefresh(id);
    return true;
  }
  const PrinterStatus status = AskPrinter(printer, device);
  if (status.answered) ShowStatus(printer, status, false);
  papplPrinterCloseDevice(printer);
  return true;
}
