// The dialog template, string table and manifest in every language: natively
// as winsim reads them from the resource scripts, in the Windows build as the
// resource loader finds them in the compiled program.
#include "installer_fixture.h"
#include "resource.h"

namespace {

using ResourcesTest = DialogTest;

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
constexpr LANGID kSimplified = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr LANGID kTraditional = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
constexpr LANGID kChineseNeutral = MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL);

struct ExpectedControl {
  int id;
  const wchar_t* className;
  DWORD kind;  // BS_* for buttons
  RECT rect;   // left, top, width, height
};

// The English template in tab order; -1 marks the three group boxes.
const ExpectedControl kEnglishControls[] = {
    {IDC_INSTALL, L"Button", BS_DEFPUSHBUTTON, {7, 173, 128, 21}},
    {IDC_EXIT, L"Button", BS_PUSHBUTTON, {172, 172, 54, 22}},
    {-1, L"Button", BS_GROUPBOX, {8, 4, 217, 27}},
    {IDC_DEFAULT_NO, L"Button", BS_AUTORADIOBUTTON, {15, 18, 90, 10}},
    {IDC_DEFAULT_YES, L"Button", BS_AUTORADIOBUTTON, {123, 18, 92, 10}},
    {-1, L"Button", BS_GROUPBOX, {8, 35, 217, 77}},
    {IDC_USB, L"Button", BS_AUTORADIOBUTTON, {15, 50, 42, 10}},
    {IDC_COM, L"Button", BS_AUTORADIOBUTTON, {15, 64, 42, 10}},
    {IDC_LPT, L"Button", BS_AUTORADIOBUTTON, {15, 78, 42, 10}},
    {IDC_NET, L"Button", BS_AUTORADIOBUTTON, {15, 92, 42, 10}},
    {IDC_WIZARD, L"Button", BS_PUSHBUTTON, {7, 195, 218, 16}},
    {IDC_PORT_LIST, L"ListBox", 0, {64, 48, 100, 41}},
    {IDC_ADDRESS, L"SysIPAddress32", 0, {64, 90, 100, 15}},
    {IDC_NOT_DETECTED, L"Edit", 0, {64, 48, 100, 41}},
    {IDC_BAUD_GROUP, L"Button", BS_GROUPBOX, {169, 47, 53, 57}},
    {IDC_BAUD_9600, L"Button", BS_AUTORADIOBUTTON, {177, 59, 32, 10}},
    {IDC_BAUD_19200, L"Button", BS_AUTORADIOBUTTON, {177, 70, 36, 10}},
    {IDC_BAUD_38400, L"Button", BS_AUTORADIOBUTTON, {177, 81, 36, 10}},
    {IDC_BAUD_115200, L"Button", BS_AUTORADIOBUTTON, {177, 92, 40, 10}},
    {-1, L"Button", BS_GROUPBOX, {7, 115, 217, 54}},
    {1030, L"Button", BS_AUTORADIOBUTTON, {15, 130, 93, 10}},
    {1031, L"Button", BS_AUTORADIOBUTTON, {114, 129, 106, 10}},
    {1032, L"Button", BS_AUTORADIOBUTTON, {15, 142, 93, 10}},
    {1033, L"Button", BS_AUTORADIOBUTTON, {114, 141, 106, 10}},
    {1034, L"Button", BS_AUTORADIOBUTTON, {15, 154, 93, 10}},
    {1035, L"Button", BS_AUTORADIOBUTTON, {114, 153, 106, 10}},
};

bool StartsGroup(int id) {
  return id == IDC_DEFAULT_NO || id == IDC_USB || id == IDC_BAUD_9600 || id == IDC_MODEL_FIRST;
}
bool IsTabStop(int id) {
  return id == IDC_INSTALL || id == IDC_EXIT || id == IDC_WIZARD || id == IDC_PORT_LIST ||
         id == IDC_ADDRESS || id == IDC_NOT_DETECTED;
}

struct Language {
  const char* name;
  LANGID ui;
  std::vector<std::wstring> captions;  // title, then the controls in template order
};

// The captions as rows, not one to a line (clang-format would spread them out).
// clang-format off
const Language kLanguages[] = {
    {"English", kEnglish,
     {L"VEVOzozira printer driver setup tool", L"Install the printer driver", L"Exit",
      L"1. Set the printer as the default printer?", L"No (not set as default)",
      L"Yes (set as default)", L"2. How does your printer connect to your computer?",
      L"USB", L"COM", L"LPT", L"NET", L"* Run into problems? Click here to try the OS wizard.",
      L"", L"", L"", L"*Baud rate", L"9600", L"19200", L"38400", L"115200",
      L"3. Please choose printer model.", L"M1", L"M2", L"M3", L"M4", L"M5", L"M6"}},
    {"Chinese Simplified", kSimplified,
     {L"VEVOzozira 打印机驱动安装工具", L"开始安装打印机驱动", L"退出",
      L"1.是否需要将打印机设置为默认打印机?", L"否（不设置为默认）", L"是（设置为默认）",
      L"2.您的打印机通过那种方式与电脑连接？", L"USB", L"串口", L"并口", L"以太网",
      L"*安装出现问题？点击这里尝试使用向导进行安装。", L"", L"", L"", L"*波特率", L"9600",
      L"19200", L"38400", L"115200", L"3. 请选择打印机型号", L"M1", L"M2", L"M3", L"M4", L"M5",
      L"M6"}},
    {"Chinese Traditional", kTraditional,
     {L"VEVOzozira 列印機驅動安裝工具", L"開始安裝列印機驅動", L"退出",
      L"1.是否需要將列印機設置爲默認列印機?", L"否（不設置爲默認）", L"是（設置爲默認）",
      L"2.您的列印機通過那種界面與電腦連接？", L"USB", L"串口", L"并口", L"以太網",
      L"*安裝出現問題？點擊這裏嘗試使用嚮導進行安裝。", L"", L"", L"", L"*波特率", L"9600",
      L"19200", L"38400", L"115200", L"3. 請選擇列印機型號", L"M1", L"M2", L"M3", L"M4", L"M5",
      L"M6"}},
};
// clang-format on

TEST_F(ResourcesTest, DialogExistsInThreeLanguages) {
  EXPECT_EQ(machine::DialogLanguages(IDD_SETUP),
            (std::vector<LANGID>{kEnglish, kTraditional, kSimplified}));
}

TEST_F(ResourcesTest, EveryLanguageHasTheLayoutStylesAndCaptions) {
  for (const auto& language : kLanguages) {
    SCOPED_TRACE(language.name);
    machine::DialogTemplate dialog = machine::FindDialogTemplate(IDD_SETUP, language.ui);
    EXPECT_EQ(dialog.language, language.ui);
    EXPECT_EQ(dialog.caption, language.captions[0]);
    EXPECT_EQ(dialog.fontName, L"MS Shell Dlg");
    EXPECT_EQ(dialog.fontSize, 8);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP |
                                               WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    bool english = language.ui == kEnglish;
    EXPECT_EQ(dialog.rect.right, 233);
    EXPECT_EQ(dialog.rect.bottom, english ? 218 : 221);
    ASSERT_EQ(dialog.controls.size(), std::size(kEnglishControls));
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
      const auto& got = dialog.controls[i];
      const auto& want = kEnglishControls[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(got.id, want.id);
      EXPECT_EQ(got.text, language.captions[i + 1]);
      EXPECT_TRUE(EqualNoCaseForTest(got.className, want.className)) << Utf8(got.className);
      if (std::wstring(want.className) == L"Button") {
        EXPECT_EQ(got.style & BS_TYPEMASK, want.kind);
      }
      EXPECT_TRUE(got.style & WS_VISIBLE) << "every control starts visible";
      EXPECT_EQ((got.style & WS_GROUP) != 0, StartsGroup(got.id));
      EXPECT_EQ((got.style & WS_TABSTOP) != 0, IsTabStop(got.id));
      // The Chinese templates may only push the lower model radios and the
      // push buttons down a little, and make the model group taller.
      LONG dy = got.rect.top - want.rect.top;
      bool movable =
          want.id == IDC_INSTALL || want.id == IDC_EXIT || want.id == IDC_WIZARD || want.id >= 1032;
      if (english || !movable) {
        EXPECT_EQ(dy, 0);
      } else {
        EXPECT_GE(dy, 0);
        EXPECT_LE(dy, 9);
      }
      EXPECT_EQ(got.rect.left, want.rect.left);
      EXPECT_EQ(got.rect.right, want.rect.right);
      bool modelGroup = i == 19;
      EXPECT_EQ(got.rect.bottom, modelGroup && !english ? 62 : want.rect.bottom);
    }
    auto& list = dialog.controls[11];
    EXPECT_EQ(list.style & (LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER),
              static_cast<DWORD>(LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER));
    auto& edit = dialog.controls[13];
    EXPECT_EQ(edit.style & (ES_MULTILINE | ES_READONLY),
              static_cast<DWORD>(ES_MULTILINE | ES_READONLY));
  }
}

TEST_F(ResourcesTest, StringTableInEveryLanguage) {
  struct Row {
    UINT id;
    const wchar_t* english;
    const wchar_t* chinese;
    const wchar_t* traditional;
  } rows[] = {
      {IDS_INSTALL_SUCCEEDED, L"Succeed !\nDo you want to print a test page?",
       L"安装成功！\n是否要打印测试页？", L"安裝成功！\n是否要列印測試頁？"},
      {IDS_INSTALL_FAILED, L"Printer driver install failed, error code:0x%x",
       L"打印机驱动安装失败，错误码:0x%x", L"印表機驅動安裝失敗，錯誤碼:0x%x"},
      {IDS_PORT_NOT_DETECTED, L"No <%ws printer > is detected on your computer!",
       L"未检测到电脑上连接有<%ws打印机>!", L"未檢測到電腦上連接有<%ws印表機>!"},
      {IDS_SELECT_PORT, L"Please select a %ws port below:", L"请选择以下%ws端口:",
       L"請選擇以下%ws界面:"},
      {IDS_NO_PORT_SELECTED, L"Please select a port.", L"请选择打印机端口", L"請選擇列印機界面"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(machine::StringLanguages(row.id),
              (std::vector<LANGID>{kChineseNeutral, kEnglish, kTraditional}));
    EXPECT_EQ(machine::StringResource(row.id, kEnglish), row.english);
    EXPECT_EQ(machine::StringResource(row.id, kChineseNeutral), row.chinese);
    EXPECT_EQ(machine::StringResource(row.id, kTraditional), row.traditional);
  }
}

TEST_F(ResourcesTest, RunningDialogSpeaksTheUsersLanguage) {
  struct Case {
    LANGID ui;
    const wchar_t* notDetected;
    const wchar_t* header;
  } cases[] = {
    {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
     L"No <USB printer > is detected on your computer!", L"Please select a COM port below:"},
#if NATIVE_ONLY("Wine 8's resource loader ignores the thread's UI language")
    {kSimplified, L"未检测到电脑上连接有<USB打印机>!", L"请选择以下COM端口:"},
    {kTraditional, L"未檢測到電腦上連接有<USB印表機>!", L"請選擇以下COM界面:"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ui);
    ResetMachine();
    machine::SetUiLanguage(c.ui);
    machine::SetRegistryString(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM",
                               L"\\Device\\Serial0", L"COM1");
    Open();
    EXPECT_EQ(Text(0), L"BRINDOL Printer Driver Setup") << "the same title in every language";
    EXPECT_EQ(Text(IDC_NOT_DETECTED), c.notDetected);
    machine::Click(dialog_, IDC_COM);
    auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], c.header);
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}

TEST_F(ResourcesTest, ManifestAsksForAdministratorAndNamesTheSystems) {
  std::string manifest = machine::Manifest();
  for (const char* needle : {
           "level=\"requireAdministrator\" uiAccess=\"false\"",
           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
       }) {
    EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
  }
}

}  // namespace
