// The "brindol-net" device scheme: receipt printers found with the setup
// program's discovery protocol and printed to over a raw TCP connection.
//
// Discovery broadcasts the query (discovery_protocol.h) from each chosen
// interface (socket bound to the interface's IPv4 address and the reply
// port) and lists every printer that replies as brindol-net://A.B.C.D. It
// runs only on the interfaces named in BRINDOL_DISCOVERY_INTERFACES (blanks
// or commas between names); with none named, nothing is sent.
#pragma once

#include <string>
#include <vector>

inline constexpr char kDiscoveryScheme[] = "brindol-net";
inline constexpr char kDiscoveryInterfacesVariable[] = "BRINDOL_DISCOVERY_INTERFACES";

// Registers the scheme with PAPPL (before papplMainloop).
void RegisterDiscoveryScheme();

// Interface names from the variable's text.
std::vector<std::string> ParseInterfaceList(const char* text);

// "brindol-net://A.B.C.D[:PORT]" to host and port (9100 by default).
bool ParseDeviceUri(const char* uri, std::string& host, int& port);
