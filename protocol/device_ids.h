// The IEEE 1284 device IDs our printers report, one per model, and those the
// generic ESC/POS drivers are listed with.
#pragma once

namespace device_ids {

// What every one of our printers' IDs begins with.
inline constexpr char kManufacturer[] = "MFG:BRINDOL;";
inline constexpr char kReceipt80[] = "MFG:BRINDOL;MDL:80mm Receipt Printer;";
inline constexpr char kReceipt58[] = "MFG:BRINDOL;MDL:BRINDOL-58;";

// What the generic ESC/POS drivers are listed with: any ID whose command set
// names ESC/POS gets one of them.
inline constexpr char kGenericEscPos80[] = "MFG:Generic;MDL:80mm ESC/POS;CMD:ESC/POS;";
inline constexpr char kGenericEscPos58[] = "MFG:Generic;MDL:58mm ESC/POS;CMD:ESC/POS;";

}  // namespace device_ids
