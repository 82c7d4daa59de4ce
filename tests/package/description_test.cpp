// The printer descriptions against the contract with the plug-in and against the resource
// library that names their features and options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>

#include "package_facts.h"
#include "shipped_files.h"

namespace {

using gpd::Entry;
using shipped::Description;
using shipped::DisplayName;

struct DescriptionCase {
  std::string file;
  long headDots;
};

// The descriptions of the offered models, and the one of the rows without a name.
std::vector<DescriptionCase> AllDescriptions() {
  std::vector<DescriptionCase> cases;
  for (const package_facts::Model& model : package_facts::Models()) {
    cases.push_back({model.dataFile, model.headDots});
  }
  for (const std::string& file : package_facts::UnnamedRowDataFiles()) {
    cases.push_back({file, package_facts::HeadDots(file)});
  }
  return cases;
}

void PrintTo(const DescriptionCase& c, std::ostream* os) { *os << c.file; }

class DescriptionTest : public testing::TestWithParam<DescriptionCase> {
 protected:
  const gpd::Document& Doc() const { return Description(GetParam().file); }
};

std::string Describe(const Entry& entry) {
  return "*" + entry.keyword + ": " + entry.value + " (" + entry.where + ")";
}

TEST_P(DescriptionTest, ParsesAndNamesItsFilesAndResolution) {
  const gpd::Document& doc = Doc();
  EXPECT_TRUE(doc.errors.empty()) << doc.errors.front();
  // The host insists on the version entry as the very first line, before any comment.
  EXPECT_EQ(doc.firstLine, "*GPDSpecVersion: \"1.0\"");
  EXPECT_EQ(gpd::Unquote(doc.root.Attribute("GPDFileName").value_or("")), GetParam().file);
  EXPECT_TRUE(package_facts::kBuiltFiles.count(
      gpd::Unquote(doc.root.Attribute("ResourceDLL").value_or(""))))
      << "the resource library must be one the package builds";
  EXPECT_EQ(doc.root.Attribute("MasterUnits"), "PAIR(203, 203)");
  const auto resolutions = doc.Options("Resolution");
  ASSERT_FALSE(resolutions.empty());
  for (const Entry* option : resolutions) {
    EXPECT_EQ(option->Attribute("DPI"), "PAIR(203, 203)") << Describe(*option);
    EXPECT_EQ(option->Attribute("TextDPI"), "PAIR(203, 203)") << Describe(*option);
  }
}

// Every colour mode the host can render in must hand 8-bit gray bands to the plug-in with
// callback identifier 3 and leave the spooling to it; any other mode would print nothing.
TEST_P(DescriptionTest, EveryColorModeFeedsThePlugin) {
  const auto modes = Doc().Options("ColorMode");
  ASSERT_FALSE(modes.empty());
  const std::map<std::string, std::string> required = {
      {"DrvBPP", "8"},
      {"Color?", "FALSE"},
      {"IPCallbackID", std::to_string(package_facts::ImageProcessingCallbackId())},
      {"DevBPP", "0"},
      {"DevNumOfPlanes", "0"}};
  for (const Entry* mode : modes) {
    for (const auto& [attribute, value] : required) {
      EXPECT_EQ(mode->Attribute(attribute).value_or("(missing)"), value)
          << Describe(*mode) << " *" << attribute;
    }
  }
}

TEST_P(DescriptionTest, HalftoneOffersExactlyThePluginsEightNames) {
  std::vector<std::string> names = Doc().OptionNames("Halftone");
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = package_facts::HalftoneNames();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected.size(), 8u);
  EXPECT_EQ(names, expected);
}

// The plug-in compares the option texts of these features exactly; each also needs an option
// that means "off", and that is what a new printer starts with.
TEST_P(DescriptionTest, SettingsFeaturesOfferTheNamesThePluginCompares) {
  for (const package_facts::SettingFeature& c : package_facts::SettingFeatures()) {
    SCOPED_TRACE(c.feature);
    const Entry* feature = Doc().Feature(c.feature);
    ASSERT_NE(feature, nullptr);
    EXPECT_TRUE(feature->Attribute("FeatureType").has_value())
        << "custom features need *FeatureType";
    const std::vector<std::string> names = Doc().OptionNames(c.feature);
    for (const std::string& on : c.onNames) {
      EXPECT_EQ(std::count(names.begin(), names.end(), on), 1) << on;
    }
    const std::string defaultOption = feature->Attribute("DefaultOption").value_or("");
    EXPECT_EQ(c.onNames.count(defaultOption), 0u) << "default " << defaultOption;
    EXPECT_EQ(std::count(names.begin(), names.end(), defaultOption), 1)
        << "default " << defaultOption;
  }
}

// The shift a display name promises, in dots at 203 dpi (1 mm = 8 dots), or nullopt when the
// name cannot be read as a shift.
std::optional<long> PromisedDots(const std::string& name, const std::regex& shift,
                                 const std::string& none, const std::string& right) {
  if (name == none) return 0;
  std::smatch m;
  if (!std::regex_match(name, m, shift)) return std::nullopt;
  const long mm = std::atol(m[2].str().c_str());
  return m[1].str() == right ? mm * 8 : -mm * 8;
}

TEST_P(DescriptionTest, EveryHorizontalOffsetShiftsAsItsDisplayNameSays) {
  const Entry* feature = Doc().Feature(package_facts::OffsetFeature());
  ASSERT_NE(feature, nullptr);
  EXPECT_TRUE(feature->Attribute("FeatureType").has_value());
  const std::regex english("(Right|Left) ([0-9]+) mm");
  const std::regex chinese("(右移|左移) ([0-9]+) 毫米");
  std::set<long> shifts;
  for (const Entry* option : feature->FindAll("Option")) {
    SCOPED_TRACE(option->value);
    const long dots = package_facts::OffsetDots(package_facts::OffsetNumber(option->value));
    const auto promisedEnglish =
        PromisedDots(DisplayName(*option, shipped::kEnglish), english, "None", "Right");
    const auto promisedChinese =
        PromisedDots(DisplayName(*option, shipped::kChinese), chinese, "无", "右移");
    EXPECT_EQ(promisedEnglish, dots) << DisplayName(*option, shipped::kEnglish);
    EXPECT_EQ(promisedChinese, dots) << DisplayName(*option, shipped::kChinese);
    EXPECT_TRUE(shifts.insert(dots).second) << "two options shift by " << dots;
  }
  const std::string defaultOption = feature->Attribute("DefaultOption").value_or("");
  EXPECT_EQ(package_facts::OffsetNumber(defaultOption), 0) << "a new printer must not shift";
  // A useful range: at least 10 mm either way, in steps of 1 mm.
  for (long mm = -10; mm <= 10; ++mm) EXPECT_EQ(shifts.count(mm * 8), 1u) << mm << " mm";
}

TEST_P(DescriptionTest, EveryFeatureAndOptionHasADisplayNameInBothLanguages) {
  for (const Entry* feature : Doc().root.FindAll("Feature")) {
    std::vector<const Entry*> named = {feature};
    for (const Entry* option : feature->FindAll("Option")) named.push_back(option);
    for (const Entry* entry : named) {
      EXPECT_NE(DisplayName(*entry, shipped::kEnglish), "") << Describe(*entry);
      EXPECT_NE(DisplayName(*entry, shipped::kChinese), "") << Describe(*entry);
    }
  }
}

TEST_P(DescriptionTest, EveryDefaultNamesAnOptionOfItsFeature) {
  for (const Entry* feature : Doc().root.FindAll("Feature")) {
    const auto defaultOption = feature->Attribute("DefaultOption");
    if (!defaultOption) continue;
    const std::vector<std::string> names = Doc().OptionNames(feature->value);
    EXPECT_EQ(std::count(names.begin(), names.end(), *defaultOption), 1) << Describe(*feature);
  }
}

// Commands sent in the same job section need distinct sequence numbers; only the options of
// one feature, of which one is selected at a time, may share a number.
TEST_P(DescriptionTest, CommandOrderNumbersAreUniqueWithinASection) {
  std::map<std::string, std::string> owner;  // "JOB_FINISH.10" -> feature or command
  auto claim = [&](const std::string& order, const std::string& who, const std::string& where) {
    const auto [it, inserted] = owner.emplace(order, who);
    EXPECT_TRUE(inserted || it->second == who)
        << order << " used by " << it->second << " and " << who << " (" << where << ")";
  };
  for (const Entry* command : Doc().root.FindAll("Command")) {
    if (const auto order = command->Attribute("Order"))
      claim(*order, command->value, command->where);
  }
  for (const Entry* feature : Doc().root.FindAll("Feature")) {
    for (const Entry* option : feature->FindAll("Option")) {
      for (const Entry* command : option->FindAll("Command")) {
        const auto order = command->Attribute("Order");
        EXPECT_TRUE(order.has_value()) << "option selection without *Order: " << Describe(*option);
        if (order) claim(*order, feature->value, command->where);
      }
    }
  }
}

TEST_P(DescriptionTest, PaperSizesFitTheHead) {
  const long dots = GetParam().headDots;
  const auto sizes = Doc().Options("PaperSize");
  ASSERT_FALSE(sizes.empty());
  for (const Entry* size : sizes) {
    SCOPED_TRACE(size->value);
    if (size->value == "CUSTOMSIZE") {
      EXPECT_EQ(size->Attribute("MaxPrintableWidth"), std::to_string(dots));
      const auto minSize = gpd::ParsePair(size->Attribute("MinSize").value_or(""));
      const auto maxSize = gpd::ParsePair(size->Attribute("MaxSize").value_or(""));
      ASSERT_TRUE(minSize && maxSize);
      EXPECT_LE(minSize->first, maxSize->first);
      EXPECT_LE(minSize->second, maxSize->second);
      continue;
    }
    const auto page = gpd::ParsePair(size->Attribute("PageDimensions").value_or(""));
    const auto area = gpd::ParsePair(size->Attribute("PrintableArea").value_or(""));
    const auto origin = gpd::ParsePair(size->Attribute("PrintableOrigin").value_or(""));
    ASSERT_TRUE(page && area && origin);
    EXPECT_EQ(area->first, dots);
    EXPECT_LE(origin->first + area->first, page->first);
    EXPECT_LE(origin->second + area->second, page->second);
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, DescriptionTest, testing::ValuesIn(AllDescriptions()),
                         [](const testing::TestParamInfo<DescriptionCase>& info) {
                           std::string name = info.param.file;
                           name.erase(name.find('.'));
                           return name;
                         });

// A string missing from one language shows up as an empty name in that language's UI.
TEST(ResourceScriptTest, BothLanguagesDefineTheSameStrings) {
  const rc::Script& script = shipped::ResourceScript();
  ASSERT_EQ(script.error, "");
  const auto english = script.tables.find(shipped::kEnglish);
  const auto chinese = script.tables.find(shipped::kChinese);
  ASSERT_NE(english, script.tables.end());
  ASSERT_NE(chinese, script.tables.end());
  std::set<long> englishIds;
  std::set<long> chineseIds;
  for (const auto& entry : english->second) englishIds.insert(entry.first);
  for (const auto& entry : chinese->second) chineseIds.insert(entry.first);
  EXPECT_EQ(englishIds, chineseIds);
}

}  // namespace
