// kernel32 threads and the local clock: what the setup program's network
// discovery and its test page need.
#pragma once

#include "winsim/base_types.h"

struct SECURITY_ATTRIBUTES;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;

extern "C" {
// A thread of the simulated program. Its Sleep calls really wait (the
// virtual clock belongs to the test's own thread), and it ends at its next
// call into the platform once the test ends the program's threads.
HANDLE CreateThread(SECURITY_ATTRIBUTES* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
// A number of its own for every thread, never 0.
DWORD GetCurrentThreadId();
// Threads only.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
void GetLocalTime(LPSYSTEMTIME time);
}
