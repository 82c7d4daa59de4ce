// Control surface of winsim for the setup program's tests: the simulated
// machine (files, registry, spooler, services, devices, serial ports,
// processes, clock) and the simulated user (dialogs, clicks, message boxes).
// Everything is in memory except files, which live under a temporary folder;
// ResetWorld() gives every test a fresh machine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <setupapi.h>
#include <windows.h>

#include "machine_records.h"

namespace sim {

// Forgets the whole simulated machine and clears the debug output. The
// Spooler service is running, the native architecture is AMD64, the UI
// language is English (9), nothing fails.
void ResetWorld();

// UTF-8 of a wide text, as debug output records it.
std::string Utf8(const std::wstring& text);

// ---- Faults: the next `count` calls of `function` (e.g. "CopyFileW") after
// skipping `skip` calls fail with `error`.
void FailCall(const std::string& function, DWORD error, int skip = 0, int count = 1);

// ---- Files. Windows paths "X:\\a\\b" live under a per-process temporary
// folder; names are matched without regard to case, as on the platform.
std::string HostPath(const std::wstring& windowsPath);
void WriteFile(const std::wstring& path, const std::string& content);
bool FileExists(const std::wstring& path);
std::string ReadFile(const std::wstring& path);
void SetModuleFileName(const std::wstring& path);

// ---- System.
void SetNativeArchitecture(WORD architecture);
// Total of all Sleep calls, and each call in order.
ULONGLONG SleptMilliseconds();
std::vector<DWORD> Sleeps();
// Handles of any kind (files, printers, keys, services, device sets,
// processes) that are open now, described one per entry.
std::vector<std::string> OpenHandles();

// ---- Registry.
void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::wstring& value);
void SetRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void SetRegistryBinary(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::vector<BYTE>& value);
void CreateRegistryKey(HKEY root, const std::wstring& path);
// A value of any type with any bytes, as a damaged or foreign entry may hold.
void SetRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                      const std::vector<BYTE>& data);

// ---- Spooler.
using SpoolerDriver = records::Driver;
using SpoolerPrinter = records::Printer;
struct SpoolerPort {
  std::wstring name, monitor;
  bool openable = false;  // can be opened as a file (a parallel port with a device behind it)
};
struct XcvCall {
  std::wstring object, command;
  std::vector<BYTE> input;
  DWORD outputSize = 0;
  DWORD status = 0;
};
struct ConfigurePortCall {
  std::wstring server, port;
  HWND owner = nullptr;
};
// The driver directory is C:\Windows\System32\spool\drivers\x64 for every
// environment.
std::wstring DriverDirectory();
void AddDriver(const std::wstring& name);
void AddPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& driver);
void AddPort(const std::wstring& name, const std::wstring& monitor = L"Local Port",
             bool openable = false);
std::vector<SpoolerDriver> Drivers();
std::vector<SpoolerPrinter> Printers();
std::vector<SpoolerPort> Ports();
std::wstring DefaultPrinter();
int AddPrinterDriverCalls();
int AddPrinterCalls();
// A driver or printer added through the API is listed (or can be opened) only
// once this much virtual time has passed since it was added.
void SetDriverListingDelay(DWORD milliseconds);
void SetPrinterListingDelay(DWORD milliseconds);
// The spooler refuses every new printer queue with this error (0: accepts).
void RefuseNewPrinters(DWORD error);
std::vector<XcvCall> XcvCalls();
std::vector<ConfigurePortCall> ConfigurePortCalls();

// ---- Service control manager: the "Spooler" service.
void SetSpoolerState(DWORD state);
DWORD SpoolerState();
// A stop or start completes after this many status queries (-1: never).
void SetSpoolerTransitionQueries(int queries);
// "stop" and "start" in the order the service received them.
std::vector<std::string> SpoolerControls();

// ---- Device interfaces and serial ports.
void AddDeviceInterface(const GUID& interfaceClass, const std::wstring& devicePath, bool present);
// A USB printer: a present (or absent) interface of the USB printer class
// with the path \\?\usb#vid_VVVV&pid_PPPP#serial#{guid}, and the "Port
// Number" value in its device parameters key (none when portNumber < 0).
void AddUsbPrinter(const std::wstring& vid, const std::wstring& pid, const std::wstring& serial,
                   int portNumber, bool present = true);
// A serial device "\\.\NAME" whose settings start with the given baud rate.
void AddSerialDevice(const std::wstring& name, DWORD baudRate);
DCB SerialSettings(const std::wstring& name);
int SetCommStateCalls();

// ---- Processes.
struct ProcessLaunch {
  std::wstring applicationName;  // empty when none was given
  std::wstring commandLine;
  bool hasApplicationName = false;
  BOOL inheritHandles = FALSE;
  DWORD creationFlags = 0;
  bool defaultEnvironment = true;
  bool defaultDirectory = true;
  DWORD startupInfoSize = 0;
  DWORD startupFlags = 0;
};
std::vector<ProcessLaunch> Processes();

// ---- Resources and the user.
// Reads a resource script (following its quoted #includes); dialogs and
// string tables are then served from it. Aborts the test program with a
// message on a construct it does not understand.
void LoadResourceScript(const std::string& path);
void SetUiLanguage(LANGID language);

using records::DialogControl;
using records::DialogTemplate;
// The template of a dialog as the resource loader would pick it now.
DialogTemplate FindDialogTemplate(int id);
// Every language in which the resource scripts define the dialog / string.
std::vector<LANGID> DialogLanguages(int id);
std::vector<LANGID> StringLanguages(UINT id);
std::wstring StringResource(UINT id, LANGID language);

using records::MessageBoxRecord;
// The answer of the next message boxes, in order; without one, a box is
// answered IDOK (OK boxes) or IDNO (Yes/No boxes).
void AnswerMessageBoxes(std::vector<int> answers);
// Called while a box is shown (after it was recorded); its result answers it.
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler);
std::vector<MessageBoxRecord> MessageBoxes();

// Runs `script` inside DialogBoxParamW once the dialog is initialised; the
// modal loop ends when the dialog calls EndDialog.
void OnModalDialog(std::function<void(HWND dialog)> script);
// Delivers every posted message.
void PumpMessages();
// The user's clicks and typing are the tests' (tests/installer/machine.h):
// they go through the Win32 API, so that they work on winsim and on Windows.
// Lines of a list box; the (visible) state of a control.
std::vector<std::wstring> ListLines(HWND list);
bool QuitPosted();
int QuitCode();
// Windows (dialogs and controls) that exist now.
int WindowCount();

}  // namespace sim
