// The test page: what PrintTestPage prints, in each language, and
// DrawTestPage on a context that is not a printer's.
#include <windows.h>
// After windows.h, which it needs.
#include <winspool.h>

#include <cstring>

#include "installer_fixture.h"
#include "resource.h"
#include "test_page.h"

#if NATIVE_ONLY("winsim's GDI recorder reads back what was drawn")
#include "sim.h"
#include "sim_gdi.h"

namespace {

using TestPageTest = DialogTest;  // the program's resources loaded

constexpr wchar_t kQueue[] = L"BRINDOL-80(Copy 1)";
constexpr SYSTEMTIME kExampleTime = {2026, 3, 5, 6, 9, 5, 7, 250};

struct Language {
  const char* name;
  LANGID ui;
  const wchar_t* text;  // as printed for kQueue at kExampleTime
};

const Language kLanguages[] = {
    {"English", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
     L"                .  \n\n\n\nCongratulations !\nIf you can read this\ninformation you "
     L"have\nsucceed intall this\n"
     L"printer driver !\n\nPrinter Name :\n  BRINDOL-80(Copy 1)\n\n2026-03-06 09:05:07\n**Test "
     L"page end**\n\n\""},
    {"Chinese Simplified", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
     L"                .  \n\n\n\n恭喜 "
     L"!\n如果您看到这个信息，\n说明打印机驱动已经\n正确安装!\n\n打印机名称:\n"
     L"  BRINDOL-80(Copy 1)\n\n2026-03-06 09:05:07\n**测试页结束**\n\n\""},
    {"Chinese Traditional", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL),
     L"                .  \n\n\n\n恭喜 "
     L"!\n如果您看到這個信息，\n説明列印機驅動已\n正確安裝!\n\n列印機名稱:\n"
     L"  BRINDOL-80(Copy 1)\n\n2026-03-06 09:05:07\n**測試頁結束**\n\n\""},
};

// The text, then the logo over its first lines, in device units.
void ExpectPage(const std::vector<sim::Drawing>& drawings, const wchar_t* text) {
  ASSERT_EQ(drawings.size(), 2u);
  const sim::Drawing& words = drawings[0];
  ASSERT_EQ(words.kind, sim::Drawing::Kind::kText);
  EXPECT_EQ(words.text, text);
  EXPECT_EQ(words.rect.left, 10);
  EXPECT_EQ(words.rect.top, 10);
  EXPECT_EQ(words.rect.right, 400);
  EXPECT_EQ(words.rect.bottom, 500);
  EXPECT_EQ(words.format, static_cast<UINT>(DT_NOCLIP));
  // The stock system font, twice as tall, natural width, weight 580.
  LOGFONTW stock = {};
  ASSERT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof stock, &stock),
            static_cast<int>(sizeof stock));
  LOGFONTW expected = stock;
  expected.lfHeight = stock.lfHeight * 2;
  expected.lfWidth = 0;
  expected.lfWeight = 580;
  EXPECT_EQ(std::memcmp(&words.font, &expected, sizeof expected), 0)
      << "height " << words.font.lfHeight << ", width " << words.font.lfWidth << ", weight "
      << words.font.lfWeight;
  const sim::Drawing& logo = drawings[1];
  ASSERT_EQ(logo.kind, sim::Drawing::Kind::kBlit);
  EXPECT_EQ(logo.bitmapResource, IDB_LOGO);
  EXPECT_EQ(logo.bitmapBits, 1);
  EXPECT_EQ(logo.x - words.rect.left, 20);
  EXPECT_EQ(logo.y - words.rect.top, 10);
  EXPECT_EQ(logo.width, 308);
  EXPECT_EQ(logo.height, 87);
  EXPECT_EQ(logo.bitmapWidth, 308);
  EXPECT_EQ(logo.bitmapHeight, 87);
  EXPECT_EQ(logo.sourceX, 0);
  EXPECT_EQ(logo.sourceY, 0);
  EXPECT_EQ(logo.rop, SRCCOPY);
}

TEST_F(TestPageTest, PrintsOneJobNamedAfterTheQueueInEachLanguage) {
  for (const auto& language : kLanguages) {
    SCOPED_TRACE(language.name);
    ResetMachine();
    sim::SetUiLanguage(language.ui);
    sim::AddPrinter(kQueue, L"10.0.0.7_9100", L"BRINDOL-80");
    sim::SetLocalTime(kExampleTime);
    EXPECT_EQ(PrintTestPage(kQueue), 1);
    auto requests = sim::DcRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].device, kQueue);
    EXPECT_FALSE(requests[0].hasDriver || requests[0].hasPort || requests[0].hasDevmode);
    auto jobs = sim::PrintJobs();
    ASSERT_EQ(jobs.size(), 1u);
    const sim::PrintJob& job = jobs[0];
    EXPECT_EQ(job.printer, kQueue);
    EXPECT_EQ(job.documentName, kQueue);
    EXPECT_EQ(job.docInfoSize, static_cast<int>(sizeof(DOCINFOW)));
    EXPECT_FALSE(job.hasOutput || job.hasDataType);
    EXPECT_EQ(job.type, 0u);
    EXPECT_EQ(job.calls, (std::vector<std::string>{"StartDoc", "StartPage", "DrawText", "BitBlt",
                                                   "EndPage", "EndDoc"}));
    ExpectPage(job.drawings, language.text);
    // Every font, bitmap and context is gone again (the fixture checks too).
    EXPECT_TRUE(sim::OpenHandles().empty());
  }
}

TEST_F(TestPageTest, AQueueThatCannotBeOpenedPrintsNothing) {
  EXPECT_EQ(PrintTestPage(L"No such queue"), 1);
  ASSERT_EQ(sim::DcRequests().size(), 1u);
  EXPECT_TRUE(sim::PrintJobs().empty());
}

TEST_F(TestPageTest, DrawsOnAnyContextAndLeavesItsFont) {
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ before = SelectObject(memory, GetStockObject(SYSTEM_FONT));
  DrawTestPage(memory, kQueue, kExampleTime);
  ExpectPage(sim::Drawings(memory), kLanguages[0].text);
  EXPECT_EQ(SelectObject(memory, before), GetStockObject(SYSTEM_FONT));
  DeleteDC(memory);
  EXPECT_TRUE(sim::PrintJobs().empty());
}

}  // namespace
#endif
