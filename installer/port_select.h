// The dialog's port list: what it offers for each connection, and how it
// reacts when the user picks a line.
#pragma once

#include <windows.h>

#include "port_list.h"

// Rebuilds the list for the connection radio button `id` (IDC_USB to
// IDC_NET) and shows it; the baud-rate controls are shown only for COM, the
// address control is enabled only for NET (and reset to 0.0.0.0 otherwise).
void ShowPortList(HWND dialog, PortLists& lists, int id);

// Puts a list into the list box (header line, then the entries in the order
// they were found, line 1 selected), or shows the not-detected text in place
// of the list box when the list is empty.
void FillPortListBox(HWND dialog, const PortEntry* head, const WCHAR* label);

// Reacts to a list box notification: the header line is never left
// selected, a NET line fills the address control, a double click on a COM
// line opens that port's configuration dialog.
void HandlePortListNotification(HWND dialog, WORD code, HWND list);

// The text of a list box line, or false when there is no such line or it
// has `capacity` characters or more.
bool ReadListLine(HWND list, int index, WCHAR* out, size_t capacity);
