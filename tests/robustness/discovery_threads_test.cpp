// The network discovery's threads against the dialog thread: replies pour
// in on a receive thread while the broadcast thread empties and counts the
// found-printer list every cycle and the user switches connections and the
// list box is refilled. Every access to the list must stay on the dialog
// thread or under its lock; under ThreadSanitizer (scripts/test-tsan) a
// race shows. Runs in a network namespace of its own (in_netns.sh).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "discovery_protocol.h"
#include "installer_fixture.h"
#include "machine.h"
#include "sim.h"
#include "resource.h"
#include "sim_network.h"

namespace {

constexpr size_t kPrinters = 40;

// Replies as a printer sends them, to the discovery's port on loopback,
// each naming one of kPrinters addresses, until told to stop.
class Printers {
 public:
  Printers() : thread_([this] { Run(); }) {}
  ~Printers() {
    stop_ = true;
    thread_.join();
  }
  int Sent() const { return sent_; }

 private:
  void Run() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(discovery::kReplyPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; !stop_; ++i) {
      const discovery::Reply reply = discovery::MakeReply(
          {10, 0, 0, static_cast<std::uint8_t>(1 + i % static_cast<int>(kPrinters))});
      if (sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) > 0)
        ++sent_;
      usleep(2000);
    }
    close(fd);
  }

  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

class DiscoveryThreads : public DialogTest {
 protected:
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    dialog_ = nullptr;
    // The discovery's threads live until the program ends; this ends them.
    sim::EndThreads();
  }

  size_t FoundCount() {
    std::lock_guard<std::mutex> guard(state_.ports.foundLock);
    return state_.ports.found.Count();
  }
};

TEST_F(DiscoveryThreads, RepliesAndCyclesMeetTheDialogThread) {
  const char* own = std::getenv("BRINDOL_OWN_NETNS");
  if (!own || std::string(own) != "1")
    GTEST_SKIP() << "needs a network namespace of its own (in_netns.sh)";
  sim::SetAdapters({{"{loopback}", "loopback", 24, {"127.0.0.1"}}});
  sim::AllowNetworkTraffic(true);
  Open();
  ASSERT_EQ(sim::OpenSockets(), (std::vector<std::string>{"udp 127.0.0.1:9600"}));

  Printers printers;
  // The user keeps switching between NET and the other lists until every
  // printer has been found and shown at once and a broadcast cycle (about
  // every 4 s) has emptied the list since: events, not a fixed stretch of
  // time, so a slow or busy machine only takes longer. The deadline is far
  // beyond any machine's need and stops a discovery that never delivers.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  size_t mostFound = 0, mostLines = 0;
  bool emptied = false;
  for (int step = 0; !(emptied && mostFound == kPrinters && mostLines == kPrinters + 1) &&
                     std::chrono::steady_clock::now() < deadline;
       ++step) {
    sim::PumpMessagesFor(15);
    machine::Click(dialog_, step % 4 ? IDC_NET : IDC_USB + step / 4 % 3);
    const size_t found = FoundCount();
    emptied = emptied || found < mostFound;
    mostFound = std::max(mostFound, found);
    mostLines = std::max(mostLines, Lines().size());
  }
  EXPECT_GT(printers.Sent(), 0);
  EXPECT_EQ(mostFound, kPrinters);
  EXPECT_EQ(mostLines, kPrinters + 1);  // and the header line
  EXPECT_TRUE(emptied) << "no broadcast cycle emptied the list";
}

}  // namespace
