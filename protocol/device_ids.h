// The IEEE 1284 device IDs our printers report, one per model.
#pragma once

namespace device_ids {

// What every one of our printers' IDs begins with.
inline constexpr char kManufacturer[] = "MFG:BRINDOL;";
inline constexpr char kReceipt80[] = "MFG:BRINDOL;MDL:80mm Receipt Printer;";
inline constexpr char kReceipt58[] = "MFG:BRINDOL;MDL:BRINDOL-58;";

}  // namespace device_ids
