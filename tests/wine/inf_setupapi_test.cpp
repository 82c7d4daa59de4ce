// The wizard INF files read by the platform's own INF parser (setupapi), as the Add Printer
// wizard reads them from a setup directory: class, models per architecture, install
// sections, source locations of every copied file, version entries. Each check is also shown
// to catch a deliberately broken copy.
#include <windows.h>
// windows.h first: setupapi.h and winspool.h need its types.
#include <gtest/gtest.h>
#include <setupapi.h>
#include <winspool.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "package_facts.h"
#include "text_util.h"

namespace {

using package_facts::Model;
using Faults = std::vector<std::string>;

#ifdef _WIN64
const wchar_t kOwnFolder[] = L"amd64";
const wchar_t kOtherFolder[] = L"i386";
const wchar_t kOwnPlatform[] = L"amd64";
const wchar_t kOtherPlatform[] = L"x86";
#else
const wchar_t kOwnFolder[] = L"i386";
const wchar_t kOtherFolder[] = L"amd64";
const wchar_t kOwnPlatform[] = L"x86";
const wchar_t kOtherPlatform[] = L"amd64";
#endif

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring Upper(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towupper(c); });
  return s;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::wstring(full) : path;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = dir + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(dir.c_str());
}

bool setupDirAssembled = false;

// The setup directory as the wizard sees it: the INF files and data files of the package at
// the top, this build's libraries in its architecture's folder and, when the other build
// tree has been built, that one's in the other folder.
const std::wstring& SetupDir() {
  static const std::wstring dir = [] {
    const std::wstring top = FullPath(Widen(BRINDOL_INF_SETUP_DIR));
    const std::wstring package = FullPath(Widen(package_facts::PackageDir()));
    RemoveTree(top);  // what an interrupted run left
    CreateDirectoryW(top.c_str(), nullptr);
    setupDirAssembled = true;
    for (const wchar_t* pattern : {L"\\*.inf", L"\\*.GPD", L"\\*.INI"}) {
      WIN32_FIND_DATAW found;
      HANDLE search = FindFirstFileW((package + pattern).c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) continue;
      do {
        const std::wstring name = found.cFileName;
        EXPECT_TRUE(
            CopyFileW((package + L"\\" + name).c_str(), (top + L"\\" + name).c_str(), FALSE))
            << Narrow(name);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    const struct {
      const wchar_t* folder;
      std::string files;
    } builds[] = {{kOwnFolder, BRINDOL_INF_OWN_LIBRARIES},
                  {kOtherFolder, BRINDOL_INF_OTHER_LIBRARIES}};
    for (const auto& build : builds) {
      const std::wstring folder = top + L"\\" + build.folder;
      CreateDirectoryW(folder.c_str(), nullptr);
      std::stringstream list(build.files);
      for (std::string file; std::getline(list, file, '|');) {
        const std::wstring source = FullPath(Widen(file));
        if (!FileExists(source)) continue;
        const std::wstring name = source.substr(source.find_last_of(L"\\/") + 1);
        EXPECT_TRUE(CopyFileW(source.c_str(), (folder + L"\\" + name).c_str(), FALSE)) << file;
      }
    }
    return top;
  }();
  return dir;
}

// The copies of the libraries go again when the tests end: a copy of a build product left in
// the build tree would be taken for the product by whatever looks for it there.
class SetupDirRemoval : public testing::Environment {
 public:
  void TearDown() override {
    if (setupDirAssembled) RemoveTree(SetupDir());
  }
};
testing::Environment* const kSetupDirRemoval =
    testing::AddGlobalTestEnvironment(new SetupDirRemoval);

bool OtherArchitectureBuilt() {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((SetupDir() + L"\\" + kOtherFolder + L"\\*.DLL").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

class Inf {
 public:
  explicit Inf(const std::wstring& path) : path_(path) {
    UINT errorLine = 0;
    handle_ = SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
    if (handle_ == INVALID_HANDLE_VALUE) {
      error_ = "SetupOpenInfFileW failed with " + std::to_string(GetLastError()) + " at line " +
               std::to_string(errorLine);
    }
  }
  ~Inf() {
    if (handle_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(handle_);
  }
  Inf(const Inf&) = delete;
  Inf& operator=(const Inf&) = delete;

  HINF handle() const { return handle_; }
  const std::wstring& path() const { return path_; }
  const std::string& error() const { return error_; }

  // The line with this key in the section (any line when key is null).
  bool Find(const std::wstring& section, const wchar_t* key, INFCONTEXT& line) const {
    return SetupFindFirstLineW(handle_, section.c_str(), key, &line);
  }

  // Fields 1..n of the first line with this key; empty when there is none.
  std::vector<std::wstring> Fields(const std::wstring& section, const wchar_t* key) const {
    INFCONTEXT line;
    return Find(section, key, line) ? LineFields(line) : std::vector<std::wstring>{};
  }

  static std::wstring Field(INFCONTEXT& line, DWORD index) {
    wchar_t text[512];
    DWORD size = 0;
    return SetupGetStringFieldW(&line, index, text, ARRAYSIZE(text), &size) ? std::wstring(text)
                                                                            : L"";
  }

  static std::vector<std::wstring> LineFields(INFCONTEXT& line) {
    std::vector<std::wstring> fields;
    const DWORD count = SetupGetFieldCount(&line);
    for (DWORD i = 1; i <= count; ++i) fields.push_back(Field(line, i));
    return fields;
  }

 private:
  std::wstring path_;
  HINF handle_ = INVALID_HANDLE_VALUE;
  std::string error_;
};

// ---- the checks, each returning one text per fault ---------------------------------------

Faults CheckClass(const Inf& inf, const Model&) {
  GUID guid{};
  wchar_t className[64] = L"";
  DWORD size = 0;
  if (!SetupDiGetINFClassW(inf.path().c_str(), &guid, className, ARRAYSIZE(className), &size)) {
    return {"SetupDiGetINFClassW failed with " + std::to_string(GetLastError())};
  }
  Faults faults;
  if (std::wstring(className) != L"Printer")
    faults.push_back("class " + Narrow(className) + ", not Printer");
  // The printer class: {4D36E979-E325-11CE-BFC1-08002BE10318}.
  const GUID printer = {
      0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  if (!IsEqualGUID(guid, printer)) faults.push_back("the class GUID is not the printer class's");
  return faults;
}

// The models section for a platform, through the manufacturer's decorations; "" when the
// platform is not offered.
std::wstring ModelsSection(const Inf& inf, const wchar_t* platform) {
  INFCONTEXT line;
  if (!inf.Find(L"Manufacturer", nullptr, line)) return L"";
  const std::vector<std::wstring> fields = Inf::LineFields(line);
  if (fields.empty()) return L"";
  for (size_t i = 1; i < fields.size(); ++i) {
    if (Upper(fields[i]) == Upper(std::wstring(L"NT") + platform))
      return fields[0] + L".NT" + platform;
  }
  return L"";
}

// The install section of the model on this platform; "" when there is none.
std::wstring InstallSection(const Inf& inf, const Model& model, const wchar_t* platform) {
  const std::wstring models = ModelsSection(inf, platform);
  INFCONTEXT line;
  if (models.empty() || !inf.Find(models, Widen(model.name).c_str(), line)) return L"";
  return Inf::Field(line, 1);
}

Faults CheckModels(const Inf& inf, const Model& model) {
  Faults faults;
  for (const wchar_t* platform : {L"amd64", L"x86"}) {
    const std::wstring models = ModelsSection(inf, platform);
    INFCONTEXT line;
    if (models.empty()) {
      faults.push_back("the manufacturer offers no models for NT" + Narrow(platform));
    } else if (!inf.Find(models, nullptr, line)) {
      faults.push_back("models section [" + Narrow(models) + "] is missing or empty");
    } else if (InstallSection(inf, model, platform).empty()) {
      faults.push_back("[" + Narrow(models) + "] does not offer " + model.name);
    }
  }
  return faults;
}

// Every file the install section copies: "@file" items and the lines of file-list sections.
std::vector<std::wstring> CopiedFiles(const Inf& inf, const std::wstring& section, Faults& faults) {
  std::vector<std::wstring> files;
  for (const std::wstring& item : inf.Fields(section, L"CopyFiles")) {
    if (!item.empty() && item[0] == L'@') {
      files.push_back(Upper(item.substr(1)));
      continue;
    }
    INFCONTEXT line;
    if (!inf.Find(item, nullptr, line)) {
      faults.push_back("CopyFiles names section [" + Narrow(item) + "], which is missing or empty");
      continue;
    }
    do {
      files.push_back(Upper(Inf::Field(line, 1)));
    } while (SetupFindNextLine(&line, &line));
  }
  return files;
}

Faults CheckInstallSection(const Inf& inf, const Model& model) {
  Faults faults;
  for (const wchar_t* platform : {L"amd64", L"x86"}) {
    const std::wstring section = InstallSection(inf, model, platform);
    if (section.empty()) continue;  // CheckModels reports it
    const std::string where = "[" + Narrow(section) + "] for " + Narrow(platform) + ": ";
    for (const auto& [key, value] :
         {std::pair<const wchar_t*, std::wstring>{L"DataFile", Widen(model.dataFile)},
          {L"DriverFile", L"UNIDRV.DLL"},
          {L"ConfigFile", L"UNIDRVUI.DLL"},
          {L"Include", L"NTPRINT.INF"}}) {
      const std::vector<std::wstring> fields = inf.Fields(section, key);
      if (fields.size() != 1 || Upper(fields[0]) != value)
        faults.push_back(where + Narrow(key) + " is not " + Narrow(value));
    }
    std::vector<std::wstring> needs = inf.Fields(section, L"Needs");
    for (std::wstring& n : needs) n = Upper(n);
    if (std::find(needs.begin(), needs.end(), L"UNIDRV.OEM") == needs.end()) {
      faults.push_back(where + "Needs does not name UNIDRV.OEM");
    }
    // What the section copies, besides its data file, must be exactly what the setup program
    // registers as dependent files of ours (the platform's own come through Needs=).
    std::vector<std::wstring> copied = CopiedFiles(inf, section, faults);
    std::set<std::string> copiedSet;
    for (const std::wstring& file : copied) copiedSet.insert(Narrow(file));
    if (!copiedSet.erase(model.dataFile)) faults.push_back(where + "does not copy its data file");
    std::set<std::string> expected;
    for (const std::string& file : package_facts::DependentFiles()) {
      if (!package_facts::kPlatformFiles.count(file)) expected.insert(file);
    }
    if (copiedSet != expected) {
      std::string list;
      for (const std::string& file : copiedSet) list += " " + file;
      faults.push_back(where + "copies" + list + ", not the setup program's dependent files");
    }
  }
  return faults;
}

// Where a copied file comes from for a platform, read from its SourceDisksFiles line
// (decorated first): "subfolder\file" relative to the setup directory, or "" when unknown.
std::wstring SourceFromSections(const Inf& inf, const std::wstring& file, const wchar_t* platform) {
  for (const std::wstring& section :
       {std::wstring(L"SourceDisksFiles.") + platform, std::wstring(L"SourceDisksFiles")}) {
    INFCONTEXT line;
    if (!inf.Find(section, file.c_str(), line)) continue;
    const std::wstring disk = Inf::Field(line, 1);
    const std::wstring subdir = Inf::Field(line, 2);
    INFCONTEXT diskLine;
    const bool diskKnown =
        inf.Find(std::wstring(L"SourceDisksNames.") + platform, disk.c_str(), diskLine) ||
        inf.Find(L"SourceDisksNames", disk.c_str(), diskLine);
    if (!diskKnown) return L"";
    const std::wstring diskPath = Inf::Field(diskLine, 4);
    std::wstring path;
    for (const std::wstring& part : {diskPath, subdir}) {
      if (!part.empty()) path += part + L"\\";
    }
    return path + file;
  }
  return L"";
}

Faults CheckSourceLocations(const Inf& inf, const Model& model) {
  Faults faults;
  const std::wstring section = InstallSection(inf, model, kOwnPlatform);
  if (section.empty()) return {"no install section for this platform"};
  Faults ignored;
  for (const std::wstring& file : CopiedFiles(inf, section, ignored)) {
    const std::string name = Narrow(file);
    const bool library = package_facts::kBuiltFiles.count(name) > 0;
    // This platform: the parser's own answer, as the wizard gets it.
    UINT sourceId = 0;
    wchar_t subdir[MAX_PATH] = L"";
    DWORD size = 0;
    if (!SetupGetSourceFileLocationW(inf.handle(), nullptr, file.c_str(), &sourceId, subdir,
                                     MAX_PATH, &size)) {
      faults.push_back(name + ": no source location (" + std::to_string(GetLastError()) + ")");
      continue;
    }
    for (const auto& [platform, folder] :
         {std::pair{kOwnPlatform, kOwnFolder}, std::pair{kOtherPlatform, kOtherFolder}}) {
      const std::string where = name + " for " + Narrow(platform) + ": ";
      // Wine's parser answers the source disk but not the subfolder of a decorated
      // SourceDisksFiles line, so the folder is read from the line itself.
      const std::wstring source = SourceFromSections(inf, file, platform);
      if (source.empty()) {
        faults.push_back(where + "no SourceDisksFiles line naming a known disk");
        continue;
      }
      if (platform == kOwnPlatform && *subdir &&
          Upper(source) != Upper(std::wstring(subdir) + L"\\" + file)) {
        faults.push_back(where + "the parser places it in " + Narrow(subdir));
      }
      const std::wstring expected = library ? Upper(folder) + L"\\" + file : file;
      if (Upper(source) != expected) {
        faults.push_back(where + "taken from " + Narrow(source) + ", not " + Narrow(expected));
      } else if ((platform == kOwnPlatform || !library || OtherArchitectureBuilt()) &&
                 !FileExists(SetupDir() + L"\\" + source)) {
        faults.push_back(where + "not in the setup directory at " + Narrow(source));
      }
    }
  }
  return faults;
}

Faults CheckVersionSection(const Inf& inf, const Model&) {
  Faults faults;
  const std::vector<std::wstring> driverVer = inf.Fields(L"Version", L"DriverVer");
  std::wsmatch date;
  std::wsmatch version;
  if (driverVer.size() != 2) {
    faults.push_back("DriverVer is not \"mm/dd/yyyy,a.b.c.d\"");
  } else {
    if (!std::regex_match(driverVer[0], date, std::wregex(L"(\\d\\d)/(\\d\\d)/(\\d{4})")) ||
        std::stoul(date[1]) - 1 >= 12 || std::stoul(date[2]) - 1 >= 31 ||
        std::stoul(date[3]) < 1980) {
      faults.push_back("DriverVer date " + Narrow(driverVer[0]) + " is not mm/dd/yyyy");
    }
    const std::wregex part(L"(\\d{1,5})\\.(\\d{1,5})\\.(\\d{1,5})\\.(\\d{1,5})");
    bool versionOk = std::regex_match(driverVer[1], version, part);
    for (size_t i = 1; versionOk && i <= 4; ++i) versionOk = std::stoul(version[i]) <= 65535;
    if (!versionOk)
      faults.push_back("DriverVer version " + Narrow(driverVer[1]) + " is not a.b.c.d");
  }
  const std::vector<std::wstring> catalog = inf.Fields(L"Version", L"CatalogFile");
  if (catalog.size() != 1 || catalog[0].size() < 5 ||
      Upper(catalog[0].substr(catalog[0].size() - 4)) != L".CAT") {
    faults.push_back("no CatalogFile=<name>.cat");
  }
  INFCONTEXT line;
  INT lockdown = 0;
  if (!inf.Find(L"Version", L"PnpLockdown", line) || !SetupGetIntField(&line, 1, &lockdown) ||
      lockdown != 1) {
    faults.push_back("no PnpLockdown=1");
  }
  return faults;
}

Faults CheckTargetDirectory(const Inf& inf, const Model& model) {
  const std::wstring section = InstallSection(inf, model, kOwnPlatform);
  if (section.empty()) return {"no install section for this platform"};
  wchar_t driverDir[MAX_PATH] = L"";
  DWORD size = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverDir),
                                  sizeof driverDir, &size)) {
    return {"GetPrinterDriverDirectoryW failed with " + std::to_string(GetLastError())};
  }
  Faults faults;
  Faults ignored;
  for (const std::wstring& list : inf.Fields(section, L"CopyFiles")) {
    if (!list.empty() && list[0] == L'@') continue;
    wchar_t target[MAX_PATH] = L"";
    if (!SetupGetTargetPathW(inf.handle(), nullptr, list.c_str(), target, MAX_PATH, &size)) {
      faults.push_back("[" + Narrow(list) + "]: no target directory (" +
                       std::to_string(GetLastError()) + ")");
    } else if (Upper(target) != Upper(driverDir)) {
      faults.push_back("[" + Narrow(list) + "] goes to " + Narrow(target) +
                       ", not the printer driver directory " + Narrow(driverDir));
    }
  }
  return faults;
}

std::string Join(const Faults& faults) {
  std::string all;
  for (const std::string& fault : faults) all += "\n  " + fault;
  return all;
}

std::wstring InfPath(const std::string& name) { return SetupDir() + L"\\" + Widen(name); }

// ---- the shipped files --------------------------------------------------------------------

using Check = Faults (*)(const Inf&, const Model&);
const Check kChecks[] = {CheckClass,           CheckModels,         CheckInstallSection,
                         CheckSourceLocations, CheckVersionSection, CheckTargetDirectory};

class ShippedInfTest : public testing::TestWithParam<Model> {};

TEST_P(ShippedInfTest, ReadsAsTheWizardReadsIt) {
  const Inf inf(InfPath(GetParam().wizardInf));
  ASSERT_EQ(inf.error(), "");
  for (Check check : kChecks) EXPECT_EQ(Join(check(inf, GetParam())), "");
  if (!OtherArchitectureBuilt()) {
    std::printf("note: the %ls libraries are not built; their presence was not checked\n",
                kOtherFolder);
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedInfTest, testing::ValuesIn(package_facts::Models()),
                         [](const testing::TestParamInfo<Model>& info) {
                           return info.param.wizardInf.substr(0, info.param.wizardInf.find('.'));
                         });

// ---- broken copies ------------------------------------------------------------------------

// A fault put into a copy of each shipped INF, and the checks of which one must report it.
struct Break {
  const char* name;
  const char* find;
  const char* replace;
  std::vector<Check> checks;
};

void PrintTo(const Break& b, std::ostream* os) { *os << b.name; }

const Break kBreaks[] = {
    {"NotThePrinterClass", "Class=Printer", "Class=Printers", {CheckClass}},
    {"CopiedFileWithoutSource", "RES.DLL=1,amd64", "RESX.DLL=1,amd64", {CheckSourceLocations}},
    {"CopiedFileWithoutSourceX86", "RES.DLL=1,i386", "RESX.DLL=1,i386", {CheckSourceLocations}},
    {"CopiedFileNotShipped",
     "[BRINDOL_BINARIES]\r\nBRINDOL80.DLL",
     "[BRINDOL_BINARIES]\r\nBRINDOL81.DLL",
     {CheckSourceLocations, CheckInstallSection}},
    {"LibraryFromTheWrongFolder", "80.DLL=1,amd64", "80.DLL=1,i386", {CheckSourceLocations}},
    {"DecorationMisspelt", ",NTx86,NTamd64", ",NTx86,NTamd46", {CheckModels}},
    {"DecorationWithoutModels", "[Brindol.NTx86]", "[Brindol.NTi386]", {CheckModels}},
    {"ModelMissingForOnePlatform",
     "[Brindol.NTamd64]\r\n\"",
     "[Brindol.NTamd64]\r\n\"X",
     {CheckModels}},
    {"WrongDataFile", "DataFile=BRINDOL", "DataFile=X", {CheckInstallSection}},
    {"IniNotCopied", "BRINDOL80.INI\r\n\r\n", "\r\n\r\n", {CheckInstallSection}},
    {"NeedsWithoutUnidrv", "Needs=UNIDRV.OEM,", "Needs=", {CheckInstallSection}},
    {"IncludeMissing", "Include=NTPRINT.INF", "Include=", {CheckInstallSection}},
    {"DriverVerDate", "DriverVer=06/01/2025", "DriverVer=13/01/2025", {CheckVersionSection}},
    {"DriverVerVersion", ",1.0.0.0", ",1.0.0", {CheckVersionSection}},
    {"NoCatalog", "CatalogFile=", "CatalogFileX=", {CheckVersionSection}},
    {"NoLockdown", "PnpLockdown=1", "PnpLockdown=0", {CheckVersionSection}},
    {"TargetNotTheDriverDirectory",
     "DefaultDestDir=66000",
     "DefaultDestDir=11",
     {CheckTargetDirectory}},
};

class BrokenInfTest : public testing::TestWithParam<Break> {};

TEST_P(BrokenInfTest, IsReported) {
  const Break& b = GetParam();
  for (const Model& model : package_facts::Models()) {
    SCOPED_TRACE(model.wizardInf);
    std::string text = text_util::ReadWholeFile(Narrow(InfPath(model.wizardInf))).value_or("");
    ASSERT_FALSE(text.empty());
    const size_t at = text.find(b.find);
    ASSERT_NE(at, std::string::npos) << "the INF no longer holds " << b.find;
    text.replace(at, std::string(b.find).size(), b.replace);
    const std::wstring broken = SetupDir() + L"\\BROKEN.inf";
    {
      std::ofstream out(Narrow(broken), std::ios::binary | std::ios::trunc);
      out << text;
    }
    const Inf inf(broken);
    ASSERT_EQ(inf.error(), "");
    Faults faults;
    for (Check check : b.checks) {
      const Faults found = check(inf, model);
      faults.insert(faults.end(), found.begin(), found.end());
    }
    EXPECT_NE(Join(faults), "") << b.name << " was not reported";
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, BrokenInfTest, testing::ValuesIn(kBreaks),
                         [](const testing::TestParamInfo<Break>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
