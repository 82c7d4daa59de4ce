// gdi32 as a recorder: device contexts for the spooler's printers and in
// memory, fonts, bitmaps loaded from the program's resource scripts, and
// every text and bitmap drawn, kept per device context and per print job.
// Fonts, bitmaps and device contexts are handles of the simulated machine,
// so a test sees any that were left undeleted.
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>

#include "program_threads.h"
#include "sim_gdi.h"
#include "world.h"

namespace winsim {
namespace {

struct FontObject : Object {
  explicit FontObject(const LOGFONTW& f) : font(f) {}
  std::string Describe() const override { return "font"; }
  LOGFONTW font;
};

struct BitmapObject : Object {
  std::string Describe() const override { return "bitmap " + std::to_string(resource); }
  int resource = 0, width = 0, height = 0, bits = 0;
};

struct DcObject : Object {
  std::string Describe() const override {
    return printer ? "printer DC " + Narrow(device) : "memory DC";
  }
  bool printer = false;
  std::wstring device;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;
  int job = -1;  // index into the recorded jobs while a document is open
};

// Stock objects are not handles of the machine: they are never deleted.
HGDIOBJ const kStockSystemFont =
    reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(0x7f000000 + SYSTEM_FONT));
HGDIOBJ const kStockBitmap = reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(0x7f000100));

LOGFONTW SystemFont() {
  LOGFONTW font{};
  font.lfHeight = 16;
  font.lfWidth = 7;
  font.lfWeight = FW_BOLD;
  font.lfCharSet = ANSI_CHARSET;
  font.lfPitchAndFamily = 0x22;  // variable pitch, swiss
  std::wcscpy(font.lfFaceName, L"System");
  return font;
}

struct Recorder {
  std::mutex lock;
  SYSTEMTIME now{2026, 1, 4, 1, 0, 0, 0, 0};
  std::vector<sim::DcRequest> requests;
  std::map<HDC, std::vector<sim::Drawing>> drawings;
  std::vector<sim::PrintJob> jobs;
};

Recorder& R() {
  static Recorder recorder;
  return recorder;
}

bool IsFont(HGDIOBJ object) { return object == kStockSystemFont || Find<FontObject>(object); }
bool IsBitmap(HGDIOBJ object) { return object == kStockBitmap || Find<BitmapObject>(object); }

LOGFONTW FontOf(HGDIOBJ object) {
  if (auto* font = Find<FontObject>(object)) return font->font;
  return SystemFont();
}

bool SelectedAnywhere(HGDIOBJ object) {
  // Device contexts are few; a linear look over the machine's handles would
  // need the world's lock, so the recorder keeps no list and asks each DC.
  std::lock_guard<std::mutex> guard(R().lock);
  for (auto& [dc, drawings] : R().drawings) {
    auto* context = Find<DcObject>(dc);
    if (context && (context->font == object || context->bitmap == object)) return true;
  }
  return false;
}

void Record(HDC dc, DcObject* context, const sim::Drawing& drawing, const char* call) {
  std::lock_guard<std::mutex> guard(R().lock);
  R().drawings[dc].push_back(drawing);
  if (context->job >= 0) {
    auto& job = R().jobs[static_cast<size_t>(context->job)];
    job.calls.push_back(call);
    job.drawings.push_back(drawing);
  }
}

HDC NewDc(std::unique_ptr<DcObject> context) {
  auto dc = static_cast<HDC>(AddObject(std::move(context)));
  std::lock_guard<std::mutex> guard(R().lock);
  R().drawings[dc];
  return dc;
}

// A job call on a printer DC with an open document; false (and no record)
// otherwise.
bool JobCall(HDC dc, const char* call, bool opens = false) {
  auto* context = Find<DcObject>(dc);
  if (!context || !context->printer || (context->job < 0) != opens) return false;
  std::lock_guard<std::mutex> guard(R().lock);
  if (!opens) R().jobs[static_cast<size_t>(context->job)].calls.push_back(call);
  return true;
}

}  // namespace

void ResetGdi() {
  std::lock_guard<std::mutex> guard(R().lock);
  R().now = SYSTEMTIME{2026, 1, 4, 1, 0, 0, 0, 0};
  R().requests.clear();
  R().drawings.clear();
  R().jobs.clear();
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void SetLocalTime(const SYSTEMTIME& time) {
  std::lock_guard<std::mutex> guard(R().lock);
  R().now = time;
}

std::vector<DcRequest> DcRequests() {
  std::lock_guard<std::mutex> guard(R().lock);
  return R().requests;
}

std::vector<Drawing> Drawings(HDC dc) {
  std::lock_guard<std::mutex> guard(R().lock);
  auto it = R().drawings.find(dc);
  return it == R().drawings.end() ? std::vector<Drawing>() : it->second;
}

std::vector<PrintJob> PrintJobs() {
  std::lock_guard<std::mutex> guard(R().lock);
  return R().jobs;
}

}  // namespace sim

extern "C" {

void GetLocalTime(LPSYSTEMTIME time) {
  if (!time) return;
  std::lock_guard<std::mutex> guard(R().lock);
  *time = R().now;
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devmode) {
  sim::DcRequest request;
  request.hasDriver = driver != nullptr;
  request.hasPort = port != nullptr;
  request.hasDevmode = devmode != nullptr;
  request.device = TextOrEmpty(device);
  for (const auto& printer : sim::Printers()) request.created |= device && printer.name == device;
  {
    std::lock_guard<std::mutex> guard(R().lock);
    R().requests.push_back(request);
  }
  if (!request.created || Faulted("CreateDCW")) {
    if (!request.created) SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  auto context = std::make_unique<DcObject>();
  context->printer = true;
  context->device = request.device;
  context->font = kStockSystemFont;
  return NewDc(std::move(context));
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !Find<DcObject>(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto context = std::make_unique<DcObject>();
  context->font = kStockSystemFont;
  context->bitmap = kStockBitmap;  // one monochrome pixel, as the platform selects
  return NewDc(std::move(context));
}

BOOL DeleteDC(HDC dc) {
  if (!Find<DcObject>(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return RemoveObject(dc) ? TRUE : FALSE;
}

HBITMAP LoadBitmapW(HINSTANCE, LPCWSTR name) {
  std::string path;
  int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
  if (!IS_INTRESOURCE(name) || !LookupFileResource("BITMAP", id, path)) {
    SetLastError(1814);  // ERROR_RESOURCE_NAME_NOT_FOUND
    return nullptr;
  }
  std::ifstream file(path, std::ios::binary);
  BITMAPFILEHEADER fileHeader{};
  BITMAPINFOHEADER header{};
  file.read(reinterpret_cast<char*>(&fileHeader), sizeof fileHeader);
  file.read(reinterpret_cast<char*>(&header), sizeof header);
  if (!file || fileHeader.bfType != 0x4D42 || header.biSize < sizeof header) {
    SetLastError(1813);  // ERROR_RESOURCE_TYPE_NOT_FOUND: not a bitmap
    return nullptr;
  }
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->resource = id;
  bitmap->width = header.biWidth;
  bitmap->height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  bitmap->bits = header.biBitCount;
  return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

int GetObjectW(HGDIOBJ object, int size, LPVOID out) {
  if (IsFont(object)) {
    if (!out) return sizeof(LOGFONTW);
    if (size < static_cast<int>(sizeof(LOGFONTW))) return 0;
    LOGFONTW font = FontOf(object);
    std::memcpy(out, &font, sizeof font);
    return sizeof font;
  }
  if (IsBitmap(object)) {
    if (!out) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP info{};
    info.bmWidth = info.bmHeight = info.bmBitsPixel = info.bmPlanes = 1;
    if (auto* bitmap = Find<BitmapObject>(object)) {
      info.bmWidth = bitmap->width;
      info.bmHeight = bitmap->height;
      info.bmBitsPixel = static_cast<WORD>(bitmap->bits);
    }
    info.bmWidthBytes = ((info.bmWidth * info.bmBitsPixel + 15) / 16) * 2;
    std::memcpy(out, &info, sizeof info);
    return sizeof info;
  }
  return 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  auto* context = Find<DcObject>(dc);
  if (!context) return nullptr;
  if (IsFont(object)) return std::exchange(context->font, object);
  // A bitmap goes only into a memory context.
  if (IsBitmap(object) && !context->printer) return std::exchange(context->bitmap, object);
  return nullptr;
}

HGDIOBJ GetStockObject(int object) { return object == SYSTEM_FONT ? kStockSystemFont : nullptr; }

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HFONT>(AddObject(std::make_unique<FontObject>(*font)));
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == kStockSystemFont || object == kStockBitmap) return TRUE;
  if (!Find<FontObject>(object) && !Find<BitmapObject>(object)) return FALSE;
  // The platform keeps an object that is still selected into a context.
  if (SelectedAnywhere(object)) return FALSE;
  return RemoveObject(object) ? TRUE : FALSE;
}

int StartDocW(HDC dc, const DOCINFOW* info) {
  auto* context = Find<DcObject>(dc);
  if (!info || !context || !context->printer || context->job >= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  sim::PrintJob job;
  job.printer = context->device;
  job.docInfoSize = info->cbSize;
  job.documentName = TextOrEmpty(info->lpszDocName);
  job.hasOutput = info->lpszOutput != nullptr;
  job.hasDataType = info->lpszDatatype != nullptr;
  job.type = info->fwType;
  job.calls.push_back("StartDoc");
  std::lock_guard<std::mutex> guard(R().lock);
  R().jobs.push_back(job);
  context->job = static_cast<int>(R().jobs.size() - 1);
  return context->job + 1;
}

int StartPage(HDC dc) { return JobCall(dc, "StartPage") ? 1 : SP_ERROR; }
int EndPage(HDC dc) { return JobCall(dc, "EndPage") ? 1 : SP_ERROR; }

int EndDoc(HDC dc) {
  if (!JobCall(dc, "EndDoc")) return SP_ERROR;
  Find<DcObject>(dc)->job = -1;
  return 1;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  auto* context = Find<DcObject>(dc);
  if (!context || !text || !rect) return 0;
  sim::Drawing drawing;
  drawing.kind = sim::Drawing::Kind::kText;
  drawing.text = count < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(count));
  drawing.rect = *rect;
  drawing.format = format;
  drawing.font = FontOf(context->font);
  Record(dc, context, drawing, "DrawText");
  int lines = 1;
  for (wchar_t c : drawing.text) lines += c == L'\n';
  LONG height = drawing.font.lfHeight < 0 ? -drawing.font.lfHeight : drawing.font.lfHeight;
  return lines * static_cast<int>(height ? height : 16);
}

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  auto* context = Find<DcObject>(dc);
  auto* from = Find<DcObject>(source);
  if (!context || (rop == SRCCOPY && !from)) return FALSE;
  sim::Drawing drawing;
  drawing.kind = sim::Drawing::Kind::kBlit;
  drawing.x = x;
  drawing.y = y;
  drawing.width = width;
  drawing.height = height;
  drawing.sourceX = sourceX;
  drawing.sourceY = sourceY;
  drawing.rop = rop;
  if (auto* bitmap = from ? Find<BitmapObject>(from->bitmap) : nullptr) {
    drawing.bitmapResource = bitmap->resource;
    drawing.bitmapWidth = bitmap->width;
    drawing.bitmapHeight = bitmap->height;
    drawing.bitmapBits = bitmap->bits;
  }
  Record(dc, context, drawing, "BitBlt");
  return TRUE;
}

}  // extern "C"
