// The setup dialog (see dialog.h).
#include "dialog.h"

#include <type_traits>

#include "install_flow.h"
#include "install_request.h"
#include "network_discovery.h"
#include "port_select.h"
#include "resource.h"
#include "scoped_handle.h"
#include "texts.h"
#include "wizard.h"

namespace {

void OnInitDialog(HWND dialog, DialogState& state) {
  CheckRadioButton(dialog, IDC_DEFAULT_NO, IDC_DEFAULT_YES, IDC_DEFAULT_NO);
  CheckRadioButton(dialog, IDC_USB, IDC_NET, IDC_USB);
  CheckRadioButton(dialog, IDC_BAUD_9600, IDC_BAUD_115200, IDC_BAUD_9600);
  state.discoveryThread = StartNetworkDiscovery(dialog, state.ports);
  ShowPortList(dialog, state.ports, IDC_USB);
  SetWindowTextW(dialog, texts::kWindowTitle);
  bool selected = false;
  for (size_t row = 0; row < kModelCount; ++row) {
    int id = IDC_MODEL_FIRST + static_cast<int>(row);
    const WCHAR* name = kModelTable[row].modelName;
    ShowWindow(GetDlgItem(dialog, id), name ? SW_SHOW : SW_HIDE);
    SetDlgItemTextW(dialog, id, name ? name : L"");
    if (name && !selected) {
      CheckRadioButton(dialog, IDC_MODEL_FIRST, IDC_MODEL_LAST, id);
      selected = true;
    }
  }
}

void OnCommand(HWND dialog, DialogState& state, int id, WORD code, HWND control) {
  switch (id) {
    case IDC_INSTALL:
      RunInstallFlow(dialog);
      break;
    case IDC_EXIT:
      EndDialog(dialog, IDC_EXIT);
      break;
    case IDC_WIZARD:
      StartWizard(dialog);
      break;
    case IDC_USB:
    case IDC_COM:
    case IDC_LPT:
    case IDC_NET:
      // Every click counts, also on the connection already chosen: it
      // searches again (a printer plugged in meanwhile shows up).
      ShowPortList(dialog, state.ports, id);
      break;
    case IDC_PORT_LIST:
      HandlePortListNotification(dialog, code, control);
      break;
    default:
      break;
  }
}

void OnDestroy(DialogState& state) {
  state.ports.usb.Clear();
  {
    std::lock_guard<std::mutex> guard(state.ports.foundLock);
    state.ports.found.Clear();
  }
  state.ports.wired.Clear();
  // The broadcast thread itself runs on until the process ends.
  ScopedKernelHandle thread(state.discoveryThread);
  state.discoveryThread = nullptr;
  PostQuitMessage(0);
}

// The dialog manager calls it through DLGPROC, CALLBACK on 32-bit Windows.
static_assert(std::is_same_v<decltype(&SetupDialogProc), DLGPROC>);

}  // namespace

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    OnInitDialog(dialog, *reinterpret_cast<DialogState*>(lParam));
    return 0;  // the dialog manager leaves the focus alone
  }
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!state) return 0;
  switch (message) {
    case WM_COMMAND:
      OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(dialog, &paint);
      EndPaint(dialog, &paint);
      break;
    }
    case WM_DESTROY:
      OnDestroy(*state);
      break;
    default:
      // The discovery's own messages are not the dialog manager's.
      if (HandleDiscoveryMessage(dialog, state->ports, message, wParam, lParam)) return TRUE;
      break;
  }
  return 0;
}
