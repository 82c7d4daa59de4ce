// gdi32 drawing: printer and memory device contexts, fonts, bitmaps from the
// program's resources, text and bitmap copies, and the print job calls.
// What the setup program's test page draws with; winsim records it all.
#pragma once

#include "winsim/base_types.h"
#include "winsim/devmode.h"
#include "winsim/gdi.h"

using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;

#define LF_FACESIZE 32

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTW;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
};
using DOCINFO = DOCINFOW;

#define SYSTEM_FONT 13
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_NOCLIP 0x00000100
#define SRCCOPY 0x00CC0020u
#define SP_ERROR (-1)

extern "C" {
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* devmode);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);
int GetObjectW(HGDIOBJ object, int size, LPVOID out);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetStockObject(int object);
HFONT CreateFontIndirectW(const LOGFONTW* font);
BOOL DeleteObject(HGDIOBJ object);
int StartDocW(HDC dc, const DOCINFOW* info);
int StartPage(HDC dc);
int EndPage(HDC dc);
int EndDoc(HDC dc);
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
}

#define CreateDC CreateDCW
#define LoadBitmap LoadBitmapW
#define GetObject GetObjectW
#define CreateFontIndirect CreateFontIndirectW
#define StartDoc StartDocW
#define DrawText DrawTextW
