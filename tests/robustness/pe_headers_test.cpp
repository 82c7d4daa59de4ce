// The shipped Windows binaries ask the loader for address space layout
// randomisation (dynamic base, with relocations to make it possible; high
// entropy on x64) and for data execution prevention (NX compatible), and every
// library the builds make exports plain names. The build passes the linker
// options; this checks that they reached the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "pe_image.h"

#if !defined(BRINDOL_PE_FILES_X64) || !defined(BRINDOL_PE_FILES_X86) || \
    !defined(BRINDOL_DLL_LIST_X64) || !defined(BRINDOL_DLL_LIST_X86)
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

#ifdef _WIN64
constexpr bool kOwnIsX64 = true;
#else
constexpr bool kOwnIsX64 = false;
#endif

// This build's binaries always; the other architecture's when that tree has been built.
std::vector<Binary> Binaries() {
  std::vector<Binary> binaries;
  for (const bool x64 : {true, false}) {
    for (const auto& path : Split(x64 ? BRINDOL_PE_FILES_X64 : BRINDOL_PE_FILES_X86)) {
      if (x64 == kOwnIsX64 || std::ifstream(path, std::ios::binary)) {
        binaries.push_back({path, x64 ? kMachineX64 : kMachineX86});
      }
    }
  }
  return binaries;
}

// Every library the builds make, from the list each Windows build writes;
// again the other architecture's when that tree has one.
std::vector<Binary> Libraries() {
  std::vector<Binary> libraries;
  for (const bool x64 : {true, false}) {
    std::ifstream list(x64 ? BRINDOL_DLL_LIST_X64 : BRINDOL_DLL_LIST_X86);
    EXPECT_TRUE(list || x64 != kOwnIsX64) << "this build's list of libraries is missing";
    for (std::string path; std::getline(list, path);) {
      if (!path.empty()) libraries.push_back({path, x64 ? kMachineX64 : kMachineX86});
    }
  }
  return libraries;
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

// A decorated name (DllGetClassObject@12) is not what callers ask for: the
// spooler and COM look entry points up by their plain names.
TEST(PeHeaders, EveryLibraryExportsPlainNames) {
  const std::regex decorated("@[0-9]+$");
  std::vector<std::uint16_t> pluginMachines;
  for (const Binary& library : Libraries()) {
    SCOPED_TRACE(library.path);
    PeImage image;
    std::string error;
    ASSERT_TRUE(ReadPeImage(library.path, image, error)) << error;
    EXPECT_EQ(image.machine, library.machine);
    for (const std::string& name : image.exports) {
      EXPECT_FALSE(std::regex_search(name, decorated)) << name;
    }
    if (library.path.ends_with("/BRINDOL80.DLL")) {
      pluginMachines.push_back(image.machine);
      for (const char* entry : {"DllGetClassObject", "DllCanUnloadNow"}) {
        EXPECT_NE(std::find(image.exports.begin(), image.exports.end(), entry), image.exports.end())
            << entry;
      }
    }
  }
  EXPECT_NE(std::find(pluginMachines.begin(), pluginMachines.end(),
                      kOwnIsX64 ? kMachineX64 : kMachineX86),
            pluginMachines.end())
      << "this build's BRINDOL80.DLL is not among its libraries";
}

}  // namespace
