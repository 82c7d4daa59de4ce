// The wizard fallback (see wizard.h).
#include "wizard.h"

#include "install_request.h"
#include "resource.h"
#include "scoped_handle.h"
#include "setup_directory.h"
#include "texts.h"
#include "wide_format.h"

void FormatWizardCommand(HWND dialog, WCHAR (&commandLine)[1024]) {
  const WCHAR* inf = L"";
  for (size_t row = 0; row < kModelCount; ++row) {
    const ModelRow& model = kModelTable[row];
    if (model.modelName && model.wizardInf &&
        IsDlgButtonChecked(dialog, IDC_MODEL_FIRST + static_cast<int>(row)) == BST_CHECKED) {
      inf = model.wizardInf;
      break;
    }
  }
  FormatText(commandLine, texts::kWizardCommandFormat, SetupDirectory(), inf);
}

void StartWizard(HWND dialog) {
  WCHAR commandLine[1024] = {};
  FormatWizardCommand(dialog, commandLine);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return;
  // Not waited for: both handles go at once.
  ScopedKernelHandle processHandle(process.hProcess);
  ScopedKernelHandle threadHandle(process.hThread);
}
