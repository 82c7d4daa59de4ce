// netprinter: a simulated network receipt printer for tests and demos.
//
// It answers discovery queries with a reply that carries the announced IPv4
// address, sent to the reply port of the sender (discovery_protocol.h), and
// accepts raw print jobs on the print port, storing each one (and, when
// asked, the picture rasterview makes of it). It logs the time of each
// job's first byte, for measuring how soon a job reaches the printer.
//
// It listens only on the interfaces that carry the addresses it is told to
// use, never on every interface of the machine: the discovery query is a
// broadcast, which a socket bound to a unicast address would not see, so each
// UDP socket is tied to its address's interface instead.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "discovery_protocol.h"

namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

struct Options {
  std::vector<std::string> addresses;
  std::string announce;  // address put into replies; default: the listening address
  std::string jobDir = ".";
  std::string rasterview;  // when set, each job is also turned into a PNG
  int udpPort = discovery::kQueryPort;
  int replyPort = discovery::kReplyPort;
  int tcpPort = discovery::kPrintPort;
  int maxSeconds = 0;
  bool silent = false;        // listen but never answer (a printer that went away)
  bool answerStatus = false;  // --state ok: answer status requests
};

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: netprinter --address IPV4 [--address IPV4 ...] [--announce IPV4]\n"
               "                  [--jobs DIR] [--rasterview PATH] [--udp-port N]\n"
               "                  [--reply-port N] [--tcp-port N] [--max-seconds N] [--silent]\n"
               "                  [--state ok|mute]\n"
               "\n"
               "Answers discovery queries on UDP --udp-port (9000) arriving on the interfaces\n"
               "of the given addresses, replying to --reply-port (9600) of the sender, and\n"
               "stores raw jobs received on TCP --tcp-port (9100) of those addresses as\n"
               "DIR/job-NNNN.bin (and job-NNNN.png with --rasterview). Runs until SIGINT or\n"
               "SIGTERM, or for --max-seconds. With --state ok it answers the status\n"
               "requests DLE EOT 1..4, ESC v and GS r as a ready printer with paper does;\n"
               "with mute (the default) it answers nothing.\n");
}

bool ParsePort(const char* text, int* port) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value <= 0 || value > 65535) return false;
  *port = static_cast<int>(value);
  return true;
}

bool ParseIpv4(const std::string& text, in_addr* out) {
  return inet_pton(AF_INET, text.c_str(), out) == 1;
}

// Returns 0 on success, 2 on a usage error (message printed).
int ParseArguments(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "netprinter: %s needs a value\n", name);
        return nullptr;
      }
      return argv[++i];
    };
    const char* v = nullptr;
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      std::exit(0);
    } else if (arg == "--silent") {
      options->silent = true;
    } else if (arg == "--state") {
      if (!(v = value(arg.c_str()))) return 2;
      if (std::strcmp(v, "ok") != 0 && std::strcmp(v, "mute") != 0) {
        std::fprintf(stderr, "netprinter: --state: expected ok or mute, got '%s'\n", v);
        return 2;
      }
      options->answerStatus = std::strcmp(v, "ok") == 0;
    } else if (arg == "--address" || arg == "--announce" || arg == "--jobs" ||
               arg == "--rasterview" || arg == "--udp-port" || arg == "--reply-port" ||
               arg == "--tcp-port" || arg == "--max-seconds") {
      if (!(v = value(arg.c_str()))) return 2;
      in_addr probe{};
      if (arg == "--address" || arg == "--announce") {
        if (!ParseIpv4(v, &probe)) {
          std::fprintf(stderr, "netprinter: %s: not an IPv4 address: '%s'\n", arg.c_str(), v);
          return 2;
        }
        if (arg == "--address") {
          options->addresses.emplace_back(v);
        } else {
          options->announce = v;
        }
      } else if (arg == "--jobs") {
        options->jobDir = v;
      } else if (arg == "--rasterview") {
        options->rasterview = v;
      } else {
        int n = 0;
        if (!ParsePort(v, &n)) {
          std::fprintf(stderr, "netprinter: %s: expected a number from 1 to 65535, got '%s'\n",
                       arg.c_str(), v);
          return 2;
        }
        if (arg == "--udp-port") options->udpPort = n;
        if (arg == "--reply-port") options->replyPort = n;
        if (arg == "--tcp-port") options->tcpPort = n;
        if (arg == "--max-seconds") options->maxSeconds = n;
      }
    } else {
      std::fprintf(stderr, "netprinter: unknown argument '%s'\n\n", arg.c_str());
      Usage(stderr);
      return 2;
    }
  }
  if (options->addresses.empty()) {
    std::fprintf(stderr, "netprinter: at least one --address is required\n\n");
    Usage(stderr);
    return 2;
  }
  return 0;
}

// The name of the interface that carries `address`, or "" when none does.
std::string InterfaceOf(const in_addr& address) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::string name;
  for (ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
    auto* sin = reinterpret_cast<sockaddr_in*>(it->ifa_addr);
    if (sin->sin_addr.s_addr == address.s_addr) {
      name = it->ifa_name;
      break;
    }
  }
  freeifaddrs(list);
  return name;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

struct Listener {
  std::string address;
  in_addr announce{};
  Fd udp;
  Fd tcp;
};

bool OpenListener(const Options& options, const std::string& address, Listener* out) {
  in_addr addr{};
  ParseIpv4(address, &addr);
  std::string ifname = InterfaceOf(addr);
  if (ifname.empty()) {
    std::fprintf(stderr, "netprinter: no interface carries the address %s\n", address.c_str());
    return false;
  }
  out->address = address;
  out->announce = addr;
  if (!options.announce.empty()) ParseIpv4(options.announce, &out->announce);

  Fd udp(socket(AF_INET, SOCK_DGRAM, 0));
  int on = 1;
  sockaddr_in any{};
  any.sin_family = AF_INET;
  any.sin_port = htons(static_cast<uint16_t>(options.udpPort));
  any.sin_addr.s_addr = htonl(INADDR_ANY);
  if (udp.get() < 0 || setsockopt(udp.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      setsockopt(udp.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      setsockopt(udp.get(), SOL_SOCKET, SO_BINDTODEVICE, ifname.c_str(),
                 static_cast<socklen_t>(ifname.size() + 1)) != 0 ||
      bind(udp.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
    std::fprintf(stderr, "netprinter: cannot listen on UDP %s:%d (%s): %s\n", address.c_str(),
                 options.udpPort, ifname.c_str(), std::strerror(errno));
    return false;
  }

  Fd tcp(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(options.tcpPort));
  local.sin_addr = addr;
  if (tcp.get() < 0 || setsockopt(tcp.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(tcp.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      listen(tcp.get(), 4) != 0) {
    std::fprintf(stderr, "netprinter: cannot listen on TCP %s:%d: %s\n", address.c_str(),
                 options.tcpPort, std::strerror(errno));
    return false;
  }
  out->udp = std::move(udp);
  out->tcp = std::move(tcp);
  std::printf("netprinter: listening on %s (%s): UDP %d, TCP %d\n", address.c_str(), ifname.c_str(),
              options.udpPort, options.tcpPort);
  return true;
}

void AnswerQuery(const Options& options, Listener& listener) {
  std::uint8_t buffer[1500];
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  ssize_t n = recvfrom(listener.udp.get(), buffer, sizeof buffer, 0,
                       reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (n < 0 || !discovery::IsQuery(buffer, static_cast<std::size_t>(n))) return;
  char sender[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
  if (options.silent) {
    std::printf("netprinter: query from %s ignored (silent)\n", sender);
    return;
  }
  discovery::Address announce;
  std::memcpy(announce.data(), &listener.announce.s_addr,
              announce.size());  // network order = first octet first
  const discovery::Reply reply = discovery::MakeReply(announce);
  sockaddr_in to = from;
  to.sin_port = htons(static_cast<uint16_t>(options.replyPort));
  if (sendto(listener.udp.get(), reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&to),
             sizeof to) != static_cast<ssize_t>(reply.size())) {
    std::fprintf(stderr, "netprinter: reply to %s failed: %s\n", sender, std::strerror(errno));
    return;
  }
  char announced[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &listener.announce, announced, sizeof announced);
  std::printf("netprinter: answered query from %s on %s with %s\n", sender,
              listener.address.c_str(), announced);
}

void MakePicture(const Options& options, const std::string& job, const std::string& png) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(options.rasterview.c_str(), options.rasterview.c_str(), job.c_str(), "-o", png.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "netprinter: rasterview could not picture %s\n", job.c_str());
    return;
  }
  std::printf("netprinter: picture %s\n", png.c_str());
}

// Answers the status requests in a job's bytes as a ready printer with paper
// does: the real-time requests DLE EOT n (n = 1 to 4: online, cover closed,
// no error, paper present, so only the fixed bits 1 and 4 are set) and the
// paper sensor requests ESC v and GS r n (no sensor tripped). Raster image
// data (GS v 0) is skipped, so picture bytes that happen to look like a
// request draw no answer. Requests split across reads are still seen.
class StatusAnswers {
 public:
  void Feed(int fd, const unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      if (skip_ > 0) {
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size - i));
        skip_ -= take;
        i += take - 1;
        continue;
      }
      int answer = Step(data[i]);
      if (answer >= 0) {
        const auto byte = static_cast<unsigned char>(answer);
        if (send(fd, &byte, 1, MSG_NOSIGNAL) != 1) return;  // the client has gone
      }
    }
  }

 private:
  static constexpr unsigned char kDle = 0x10, kEsc = 0x1B, kGs = 0x1D;
  struct Request {
    unsigned char lead[2];
    const char* last;  // the bytes that may end it, or nullptr: it has two
    unsigned char answer;
  };
  static constexpr Request kRequests[] = {
      {{kDle, 0x04}, "\x01\x02\x03\x04", 0x12},  // DLE EOT n
      {{kEsc, 'v'}, nullptr, 0x00},              // ESC v
      {{kGs, 'r'}, "\x01\x02\x31\x32", 0x00},    // GS r n
  };

  // Takes the next byte outside image data; returns the answer it completes, or -1.
  int Step(unsigned char c) {
    head_[size_++] = c;
    if (head_[0] == kGs && size_ >= 2 && head_[1] == 'v') {  // GS v 0 m xL xH yL yH
      if (size_ == 3 && c != '0') return Restart(c);
      if (size_ < 8) return -1;
      skip_ = static_cast<std::uint64_t>(head_[4] | head_[5] << 8) *
              static_cast<std::uint64_t>(head_[6] | head_[7] << 8);
      size_ = 0;
      return -1;
    }
    for (const Request& r : kRequests) {
      if (head_[0] != r.lead[0]) continue;
      if (size_ == 1) return -1;
      if (head_[1] != r.lead[1]) continue;
      if (size_ == 2 && r.last) return -1;
      if (size_ == 3 && (c == 0 || !std::strchr(r.last, c))) continue;
      size_ = 0;
      return r.answer;
    }
    return Restart(c);
  }
  // A byte that ends no request may begin one.
  int Restart(unsigned char c) {
    size_ = 0;
    if (c == kDle || c == kEsc || c == kGs) head_[size_++] = c;
    return -1;
  }

  unsigned char head_[8] = {};
  std::size_t size_ = 0;
  std::uint64_t skip_ = 0;
};

void ReceiveJob(const Options& options, Listener& listener, int* jobNumber) {
  Fd connection(accept(listener.tcp.get(), nullptr, nullptr));
  if (connection.get() < 0) return;
  std::vector<char> data;
  StatusAnswers status;
  char buffer[65536];
  for (;;) {
    pollfd p{connection.get(), POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) break;  // a client that stalls for 10 s ends its job
    ssize_t n = read(connection.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    if (data.empty()) {
      timespec now{};
      clock_gettime(CLOCK_REALTIME, &now);
      std::printf("netprinter: job %d first byte at %lld.%09ld\n", *jobNumber + 1,
                  static_cast<long long>(now.tv_sec), now.tv_nsec);
    }
    if (options.answerStatus) {
      status.Feed(connection.get(), reinterpret_cast<unsigned char*>(buffer),
                  static_cast<std::size_t>(n));
    }
    data.insert(data.end(), buffer, buffer + n);
  }
  char name[64];
  std::snprintf(name, sizeof name, "job-%04d", ++*jobNumber);
  std::string bin = options.jobDir + "/" + name + ".bin";
  FILE* file = std::fopen(bin.c_str(), "wb");
  // A connection that sent nothing stores an empty job (fwrite must not be
  // handed the empty vector's null data).
  if (!file || (!data.empty() && std::fwrite(data.data(), 1, data.size(), file) != data.size()) ||
      std::fclose(file) != 0) {
    std::fprintf(stderr, "netprinter: cannot write %s: %s\n", bin.c_str(), std::strerror(errno));
    return;
  }
  std::printf("netprinter: stored job %d (%zu bytes) in %s\n", *jobNumber, data.size(),
              bin.c_str());
  if (!options.rasterview.empty()) MakePicture(options, bin, options.jobDir + "/" + name + ".png");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int rc = ParseArguments(argc, argv, &options)) return rc;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  mkdir(options.jobDir.c_str(), 0755);

  std::vector<Listener> listeners(options.addresses.size());
  for (std::size_t i = 0; i < options.addresses.size(); ++i) {
    if (!OpenListener(options, options.addresses[i], &listeners[i])) return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.maxSeconds);
  int jobNumber = 0;
  while (!gStop) {
    if (options.maxSeconds && std::chrono::steady_clock::now() >= deadline) break;
    std::vector<pollfd> fds;
    for (auto& l : listeners) {
      fds.push_back({l.udp.get(), POLLIN, 0});
      fds.push_back({l.tcp.get(), POLLIN, 0});
    }
    int ready = poll(fds.data(), fds.size(), 200);
    if (ready < 0 && errno != EINTR) {
      std::fprintf(stderr, "netprinter: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
    for (std::size_t i = 0; ready > 0 && i < listeners.size(); ++i) {
      if (fds[2 * i].revents & POLLIN) AnswerQuery(options, listeners[i]);
      if (fds[2 * i + 1].revents & POLLIN) ReceiveJob(options, listeners[i], &jobNumber);
    }
  }
  std::printf("netprinter: stopped after %d job(s)\n", jobNumber);
  return 0;
}
