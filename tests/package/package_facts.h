// What the package tests compare the shipped files with: where the files are, which files
// the builds and the platform supply, and what the plug-in and the setup program expect of
// them (taken from their own code, so that a change on either side shows here).
#pragma once

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace package_facts {

// The package's source folder (package/), where the data files of the setup directory live.
std::string PackageDir();
std::string PackagePath(const std::string& name);

// Files of the architecture folders that the Windows builds produce.
inline const std::set<std::string> kBuiltFiles = {"BRINDOL80.DLL", "BRINDOL80RES.DLL"};

// Files of the platform's universal printer driver: never in our tree; the package script
// copies them (or placeholders) into the setup directory.
inline const std::set<std::string> kPlatformFiles = {"UNIDRV.DLL",   "UNIDRVUI.DLL", "UNIRES.DLL",
                                                     "STDNAMES.GPD", "TTFSUB.GPD",   "UNIDRV.HLP"};

// What the system's NTPRINT.INF sections named in "Needs=" copy for an INF.
struct PlatformSection {
  std::string name;
  std::set<std::string> files;
};
inline const std::vector<PlatformSection> kPlatformSections = {
    {"UNIDRV.OEM", {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIRES.DLL", "STDNAMES.GPD", "UNIDRV.HLP"}},
    {"TTFSUB.OEM", {"TTFSUB.GPD"}},
};

// The models the setup program offers, with their description and wizard file.
struct Model {
  std::string name;
  std::string dataFile;
  std::string wizardInf;
  long headDots;  // dots per line of the model's print head
};
const std::vector<Model>& Models();
inline void PrintTo(const Model& model, std::ostream* os) { *os << model.name; }

// Descriptions of the setup program's model rows that have no name: shipped, never offered.
std::set<std::string> UnnamedRowDataFiles();
// Dots per line of the print head a description is written for.
long HeadDots(const std::string& dataFile);

// The setup program's package: the files it copies from an architecture folder and from the
// setup directory itself, and its dependent-files list, in its order.
const std::vector<std::string>& ArchitectureFiles();
const std::vector<std::string>& CommonFiles();
const std::vector<std::string>& DependentFiles();

// The plug-in's side of the description contract.
const std::vector<std::string>& HalftoneNames();
struct SettingFeature {
  std::string feature;
  std::set<std::string> onNames;  // option texts that switch the setting on
};
const std::vector<SettingFeature>& SettingFeatures();
std::string OffsetFeature();
unsigned long ImageProcessingCallbackId();
// The horizontal offset number the plug-in reads from an option text, and the shift in dots
// it makes of it.
long OffsetNumber(const std::string& optionText);
long OffsetDots(long number);

}  // namespace package_facts
