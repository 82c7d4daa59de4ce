// The few fields of a Windows program or library file (PE format) that say
// how the loader may place and run it. Read straight from the file, so the
// check needs no platform library and sees what the loader will see.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeImage {
  std::uint16_t machine = 0;             // 0x8664 x64, 0x014C x86
  std::uint16_t characteristics = 0;     // file header flags
  bool pe32Plus = false;                 // 64-bit optional header
  std::uint16_t dllCharacteristics = 0;  // optional header flags
  std::uint32_t relocationBytes = 0;     // size of the base relocation directory
  std::vector<std::string> exports;      // the export table's names, as the loader looks them up
};

inline constexpr std::uint16_t kMachineX64 = 0x8664;
inline constexpr std::uint16_t kMachineX86 = 0x014C;
inline constexpr std::uint16_t kFileRelocsStripped = 0x0001;
inline constexpr std::uint16_t kFileDll = 0x2000;
inline constexpr std::uint16_t kDllHighEntropyVa = 0x0020;
inline constexpr std::uint16_t kDllDynamicBase = 0x0040;
inline constexpr std::uint16_t kDllNxCompat = 0x0100;

// False, with the reason in `error`, when the file cannot be read, is not a
// PE image, or has an export table that points outside the file.
bool ReadPeImage(const std::string& path, PeImage& image, std::string& error);
