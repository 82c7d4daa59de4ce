#include "package_facts.h"

#include "install_request.h"
#include "job_settings.h"
#include "package_files.h"
#include "printer_description.h"

namespace package_facts {
namespace {

// The setup program's names are ASCII in wide strings.
std::string Narrow(const WCHAR* text) {
  std::string narrow;
  for (; *text; ++text) narrow += static_cast<char>(*text);
  return narrow;
}

template <typename List>
std::vector<std::string> NarrowAll(const List& list) {
  std::vector<std::string> names;
  for (const WCHAR* name : list) names.push_back(Narrow(name));
  return names;
}

}  // namespace

std::string PackageDir() { return BRINDOL_PACKAGE_DIR; }

std::string PackagePath(const std::string& name) { return PackageDir() + "/" + name; }

long HeadDots(const std::string& dataFile) { return dataFile == "BRINDOL58C.GPD" ? 384 : 576; }

const std::vector<Model>& Models() {
  static const std::vector<Model> models = [] {
    std::vector<Model> offered;
    for (const ModelRow& row : kModelTable) {
      if (!row.modelName) continue;
      const std::string dataFile = Narrow(row.dataFile);
      offered.push_back(
          {Narrow(row.modelName), dataFile, Narrow(row.wizardInf), HeadDots(dataFile)});
    }
    return offered;
  }();
  return models;
}

std::set<std::string> UnnamedRowDataFiles() {
  std::set<std::string> files;
  for (const ModelRow& row : kModelTable) {
    if (!row.modelName) files.insert(Narrow(row.dataFile));
  }
  return files;
}

const std::vector<std::string>& ArchitectureFiles() {
  static const std::vector<std::string> files = NarrowAll(kArchitecturePackageFiles);
  return files;
}

const std::vector<std::string>& CommonFiles() {
  static const std::vector<std::string> files = NarrowAll(kCommonPackageFiles);
  return files;
}

const std::vector<std::string>& DependentFiles() {
  static const std::vector<std::string> files = NarrowAll(kDependentFiles);
  return files;
}

const std::vector<std::string>& HalftoneNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const HalftoneOption& option : kHalftoneOptions) all.push_back(option.name);
    return all;
  }();
  return names;
}

const std::vector<SettingFeature>& SettingFeatures() {
  static const std::vector<SettingFeature> features = {
      {kFeatureTranslate180, {kOptionTranslate180}},
      {kFeatureSavePaperMode,
       {kOptionSavePaperTop, kOptionSavePaperBottom, kOptionSavePaperTopAndBottom}},
  };
  return features;
}

std::string OffsetFeature() { return kFeatureHorizontalOffset; }

unsigned long ImageProcessingCallbackId() { return kImageProcessingCallbackId; }

long OffsetNumber(const std::string& optionText) {
  return ParseHorizontalOffset(optionText.c_str());
}

long OffsetDots(long number) { return ::OffsetDots(static_cast<LONG>(number)); }

}  // namespace package_facts
