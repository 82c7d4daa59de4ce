// Finding network printers while the dialog is open: the dialog starts the
// discovery once and hands it every reply a receive thread passes over.
#pragma once

#include <windows.h>

#include "port_list.h"

// Sent (synchronously) by a receive thread; lParam points at the datagram.
inline constexpr UINT kDiscoveryReplyMessage = WM_USER + 2;

// Starts looking for printers and returns at once. Returns the broadcast
// thread's handle for the dialog to close at its end (null when no thread
// was started).
HANDLE StartNetworkDiscovery(HWND dialog, PortLists& lists);

// A reply handed over by a receive thread, on the dialog thread.
void HandleDiscoveryReply(HWND dialog, PortLists& lists, const BYTE* datagram);
