// The network discovery protocol. A program looking for printers broadcasts
// the query to UDP kQueryPort from a socket bound to kReplyPort; each printer
// answers that port with a kReplyBytes datagram that begins with the reply
// prefix and carries its IPv4 address, first octet first, at
// kReplyAddressOffset. Jobs then go raw to TCP kPrintPort.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace discovery {

inline constexpr char kQuery[] = "KQ0001FIND";
inline constexpr std::size_t kQueryBytes = sizeof kQuery - 1;
inline constexpr char kReplyPrefix[] = "KQ0001FOUND";
inline constexpr std::size_t kReplyPrefixBytes = sizeof kReplyPrefix - 1;
inline constexpr std::size_t kReplyBytes = 34;
inline constexpr std::size_t kReplyAddressOffset = 19;
inline constexpr std::uint16_t kQueryPort = 9000;
inline constexpr std::uint16_t kReplyPort = 9600;
inline constexpr std::uint16_t kPrintPort = 9100;

using Address = std::array<std::uint8_t, 4>;
using Reply = std::array<std::uint8_t, kReplyBytes>;

// Whether a datagram is the query, to the byte.
bool IsQuery(const std::uint8_t* datagram, std::size_t length);

// The printer's address in a reply; nothing for any other datagram (another
// length or prefix, or null).
std::optional<Address> ParseReply(const std::uint8_t* datagram, std::size_t length);

// A printer's reply: the prefix, the address, zeros elsewhere.
Reply MakeReply(const Address& address);

// "A.B.C.D".
std::string AddressText(const Address& address);

}  // namespace discovery
