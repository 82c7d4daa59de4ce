// The test page (see test_page.h).
#include "test_page.h"

#include "resource.h"
#include "resource_text.h"
#include "scoped_handle.h"
#include "wide_format.h"

namespace {

constexpr size_t kTextChars = 1024;
constexpr RECT kTextRect = {10, 10, 400, 500};
constexpr int kLogoX = 30;
constexpr int kLogoY = 20;
constexpr LONG kFontWeight = 580;

// Selects an object into a context for the life of this, then puts back
// what was there (an object must leave its context before it is deleted).
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;
  ~ScopedSelection() {
    if (previous_) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The stock system font, twice as tall, at its natural width, semi-bold.
HFONT CreateTestPageFont() {
  LOGFONTW font = {};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
  font.lfWidth = 0;
  font.lfWeight = kFontWeight;
  font.lfHeight *= 2;
  return CreateFontIndirectW(&font);
}

void DrawGreeting(HDC dc, const WCHAR* printerName, const SYSTEMTIME& time) {
  WCHAR format[kTextChars];
  WCHAR text[kTextChars];
  LoadResourceText(IDS_TEST_PAGE, format);
  FormatText(text, format, printerName, static_cast<int>(time.wYear), static_cast<int>(time.wMonth),
             static_cast<int>(time.wDay), static_cast<int>(time.wHour),
             static_cast<int>(time.wMinute), static_cast<int>(time.wSecond));
  RECT rect = kTextRect;
  DrawTextW(dc, text, -1, &rect, DT_NOCLIP);
}

void DrawLogo(HDC dc) {
  ScopedGdiObject logo(LoadBitmapW(GetResourceInstance(), MAKEINTRESOURCEW(IDB_LOGO)));
  ScopedDc memory(CreateCompatibleDC(dc));
  if (!logo.IsValid() || !memory.IsValid()) return;
  BITMAP size = {};
  GetObjectW(logo.Get(), sizeof size, &size);
  ScopedSelection selected(memory.Get(), logo.Get());
  BitBlt(dc, kLogoX, kLogoY, size.bmWidth, size.bmHeight, memory.Get(), 0, 0, SRCCOPY);
}

}  // namespace

void DrawTestPage(HDC dc, const WCHAR* printerName, const SYSTEMTIME& time) {
  {
    ScopedGdiObject font(CreateTestPageFont());
    ScopedSelection selected(dc, font.Get());
    DrawGreeting(dc, printerName, time);
  }
  DrawLogo(dc);
}

BOOL PrintTestPage(const WCHAR* printerName) {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  ScopedDc printer(CreateDCW(nullptr, printerName, nullptr, nullptr));
  if (!printer.IsValid()) return 1;
  DOCINFOW document = {};
  document.cbSize = sizeof document;
  document.lpszDocName = printerName;
  // Failures of the job calls leave nothing to undo: the page is a courtesy.
  StartDocW(printer.Get(), &document);
  StartPage(printer.Get());
  DrawTestPage(printer.Get(), printerName, now);
  EndPage(printer.Get());
  EndDoc(printer.Get());
  return 1;
}
