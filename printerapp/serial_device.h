// The "serial" device scheme: receipt printers on serial ports, USB serial
// adapters, USB CDC modems and Bluetooth RFCOMM links.
//
//   serial:/dev/ttyUSB0                       9600 baud, no flow control
//   serial:/dev/ttyS0?baud=115200&flow=rtscts
//   serial:/dev/rfcomm0?flow=xonxoff
//
// 9600 baud, 8 data bits, no parity, one stop bit is what these printers
// leave the factory with and what the setup program selects first. Flow
// control is off unless asked for: RTS/CTS blocks every write on a cable or
// adapter that does not carry CTS, and USB and Bluetooth links pace the data
// themselves. The port is always 8N1 (the stream is binary) and raw.
#pragma once

#include <string>
#include <vector>

inline constexpr char kSerialScheme[] = "serial";

enum class SerialFlow { kNone, kRtsCts, kXonXoff };

struct SerialSettings {
  std::string path;
  unsigned baud = 9600;
  SerialFlow flow = SerialFlow::kNone;
};

// Whether the URI is of this scheme (well formed or not).
bool IsSerialUri(const char* uri);

// Registers the scheme with PAPPL (before papplMainloop).
void RegisterSerialScheme();

// The URI's port and settings; false with a message naming what is wrong
// (an unknown speed or flow, an unknown or repeated setting, a path that is
// not absolute).
bool ParseSerialUri(const char* uri, SerialSettings& settings, std::string& error);

// The serial ports in `directory` (normally /dev), sorted: every ttyUSB*,
// ttyACM* and rfcomm* character device, and the ttyS* that have a UART
// behind them (the kernel makes ttyS0 to ttyS31 whether or not one is there).
std::vector<std::string> ListSerialPorts(const std::string& directory);
