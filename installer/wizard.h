// The fallback: the platform's add-printer wizard on the chosen model's INF.
#pragma once

#include <windows.h>

// The wizard's command line for the selected model (the setup directory
// alone when no model is selected).
void FormatWizardCommand(HWND dialog, WCHAR (&commandLine)[1024]);

// Starts the wizard and returns at once; a failure to start it is silent.
void StartWizard(HWND dialog);
