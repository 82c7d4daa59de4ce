// The "brindol-net" device scheme: receipt printers found with the setup
// program's discovery protocol and printed to over a raw TCP connection.
//
// Discovery sends the 10-byte query "KQ0001FIND" as a broadcast to UDP port
// 9000 from each chosen interface (socket bound to the interface's IPv4
// address, port 9600) and lists every printer whose 34-byte "KQ0001FOUND"
// reply carries its address at bytes 19..22: brindol-net://A.B.C.D. It runs
// only on the interfaces named in BRINDOL_DISCOVERY_INTERFACES (blanks or
// commas between names); with none named, nothing is sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kDiscoveryScheme[] = "brindol-net";
inline constexpr char kDiscoveryInterfacesVariable[] = "BRINDOL_DISCOVERY_INTERFACES";

// Registers the scheme with PAPPL (before papplMainloop).
void RegisterDiscoveryScheme();

// The printer's address in a reply datagram, or false when the datagram is
// not a reply (wrong length or prefix).
bool ParseFoundReply(const std::uint8_t* datagram, std::size_t size, std::string& address);

// Interface names from the variable's text.
std::vector<std::string> ParseInterfaceList(const char* text);

// "brindol-net://A.B.C.D[:PORT]" to host and port (9100 by default).
bool ParseDeviceUri(const char* uri, std::string& host, int& port);
