// netprinter: a simulated network receipt printer for tests and demos.
//
// It answers discovery queries with a reply that carries the announced IPv4
// address, sent to the reply port of the sender (discovery_protocol.h), and
// accepts raw print jobs on the print port, storing each one (and, when
// asked, the picture rasterview makes of it). With --pty it is also a serial
// printer at the far end of a pseudo-terminal. It logs the time of each job's
// first byte, for measuring how soon a job reaches the printer.
//
// It listens only on the interfaces that carry the addresses it is told to
// use, never on every interface of the machine: the discovery query is a
// broadcast, which a socket bound to a unicast address would not see, so each
// UDP socket is tied to its address's interface instead.
//
// Like a real receipt printer it has paper and a cover: it answers the
// real-time status requests (DLE EOT n) from a state that can change during a
// run, and while its paper is out or its cover open it keeps what it receives
// in its buffer and prints it once paper is back. A stored job holds the
// printed bytes: status requests are commands to the printer, not print data.
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
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "discovery_protocol.h"
#include "feed_convention.h"

namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }
volatile sig_atomic_t gRefill = 0;
void OnRefill(int) { gRefill = 1; }
volatile sig_atomic_t gOpenCover = 0;
void OnOpenCover(int) { gOpenCover = 1; }

// What the printer's paper and cover are like; kMute prints but never
// answers a status request (as printers without real-time status do).
enum class PaperState { kOk, kNearEnd, kPaperOut, kCoverOpen, kMute };

struct StatusOptions {
  PaperState state = PaperState::kOk;
  long long paperOutAfter = -1;  // the paper runs out once this many bytes are printed
  int refillAfter = 0;           // seconds after a stop until paper/cover are back; 0: SIGUSR1 only
};

struct Options {
  std::vector<std::string> addresses;
  std::string announce;  // address put into replies; default: the listening address
  std::string jobDir = ".";
  std::string rasterview;             // when set, each job is also turned into a PNG
  std::string convention = "family";  // how this printer moves the paper, for the PNG
  int udpPort = discovery::kQueryPort;
  int replyPort = discovery::kReplyPort;
  int tcpPort = discovery::kPrintPort;
  int maxSeconds = 0;
  bool silent = false;  // listen but never answer (a printer that went away)
  std::string ptyLink;  // when set, a serial printer on a pseudo-terminal linked here
  StatusOptions status;
};

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: netprinter --address IPV4 [--address IPV4 ...] [--announce IPV4]\n"
               "                  [--jobs DIR] [--rasterview PATH] [--udp-port N]\n"
               "                  [--reply-port N] [--tcp-port N] [--max-seconds N] [--silent]\n"
               "                  [--convention family|generic] [--pty LINK]\n"
               "                  [--state ok|near-end|paper-out|cover-open|mute]\n"
               "                  [--paper-out-after BYTES] [--refill-after SECONDS]\n"
               "\n"
               "Answers discovery queries on UDP --udp-port (9000) arriving on the interfaces\n"
               "of the given addresses, replying to --reply-port (9600) of the sender, and\n"
               "stores raw jobs received on TCP --tcp-port (9100) of those addresses as\n"
               "DIR/job-NNNN.bin (and job-NNNN.png with --rasterview, drawn as a printer of\n"
               "the --convention prints it: family by default, or generic, whose raster\n"
               "blocks advance the paper). Runs until SIGINT or SIGTERM, or for --max-seconds.\n"
               "\n"
               "--pty LINK: also a serial printer on a new pseudo-terminal, its port linked as\n"
               "LINK (print to serial:LINK). A serial line never closes: a job ends after 2 s\n"
               "without data. --address is optional with --pty.\n"
               "\n"
               "Answers the real-time status requests DLE EOT 1..4 from --state (ok). With\n"
               "paper out or the cover open it prints nothing and keeps what it receives;\n"
               "--paper-out-after runs the paper out once that many bytes are printed.\n"
               "SIGUSR1, or --refill-after seconds of the stop, loads paper and closes the\n"
               "cover; SIGUSR2 opens the cover. Stored jobs hold the printed bytes, without\n"
               "the status requests; a connection that only asked stores none. The paper\n"
               "sensor requests ESC v and GS r n are answered too (paper near its end, out).\n");
}

// Returns 1 when `arg` is not a status option, 0 when it was read, 2 on a
// usage error (message printed).
int ParseStatusArgument(const std::string& arg, const char* value, StatusOptions* status) {
  if (arg == "--state") {
    static constexpr struct {
      const char* name;
      PaperState state;
    } kStates[] = {{"ok", PaperState::kOk},
                   {"near-end", PaperState::kNearEnd},
                   {"paper-out", PaperState::kPaperOut},
                   {"cover-open", PaperState::kCoverOpen},
                   {"mute", PaperState::kMute}};
    for (const auto& entry : kStates) {
      if (std::strcmp(value, entry.name) == 0) {
        status->state = entry.state;
        return 0;
      }
    }
    std::fprintf(stderr, "netprinter: --state: unknown state '%s'\n", value);
    return 2;
  }
  if (arg == "--paper-out-after" || arg == "--refill-after") {
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(value, &end, 10);
    if (end == value || *end != '\0' || n < 0 || errno != 0 ||
        (arg == "--refill-after" && n > 86400)) {
      std::fprintf(stderr, "netprinter: %s: expected a count, got '%s'\n", arg.c_str(), value);
      return 2;
    }
    if (arg == "--paper-out-after") status->paperOutAfter = n;
    if (arg == "--refill-after") status->refillAfter = static_cast<int>(n);
    return 0;
  }
  return 1;
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
    } else if (arg == "--state" || arg == "--paper-out-after" || arg == "--refill-after") {
      if (!(v = value(arg.c_str())) || ParseStatusArgument(arg, v, &options->status) != 0) return 2;
    } else if (arg == "--address" || arg == "--announce" || arg == "--jobs" ||
               arg == "--rasterview" || arg == "--udp-port" || arg == "--reply-port" ||
               arg == "--tcp-port" || arg == "--max-seconds" || arg == "--convention" ||
               arg == "--pty") {
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
      } else if (arg == "--convention") {
        FeedConvention known;
        if (!FeedConventionFromName(v, known)) {
          std::fprintf(stderr, "netprinter: --convention: expected family or generic, got '%s'\n",
                       v);
          return 2;
        }
        options->convention = v;
      } else if (arg == "--pty") {
        options->ptyLink = v;
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
  if (options->addresses.empty() && options->ptyLink.empty()) {
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

// Splits the received stream into commands, so that a status request is
// recognised only where a command starts: raster data and command arguments
// may hold the bytes 10 04 n too, and those are print data. It knows the
// lengths of the commands receipt streams use; any other ESC, GS or FS
// sequence is taken as two bytes and any other byte as one.
class CommandScanner {
 public:
  // The request number passed for the paper sensor requests ESC v and GS r 1.
  static constexpr std::uint8_t kPaperSensor = 0x80;

  // Feeds `bytes`: print data goes to `print`, and each status request n
  // (1 to 4) is passed to `request`.
  template <typename Request>
  void Feed(const std::uint8_t* bytes, std::size_t size, std::deque<std::uint8_t>& print,
            Request request) {
    for (std::size_t i = 0; i < size; ++i) {
      if (rest_ > 0) {  // the rest of a command (raster data) goes as it is
        const std::size_t take = std::min(rest_, size - i);
        print.insert(print.end(), bytes + i, bytes + i + take);
        rest_ -= take;
        i += take - 1;
        continue;
      }
      head_[headSize_++] = bytes[i];
      const std::size_t length = CommandLength(head_, headSize_);
      if (length == 0) continue;  // the command's head is not complete yet
      if (headSize_ == 3 && head_[0] == kDle && head_[1] == kEot && head_[2] >= 1 &&
          head_[2] <= 4) {
        request(head_[2]);
      } else if ((headSize_ == 2 && head_[0] == kEsc && head_[1] == 'v') ||
                 (headSize_ == 3 && head_[0] == kGs && head_[1] == 'r' &&
                  OneOf(head_[2], "\x01\x31"))) {
        request(kPaperSensor);  // ESC v, GS r 1: the paper sensors
      } else {
        print.insert(print.end(), head_, head_ + headSize_);
        rest_ = length - headSize_;
      }
      headSize_ = 0;
    }
  }

 private:
  static constexpr std::uint8_t kDle = 0x10, kEot = 0x04, kEsc = 0x1B, kFs = 0x1C, kGs = 0x1D;

  // Whether `c` is one of `letters` (never the terminating zero).
  static bool OneOf(std::uint8_t c, const char* letters) {
    return c != 0 && std::strchr(letters, c) != nullptr;
  }

  // The whole command's length once `h` (its first n bytes) tells it, else 0.
  static std::size_t CommandLength(const std::uint8_t* h, std::size_t n) {
    auto word = [&](std::size_t at) { return static_cast<std::size_t>(h[at] | h[at + 1] << 8); };
    if (h[0] != kDle && h[0] != kEsc && h[0] != kGs && h[0] != kFs) return 1;
    if (n < 2) return 0;
    const std::uint8_t c = h[1];
    if (h[0] == kDle) {
      if (c == kEot || c == 0x05) return n < 3 ? 0 : 3;  // DLE EOT n, DLE ENQ n
      return c == 0x14 ? 5 : 2;                          // DLE DC4 fn m t
    }
    if (h[0] == kFs) return 2;
    if (h[0] == kEsc) {
      if (OneOf(c, "Jda!EG-3MtR{VeU ")) return 3;  // one argument
      if (OneOf(c, "$\\")) return 4;
      if (c == 'p') return 5;  // ESC p m t1 t2: drawer pulse
      if (c != '*') return 2;
      if (n < 5) return 0;  // ESC * m nL nH and the columns
      return 5 + word(3) * (h[2] >= 32 ? 3 : 1);
    }
    if (c == 'v') {  // GS v 0 m xL xH yL yH and the raster data
      if (n < 8) return 0;
      return 8 + word(4) * word(6);
    }
    if (c == 'V') {  // GS V m, or GS V m n for the cuts with a feed
      if (n < 3) return 0;
      return OneOf(h[2], "ABabgh") ? 4 : 3;
    }
    if (c == '(') {  // GS ( fn pL pH and its parameters
      if (n < 5) return 0;
      return 5 + word(3);
    }
    if (OneOf(c, "LW$\\P")) return 4;
    if (OneOf(c, "!hwHfarI")) return 3;
    return 2;
  }

  std::uint8_t head_[8] = {};
  std::size_t headSize_ = 0;
  std::size_t rest_ = 0;  // bytes of the current command still to come
};

// The printer's paper, cover and print buffer; it lives as long as the
// program, as a paper roll outlives the connections of the jobs.
class PaperPrinter {
 public:
  explicit PaperPrinter(const StatusOptions& options)
      : options_(options), state_(options.state), stoppedAt_(Clock::now()) {}

  // Takes what a connection sent; the answers to its status requests are
  // appended to `answers`. Printing takes no time here: what came before a
  // request is printed (onto `paper`) before the request is answered, so an
  // answer tells whether it all went onto paper.
  void Receive(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& answers,
               std::vector<char>& paper) {
    scanner_.Feed(bytes, size, buffer_, [&](std::uint8_t n) {
      ++requests_;
      Print(paper);
      if (state_ != PaperState::kMute) answers.push_back(StatusByte(n));
    });
  }

  // Prints from the buffer onto `paper` as far as paper and cover allow, and
  // loads paper when it is time to.
  void Print(std::vector<char>& paper) {
    if (gOpenCover) {
      gOpenCover = 0;
      std::printf("netprinter: cover opened\n");
      state_ = PaperState::kCoverOpen;
      stoppedAt_ = Clock::now();
    }
    if (Stopped() &&
        (gRefill || (options_.refillAfter > 0 &&
                     Clock::now() - stoppedAt_ >= std::chrono::seconds(options_.refillAfter)))) {
      std::printf("netprinter: paper loaded and cover closed after %s\n",
                  gRefill ? "SIGUSR1" : "--refill-after");
      state_ = PaperState::kOk;
    }
    gRefill = 0;
    if (Stopped()) return;
    std::size_t take = buffer_.size();
    if (options_.paperOutAfter >= 0 && !ranOut_) {
      const auto left = static_cast<std::size_t>(options_.paperOutAfter - printed_);
      if (take >= left) {
        take = left;
        ranOut_ = true;
      }
    }
    paper.insert(paper.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(take));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(take));
    printed_ += static_cast<long long>(take);
    if (ranOut_ && state_ != PaperState::kPaperOut && printed_ == options_.paperOutAfter) {
      std::printf("netprinter: paper out after %lld bytes; %zu bytes wait in the buffer\n",
                  printed_, buffer_.size());
      state_ = PaperState::kPaperOut;
      stoppedAt_ = Clock::now();
    }
  }

  bool Holding() const { return !buffer_.empty(); }
  std::size_t Held() const { return buffer_.size(); }
  // Status requests answered or ignored since the last call.
  long long TakeRequests() { return std::exchange(requests_, 0); }

 private:
  using Clock = std::chrono::steady_clock;

  bool Stopped() const {
    return state_ == PaperState::kPaperOut || state_ == PaperState::kCoverOpen;
  }

  // The answer to DLE EOT n. Every answer has bits 1 and 4 set and bits 0
  // and 7 clear, which is how a host tells it from other data.
  std::uint8_t StatusByte(std::uint8_t n) const {
    const bool paperOut = state_ == PaperState::kPaperOut;
    const bool coverOpen = state_ == PaperState::kCoverOpen;
    std::uint8_t status = 0x12;
    switch (n) {
      case 1:  // printer: bit 3 offline
        if (paperOut || coverOpen) status |= 0x08;
        break;
      case 2:  // offline cause: bit 2 cover open, bit 5 printing stopped at paper end
        if (coverOpen) status |= 0x04;
        if (paperOut) status |= 0x20;
        break;
      case 3:  // error cause: bit 3 cutter, bit 5 unrecoverable, bit 6 recoverable; none here
        break;
      case 4:  // roll sensor: bits 2-3 paper near its end, bits 5-6 no paper
        if (state_ == PaperState::kNearEnd || paperOut) status |= 0x0C;
        if (paperOut) status |= 0x60;
        break;
      case CommandScanner::kPaperSensor:  // bits 0-1 near its end, bits 2-3 no paper
        status = 0;
        if (state_ == PaperState::kNearEnd || paperOut) status |= 0x03;
        if (paperOut) status |= 0x0C;
        break;
    }
    return status;
  }

  StatusOptions options_;
  PaperState state_;
  Clock::time_point stoppedAt_;
  CommandScanner scanner_;
  std::deque<std::uint8_t> buffer_;  // received, not printed yet
  long long printed_ = 0;
  bool ranOut_ = false;  // --paper-out-after has run the paper out (once a run)
  long long requests_ = 0;
};

void MakePicture(const Options& options, const std::string& job, const std::string& png) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(options.rasterview.c_str(), options.rasterview.c_str(), "--convention",
          options.convention.c_str(), job.c_str(), "-o", png.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "netprinter: rasterview could not picture %s\n", job.c_str());
    return;
  }
  std::printf("netprinter: picture %s\n", png.c_str());
}

void StoreJob(const Options& options, const std::vector<char>& data, int* jobNumber) {
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

void ReceiveJob(const Options& options, Listener& listener, PaperPrinter& printer, int* jobNumber) {
  Fd connection(accept(listener.tcp.get(), nullptr, nullptr));
  if (connection.get() < 0) return;
  std::vector<char> data;
  std::vector<std::uint8_t> answers;
  std::uint8_t buffer[65536];
  bool closed = false, received = false;
  auto lastData = std::chrono::steady_clock::now();
  // A client that stalls for 10 s ends its job, unless the printer still holds
  // some of it; what the client sent before it closed is printed in full once
  // paper is back.
  while (!gStop) {
    printer.Print(data);
    if (closed && !printer.Holding()) break;
    if (!closed && !printer.Holding() &&
        std::chrono::steady_clock::now() - lastData >= std::chrono::seconds(10)) {
      break;
    }
    pollfd p{connection.get(), POLLIN, 0};
    const int ready = closed ? poll(nullptr, 0, 200) : poll(&p, 1, 200);
    if (ready <= 0 || closed) continue;
    const ssize_t n = read(connection.get(), buffer, sizeof buffer);
    if (n <= 0) {
      closed = true;
      continue;
    }
    lastData = std::chrono::steady_clock::now();
    if (!received) {  // for measuring how soon a job reaches the printer
      received = true;
      timespec now{};
      clock_gettime(CLOCK_REALTIME, &now);
      std::printf("netprinter: job %d first byte at %lld.%09ld\n", *jobNumber + 1,
                  static_cast<long long>(now.tv_sec), now.tv_nsec);
    }
    answers.clear();
    printer.Receive(buffer, static_cast<std::size_t>(n), answers, data);
    if (!answers.empty()) send(connection.get(), answers.data(), answers.size(), MSG_NOSIGNAL);
  }
  if (printer.Holding()) {
    std::printf("netprinter: stopped with %zu bytes of the job not printed\n", printer.Held());
  }
  if (const long long requests = printer.TakeRequests()) {
    // A host that only asked how the printer is printed nothing: no job.
    if (data.empty()) {
      std::printf("netprinter: answered %lld status request(s)\n", requests);
      return;
    }
    std::printf("netprinter: %lld status request(s) during the job\n", requests);
  }
  StoreJob(options, data, jobNumber);
}

// The serial printer: the master side of a pseudo-terminal. A serial line has
// no end of connection, and a job need not end with a cut, so a job ends when
// the line has been quiet this long (longer than the pauses a job has between
// pages and status questions).
constexpr auto kPtyIdle = std::chrono::seconds(2);

struct PtyPrinter {
  Fd master;
  // Held open so that the master does not hang up whenever the application
  // closes its side between jobs. Its line settings are left as the kernel
  // makes them (echo, newline translation): the application must make the
  // line raw, or the stored job shows it.
  Fd slave;
  std::vector<char> job;
  std::chrono::steady_clock::time_point lastData;
};

bool OpenPty(const Options& options, PtyPrinter* pty) {
  pty->master = Fd(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  const char* slaveName = nullptr;
  if (pty->master.get() < 0 || grantpt(pty->master.get()) != 0 ||
      unlockpt(pty->master.get()) != 0 || !(slaveName = ptsname(pty->master.get()))) {
    std::fprintf(stderr, "netprinter: cannot make a pseudo-terminal: %s\n", std::strerror(errno));
    return false;
  }
  pty->slave = Fd(open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC));
  unlink(options.ptyLink.c_str());
  if (pty->slave.get() < 0 || symlink(slaveName, options.ptyLink.c_str()) != 0) {
    std::fprintf(stderr, "netprinter: cannot link %s to %s: %s\n", options.ptyLink.c_str(),
                 slaveName, std::strerror(errno));
    return false;
  }
  std::printf("netprinter: serial printer on %s (%s)\n", options.ptyLink.c_str(), slaveName);
  return true;
}

// The line carries status requests as a socket does: they are answered on
// the line and are not print data.
void ReadPty(PtyPrinter& pty, PaperPrinter& printer) {
  std::uint8_t buffer[65536];
  const ssize_t n = read(pty.master.get(), buffer, sizeof buffer);
  if (n <= 0) return;
  std::vector<std::uint8_t> answers;
  printer.Receive(buffer, static_cast<std::size_t>(n), answers, pty.job);
  printer.Print(pty.job);
  if (!answers.empty() && write(pty.master.get(), answers.data(), answers.size()) < 0) {
    std::fprintf(stderr, "netprinter: cannot answer on the line: %s\n", std::strerror(errno));
  }
  pty.lastData = std::chrono::steady_clock::now();
}

void EndQuietPtyJob(const Options& options, PtyPrinter& pty, int* jobNumber, bool stopping) {
  if (pty.job.empty() ||
      (!stopping && std::chrono::steady_clock::now() - pty.lastData < kPtyIdle)) {
    return;
  }
  StoreJob(options, pty.job, jobNumber);
  pty.job.clear();
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
  PtyPrinter pty;
  if (!options.ptyLink.empty() && !OpenPty(options, &pty)) return 1;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  struct sigaction refill {};
  refill.sa_handler = OnRefill;
  sigaction(SIGUSR1, &refill, nullptr);
  refill.sa_handler = OnOpenCover;
  sigaction(SIGUSR2, &refill, nullptr);
  PaperPrinter printer(options.status);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.maxSeconds);
  int jobNumber = 0;
  while (!gStop) {
    if (options.maxSeconds && std::chrono::steady_clock::now() >= deadline) break;
    std::vector<pollfd> fds;
    for (auto& l : listeners) {
      fds.push_back({l.udp.get(), POLLIN, 0});
      fds.push_back({l.tcp.get(), POLLIN, 0});
    }
    if (pty.master.get() >= 0) fds.push_back({pty.master.get(), POLLIN, 0});
    int ready = poll(fds.data(), fds.size(), 200);
    if (ready < 0 && errno != EINTR) {
      std::fprintf(stderr, "netprinter: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
    for (std::size_t i = 0; ready > 0 && i < listeners.size(); ++i) {
      if (fds[2 * i].revents & POLLIN) AnswerQuery(options, listeners[i]);
      if (fds[2 * i + 1].revents & POLLIN) ReceiveJob(options, listeners[i], printer, &jobNumber);
    }
    if (pty.master.get() >= 0) {
      if (ready > 0 && (fds.back().revents & POLLIN)) ReadPty(pty, printer);
      EndQuietPtyJob(options, pty, &jobNumber, false);
    }
  }
  if (pty.master.get() >= 0) {
    EndQuietPtyJob(options, pty, &jobNumber, true);
    unlink(options.ptyLink.c_str());
  }
  std::printf("netprinter: stopped after %d job(s)\n", jobNumber);
  return 0;
}
