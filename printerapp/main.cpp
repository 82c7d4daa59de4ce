// brindol-printer-app: the receipt printers as IPP Everywhere printers.
// Everything but the drivers, the PNG filter and the discovery scheme is
// PAPPL's main loop: server, add, devices, drivers, submit, status, shutdown.
#include <malloc.h>
#include <pappl/pappl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "discovery_device.h"
#include "png_filter.h"
#include "receipt_driver.h"
#include "serial_device.h"
#include "service_lifecycle.h"

#ifndef BRINDOL_APP_VERSION
#define BRINDOL_APP_VERSION "1.0.0"
#endif

namespace {

constexpr char kName[] = "brindol-printer-app";
// Long enough for a job being printed to end its page; PAPPL itself gives up
// on active jobs after a minute.
constexpr double kShutdownSeconds = 70;
constexpr char kFooterHtml[] = "BRINDOL receipt printer application " BRINDOL_APP_VERSION;

// The spool directory at the standard place: the system's as root, the
// user's otherwise (state files sit beside it, placed by PAPPL's main loop).
std::string DefaultSpoolDirectory() {
  if (const char* snap = getenv("SNAP_COMMON")) return std::string(snap) + "/" + kName + ".d";
  if (getuid() == 0) return std::string("/var/spool/") + kName;
  if (const char* home = getenv("HOME")) {
    const std::string config = std::string(home) + "/.config";
    mkdir(config.c_str(), 0700);
    return config + "/" + kName + ".d";
  }
  return std::string(papplGetTempDir()) + "/" + kName + std::to_string(getuid()) + ".d";
}

pappl_loglevel_t LogLevel(const char* text) {
  if (!text) return PAPPL_LOGLEVEL_WARN;
  const struct {
    const char* name;
    pappl_loglevel_t level;
  } levels[] = {{"fatal", PAPPL_LOGLEVEL_FATAL},
                {"error", PAPPL_LOGLEVEL_ERROR},
                {"warn", PAPPL_LOGLEVEL_WARN},
                {"info", PAPPL_LOGLEVEL_INFO},
                {"debug", PAPPL_LOGLEVEL_DEBUG}};
  for (const auto& l : levels) {
    if (std::strcmp(text, l.name) == 0) return l.level;
  }
  return PAPPL_LOGLEVEL_WARN;
}

// PAPPL's DNS-SD browsing stops the program with a failed assertion when no
// DNS-SD daemon answers; it is asked only when the system bus it talks
// through is there.
bool DnsSdReachable() {
  std::string address = "/run/dbus/system_bus_socket";
  if (const char* bus = getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
    const std::string text = bus;
    const std::string prefix = "unix:path=";
    if (text.rfind(prefix, 0) != 0) return true;  // another transport: let it try
    address = text.substr(prefix.size(), text.find(',') - prefix.size());
  }
  struct stat info;
  return stat(address.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// The server's system: PAPPL's usual options (server-port, listen-hostname,
// log-file, log-level, spool-directory, server-hostname), plus the filters
// that must be in place before it runs.
pappl_system_t* CreateSystem(int numOptions, cups_option_t* options, void*) {
  auto option = [&](const char* name) { return cupsGetOption(name, numOptions, options); };
  int port = 0;
  if (const char* value = option("server-port")) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(value, &end, 10);
    if (errno != 0 || *end != '\0' || number < 0 || number > 65535) {
      std::fprintf(stderr, "%s: bad server-port value '%s'\n", kName, value);
      return nullptr;
    }
    port = static_cast<int>(number);
  }
  std::string error;
  if (!HoldServerLock(kName, error)) {
    std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
    return nullptr;
  }
  const std::string spool =
      option("spool-directory") ? option("spool-directory") : DefaultSpoolDirectory();
  pappl_system_t* system = papplSystemCreate(
      static_cast<pappl_soptions_t>(PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE),
      kName, port, "_print,_universal", spool.c_str(), option("log-file"),
      LogLevel(option("log-level")), option("auth-service"), false);
  if (!system) return nullptr;
  if (const char* host = option("server-hostname")) papplSystemSetHostName(system, host);
  // Serving on part of the addresses looks like a running service to its
  // supervisor while clients of the rest fail: better not to start, and be
  // started again.
  if (!ListenersFree(system, option("listen-hostname"), error) ||
      !papplSystemAddListeners(system, option("listen-hostname"))) {
    if (error.empty()) error = "cannot listen on any address";
    std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
    papplSystemDelete(system);
    return nullptr;
  }
  WatchForShutdown();
  if (DnsSdReachable()) WatchDnsSdDaemon();
  papplSystemAddMIMEFilter(system, "image/png", kReceiptFormat, FilterPng, nullptr);
  AddSettingLabels(system);
  // PAPPL checks JPEG sizes against limits that are zero until set.
  papplSystemSetMaxImageSize(system, kMaxImagePixels, static_cast<int>(kMaxImageSide),
                             static_cast<int>(kMaxImageSide));
  papplSystemSetPrinterDrivers(system, static_cast<int>(std::size(kReceiptDrivers)),
                               kReceiptDrivers, ReceiptAutoAdd, nullptr, ReceiptDriverCallback,
                               nullptr);
  LoadStateAndSaveEverySecond(system, StateFilePath(kName));
  return system;
}

bool PrintDevice(const char* info, const char* uri, const char* id, void*) {
  std::printf("%s\n    %s\n    %s\n", uri, info, id ? id : "");
  return false;  // keep listing
}

void PrintDeviceError(const char* message, void*) {
  std::fprintf(stderr, "%s: %s\n", kName, message);
}

// "devices": every device PAPPL and our discovery and serial schemes find.
int ListDevices() {
  pappl_devtype_t types = PAPPL_DEVTYPE_ALL;
  if (!DnsSdReachable()) types = static_cast<pappl_devtype_t>(types & ~PAPPL_DEVTYPE_DNS_SD);
  papplDeviceList(types, PrintDevice, nullptr, PrintDeviceError, nullptr);
  return 0;
}

// "add -v serial:...": a bad speed or flow is named here; the server refuses
// such a printer too, but its answer cannot say why.
bool SerialUriArgumentAcceptable(int argc, char* argv[]) {
  for (int i = 2; i + 1 < argc; ++i) {
    SerialSettings settings;
    std::string error;
    if (std::strcmp(argv[i], "-v") == 0 && IsSerialUri(argv[i + 1]) &&
        !ParseSerialUri(argv[i + 1], settings, error)) {
      std::fprintf(stderr, "%s: bad device URI '%s': %s\n", kName, argv[i + 1], error.c_str());
      return false;
    }
  }
  return true;
}

// Blocks up to this size come from the heap (a band of the widest roll with
// room to spare).
constexpr int kBandHeapBytes = 4 << 20;

}  // namespace

int main(int argc, char* argv[]) {
  RegisterDiscoveryScheme();
  RegisterSerialScheme();
  const std::string command = argc >= 2 ? argv[1] : "";
  if (argc == 2 && command == "devices") return ListDevices();
  if (command == "add" && !SerialUriArgumentAcceptable(argc, argv)) return 1;
  if (command == "server") {
    // Every band of every job takes and frees a few blocks of about a band's
    // size (576 x 240 gray is 138 KB, over malloc's default mapping
    // threshold): kept in the heap rather than mapped, trimmed and faulted in
    // again for each band.
    mallopt(M_MMAP_THRESHOLD, kBandHeapBytes);
    mallopt(M_TRIM_THRESHOLD, 4 * kBandHeapBytes);
    // Before PAPPL's main loop loads it.
    std::string error;
    if (!RepairStateFile(StateFilePath(kName), error)) {
      std::fprintf(stderr, "%s: %s\n", kName, error.c_str());
    }
  }
  // The footer is not optional in practice: PAPPL 1.3's web pages crash on
  // a system without one.
  const int status =
      papplMainloop(argc, argv, BRINDOL_APP_VERSION, kFooterHtml,
                    static_cast<int>(std::size(kReceiptDrivers)), kReceiptDrivers, ReceiptAutoAdd,
                    ReceiptDriverCallback, nullptr, nullptr, CreateSystem, nullptr, nullptr);
  // PAPPL's "shutdown" only asks; a service manager, or a script that starts
  // the server again at once, needs to know that it has ended.
  if (command == "shutdown" && status == 0 && !WaitForServerEnd(kName, kShutdownSeconds)) {
    std::fprintf(stderr, "%s: the server is still running after %g seconds\n", kName,
                 kShutdownSeconds);
    return 1;
  }
  if (command == "server" && status == 0 && RestartWanted()) {
    execv("/proc/self/exe", argv);
    std::fprintf(stderr, "%s: cannot start again: %s\n", kName, std::strerror(errno));
    return 1;
  }
  return status;
}
