// The wizard INF files and the plug-in configuration files: what they register and copy must
// be what the setup program registers and copies, and every file they name must ship.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "package_facts.h"
#include "shipped_files.h"

namespace {

using package_facts::Model;
using sections::Upper;

bool ShipsInPackageDir(const std::string& name) {
  return std::ifstream(package_facts::PackagePath(name)).good();
}

// The setup program copies 13 files; each must be one we ship or one the package script
// puts in place for the platform.
TEST(SetupProgramPackageTest, EveryFileItCopiesShips) {
  for (const std::string& file : package_facts::ArchitectureFiles()) {
    EXPECT_TRUE(package_facts::kBuiltFiles.count(file) || package_facts::kPlatformFiles.count(file))
        << file;
  }
  for (const std::string& file : package_facts::CommonFiles()) {
    EXPECT_TRUE(ShipsInPackageDir(file) || package_facts::kPlatformFiles.count(file)) << file;
  }
}

// A dependent file or a data file that is not copied would be missing from the driver
// directory when the spooler registers the driver.
TEST(SetupProgramPackageTest, EveryRegisteredFileIsCopied) {
  std::set<std::string> copied(package_facts::ArchitectureFiles().begin(),
                               package_facts::ArchitectureFiles().end());
  copied.insert(package_facts::CommonFiles().begin(), package_facts::CommonFiles().end());
  for (const std::string& file : package_facts::DependentFiles())
    EXPECT_TRUE(copied.count(file)) << file;
  for (const Model& model : package_facts::Models())
    EXPECT_TRUE(copied.count(model.dataFile)) << model.dataFile;
}

class IniTest : public testing::TestWithParam<std::string> {};

// The host loads the rendering plug-in that the [OEMFiles] section names; it reads the
// entries literally, so no blanks around '=' and no path.
TEST_P(IniTest, NamesThePluginForTheHost) {
  const sections::File& ini = shipped::Ini(GetParam());
  const std::vector<sections::Line>* entries = ini.Section("OEMFiles");
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ(entries->front().raw, "OEMDriverFile1=BRINDOL80.DLL");
  EXPECT_TRUE(package_facts::kBuiltFiles.count(entries->front().value));
}

INSTANTIATE_TEST_SUITE_P(Shipped, IniTest,
                         testing::Values("BRINDOL80.INI", "BRINDOL80C.INI", "BRINDOL58C.INI"),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

class InfTest : public testing::TestWithParam<Model> {
 protected:
  const sections::File& Inf() const { return shipped::Inf(GetParam().wizardInf); }

  // The install section of the model, found through the decorated models section.
  std::string InstallSection(const std::string& decoration) const {
    const std::vector<sections::Line>* models = Inf().Section("Brindol." + decoration);
    if (!models) return "";
    for (const sections::Line& line : *models) {
      if (line.key == "\"" + GetParam().name + "\"") return sections::SplitList(line.value).front();
    }
    return "";
  }

  // Files the install section copies itself: "@file" items and the lines of file-list sections.
  std::set<std::string> CopiedFiles(const std::string& section) const {
    std::set<std::string> files;
    for (const std::string& item :
         sections::SplitList(Inf().Value(section, "CopyFiles").value_or(""))) {
      if (item.rfind('@', 0) == 0) {
        files.insert(Upper(item.substr(1)));
        continue;
      }
      const std::vector<sections::Line>* list = Inf().Section(item);
      EXPECT_NE(list, nullptr) << "CopyFiles names a missing section " << item;
      if (list) {
        for (const sections::Line& line : *list) files.insert(Upper(line.value));
      }
    }
    return files;
  }
};

TEST_P(InfTest, IsAPrinterClassInf) {
  EXPECT_EQ(Inf().Value("Version", "Signature"), "\"$Windows NT$\"");
  EXPECT_EQ(Inf().Value("Version", "Class"), "Printer");
  EXPECT_EQ(Upper(Inf().Value("Version", "ClassGUID").value_or("")),
            "{4D36E979-E325-11CE-BFC1-08002BE10318}");
  EXPECT_EQ(Inf().Value("DestinationDirs", "DefaultDestDir"), "66000");
}

// The wizard must register the same driver as the setup program: the model's description as
// data file, on the universal printer driver, under the model name the description declares.
TEST_P(InfTest, RegistersTheSetupProgramsDriverOnBothArchitectures) {
  const std::vector<std::string> decorations =
      sections::SplitList(Inf().Value("Manufacturer", "%Mfg%").value_or(""));
  EXPECT_EQ(std::set<std::string>(decorations.begin(), decorations.end()),
            (std::set<std::string>{"Brindol", "NTx86", "NTamd64"}));
  for (const char* decoration : {"NTx86", "NTamd64"}) {
    SCOPED_TRACE(decoration);
    const std::string section = InstallSection(decoration);
    ASSERT_NE(section, "") << "model " << GetParam().name << " not offered";
    EXPECT_EQ(Upper(Inf().Value(section, "DataFile").value_or("")), GetParam().dataFile);
    EXPECT_EQ(Upper(Inf().Value(section, "DriverFile").value_or("")), "UNIDRV.DLL");
    EXPECT_EQ(Upper(Inf().Value(section, "ConfigFile").value_or("")), "UNIDRVUI.DLL");
    EXPECT_EQ(Upper(Inf().Value(section, "Include").value_or("")), "NTPRINT.INF");
  }
  const gpd::Document& description = shipped::Description(GetParam().dataFile);
  EXPECT_EQ(description.root.Attribute("ModelName"), "\"" + GetParam().name + "\"")
      << "the wizard matches the description by model name";
}

// Every file copied to the driver directory becomes a dependent file, except the four the
// install section assigns a role; the result must be the setup program's list.
TEST_P(InfTest, DependentFilesAreTheSetupProgramsList) {
  const std::string section = InstallSection("NTamd64");
  ASSERT_NE(section, "");
  std::set<std::string> dependent = CopiedFiles(section);
  for (const std::string& needed :
       sections::SplitList(Inf().Value(section, "Needs").value_or(""))) {
    bool known = false;
    for (const package_facts::PlatformSection& platform : package_facts::kPlatformSections) {
      if (Upper(needed) != platform.name) continue;
      dependent.insert(platform.files.begin(), platform.files.end());
      known = true;
    }
    EXPECT_TRUE(known) << "Needs=" << needed;
  }
  for (const char* role : {"DataFile", "DriverFile", "ConfigFile", "HelpFile"}) {
    dependent.erase(Upper(Inf().Value(section, role).value_or("")));
  }
  const std::vector<std::string>& expected = package_facts::DependentFiles();
  EXPECT_EQ(dependent, std::set<std::string>(expected.begin(), expected.end()));
}

// Each copied file must have a source for each architecture: the built libraries in that
// architecture's folder, everything else in the setup directory itself.
TEST_P(InfTest, EveryCopiedFileShipsWhereTheInfLooks) {
  const struct {
    const char* platform;
    const char* folder;
  } architectures[] = {{"x86", "i386"}, {"amd64", "amd64"}};
  const std::string section = InstallSection("NTamd64");
  ASSERT_NE(section, "");
  for (const auto& arch : architectures) {
    for (const std::string& file : CopiedFiles(section)) {
      SCOPED_TRACE(std::string(arch.platform) + " " + file);
      auto source = Inf().Value(std::string("SourceDisksFiles.") + arch.platform, file);
      if (!source) source = Inf().Value("SourceDisksFiles", file);
      ASSERT_TRUE(source.has_value()) << "no source entry";
      const std::vector<std::string> fields = sections::SplitList(*source);
      EXPECT_TRUE(Inf().Value("SourceDisksNames", fields[0]).has_value()) << "disk " << fields[0];
      const std::string subdir = fields.size() > 1 ? fields[1] : "";
      if (package_facts::kBuiltFiles.count(file)) {
        EXPECT_EQ(subdir, arch.folder);
      } else {
        EXPECT_EQ(subdir, "");
        EXPECT_TRUE(ShipsInPackageDir(file)) << "not in the package";
      }
    }
  }
}

TEST_P(InfTest, EveryStringTokenIsDefined) {
  const std::regex token("%([A-Za-z0-9_]+)%");
  for (const auto& [name, lines] : Inf().sections) {
    for (const sections::Line& line : lines) {
      for (std::sregex_iterator it(line.raw.begin(), line.raw.end(), token), end; it != end; ++it) {
        EXPECT_TRUE(Inf().Value("Strings", (*it)[1].str()).has_value())
            << "[" << name << "] " << line.raw;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, InfTest, testing::ValuesIn(package_facts::Models()),
                         [](const testing::TestParamInfo<Model>& info) {
                           std::string name = info.param.wizardInf;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
