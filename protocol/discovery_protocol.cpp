// The discovery protocol's datagrams (see discovery_protocol.h).
#include "discovery_protocol.h"

#include <algorithm>
#include <cstring>

namespace discovery {

bool IsQuery(const std::uint8_t* datagram, std::size_t length) {
  return datagram && length == kQueryBytes && std::memcmp(datagram, kQuery, kQueryBytes) == 0;
}

std::optional<Address> ParseReply(const std::uint8_t* datagram, std::size_t length) {
  if (!datagram || length != kReplyBytes ||
      std::memcmp(datagram, kReplyPrefix, kReplyPrefixBytes) != 0) {
    return std::nullopt;
  }
  Address address;
  std::copy_n(datagram + kReplyAddressOffset, address.size(), address.begin());
  return address;
}

Reply MakeReply(const Address& address) {
  Reply reply{};
  std::copy_n(kReplyPrefix, kReplyPrefixBytes, reply.begin());
  std::copy(address.begin(), address.end(), reply.begin() + kReplyAddressOffset);
  return reply;
}

std::string AddressText(const Address& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

}  // namespace discovery
