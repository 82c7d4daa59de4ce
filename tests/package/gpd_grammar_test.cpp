// The shipped printer descriptions read by a reader of the documented GPD grammar, and the
// same checks shown to catch each fault they look for in a deliberately broken copy.
#include "gpd_grammar.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "package_facts.h"
#include "rc_strings.h"
#include "text_util.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using gpd_grammar::Document;
using Check = std::function<std::vector<std::string>(const Document&)>;

const std::vector<std::string> kDescriptions = {"BRINDOL80.GPD", "BRINDOL80C.GPD",
                                                "BRINDOL58C.GPD"};

#ifdef _WIN32
// A CALLBACK function, not a lambda: on 32-bit Windows a lambda converts only to a pointer of
// the compiler's default convention.
BOOL CALLBACK CollectStringBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR blocks) {
  if (IS_INTRESOURCE(name)) {
    reinterpret_cast<std::set<long>*>(blocks)->insert(
        static_cast<long>(reinterpret_cast<ULONG_PTR>(name)));
  }
  return TRUE;
}
#endif

// The string ids the descriptions may refer to: in the Windows build those of the built
// resource library itself, loaded as the host loads it; natively those of its script.
const std::set<long>& StringIds() {
  static const std::set<long> ids = [] {
    std::set<long> found;
#ifdef _WIN32
    const std::string path = BRINDOL_RESOURCE_DLL;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr) << "cannot load " << path;
    if (!module) return found;
    // Strings live in blocks of 16; block n holds ids (n - 1) * 16 ... n * 16 - 1.
    std::set<long> blocks;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(6), CollectStringBlock,  // 6: RT_STRING
                       reinterpret_cast<LONG_PTR>(&blocks));
    for (long block : blocks) {
      for (long id = (block - 1) * 16; id < block * 16; ++id) {
        const wchar_t* text = nullptr;
        if (LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0) > 0)
          found.insert(id);
      }
    }
    FreeLibrary(module);
#else
    const std::optional<rc::Script> script =
        rc::ReadFile(package_facts::PackagePath("res/brindol80res.rc"));
    EXPECT_TRUE(script.has_value());
    if (script) {
      for (const auto& [language, table] : script->tables) {
        for (const auto& [id, text] : table) found.insert(id);
      }
    }
#endif
    EXPECT_FALSE(found.empty()) << "no strings in the resource library";
    return found;
  }();
  return ids;
}

// The checks by name; a broken copy names the one that must report its fault.
const std::map<std::string, Check>& Checks() {
  static const std::map<std::string, Check> checks = {
      {"ParseErrors", [](const Document& doc) { return doc.errors; }},
      {"Values", gpd_grammar::CheckValues},
      {"FeaturesAndNames", gpd_grammar::CheckFeaturesAndNames},
      {"ResourceIds",
       [](const Document& doc) { return gpd_grammar::CheckResourceIds(doc, StringIds()); }},
      {"GrayPalette", gpd_grammar::CheckGrayPalette},
      {"PageEnd", gpd_grammar::CheckPageEnd},
      {"CommandOrder", gpd_grammar::CheckCommandOrder},
  };
  return checks;
}

std::string ShippedText(const std::string& name) {
  const std::optional<std::string> text =
      text_util::ReadWholeFile(package_facts::PackagePath(name));
  EXPECT_TRUE(text.has_value()) << "cannot read " << name;
  return text.value_or("");
}

std::string Join(const std::vector<std::string>& faults) {
  std::string all;
  for (const std::string& fault : faults) all += "\n  " + fault;
  return all;
}

class ShippedDescriptionGrammarTest
    : public testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(ShippedDescriptionGrammarTest, FindsNothingWrong) {
  const auto& [file, checkName] = GetParam();
  const Document doc = gpd_grammar::Parse(ShippedText(file), file);
  EXPECT_EQ(Join(Checks().at(checkName)(doc)), "");
}

std::vector<std::string> CheckNames() {
  std::vector<std::string> names;
  for (const auto& [name, check] : Checks()) names.push_back(name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, ShippedDescriptionGrammarTest,
    testing::Combine(testing::ValuesIn(kDescriptions), testing::ValuesIn(CheckNames())),
    [](const testing::TestParamInfo<std::tuple<std::string, std::string>>& info) {
      const std::string& file = std::get<0>(info.param);
      return file.substr(0, file.find('.')) + "_" + std::get<1>(info.param);
    });

// A fault put into a copy of a shipped description, and the check that must report it.
struct Break {
  const char* name;
  const char* find;
  const char* replace;
  const char* check;
};

void PrintTo(const Break& b, std::ostream* os) { *os << b.name; }

const Break kBreaks[] = {
    {"DefaultOptionMissing", "*DefaultOption: TRANS_NONE", "", "FeaturesAndNames"},
    {"OptionDeclaredTwice", "*Option: TRANS_180", "*Option: TRANS_NONE", "FeaturesAndNames"},
    {"HyphenInOptionName", "*Option: SavePaper_Top ", "*Option: SavePaper-Top ",
     "FeaturesAndNames"},
    {"DigitFirstInFeatureName", "*Feature: CashDrawer", "*Feature: 2CashDrawer",
     "FeaturesAndNames"},
    {"UnknownStringId", "*rcNameID: 1001", "*rcNameID: 9999", "ResourceIds"},
    {"ZeroStringId", "*rcNameID: 1001", "*rcNameID: 0", "ResourceIds"},
    {"GrayPaletteUndeclared", "*PaletteSize: 256", "", "GrayPalette"},
    {"GrayPaletteTooSmall", "*PaletteSize: 256", "*PaletteSize: 2", "GrayPalette"},
    {"PageEndUndeclared", "*EjectPageWithFF?: TRUE", "", "PageEnd"},
    {"FormFeedCommandMissing", "*Command: CmdFF", "*Command: CmdBackSpace", "PageEnd"},
    {"BooleanNotTrueOrFalse", "*Color?: FALSE", "*Color?: NO", "Values"},
    {"OddHexDigits", "\"<1B>@\"", "\"<1B0>@\"", "Values"},
    {"NotHex", "\"<1B>@\"", "\"<1G>@\"", "Values"},
    {"PercentEscapingNothing", "\"<1D>VB<00>\"", "\"<1D>V%B<00>\"", "Values"},
    {"NotAValueType", "*MasterUnits: PAIR(203, 203)", "*MasterUnits: PAIR(203; 203)", "Values"},
    {"CommandOfFifteenStrings", "\"<1B>@\"",
     "\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"\"@\"", "Values"},
    {"StringNotClosed", "*Cmd: \"<1B>@\"", "*Cmd: \"<1B>@", "ParseErrors"},
    {"BlockNotClosed", "*Command: CmdCR { *Cmd: \"<0D>\" }", "*Command: CmdCR { *Cmd: \"<0D>\"",
     "ParseErrors"},
    {"EntryWithoutColon", "*PrinterType: SERIAL", "*PrinterType SERIAL", "ParseErrors"},
    {"DirectiveNotRead", "*PrinterType: SERIAL",
     "*Ifdef: WINNT_50\n*PrinterType: SERIAL\n*Endif:", "ParseErrors"},
    {"OrderInNoSection", "*Order: JOB_FINISH.10", "*Order: JOB_END.10", "CommandOrder"},
    {"RootConfigurationCommandWithoutOrder", "*Order: JOB_SETUP.10", "", "CommandOrder"},
};

class BrokenDescriptionTest : public testing::TestWithParam<Break> {};

TEST_P(BrokenDescriptionTest, IsReported) {
  const Break& b = GetParam();
  const std::string file = "BRINDOL80C.GPD";
  std::string text = ShippedText(file);
  const size_t at = text.find(b.find);
  ASSERT_NE(at, std::string::npos) << "the description no longer holds " << b.find;
  text.replace(at, std::string(b.find).size(), b.replace);
  const Document doc = gpd_grammar::Parse(text, file);
  EXPECT_NE(Join(Checks().at(b.check)(doc)), "") << b.check << " missed it";
}

INSTANTIATE_TEST_SUITE_P(Shipped, BrokenDescriptionTest, testing::ValuesIn(kBreaks),
                         [](const testing::TestParamInfo<Break>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
