// The setup program (see program.h).
#include "program.h"

#include <commctrl.h>

#include "dialog.h"
#include "resource.h"
#include "resource_text.h"
#include "setup_directory.h"

int RunSetupProgram(HINSTANCE instance) {
  SetResourceInstance(instance);
  InitSetupDirectory();
  // The address control's window class comes with the common controls.
  INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);
  DialogState state;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr, SetupDialogProc,
                  reinterpret_cast<LPARAM>(&state));
  return 0;
}
