// The program's formatter, its log lines and its setup directory.
#include <set>
#include <thread>

#include "installer_fixture.h"
#if NATIVE_ONLY("controls of the simulated machine")
#include "sim.h"
#endif
#include "log.h"
#include "setup_directory.h"
#include "wide_format.h"

namespace {

using TextTest = InstallerTest;

TEST_F(TextTest, FormatsTheConversionsTheProgramUses) {
  struct Case {
    const char* name;
    int result;
    std::wstring text;
    std::function<int(WCHAR (&)[64])> format;
  } cases[] = {
      {"port name", 18, L"192.168.1.100_9100",
       [](auto& out) { return FormatText(out, L"%ws_%d", L"192.168.1.100", 9100); }},
      {"%s is wide as well", 7, L"a b-c:d",
       [](auto& out) { return FormatText(out, L"%s %ws-%s:%ws", L"a", L"b", L"c", L"d"); }},
      {"three digits at least", 6, L"USB001",
       [](auto& out) { return FormatText(out, L"USB%.3d", 1); }},
      {"two digits padded", 6, L"USB012",
       [](auto& out) { return FormatText(out, L"USB%.3d", 12u); }},
      {"more digits kept", 7, L"USB1234",
       [](auto& out) { return FormatText(out, L"USB%.3d", 1234); }},
      {"zero padded width", 8, L"09:05:07",
       [](auto& out) { return FormatText(out, L"%02d:%02d:%02d", 9, 5, 7); }},
      {"four characters of a path", 8, L"vid_067B",
       [](auto& out) { return FormatText(out, L"vid_%.4ws", L"067B&pid"); }},
      {"lower-case hex", 5, L"0x709", [](auto& out) { return FormatText(out, L"0x%x", 1801u); }},
      {"unsigned as %d is a 32-bit int", 2, L"-1",
       [](auto& out) { return FormatText(out, L"%d", 0xFFFFFFFFu); }},
      {"octets above 127", 15, L"200.168.255.128",
       [](auto& out) {
         return FormatText(out, L"%d.%d.%d.%d", BYTE{200}, BYTE{168}, BYTE{255}, BYTE{128});
       }},
      {"percent", 4, L"100%", [](auto& out) { return FormatText(out, L"100%%"); }},
      {"null text", 6, L"(null)",
       [](auto& out) { return FormatText(out, L"%ws", static_cast<const WCHAR*>(nullptr)); }},
      {"unknown conversion", -1, L"a", [](auto& out) { return FormatText(out, L"a%q", 1); }},
      {"missing argument", -1, L"x=", [](auto& out) { return FormatText(out, L"x=%d"); }},
      {"text for a number", -1, L"", [](auto& out) { return FormatText(out, L"%d", L"7"); }},
      {"argument left over", -1, L"7", [](auto& out) { return FormatText(out, L"%d", 7, 8); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WCHAR out[64];
    EXPECT_EQ(c.format(out), c.result);
    EXPECT_EQ(std::wstring(out), c.text);
  }
}

TEST_F(TextTest, FormattingCutsOffAndNeverOverflows) {
  WCHAR small[5];
  EXPECT_EQ(FormatText(small, L"%ws(Copy %d)", L"BRINDOL-80", 1), 18);
  EXPECT_EQ(std::wstring(small), L"BRIN");
  WCHAR one[1];
  EXPECT_EQ(FormatText(one, L"abc"), 3);
  EXPECT_EQ(one[0], 0);
  WCHAR copy[4];
  CopyText(copy, L"COM10:");
  EXPECT_EQ(std::wstring(copy), L"COM");
}

TEST_F(TextTest, LogLineWritesALineAndALineFeedOrNothing) {
  std::wstring longest(767, L'x');
  SetLastError(1234);
  LogLine(L"%ws", longest.c_str());
  LogLine(L"%wsy", longest.c_str());  // 768 characters: not written at all
  LogLine(L"bad %q");
  LogLine(L"UDP send data failed with error %u", 10065u);
  EXPECT_EQ(GetLastError(), 1234u) << "logging keeps the caller's error";
  auto output = machine::DebugOutput();
  ASSERT_EQ(output.size(), 4u);
  EXPECT_EQ(output[0], std::string(767, 'x'));
  EXPECT_EQ(output[1], "\n");
  EXPECT_EQ(output[2], "UDP send data failed with error 10065");
  EXPECT_EQ(output[3], "\n");
}

TEST_F(TextTest, LogLinesFromSeveralThreadsStayWhole) {
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      std::wstring text(100 + t * 50, static_cast<wchar_t>(L'a' + t));
      for (int i = 0; i < kLines; ++i) LogLine(L"%ws %d", text.c_str(), i);
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kLines; ++i)
      expected.insert(std::string(100 + t * 50, static_cast<char>('a' + t)) + " " +
                      std::to_string(i));
  }
  int lines = 0;
  for (const auto& line : machine::DebugOutput()) {
    if (line == "\n") continue;
    ++lines;
    EXPECT_TRUE(expected.count(line)) << "torn or mixed line: " << line;
  }
  EXPECT_EQ(lines, kThreads * kLines);
}

TEST_F(TextTest, SetupDirectoryIsTheProgramsFolder) {
  struct Case {
    const wchar_t* module;  // null: the program's own path, as the system reports it
    const wchar_t* directory;
  } cases[] = {
    {nullptr, L"C:\\setup\\"},
#if NATIVE_ONLY("the test sets the program's own path")
    {L"C:\\setup\\Installer.exe", L"C:\\setup\\"},
    {L"D:\\Drivers\\Receipt Printer\\v1.2\\Installer.exe", L"D:\\Drivers\\Receipt Printer\\v1.2\\"},
    {L"E:\\Installer.exe", L"E:\\"},
#endif
  };
  for (const auto& c : cases) {
#if NATIVE_ONLY("the test sets the program's own path")
    if (c.module) sim::SetModuleFileName(c.module);
#endif
    InitSetupDirectory();
    EXPECT_EQ(std::wstring(SetupDirectory()), c.directory);
  }
}

}  // namespace
