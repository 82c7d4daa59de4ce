// The network discovery's reply handling, as the datagrams of anyone on the
// local network reach it: replies of any length and content handed to the
// setup dialog the way a receive thread hands them over, mixed with the
// broadcast thread's cycle messages and the user's clicks. The found-printer
// list must hold exactly the addresses of the well-formed replies since the
// last emptying, once each, and the list box must show them under NET.
//
// Input: a sequence of events, each a byte and what that event reads.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "discovery_protocol.h"
#include "network_discovery.h"
#include "setup_dialog.h"

namespace {

// The listed text of a reply's address.
std::wstring ListedText(const discovery::Address& address) {
  const std::string text = discovery::AddressText(address);
  return std::wstring(text.begin(), text.end());
}

std::vector<BYTE> ReadDatagram(FuzzInput& in) {
  const std::uint8_t shape = in.Byte();
  // Mostly the right length and prefix, so the fuzzer reaches the list.
  const std::size_t length = (shape & 1) ? in.U16() % 1025 : discovery::kReplyBytes;
  std::vector<BYTE> datagram(length);
  const std::vector<std::uint8_t> bytes = in.Bytes(length);
  std::copy(bytes.begin(), bytes.end(), datagram.begin());
  if (!(shape & 2) && length > 0)
    std::memcpy(datagram.data(), discovery::kReplyPrefix,
                std::min(length, discovery::kReplyPrefixBytes));
  return datagram;
}

std::set<std::wstring> Found(SetupDialog& dialog) {
  std::set<std::wstring> found;
  std::lock_guard<std::mutex> guard(dialog.State().ports.foundLock);
  for (const PortEntry* entry = dialog.State().ports.found.Head(); entry; entry = entry->next) {
    FUZZ_CHECK(found.insert(entry->portName).second);  // listed once
  }
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  FreshMachine machine;
  SetupDialog dialog;
  std::set<std::wstring> expected;
  for (int events = 0; events < 64 && !in.Empty(); ++events) {
    const std::uint8_t event = in.Byte();
    switch (event % 5) {
      case 0:
      case 1: {
        const std::vector<BYTE> datagram = ReadDatagram(in);
        SendMessageW(dialog.Window(), kDiscoveryReplyMessage, datagram.size(),
                     reinterpret_cast<LPARAM>(datagram.data()));
        if (const auto address = discovery::ParseReply(datagram.data(), datagram.size()))
          expected.insert(ListedText(*address));
        break;
      }
      case 2:
        SendMessageW(dialog.Window(), kDiscoveryEmptyMessage, 0, 0);
        expected.clear();
        break;
      case 3: {
        LONG count = -1;
        SendMessageW(dialog.Window(), kDiscoveryCountMessage, 0, reinterpret_cast<LPARAM>(&count));
        FUZZ_CHECK(count == static_cast<LONG>(expected.size()));
        break;
      }
      default:
        machine::Click(dialog.Window(), IDC_USB + (event >> 3) % 4);
        break;
    }
    FUZZ_CHECK(Found(dialog) == expected);
  }
  // Under NET a refill shows every printer found, after the header line.
  machine::Click(dialog.Window(), IDC_NET);
  std::vector<std::wstring> lines = sim::ListLines(dialog.Item(IDC_PORT_LIST));
  if (!expected.empty()) {
    FUZZ_CHECK(!lines.empty());
    lines.erase(lines.begin());
    FUZZ_CHECK(std::set<std::wstring>(lines.begin(), lines.end()) == expected &&
               lines.size() == expected.size());
  }
  return 0;
}
