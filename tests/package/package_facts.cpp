#include "package_facts.h"

#include <cstdlib>

namespace package_facts {

std::string PackageDir() { return BRINDOL_PACKAGE_DIR; }

std::string PackagePath(const std::string& name) { return PackageDir() + "/" + name; }

const std::vector<Model>& Models() {
  static const std::vector<Model> models = {
      {"BRINDOL-80", "BRINDOL80C.GPD", "BRINDOL80.inf", 576},
      {"BRINDOL-58", "BRINDOL58C.GPD", "BRINDOL58.inf", 384},
  };
  return models;
}

const std::vector<std::string>& DependentFiles() {
  static const std::vector<std::string> files = {"TTFSUB.GPD",    "STDNAMES.GPD",     "UNIRES.DLL",
                                                 "BRINDOL80.DLL", "BRINDOL80RES.DLL", "BRINDOL80.INI"};
  return files;
}

long OffsetNumber(const std::string& optionText) {
  const size_t p = optionText.find('P');
  if (p != std::string::npos) return std::atol(optionText.c_str() + p + 1);
  const size_t m = optionText.find('M');
  if (m != std::string::npos) return -std::atol(optionText.c_str() + m + 1);
  return 0;
}

long OffsetDots(long number) { return number * 8 / 10; }

}  // namespace package_facts
