// kernel32 core: thread last error, debug output, interlocked counts, module
// loading. What the image core and the plug-in need.
#pragma once

#include "winsim/base_types.h"

extern "C" {
void SetLastError(DWORD error);
DWORD GetLastError();
void OutputDebugStringA(LPCSTR text);
void OutputDebugStringW(LPCWSTR text);
LONG InterlockedIncrement(LONG volatile* value);
LONG InterlockedDecrement(LONG volatile* value);
LONG InterlockedExchange(LONG volatile* target, LONG value);
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);

// Modules are shared objects; LoadLibrary takes their file path.
HMODULE LoadLibraryA(LPCSTR path);
HMODULE LoadLibraryW(LPCWSTR path);
using FARPROC = void (*)();
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// The program itself (null name) and the system libraries the stand-in plays
// (kernel32.dll, gdi32.dll, ...) are one module: the program, which carries
// winsim, so GetProcAddress finds their functions in it. Other names are
// looked up among the loaded shared objects.
HMODULE GetModuleHandleA(LPCSTR name);
}

#ifdef UNICODE
#define LoadLibrary LoadLibraryW
#define OutputDebugString OutputDebugStringW
#else
#define LoadLibrary LoadLibraryA
#define OutputDebugString OutputDebugStringA
#endif
