// The setup dialog: one dialog procedure and one state record, handed in
// through DialogBoxParamW and kept in the dialog's DWLP_USER slot. The work
// behind each control lives in plain functions (install_flow.h,
// port_select.h, wizard.h).
#pragma once

#include <windows.h>

#include "port_list.h"

struct DialogState {
  PortLists ports;
  HANDLE discoveryThread = nullptr;
};

// Every message it handles returns 0 (but the network discovery's own, see
// network_discovery.h), so the dialog manager also does its
// default processing (the close box thereby becomes the Exit command).
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
