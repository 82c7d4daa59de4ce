// The network discovery's part on the dialog thread (which replies count,
// what they add to the found-printer list and the list box, the broadcast
// thread's cycle messages) and what StartNetworkDiscovery makes of the
// machine's adapters. The threads and sockets at work are tested in the
// network lab (tests/net).
#include <winsock2.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstring>

#include "installer_fixture.h"
#include "network_discovery.h"
#include "resource.h"

#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#include "sim_network.h"
#endif

namespace {

constexpr wchar_t kNetHeader[] = L"Please select a NET port below:";

std::vector<BYTE> Reply(BYTE a, BYTE b, BYTE c, BYTE d, size_t length = 34,
                        const char* prefix = "KQ0001FOUND") {
  std::vector<BYTE> datagram(std::max<size_t>(length, 23), 0xEE);
  std::memcpy(datagram.data(), prefix, std::strlen(prefix));
  datagram[19] = a;
  datagram[20] = b;
  datagram[21] = c;
  datagram[22] = d;
  datagram.resize(
      length);  // exactly the bytes received: reading past them is a fault the sanitizer sees
  return datagram;
}

class DiscoveryTest : public DialogTest {
 protected:
  // A fresh machine and dialog in a table of cases; the last dialog ends as
  // it would (freeing its lists).
  void Reopen(const std::function<void()>& prepare = [] {}) {
    if (dialog_) DestroyWindow(dialog_);
    ResetMachine();
    prepare();
    Open();
  }

  // As a receive thread hands a datagram over (here from the dialog's own
  // thread, which delivers it at once).
  void Deliver(const std::vector<BYTE>& datagram) {
    SendMessageW(dialog_, kDiscoveryReplyMessage, datagram.size(),
                 reinterpret_cast<LPARAM>(datagram.data()));
  }

  std::vector<std::wstring> Found() {
    std::vector<std::wstring> names;
    std::lock_guard<std::mutex> guard(state_.ports.foundLock);
    for (const PortEntry* entry = state_.ports.found.Head(); entry; entry = entry->next)
      names.push_back(entry->portName);
    return names;
  }

  // The narrow pieces of debug output (the log lines are wide and end with
  // a line feed of their own).
  static std::vector<std::string> DebugPieces() {
    std::vector<std::string> pieces;
    for (const auto& piece : machine::DebugOutput()) {
      if (piece == "\r\n" || piece.find('\n') == std::string::npos) pieces.push_back(piece);
    }
    return pieces;
  }
};

TEST_F(DiscoveryTest, OnlyA34ByteFoundReplyAddsItsAddress) {
  struct Case {
    const char* name;
    std::vector<BYTE> datagram;
    std::vector<std::wstring> found;
  } cases[] = {
      {"the example reply", Reply(0xC0, 0xA8, 0x01, 0x64), {L"192.168.1.100"}},
      {"octets above 127 stay positive", Reply(200, 129, 255, 0), {L"200.129.255.0"}},
      {"35 bytes", Reply(0xC0, 0xA8, 0x01, 0x64, 35), {}},
      {"33 bytes", Reply(0xC0, 0xA8, 0x01, 0x64, 33), {}},
      {"11 bytes: the prefix alone", Reply(1, 2, 3, 4, 11), {}},
      {"empty", {}, {}},
      {"another prefix", Reply(0xC0, 0xA8, 0x01, 0x64, 34, "KQ0001FOUNX"), {}},
      {"the prefix in lower case", Reply(0xC0, 0xA8, 0x01, 0x64, 34, "kq0001found"), {}},
      {"the query", Reply(0xC0, 0xA8, 0x01, 0x64, 34, "KQ0001FIND"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reopen();
    Deliver(c.datagram);
    EXPECT_EQ(Found(), c.found);
  }
}

TEST_F(DiscoveryTest, ListsEachPrinterOnceInTheOrderFound) {
  Open();
  machine::Click(dialog_, IDC_NET);
  EXPECT_FALSE(Visible(IDC_PORT_LIST));  // nothing found yet: the not-detected text
  for (const auto& reply :
       {Reply(10, 0, 0, 7), Reply(10, 0, 0, 9), Reply(10, 0, 0, 7), Reply(10, 0, 0, 9)})
    Deliver(reply);
  EXPECT_EQ(Found(), (std::vector<std::wstring>{L"10.0.0.9", L"10.0.0.7"}));
  EXPECT_TRUE(Visible(IDC_PORT_LIST));
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{kNetHeader, L"10.0.0.7", L"10.0.0.9"}));
  EXPECT_EQ(Selection(), 1);
  machine::ClickListLine(dialog_, IDC_PORT_LIST, 2);
  EXPECT_EQ(Address(), static_cast<DWORD>(MAKEIPADDRESS(10, 0, 0, 9)));
}

TEST_F(DiscoveryTest, RepliesUnderAnotherConnectionShowWhenNetIsChosen) {
#if NATIVE_ONLY("a fake USB printer")
  sim::AddUsbPrinter(L"067b", L"2305", L"a", 1);
#endif
  Open();
  Deliver(Reply(192, 168, 1, 100));
#if NATIVE_ONLY("a fake USB printer")
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Please select a USB port below:", L"USB001"}));
#endif
  machine::Click(dialog_, IDC_NET);
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{kNetHeader, L"192.168.1.100"}));
}

TEST_F(DiscoveryTest, CycleMessagesEmptyAndCountTheListOnTheDialogThread) {
  Open();
  machine::Click(dialog_, IDC_NET);
  Deliver(Reply(10, 0, 0, 7));
  Deliver(Reply(10, 0, 0, 8));
  // What the procedure does is seen in its effects: the dialog manager answers
  // these messages with 0 whether or not they were handled.
  LONG count = -1;
  SendMessageW(dialog_, kDiscoveryCountMessage, 0, reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 2);
  SendMessageW(dialog_, kDiscoveryEmptyMessage, 0, 0);
  EXPECT_TRUE(Found().empty());
  SendMessageW(dialog_, kDiscoveryCountMessage, 0, reinterpret_cast<LPARAM>(&count));
  EXPECT_EQ(count, 0);
  // The notice of a changed count leaves the list box as it was.
  SendMessageW(dialog_, kDiscoveryCountChangedMessage, 0, 0);
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{kNetHeader, L"10.0.0.7", L"10.0.0.8"}));
  EXPECT_EQ(Selection(), 1);
  // A printer answering again is added afresh and refills the list.
  Deliver(Reply(10, 0, 0, 8));
  EXPECT_EQ(Lines(), (std::vector<std::wstring>{kNetHeader, L"10.0.0.8"}));
}

#if NATIVE_ONLY("adapters, socket faults and the program's threads as the test sets them")
TEST_F(DiscoveryTest, StartWritesTheAdaptersAndBindsTheListedAddresses) {
  const std::vector<sim::Adapter> adapters = {
      {"{A}", "Ethernet", 6, {"10.1.2.3", "0.0.0.0", "10.1.2.4"}},
      {"{B}", "Tunnel", 131, {"10.9.9.9"}},  // not a type that reaches printers
      {"{C}", "Wireless", 71, {"0.0.0.0"}},
      {"{D}", "Loopback", 24, {"127.0.0.1"}},
  };
  const std::vector<std::string> adapterLines = {
      "Adapter Name:",        "{A}",       "\r\n", "Adapter Description:", "Ethernet", "\r\n",
      "Adapter Type:",        "6",         "\r\n", "IP Address:",          "10.1.2.3", "\r\n",
      "IP Address:",          "0.0.0.0",   "\r\n", "IP Address:",          "10.1.2.4", "\r\n",
      "Adapter Name:",        "{B}",       "\r\n", "Adapter Description:", "Tunnel",   "\r\n",
      "Adapter Type:",        "131",       "\r\n", "Adapter Name:",        "{C}",      "\r\n",
      "Adapter Description:", "Wireless",  "\r\n", "Adapter Type:",        "71",       "\r\n",
      "IP Address:",          "0.0.0.0",   "\r\n", "Adapter Name:",        "{D}",      "\r\n",
      "Adapter Description:", "Loopback",  "\r\n", "Adapter Type:",        "24",       "\r\n",
      "IP Address:",          "127.0.0.1", "\r\n"};
  // The address list is built newest first: the last address is tried first.
  const std::vector<std::string> bindLines = {"Failed to bind with IP:", "127.0.0.1", "\r\n",
                                              "Failed to bind with IP:", "10.1.2.4",  "\r\n",
                                              "Failed to bind with IP:", "10.1.2.3",  "\r\n"};
  struct Case {
    const char* name;
    std::function<void()> prepare;
    std::vector<std::string> after;  // the pieces after the adapter lines
    int startups;
  } cases[] = {
      // No socket comes into being, so nothing is bound (and nothing sent).
      {"sockets that cannot be made", [] { sim::FailCall("socket", WSAENOBUFS, 0, 10); }, bindLines,
       1},
      {"sockets unavailable", [] { sim::FailCall("WSAStartup", WSASYSNOTREADY); }, {}, 0},
      {"sockets of another version", [] { sim::GrantWinsockVersion(MAKEWORD(2, 2)); }, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reopen([&] {
      sim::SetAdapters(adapters);
      c.prepare();
    });
    auto expected = adapterLines;
    expected.insert(expected.end(), c.after.begin(), c.after.end());
    EXPECT_EQ(DebugPieces(), expected);
    EXPECT_EQ(sim::WinsockStartups(), c.startups);
    EXPECT_TRUE(sim::OpenSockets().empty());
  }
}

#endif

// The machine has no adapters: natively none are set, and the Windows build
// runs in a network namespace with nothing but a loopback that is down.
TEST_F(DiscoveryTest, WithoutAdaptersTheBroadcastThreadEndsAtOnce) {
  Open();
  EXPECT_TRUE(DebugPieces().empty());
  ASSERT_NE(state_.discoveryThread, nullptr);
  EXPECT_EQ(WaitForSingleObject(state_.discoveryThread, 5000), WAIT_OBJECT_0);
#if NATIVE_ONLY("records Sleep calls")
  EXPECT_TRUE(sim::Sleeps().empty());
#endif
}

}  // namespace
