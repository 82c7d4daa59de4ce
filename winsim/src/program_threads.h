// Internals of winsim's program threads (threads.cpp), shared with the
// pieces that block or send on their behalf: sockets and cross-thread
// messages.
#pragma once

#include <windows.h>

namespace winsim {

// Thrown inside a program thread at its next platform call once the test
// ends the program's threads; the thread's start routine unwinds and the
// thread ends.
struct ThreadEnd {};

// Whether the calling thread was started with CreateThread.
bool IsProgramThread();
bool ThreadsEnding();
// On a program thread whose end was asked for: throws ThreadEnd.
void CheckThreadEnd();
// Sleep on a program thread: real time, cut short by the end of the threads.
void ProgramThreadSleep(DWORD milliseconds);

// Messages sent by program threads (thread_messages.cpp).
LRESULT SendFromProgramThread(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// On the test's thread: delivers every message program threads are waiting on.
void DeliverSentMessages();
// A window was destroyed: its waiting senders get 0.
void ReleaseSendersTo(HWND window);

// Sockets (winsock.cpp): closes every socket, forgets the configuration.
void ResetSockets();
// Adapters (adapters.cpp) and the GDI recorder (gdi_recorder.cpp).
void ResetAdapters();
void ResetGdi();

}  // namespace winsim
