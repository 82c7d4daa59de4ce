// The dialog's port list (see port_select.h).
#include "port_select.h"

#include <commctrl.h>
#include <winspool.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "resource.h"
#include "resource_text.h"
#include "texts.h"
#include "usb_ports.h"
#include "wide_format.h"
#include "wired_ports.h"

namespace {

constexpr size_t kLineChars = 260;
constexpr int kBaudControls[] = {IDC_BAUD_GROUP, IDC_BAUD_9600, IDC_BAUD_19200, IDC_BAUD_38400,
                                 IDC_BAUD_115200};

void ShowBaudRates(HWND dialog, bool show) {
  for (int id : kBaudControls) ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE);
}

void ShowNotDetected(HWND dialog, const WCHAR* label) {
  WCHAR format[kLineChars], text[kLineChars];
  LoadResourceText(IDS_PORT_NOT_DETECTED, format);
  FormatText(text, format, label);
  ShowWindow(GetDlgItem(dialog, IDC_PORT_LIST), SW_HIDE);
  SetDlgItemTextW(dialog, IDC_NOT_DETECTED, text);
  ShowWindow(GetDlgItem(dialog, IDC_NOT_DETECTED), SW_SHOW);
}

}  // namespace

void FillPortListBox(HWND dialog, const PortEntry* head, const WCHAR* label) {
  if (!head) {
    ShowNotDetected(dialog, label);
    return;
  }
  HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
  ShowWindow(list, SW_SHOW);
  ShowWindow(GetDlgItem(dialog, IDC_NOT_DETECTED), SW_HIDE);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  WCHAR format[kLineChars], header[kLineChars];
  LoadResourceText(IDS_SELECT_PORT, format);
  FormatText(header, format, label);
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(header));
  // Each entry goes in at line 1: the list holds them newest first, so the
  // lines end up in the order the ports were found.
  for (const PortEntry* entry = head; entry; entry = entry->next) {
    SendMessageW(list, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(entry->portName));
  }
  SendMessageW(list, LB_SETCURSEL, 1, 0);
}

void ShowPortList(HWND dialog, PortLists& lists, int id) {
  ShowBaudRates(dialog, false);
  SendDlgItemMessageW(dialog, IDC_PORT_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  HWND address = GetDlgItem(dialog, IDC_ADDRESS);
  EnableWindow(address, id == IDC_NET);
  if (id != IDC_NET) PostMessageW(address, IPM_SETADDRESS, 0, 0);
  switch (id) {
    case IDC_USB:
      DiscoverUsbPorts(lists.usb);
      FillPortListBox(dialog, lists.usb.Head(), texts::kLabelUsb);
      break;
    case IDC_COM:
      CollectSerialPorts(lists.wired);
      FillPortListBox(dialog, lists.wired.Head(), texts::kLabelCom);
      ShowBaudRates(dialog, true);
      break;
    case IDC_LPT:
      CollectParallelPorts(lists.wired);
      FillPortListBox(dialog, lists.wired.Head(), texts::kLabelLpt);
      break;
    case IDC_NET: {
      std::lock_guard<std::mutex> guard(lists.foundLock);
      FillPortListBox(dialog, lists.found.Head(), texts::kLabelNet);
      break;
    }
    default:
      break;
  }
}

bool ReadListLine(HWND list, int index, WCHAR* out, size_t capacity) {
  if (index < 0) return false;
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0 || static_cast<size_t>(length) >= capacity) return false;
  // The list box writes the whole line: the buffer is sized by the line.
  std::vector<WCHAR> line(static_cast<size_t>(length) + 1);
  if (SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(line.data())) < 0) {
    return false;
  }
  CopyText(out, capacity, line.data());
  return true;
}

void HandlePortListNotification(HWND dialog, WORD code, HWND list) {
  if (code != LBN_SELCHANGE && code != LBN_DBLCLK) return;
  auto index = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  WCHAR line[kLineChars] = {};
  if (!ReadListLine(list, index, line, kLineChars)) return;
  if (index == 0) {
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    return;
  }
  if (IsDlgButtonChecked(dialog, IDC_NET) == BST_CHECKED) {
    int octets[4] = {};
    std::swscanf(line, L"%d.%d.%d.%d", &octets[0], &octets[1], &octets[2], &octets[3]);
    PostMessageW(
        GetDlgItem(dialog, IDC_ADDRESS), IPM_SETADDRESS, 0,
        MAKEIPADDRESS(octets[0] & 0xff, octets[1] & 0xff, octets[2] & 0xff, octets[3] & 0xff));
    return;
  }
  if (code == LBN_DBLCLK && IsDlgButtonChecked(dialog, IDC_COM) == BST_CHECKED) {
    ConfigurePortW(nullptr, dialog, line);
  }
}
