// The shipped printer descriptions read by a reader of the documented GPD grammar, and the
// same checks shown to catch each fault they look for in a deliberately broken copy.
#include "gpd_grammar.h"

#include <gtest/gtest.h>

#include <functional>

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

std::vector<std::string> ParseErrors(const Document& doc) { return doc.errors; }

struct NamedCheck {
  const char* name;
  Check check;
};

const std::vector<NamedCheck>& Checks() {
  static const std::vector<NamedCheck> checks = {
      {"ParseErrors", ParseErrors},
      {"SpecVersionFirst", gpd_grammar::CheckSpecVersionFirst},
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

const NamedCheck& CheckNamed(const std::string& name) {
  for (const NamedCheck& check : Checks()) {
    if (name == check.name) return check;
  }
  ADD_FAILURE() << "no check " << name;
  return Checks().front();
}

// Included files are looked up next to the description, as the host looks them up in the
// driver directory.
Document ParseShipped(const std::string& text, const std::string& name) {
  return gpd_grammar::Parse(text, name, [](const std::string& include) {
    return text_util::ReadWholeFile(package_facts::PackagePath(include));
  });
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
  const Document doc = ParseShipped(ShippedText(file), file);
  EXPECT_EQ(Join(CheckNamed(checkName).check(doc)), "");
}

std::vector<std::string> CheckNames() {
  std::vector<std::string> names;
  for (const NamedCheck& check : Checks()) names.push_back(check.name);
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
    {"CommentBeforeVersion", "*GPDSpecVersion", "*% note\n*GPDSpecVersion", "SpecVersionFirst"},
    {"DefaultOptionMissing", "*DefaultOption: TRANS_NONE", "", "FeaturesAndNames"},
    {"DefaultOptionNamesNoOption", "*DefaultOption: HT_NONE", "*DefaultOption: HT_None",
     "FeaturesAndNames"},
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
    {"StringNotClosed", "*Cmd: \"<1B>@\"", "*Cmd: \"<1B>@", "ParseErrors"},
    {"BlockNotClosed", "*Command: CmdCR { *Cmd: \"<0D>\" }", "*Command: CmdCR { *Cmd: \"<0D>\"",
     "ParseErrors"},
    {"TwoFeaturesShareAnOrder", "*Order: JOB_SETUP.20", "*Order: JOB_SETUP.10", "CommandOrder"},
    {"OrderInNoSection", "*Order: JOB_FINISH.10", "*Order: JOB_END.10", "CommandOrder"},
    {"ConfigurationCommandWithoutOrder", "*Order: DOC_SETUP.10", "", "CommandOrder"},
};

class BrokenDescriptionTest : public testing::TestWithParam<Break> {};

TEST_P(BrokenDescriptionTest, IsReported) {
  const Break& b = GetParam();
  const std::string file = "BRINDOL80C.GPD";
  std::string text = ShippedText(file);
  const size_t at = text.find(b.find);
  ASSERT_NE(at, std::string::npos) << "the description no longer holds " << b.find;
  text.replace(at, std::string(b.find).size(), b.replace);
  const Document doc = ParseShipped(text, file);
  EXPECT_NE(Join(CheckNamed(b.check).check(doc)), "") << b.check << " missed it";
}

INSTANTIATE_TEST_SUITE_P(Shipped, BrokenDescriptionTest, testing::ValuesIn(kBreaks),
                         [](const testing::TestParamInfo<Break>& info) {
                           return std::string(info.param.name);
                         });

// The reader's own grammar: what each construct becomes.
struct ReaderCase {
  const char* name;
  const char* text;
  const char* entries;  // root keywords=values, then children in brackets
  bool errors;
};

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

std::string Outline(const std::vector<gpd_grammar::Entry>& entries) {
  std::string out;
  for (const gpd_grammar::Entry& entry : entries) {
    if (!out.empty()) out += " ";
    out.append(entry.keyword).append(1, '=').append(entry.value);
    if (entry.hasBlock) out.append(1, '[').append(Outline(entry.children)).append(1, ']');
  }
  return out;
}

const ReaderCase kReaderCases[] = {
    {"BlockOnNextLine", "*Feature: A\n{\n*Option: B { *Name: \"b\" }\n}\n",
     "Feature=A[Option=B[Name=\"b\"]]", false},
    {"CommentAfterBlank", "*Name: \"x\" *% note\n", "Name=\"x\"", false},
    {"CommentMarkInsideString", "*Name: \"a *% b\"\n", "Name=\"a *% b\"", false},
    {"ContinuationLine", "*Name: \"ab\"\n+ \"cd\"\n", "Name=\"ab\" \"cd\"", false},
    {"ArgumentBracesAreNotABlock", "*Command: CmdX { *Cmd: \"<1B>*p\" %d{DestX}\"X\" }\n",
     "Command=CmdX[Cmd=\"<1B>*p\" %d{DestX}\"X\"]", false},
    {"IgnoreBlockSkipped", "*IgnoreBlock\n{\n*Option: A { *Name: \"a\" }\n}\n*Name: \"n\"\n",
     "Name=\"n\"", false},
    {"PredefinedSymbol", "*Ifdef: WINNT_50\n*Name: \"new\"\n*Else:\n*Name: \"old\"\n*Endif:\n",
     "Name=\"new\"", false},
    {"UndefinedSymbol",
     "*Ifdef: OTHER\n*Name: \"a\"\n*Elseifdef: WINNT_51\n*Name: \"b\"\n*Endif:\n", "Name=\"b\"",
     false},
    {"DefinedHere", "*Define: MINE\n*Ifdef: MINE\n*Name: \"a\"\n*Endif:\n", "Name=\"a\"", false},
    {"IncludeExpandedInPlace", "*A: 1\n*Include: \"part.gpd\"\n*C: 3\n", "A=1 B=2 C=3", false},
    {"IncludeNotFound", "*Include: \"missing.gpd\"\n", "", true},
    {"EndifWithoutIfdef", "*Endif:\n", "", true},
    {"BraceWithoutEntry", "{\n}\n", "", true},
    {"EntryWithoutColon", "*Name \"x\"\n", "", true},
};

class GrammarReaderTest : public testing::TestWithParam<ReaderCase> {};

TEST_P(GrammarReaderTest, ReadsAsDocumented) {
  const ReaderCase& c = GetParam();
  const Document doc = gpd_grammar::Parse(c.text, "test.gpd", [](const std::string& name) {
    return name == "part.gpd" ? std::optional<std::string>("*B: 2\n") : std::nullopt;
  });
  EXPECT_EQ(Outline(doc.entries), c.entries);
  EXPECT_EQ(!doc.errors.empty(), c.errors) << Join(doc.errors);
}

INSTANTIATE_TEST_SUITE_P(Constructs, GrammarReaderTest, testing::ValuesIn(kReaderCases),
                         [](const testing::TestParamInfo<ReaderCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(SymbolicNameTest, FollowsTheDocumentedCharacterSet) {
  const struct {
    const char* name;
    bool valid;
  } cases[] = {{"HT_NONE", true}, {"P10", true},  {"a", true},    {"_A", false},
               {"10P", false},    {"A-B", false}, {"A B", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(gpd_grammar::IsSymbolicName(c.name), c.valid) << c.name;
  // The one exception is outside the set; no other name is excused.
  for (const std::string& name : gpd_grammar::kNamesOutsideTheCharacterSet) {
    EXPECT_FALSE(gpd_grammar::IsSymbolicName(name)) << name << " needs no exception";
  }
  EXPECT_EQ(gpd_grammar::kNamesOutsideTheCharacterSet.size(), 1u);
}

}  // namespace
