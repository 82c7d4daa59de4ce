// The install flow (see install_flow.h).
#include "install_flow.h"

#include <commctrl.h>
#include <winspool.h>

#include "package_install.h"
#include "port_select.h"
#include "prepare_port.h"
#include "resource.h"
#include "resource_text.h"
#include "test_page.h"
#include "wide_format.h"

namespace {

constexpr size_t kFailureChars = 250;
constexpr int kPushButtons[] = {IDC_INSTALL, IDC_WIZARD, IDC_EXIT};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

DWORD ReadBaudRate(HWND dialog) {
  if (Checked(dialog, IDC_BAUD_9600)) return 9600;
  if (Checked(dialog, IDC_BAUD_19200)) return 19200;
  if (Checked(dialog, IDC_BAUD_38400)) return 38400;
  if (Checked(dialog, IDC_BAUD_115200)) return 115200;
  return 9600;
}

WORD ReadConnectionKind(HWND dialog) {
  if (Checked(dialog, IDC_USB)) return kConnectionUsb;
  if (Checked(dialog, IDC_COM)) return kConnectionCom;
  if (Checked(dialog, IDC_LPT)) return kConnectionLpt;
  if (Checked(dialog, IDC_NET)) return kConnectionNet;
  return kConnectionNone;
}

void ReadModel(HWND dialog, InstallRequest& request) {
  for (size_t row = 0; row < kModelCount; ++row) {
    const ModelRow& model = kModelTable[row];
    if (!model.modelName || !Checked(dialog, IDC_MODEL_FIRST + static_cast<int>(row))) continue;
    CopyText(request.driverName, model.modelName);
    CopyText(request.printerName, model.modelName);
    request.dataFile = model.dataFile;
    return;
  }
}

void EnablePushButtons(HWND dialog, bool enable) {
  for (int id : kPushButtons) EnableWindow(GetDlgItem(dialog, id), enable);
}

void ShowFailure(HWND dialog, DWORD error) {
  WCHAR format[1024], text[kFailureChars];
  LoadResourceText(IDS_INSTALL_FAILED, format);
  FormatText(text, format, error);
  MessageBoxW(dialog, text, L"", MB_ICONERROR | MB_OK);
}

}  // namespace

InstallChoices ReadInstallChoices(HWND dialog) {
  InstallChoices choices = {};
  choices.baudRate = ReadBaudRate(dialog);
  choices.request.connectionKind = ReadConnectionKind(dialog);
  HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
  auto index = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  choices.hasPortLine = ReadListLine(list, index, choices.request.portName, kNameChars);
  SendDlgItemMessageW(dialog, IDC_ADDRESS, IPM_GETADDRESS, 0,
                      reinterpret_cast<LPARAM>(&choices.address));
  ReadModel(dialog, choices.request);
  return choices;
}

bool ChoicesAreComplete(const InstallChoices& choices) {
  return choices.request.connectionKind == kConnectionNet ? choices.address != 0
                                                          : choices.hasPortLine;
}

void RunInstallFlow(HWND dialog) {
  InstallChoices choices = ReadInstallChoices(dialog);
  if (!ChoicesAreComplete(choices)) {
    ShowResourceMessage(dialog, IDS_NO_PORT_SELECTED, MB_ICONERROR | MB_OK);
    return;
  }
  InstallRequest& request = choices.request;
  EnablePushButtons(dialog, false);
  PreparePort(dialog, request, choices.baudRate, choices.address);
  if (InstallDriverAndPrinter(request)) {
    if (Checked(dialog, IDC_DEFAULT_YES)) SetDefaultPrinterW(request.printerName);
    if (ShowResourceMessage(dialog, IDS_INSTALL_SUCCEEDED, MB_ICONQUESTION | MB_YESNO) == IDYES) {
      PrintTestPage(request.printerName);
    }
  } else {
    ShowFailure(dialog, GetLastError());
  }
  EnablePushButtons(dialog, true);
}
