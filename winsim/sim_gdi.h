// Test control of winsim's GDI recorder: device contexts created, what was
// drawn on each, and the print jobs a printer device context started; and
// the local time GetLocalTime reports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

void SetLocalTime(const SYSTEMTIME& time);

struct DcRequest {
  bool hasDriver = false, hasPort = false, hasDevmode = false;
  std::wstring device;
  bool created = false;  // a printer of that name exists
};
std::vector<DcRequest> DcRequests();

struct Drawing {
  enum class Kind { kText, kBlit } kind = Kind::kText;
  // Text: DrawTextW's text (count characters, or up to the NUL for -1), its
  // rectangle and format, and the font selected into the context then.
  std::wstring text;
  RECT rect{};
  UINT format = 0;
  LOGFONTW font{};
  // Blit: the destination rectangle, the source position and raster
  // operation, and the bitmap selected into the source context.
  int x = 0, y = 0, width = 0, height = 0, sourceX = 0, sourceY = 0;
  DWORD rop = 0;
  int bitmapResource = 0;  // the resource it was loaded from (0: none)
  int bitmapWidth = 0, bitmapHeight = 0, bitmapBits = 0;
};
// Everything drawn on a device context, also after it was deleted.
std::vector<Drawing> Drawings(HDC dc);

struct PrintJob {
  std::wstring printer;
  int docInfoSize = 0;
  std::wstring documentName;
  bool hasOutput = false, hasDataType = false;
  DWORD type = 0;
  // "StartDoc", "StartPage", "EndPage", "EndDoc" and, between them, "DrawText"
  // and "BitBlt", in order.
  std::vector<std::string> calls;
  std::vector<Drawing> drawings;  // of the whole job
};
std::vector<PrintJob> PrintJobs();

}  // namespace sim
