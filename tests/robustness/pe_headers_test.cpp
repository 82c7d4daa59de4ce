// The shipped Windows binaries ask the loader for address space layout
// randomisation (dynamic base, with relocations to make it possible; high
// entropy on x64) and for data execution prevention (NX compatible). The
// build passes the linker options; this checks that they reached the files.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "pe_image.h"

#if !defined(BRINDOL_PE_FILES_X64) || !defined(BRINDOL_PE_FILES_X86)
#error "the build names the binaries to check"
#endif

namespace {

struct Binary {
  std::string path;
  std::uint16_t machine;
};

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::string item;
  for (char c : list + "|") {
    if (c != '|') {
      item += c;
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

std::vector<Binary> Binaries() {
  std::vector<Binary> binaries;
  // This build's binaries always; the other architecture's when that tree has been built.
#ifdef _WIN64
  const bool ownIsX64 = true;
#else
  const bool ownIsX64 = false;
#endif
  for (const bool x64 : {true, false}) {
    for (const auto& path : Split(x64 ? BRINDOL_PE_FILES_X64 : BRINDOL_PE_FILES_X86)) {
      if (x64 == ownIsX64 || std::ifstream(path, std::ios::binary)) {
        binaries.push_back({path, x64 ? kMachineX64 : kMachineX86});
      }
    }
  }
  return binaries;
}

TEST(PeHeaders, ShippedBinariesAskForAslrAndDep) {
  const std::vector<Binary> binaries = Binaries();
  ASSERT_GE(binaries.size(), 2u);
  for (const Binary& binary : binaries) {
    SCOPED_TRACE(binary.path);
    PeImage image;
    std::string error;
    ASSERT_TRUE(ReadPeImage(binary.path, image, error)) << error;
    const bool x64 = binary.machine == kMachineX64;
    EXPECT_EQ(image.machine, binary.machine);
    EXPECT_EQ(image.pe32Plus, x64);
    EXPECT_TRUE(image.dllCharacteristics & kDllDynamicBase);
    EXPECT_TRUE(image.dllCharacteristics & kDllNxCompat);
    // High entropy only means something to a 64-bit image.
    if (x64) {
      EXPECT_TRUE(image.dllCharacteristics & kDllHighEntropyVa);
    }
    // Without relocations the loader cannot move the image, whatever the flag says.
    EXPECT_FALSE(image.characteristics & kFileRelocsStripped);
    EXPECT_GT(image.relocationBytes, 0u);
    const bool dll =
        binary.path.size() >= 4 && binary.path.compare(binary.path.size() - 4, 4, ".DLL") == 0;
    EXPECT_EQ((image.characteristics & kFileDll) != 0, dll);
  }
}

}  // namespace
