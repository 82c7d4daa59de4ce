// Finding network printers while the dialog is open. StartNetworkDiscovery
// binds a UDP socket to each local IPv4 address, with a receive thread per
// socket, and starts one broadcast thread that sends the query from every
// socket about every four seconds.
//
// None of those threads touches the found-printer list: they send the dialog
// the messages below, and the dialog procedure hands them to
// HandleDiscoveryMessage, so every change and every reading of the list runs
// on the dialog thread. A thread that outlives the dialog only sends to a
// window that is gone, which does nothing.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>

#include "port_list.h"

// The broadcast thread's notice that the number of printers found changed.
// The dialog does nothing with it: the list box changes only when a printer
// is added or NET is chosen again, so it keeps its lines when printers go.
inline constexpr UINT kDiscoveryCountChangedMessage = WM_USER + 1;
// A reply, from a receive thread: wParam is its length, lParam points at it.
inline constexpr UINT kDiscoveryReplyMessage = WM_USER + 2;
// From the broadcast thread, just before each query: empty the list.
inline constexpr UINT kDiscoveryEmptyMessage = WM_APP + 1;
// From the broadcast thread, a second after each query: lParam points at a
// LONG that receives the number of printers found.
inline constexpr UINT kDiscoveryCountMessage = WM_APP + 2;

// Starts looking for printers and returns at once. Returns the broadcast
// thread's handle for the dialog to close at its end (null when no thread
// was started). The sockets and receive threads stay until the program ends.
HANDLE StartNetworkDiscovery(HWND dialog, PortLists& lists);

// The dialog procedure's part in the discovery: handles the four messages
// above and returns true for them (the dialog manager must not take WM_USER
// + 1 and + 2 for its own DM_SETDEFID and DM_REPOSITION); false for any
// other message.
bool HandleDiscoveryMessage(HWND dialog, PortLists& lists, UINT message, WPARAM wParam,
                            LPARAM lParam);

// A reply on the dialog thread. Only a well-formed reply counts (see
// discovery_protocol.h); it adds the printer's address to the found-printer
// list unless it is there already, and refreshes the list box when NET is
// chosen.
void HandleDiscoveryReply(HWND dialog, PortLists& lists, const BYTE* datagram, size_t length);
