// Printers and datagrams in the network lab (see lab_processes.h).
#include "lab_processes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

extern char** environ;

namespace {

std::vector<std::string> Words(const char* name) {
  std::vector<std::string> words;
  const char* value = std::getenv(name);
  std::istringstream in(value ? value : "");
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

bool InNetworkLab() {
  const char* lab = std::getenv("BRINDOL_LAB");
  return lab && std::string(lab) == "1" && std::getenv("BRINDOL_LAB_PRINTER_PID");
}

std::vector<std::string> LabAddresses() { return Words("BRINDOL_LAB_ADDRESSES"); }
std::vector<std::string> LabPrinterAddresses() { return Words("BRINDOL_LAB_PRINTER_ADDRESSES"); }

LabPrinter::LabPrinter(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {
      "nsenter", "-t", std::getenv("BRINDOL_LAB_PRINTER_PID"), "-n", NETPRINTER, "--jobs", "/tmp"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its chatter would only clutter the test's output.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (posix_spawnp(&pid_, "nsenter", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

LabPrinter::~LabPrinter() { Stop(); }

void LabPrinter::Stop() {
  if (pid_ <= 0) return;
  // nsenter runs the printer in its own process: it is the printer.
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

bool SendDatagram(const std::string& address, int port, const std::vector<unsigned char>& bytes) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = inet_pton(AF_INET, address.c_str(), &to.sin_addr) == 1 &&
            sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                   sizeof to) == static_cast<ssize_t>(bytes.size());
  close(fd);
  return ok;
}
