// The serial device scheme: raw 8N1 ports, listed from /dev.
#include "serial_device.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "device_io.h"

namespace {

constexpr int kWriteMs = 30000;  // a printer that takes no data for this long is stuck
constexpr int kReadMs = 100;     // a status answer comes within this or not at all

constexpr struct {
  unsigned baud;
  speed_t speed;
} kSpeeds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
               {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
               {230400, B230400}, {460800, B460800}, {921600, B921600}};

constexpr struct {
  const char* name;
  SerialFlow flow;
} kFlows[] = {{"none", SerialFlow::kNone},
              {"rtscts", SerialFlow::kRtsCts},
              {"xonxoff", SerialFlow::kXonXoff}};

// Name prefixes of serial ports; ttyS needs a look at the UART behind it.
constexpr const char* kPortPrefixes[] = {"ttyUSB", "ttyACM", "rfcomm", "ttyS"};

bool IsPortName(const std::string& name) {
  for (const char* prefix : kPortPrefixes) {
    const std::size_t length = std::strlen(prefix);
    if (name.size() > length && name.compare(0, length, prefix) == 0 &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(length), name.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      return true;
    }
  }
  return false;
}

// A ttyS node without a UART opens (or not) and reports no port type.
bool HasUart(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct info{};
  const bool uart = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  close(fd);
  return uart;
}

bool ListDevices(pappl_device_cb_t cb, void* data, pappl_deverror_cb_t, void*) {
  for (const std::string& path : ListSerialPorts("/dev")) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::string info =
        (name.rfind("rfcomm", 0) == 0 ? "Bluetooth serial port " : "Serial port ") + name;
    const std::string uri = std::string(kSerialScheme) + ":" + path;
    if (cb(info.c_str(), uri.c_str(), "", data)) return true;
  }
  return false;
}

bool SetUpPort(int fd, const SerialSettings& settings, speed_t speed) {
  termios mode{};
  if (tcgetattr(fd, &mode) != 0) return false;
  cfmakeraw(&mode);
  mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  mode.c_cflag |= CS8 | CLOCAL | CREAD;
  mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (settings.flow == SerialFlow::kRtsCts) mode.c_cflag |= CRTSCTS;
  // Status answers never look like XON or XOFF (their lowest bit is clear),
  // so software flow control does not eat them.
  if (settings.flow == SerialFlow::kXonXoff) mode.c_iflag |= IXON | IXOFF;
  // Reads are timed by poll() on the non-blocking descriptor.
  mode.c_cc[VMIN] = 0;
  mode.c_cc[VTIME] = 0;
  if (cfsetispeed(&mode, speed) != 0 || cfsetospeed(&mode, speed) != 0 ||
      tcsetattr(fd, TCSANOW, &mode) != 0) {
    return false;
  }
  // tcsetattr() succeeds when any of the settings took: check the speed.
  termios applied{};
  return tcgetattr(fd, &applied) == 0 && cfgetospeed(&applied) == speed &&
         (applied.c_cflag & CSIZE) == CS8;
}

bool OpenDevice(pappl_device_t* device, const char* uri, const char*) {
  SerialSettings settings;
  std::string error;
  if (!ParseSerialUri(uri, settings, error)) {
    papplDeviceError(device, "Bad device URI '%s': %s.", uri, error.c_str());
    return false;
  }
  const int fd = open(settings.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    papplDeviceError(device, "Unable to open %s: %s", settings.path.c_str(), std::strerror(errno));
    return false;
  }
  if (!isatty(fd)) {
    close(fd);
    papplDeviceError(device, "%s is not a serial port.", settings.path.c_str());
    return false;
  }
  const auto* entry = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                   [&](const auto& s) { return s.baud == settings.baud; });
  errno = 0;
  if (!SetUpPort(fd, settings, entry->speed)) {
    papplDeviceError(device, "Unable to set %s to %u baud, 8N1: %s", settings.path.c_str(),
                     settings.baud, errno ? std::strerror(errno) : "the port refused it");
    close(fd);
    return false;
  }
  // What the printer said before this job (an answer nobody waited for) is
  // not an answer to this job's questions.
  tcflush(fd, TCIFLUSH);
  SetDeviceFd(device, fd);
  return true;
}

void CloseDevice(pappl_device_t* device) {
  // close() may throw away what the port has not sent yet; tcdrain() could
  // wait for ever on a printer that holds CTS, so wait a bounded time.
  const int fd = DeviceFd(device);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteMs);
  int queued = 0;
  while (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  close(fd);
}

ssize_t ReadDevice(pappl_device_t* device, void* buffer, std::size_t bytes) {
  return ReadWithin(device, buffer, bytes, kReadMs);
}

ssize_t WriteDevice(pappl_device_t* device, const void* buffer, std::size_t bytes) {
  return WriteWhole(device, buffer, bytes, write, kWriteMs,
                    " (out of paper, or the wrong flow control?)");
}

pappl_preason_t DeviceStatus(pappl_device_t*) { return PAPPL_PREASON_NONE; }

}  // namespace

bool IsSerialUri(const char* uri) {
  const std::size_t length = std::strlen(kSerialScheme);
  return uri && std::strncmp(uri, kSerialScheme, length) == 0 && uri[length] == ':';
}

void RegisterSerialScheme() {
  papplDeviceAddScheme(kSerialScheme, PAPPL_DEVTYPE_CUSTOM_LOCAL, ListDevices, OpenDevice,
                       CloseDevice, ReadDevice, WriteDevice, DeviceStatus, nullptr);
}

bool ParseSerialUri(const char* uri, SerialSettings& settings, std::string& error) {
  if (!IsSerialUri(uri)) {
    error = "not a serial: URI";
    return false;
  }
  const std::string rest = uri + std::strlen(kSerialScheme) + 1;
  const std::size_t question = rest.find('?');
  const std::string path = rest.substr(0, question);
  if (path.size() < 2 || path[0] != '/' || path[1] == '/' ||
      path.find_first_not_of(
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-") !=
          std::string::npos) {
    error = "the port must be an absolute path such as /dev/ttyUSB0";
    return false;
  }
  SerialSettings parsed;
  parsed.path = path;
  bool haveBaud = false, haveFlow = false;
  std::string query = question == std::string::npos ? "" : rest.substr(question + 1);
  while (question != std::string::npos) {
    const std::size_t amp = query.find('&');
    const std::string pair = query.substr(0, amp);
    const std::size_t equals = pair.find('=');
    const std::string key = pair.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : pair.substr(equals + 1);
    if (key == "baud" && !haveBaud) {
      const auto* s = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                   [&](const auto& e) { return value == std::to_string(e.baud); });
      if (s == std::end(kSpeeds)) {
        error = "baud '" + value + "' is not one of";
        for (const auto& e : kSpeeds) error += " " + std::to_string(e.baud);
        return false;
      }
      parsed.baud = s->baud;
      haveBaud = true;
    } else if (key == "flow" && !haveFlow) {
      const auto* f = std::find_if(std::begin(kFlows), std::end(kFlows),
                                   [&](const auto& e) { return value == e.name; });
      if (f == std::end(kFlows)) {
        error = "flow '" + value + "' is not none, rtscts or xonxoff";
        return false;
      }
      parsed.flow = f->flow;
      haveFlow = true;
    } else {
      error = "unknown or repeated setting '" + pair + "' (baud=N and flow=none|rtscts|xonxoff)";
      return false;
    }
    if (amp == std::string::npos) break;
    query.erase(0, amp + 1);
  }
  settings = parsed;
  return true;
}

std::vector<std::string> ListSerialPorts(const std::string& directory) {
  std::vector<std::string> ports;
  DIR* dir = opendir(directory.c_str());
  if (!dir) return ports;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsPortName(name)) continue;
    const std::string path = directory + "/" + name;
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) continue;
    if (name.rfind("ttyS", 0) == 0 && !HasUart(path)) continue;
    ports.push_back(path);
  }
  closedir(dir);
  std::sort(ports.begin(), ports.end());
  return ports;
}
