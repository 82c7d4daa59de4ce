/* The stand-in for the universal driver's user-interface library. When a queue
 * is added, the spooler asks the driver's configuration library for its
 * document settings and device capabilities; Wine calls the two documented
 * entry points without checking that they exist. The stand-in has both, and
 * each answers that it cannot serve, so the spooler goes on with its defaults. */
#include <windows.h>

/* ERR_CPSUI_GETLASTERROR: no property sheets, no document settings. */
__declspec(dllexport) LONG APIENTRY
    DrvDocumentPropertySheets(void* propertySheetInfo, LPARAM lParam) {
  (void)propertySheetInfo;
  (void)lParam;
  return -1;
}

/* GDI_ERROR: no capability is known. */
__declspec(dllexport) DWORD APIENTRY
    DrvDeviceCapabilities(HANDLE printer, PWSTR deviceName, WORD capability, PVOID output,
                          DEVMODEW* devmode) {
  (void)printer;
  (void)deviceName;
  (void)capability;
  (void)output;
  (void)devmode;
  return GDI_ERROR;
}
