// The service's lifecycle around PAPPL 1.3's main loop.
#include "service_lifecycle.h"

#include <arpa/inet.h>
#include <avahi-client/client.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

// A stream socket of this process, as the kernel describes it.
struct OpenSocket {
  int fd;
  bool listening;
  sockaddr_storage local;
};

std::vector<OpenSocket> StreamSockets() {
  std::vector<OpenSocket> sockets;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return sockets;
  while (const dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    struct stat info;
    if (entry->d_name[0] == '.' || fd == dirfd(dir) || fstat(fd, &info) != 0 ||
        !S_ISSOCK(info.st_mode)) {
      continue;
    }
    int type = 0, listening = 0;
    socklen_t size = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0 || type != SOCK_STREAM) continue;
    size = sizeof listening;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0) continue;
    OpenSocket socket{fd, listening != 0, {}};
    socklen_t length = sizeof socket.local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&socket.local), &length) != 0) continue;
    sockets.push_back(socket);
  }
  closedir(dir);
  return sockets;
}

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  }
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return -1;
}

// An accepted connection has the local name of the socket it came from: the
// port for IP, the path for a Unix socket. Connections the application
// opens itself (to printers, to the system bus) never have one.
bool AcceptedFrom(const OpenSocket& connection, const std::vector<OpenSocket>& sockets) {
  for (const OpenSocket& listener : sockets) {
    if (!listener.listening) continue;
    const int port = PortOf(listener.local);
    if (port > 0 && PortOf(connection.local) == port) return true;
    if (listener.local.ss_family == AF_UNIX && connection.local.ss_family == AF_UNIX) {
      const char* a = reinterpret_cast<const sockaddr_un&>(listener.local).sun_path;
      const char* b = reinterpret_cast<const sockaddr_un&>(connection.local).sun_path;
      if (a[0] && std::strcmp(a, b) == 0) return true;
    }
  }
  return false;
}

// Formatted in a buffer: GCC 12 at -O2 warns falsely (-Wrestrict) on
// "[" + std::string(...) here.
std::string AddressText(const http_addr_t& address) {
  char host[INET6_ADDRSTRLEN] = "";
  char text[INET6_ADDRSTRLEN + 8] = "";
  if (address.addr.sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &address.ipv6.sin6_addr, host, sizeof host);
    std::snprintf(text, sizeof text, "[%s]:%u", host, unsigned{ntohs(address.ipv6.sin6_port)});
  } else {
    inet_ntop(AF_INET, &address.ipv4.sin_addr, host, sizeof host);
    std::snprintf(text, sizeof text, "%s:%u", host, unsigned{ntohs(address.ipv4.sin_port)});
  }
  return text;
}

// Why the address cannot be bound, found by binding it as PAPPL does (IPv6
// on its own, so that IPv4's wildcard stays apart); empty when it can be.
std::string BindProblem(const http_addr_t& address) {
  const int fd = socket(address.addr.sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::strerror(errno);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (address.addr.sa_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  const socklen_t size =
      address.addr.sa_family == AF_INET6 ? sizeof address.ipv6 : sizeof address.ipv4;
  const std::string problem = bind(fd, &address.addr, size) == 0 ? "" : std::strerror(errno);
  close(fd);
  return problem;
}

bool FamilyAvailable(int family) {
  const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::string LockPath(const char* name) { return StateFilePath(name) + ".lock"; }

// "shutdown" asks PAPPL to stop, then tells the server with this signal
// that it may close its clients' connections: PAPPL 1.3 tells nobody of the
// request, and lets no connection go before its client does.
constexpr int kStopSignal = SIGUSR1;
int stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(stopPipe[1], &byte, 1);
  errno = saved;
}

// A client in the middle of a request gets a moment to finish it.
constexpr auto kGrace = std::chrono::milliseconds(500);

// PAPPL's loop looks at a shutdown request only when a listener wakes it or
// its wait times out, which can take half a minute: a connection that opens
// and closes at once wakes it.
void Knock(const OpenSocket& listener) {
  sockaddr_storage address = listener.local;
  socklen_t size = sizeof(sockaddr_un);
  if (address.ss_family == AF_INET) {
    auto& ipv4 = reinterpret_cast<sockaddr_in&>(address);
    if (ipv4.sin_addr.s_addr == htonl(INADDR_ANY)) ipv4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof ipv4;
  } else if (address.ss_family == AF_INET6) {
    auto& ipv6 = reinterpret_cast<sockaddr_in6&>(address);
    if (IN6_IS_ADDR_UNSPECIFIED(&ipv6.sin6_addr)) ipv6.sin6_addr = in6addr_loopback;
    size = sizeof ipv6;
  }
  const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  connect(fd, reinterpret_cast<const sockaddr*>(&address), size);
  close(fd);
}

void CloseClientConnections() {
  char byte;
  ssize_t got;
  while ((got = read(stopPipe[0], &byte, 1)) < 0 && errno == EINTR) {
  }
  if (got != 1) return;
  std::this_thread::sleep_for(kGrace);
  // Until the process ends: a client that comes late is shut out too. Only
  // reading is shut, so that a response being written still reaches its
  // client, and the client's thread sees the end of its connection.
  for (;;) {
    const std::vector<OpenSocket> sockets = StreamSockets();
    for (const OpenSocket& socket : sockets) {
      if (!socket.listening && AcceptedFrom(socket, sockets)) shutdown(socket.fd, SHUT_RD);
    }
    for (const OpenSocket& socket : sockets) {
      if (socket.listening) {
        Knock(socket);
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

std::atomic<bool> restartWanted{false};

// Whether the DNS-SD daemon was gone, or not ready, since the server last
// announced itself; only the avahi thread touches these.
bool daemonWasAbsent = false;
bool firstReport = true;

AvahiThreadedPoll* daemonPoll = nullptr;

void OnDaemonState(AvahiClient* client, AvahiClientState state, void*) {
  // A daemon still registering its host name when PAPPL announced took
  // nothing from it either.
  if (state == AVAHI_CLIENT_CONNECTING || (firstReport && state != AVAHI_CLIENT_S_RUNNING)) {
    daemonWasAbsent = true;
  }
  firstReport = false;
  if (state == AVAHI_CLIENT_FAILURE) {
    daemonWasAbsent = true;
    // The daemon is gone: a new client waits for the next one (the client
    // of the old one never connects again).
    avahi_client_free(client);
    int error = 0;
    avahi_client_new(avahi_threaded_poll_get(daemonPoll), AVAHI_CLIENT_NO_FAIL, OnDaemonState,
                     nullptr, &error);
    return;
  }
  // A daemon that was there all along (registering, name collisions) has
  // forgotten nothing.
  if (state != AVAHI_CLIENT_S_RUNNING || !daemonWasAbsent) return;
  daemonWasAbsent = false;
  // The daemon has come (back): PAPPL 1.3 never announces again what the
  // old one forgot, a new start of the server does. Ending the way SIGTERM
  // ends PAPPL's loop keeps every job; main starts the program again.
  if (!restartWanted.exchange(true)) {
    std::fprintf(stderr,
                 "brindol-printer-app: the DNS-SD daemon is back; restarting to announce\n");
    OnStopSignal(0);
    kill(getpid(), SIGTERM);
  }
}

}  // namespace

std::string StateFilePath(const char* name) {
  const std::string file = std::string("/") + name + ".state";
  const char* snap = getenv("SNAP_COMMON");
  const char* xdg = getenv("XDG_CONFIG_HOME");
  const char* home = getenv("HOME");
  // The same choice as PAPPL's main loop makes, so that the state of earlier
  // versions is found.
  if (snap) {
    if (access(snap, X_OK) == 0) return snap + file;
  } else if (getuid() == 0) {
    if (access("/var/lib", X_OK) == 0 || errno != ENOENT || mkdir("/var/lib", 0777) == 0) {
      return "/var/lib" + file;
    }
  } else if (xdg) {
    if (access(xdg, X_OK) == 0) return xdg + file;
  } else if (home) {
    const std::string config = std::string(home) + "/.config";
    if (access(config.c_str(), X_OK) == 0 || errno != ENOENT || mkdir(config.c_str(), 0777) == 0) {
      return config + file;
    }
  }
  return std::string(papplGetTempDir()) + "/" + name + std::to_string(getuid()) + ".state";
}

namespace {

constexpr auto kSaveGap = std::chrono::seconds(1);

struct StateSaver {
  std::string path;
  std::chrono::steady_clock::time_point last{};
};

// PAPPL's main loop calls this, from its own thread, on the first round after
// a change.
bool SaveState(pappl_system_t* system, void* data) {
  auto& saver = *static_cast<StateSaver*>(data);
  const auto now = std::chrono::steady_clock::now();
  if (papplSystemIsShutdown(system) || now - saver.last >= kSaveGap) {
    saver.last = now;
    return papplSystemSaveState(system, saver.path.c_str());
  }
  // Not yet: leave a change behind, so that the loop calls again on a later
  // round (the timer below makes one every second) or at its end, where a
  // shutting-down system is saved at once.
  papplSystemSetMaxSubscriptions(system, papplSystemGetMaxSubscriptions(system));
  return true;
}

// Only wakes the main loop: it runs with the system locked for reading.
bool WakeMainLoop(pappl_system_t*, void*) { return true; }

}  // namespace

void LoadStateAndSaveEverySecond(pappl_system_t* system, const std::string& path) {
  static StateSaver saver;  // lives as long as the system's callbacks
  saver.path = path;
  papplSystemLoadState(system, path.c_str());
  papplSystemSetSaveCallback(system, SaveState, &saver);
  papplSystemAddTimerCallback(system, 0, 1, WakeMainLoop, nullptr);
}

std::string RepairStateText(const std::string& text) {
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line)) {
    if (line.rfind("Job ", 0) == 0 && line.find(" format=\"") == std::string::npos) {
      line.insert(3, " format=\"application/octet-stream\"");
    }
    out += line + "\n";
  }
  return out;
}

bool RepairStateFile(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return true;
  std::ostringstream text;
  text << in.rdbuf();
  const std::string repaired = RepairStateText(text.str());
  if (repaired == text.str()) return true;
  const std::string temporary = path + ".repaired";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << repaired;
  out.close();
  if (!out || std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot repair " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool ListenersFree(pappl_system_t* system, const char* hostname, std::string& error) {
  const int port = papplSystemGetHostPort(system);
  // A Unix socket is not an address of the network; port 0 is PAPPL's to
  // choose.
  if ((hostname && hostname[0] == '/') || port == 0) return true;
  if (hostname && std::strcmp(hostname, "*") == 0) hostname = nullptr;
  http_addrlist_t* wanted = httpAddrGetList(hostname, AF_UNSPEC, std::to_string(port).c_str());
  if (!wanted) {
    error = std::string("cannot resolve ") + (hostname ? hostname : "the wildcard addresses");
    return false;
  }
  for (const http_addrlist_t* a = wanted; a; a = a->next) {
    if (!FamilyAvailable(a->addr.addr.sa_family)) continue;  // e.g. IPv6 switched off
    const std::string problem = BindProblem(a->addr);
    if (problem.empty()) continue;
    if (!error.empty()) error += "; ";
    error += "cannot listen on " + AddressText(a->addr) + ": " + problem;
  }
  httpAddrFreeList(wanted);
  return error.empty();
}

bool HoldServerLock(const char* name, std::string& error) {
  const std::string path = LockPath(name);
  // Kept open for the process's life: the kernel lets go of the lock when
  // the server has ended, however it ends.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = std::string("another server is running (it holds ") + path + ")";
    close(fd);
    return false;
  }
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd, 0) != 0 ||
      write(fd, pid.data(), pid.size()) != static_cast<ssize_t>(pid.size())) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    close(fd);
    return false;
  }
  return true;
}

bool WaitForServerEnd(const char* name, double seconds) {
  const int fd = open(LockPath(name).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return true;  // no server ever ran here
  char text[32] = "";
  const ssize_t got = pread(fd, text, sizeof text - 1, 0);
  const pid_t server = got > 0 ? static_cast<pid_t>(std::atol(text)) : 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  bool ended = false;
  bool told = false;
  while (!(ended = flock(fd, LOCK_EX | LOCK_NB) == 0) && std::chrono::steady_clock::now() < end) {
    // Only while it holds the lock is the number surely the server's.
    if (!told && server > 0) told = kill(server, kStopSignal) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  close(fd);
  return ended;
}

void WatchForShutdown() {
  if (pipe2(stopPipe, O_CLOEXEC) != 0) return;
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(kStopSignal, &action, nullptr);
  // It never touches the system, which the main loop deletes while it runs.
  std::thread(CloseClientConnections).detach();
}

void WatchDnsSdDaemon() {
  // Never freed: it watches for the whole life of the process.
  daemonPoll = avahi_threaded_poll_new();
  if (!daemonPoll) return;
  int error = 0;
  if (!avahi_client_new(avahi_threaded_poll_get(daemonPoll), AVAHI_CLIENT_NO_FAIL, OnDaemonState,
                        nullptr, &error)) {
    avahi_threaded_poll_free(daemonPoll);
    daemonPoll = nullptr;
    return;
  }
  avahi_threaded_poll_start(daemonPoll);
}

bool RestartWanted() { return restartWanted; }
