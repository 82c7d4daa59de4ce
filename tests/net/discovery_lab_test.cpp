// Network discovery end to end, natively: the setup dialog (real resources,
// real dialog procedure, winsim underneath with real sockets) against
// simulated printers (tools/netprinter) in the network lab of lab.sh. The
// discovery runs in real time, a cycle every four seconds.
#include <algorithm>
#include <memory>

#include "discovery_protocol.h"
#include "installer_fixture.h"
#include "machine.h"
#include "sim.h"
#include "lab_processes.h"
#include "network_discovery.h"
#include "resource.h"
#include "sim_network.h"

namespace {

constexpr DWORD kFewCycles = 15000;  // the first query leaves after 3 s
constexpr wchar_t kHeader[] = L"Please select a NET port below:";

std::vector<unsigned char> Reply(const discovery::Address& address) {
  const discovery::Reply reply = discovery::MakeReply(address);
  return {reply.begin(), reply.end()};
}

class DiscoveryLabTest : public DialogTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InNetworkLab()) << "run this program through tests/net/lab.sh";
    DialogTest::SetUp();
    UseAdapters(LabAddresses());
  }

  // The receive threads and their handles live until the program ends; the
  // end of the test ends them.
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    dialog_ = nullptr;
    sim::EndThreads();
    for (const auto& handle : sim::OpenHandles()) EXPECT_EQ(handle, "thread");
  }

  static void UseAdapters(const std::vector<std::string>& addresses) {
    std::vector<sim::Adapter> adapters;
    for (const auto& address : addresses)
      adapters.push_back({"{" + address + "}", "lab " + address, 6, {address}});
    adapters.push_back({"{loopback}", "loopback", 24, {"127.0.0.1"}});
    sim::SetAdapters(adapters);
    sim::AllowNetworkTraffic(true);
  }

  void OpenWithNet() {
    Open();
    machine::Click(dialog_, IDC_NET);
  }

  size_t FoundCount() {
    std::lock_guard<std::mutex> guard(state_.ports.foundLock);
    return state_.ports.found.Count();
  }

  bool ListShows(std::vector<std::wstring> addresses) const {
    std::vector<std::wstring> lines = Lines();
    if (lines.empty() || lines[0] != kHeader) return false;
    lines.erase(lines.begin());
    std::sort(lines.begin(), lines.end());
    std::sort(addresses.begin(), addresses.end());
    return lines == addresses;
  }

  const std::vector<std::string> printerSide_ = LabPrinterAddresses();
};

TEST_F(DiscoveryLabTest, ListsAnsweringPrintersOnceEach) {
  struct Case {
    const char* name;
    std::vector<std::vector<std::string>> printers;  // netprinter arguments, one per printer
    std::vector<std::wstring> listed;
    std::vector<std::string> receivedAt;  // adapters whose receive thread saw a reply
  } cases[] = {
      {"one printer",
       {{"--address", "10.77.1.2", "--announce", "192.168.1.100"}},
       {L"192.168.1.100"},
       {"10.77.1.1"}},
      {"two printers",
       {{"--address", "10.77.1.2", "--announce", "192.168.1.100"},
        {"--address", "10.77.2.2", "--announce", "192.168.1.200"}},
       {L"192.168.1.100", L"192.168.1.200"},
       {"10.77.1.1", "10.77.2.1"}},
      {"one printer answering on two adapters",
       {{"--address", "10.77.1.2", "--address", "10.77.2.2", "--announce", "192.168.1.100"}},
       {L"192.168.1.100"},
       {"10.77.1.1", "10.77.2.1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    ResetMachine();
    UseAdapters(LabAddresses());
    std::vector<std::unique_ptr<LabPrinter>> printers;
    for (const auto& arguments : c.printers) {
      printers.push_back(std::make_unique<LabPrinter>(arguments));
      ASSERT_TRUE(printers.back()->Started());
    }
    OpenWithNet();
    ASSERT_TRUE(sim::PumpMessagesUntil([&] { return ListShows(c.listed); }, kFewCycles))
        << Utf8(Lines().back());
    // Another whole cycle: every line stays single.
    bool single = true;
    sim::PumpMessagesUntil(
        [&] {
          auto lines = Lines();
          for (const auto& address : c.listed)
            single &= std::count(lines.begin(), lines.end(), address) <= 1;
          return false;
        },
        4100);
    EXPECT_TRUE(single);
    EXPECT_TRUE(ListShows(c.listed));
    auto log = sim::DebugOutput();
    for (const auto& adapter : c.receivedAt) {
      EXPECT_NE(std::find(log.begin(), log.end(),
                          "UDPReceiveThread: received data at: " + adapter + "\n"),
                log.end())
          << adapter;
    }
  }
}

TEST_F(DiscoveryLabTest, APrinterThatStopsLeavesTheListBoxAsItWas) {
  LabPrinter printer({"--address", "10.77.1.2", "--announce", "192.168.1.100"});
  OpenWithNet();
  ASSERT_TRUE(sim::PumpMessagesUntil([&] { return ListShows({L"192.168.1.100"}); }, kFewCycles));
  printer.Stop();
  // The next cycle empties the list and nothing answers any more.
  ASSERT_TRUE(sim::PumpMessagesUntil([&] { return FoundCount() == 0; }, 6000));
  sim::PumpMessagesFor(1500);
  EXPECT_EQ(FoundCount(), 0u);
  EXPECT_TRUE(ListShows({L"192.168.1.100"}));
  EXPECT_TRUE(Visible(IDC_PORT_LIST));
  EXPECT_EQ(Selection(), 1);
}

TEST_F(DiscoveryLabTest, AnEmptyDatagramEndsOnlyItsAddresssThread) {
  UseAdapters({"127.0.0.2"});  // with 127.0.0.1: two receive threads
  OpenWithNet();
  ASSERT_EQ(sim::RunningThreads(), 3);
  ASSERT_TRUE(SendDatagram("127.0.0.1", discovery::kReplyPort, {}));
  ASSERT_TRUE(sim::PumpMessagesUntil([] { return sim::RunningThreads() == 2; }, 2000));
  ASSERT_TRUE(SendDatagram("127.0.0.1", discovery::kReplyPort, Reply({10, 0, 0, 1})));
  ASSERT_TRUE(SendDatagram("127.0.0.2", discovery::kReplyPort, Reply({10, 0, 0, 2})));
  EXPECT_TRUE(sim::PumpMessagesUntil([&] { return ListShows({L"10.0.0.2"}); }, 2000));
  sim::PumpMessagesFor(200);
  EXPECT_TRUE(ListShows({L"10.0.0.2"}));
}

TEST_F(DiscoveryLabTest, ThreadsOutlivingTheDialogLeaveItsListsAlone) {
  LabPrinter printer({"--address", "10.77.1.2", "--announce", "192.168.1.100"});
  auto state = std::make_unique<DialogState>();
  HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                                   reinterpret_cast<LPARAM>(state.get()));
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);  // as the program's modal dialog is
  machine::Click(dialog, IDC_NET);
  ASSERT_TRUE(sim::PumpMessagesUntil(
      [&] { return sim::ListLines(GetDlgItem(dialog, IDC_PORT_LIST)).size() == 2; }, kFewCycles));
  DestroyWindow(dialog);
  state.reset();
  // A whole cycle with replies coming in: nothing may touch the freed lists
  // (the sanitizers would say so).
  sim::PumpMessagesFor(4500);
  EXPECT_EQ(sim::RunningThreads(), 4);  // broadcast, and three addresses listening
}

}  // namespace
