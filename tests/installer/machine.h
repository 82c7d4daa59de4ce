// The machine the setup program's tests run on. Natively it is winsim; in the
// Windows build it is the real Win32 API (under Wine, in a prefix of the
// test's own). The tests set up and read machine state only through this
// header, so one test body holds winsim to what the platform really does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "machine_records.h"

// A test (or a few lines of one) that needs what only winsim can do (make a
// call fail, virtual Sleep, fake USB devices or serial ports, a spooler that
// hangs, a simulated user answering message boxes) stands between
//   #if NATIVE_ONLY("why, in one line")
// and #endif. The Windows build leaves it out; scripts/test counts the cases
// of both builds from their test lists.
#ifdef _WIN32
#define NATIVE_ONLY(reason) 0
#else
#define NATIVE_ONLY(reason) 1
#endif

namespace machine {

// A fresh machine for the next test: no printers, drivers or ports but those
// the machine started with, an empty setup directory C:\setup\ (the program's
// folder), no serial ports in the registry, no debug output. The Spooler
// service is running and the native architecture is AMD64 natively (under
// Wine, the architecture of the Wine that runs the tests).
void Reset();

// UTF-8 of a wide text, as the debug output records it.
std::string Utf8(const std::wstring& text);

// Everything written with OutputDebugStringA/W since the last reset, one entry
// per call, exactly as written.
std::vector<std::string> DebugOutput();

// Files, by their Windows paths; missing folders are created.
void WriteFile(const std::wstring& path, const std::string& content);
bool FileExists(const std::wstring& path);
std::string ReadFile(const std::wstring& path);
// The spooler's driver directory for the native environment.
std::wstring DriverDirectory();

// The machine's own processor architecture (AMD64 after a reset natively and
// under 64-bit Wine, INTEL under 32-bit Wine), the setup directory's folder
// for it ("amd64", "i386") and the spooler's name for its environment.
WORD NativeArchitecture();
std::wstring NativeFolder();
std::wstring NativeEnvironment();

// A registry key (under HKEY_LOCAL_MACHINE) of the tests' own, gone after a reset.
inline constexpr wchar_t kTestKey[] = L"SOFTWARE\\BrindolTests";

// Registry values, their key created as needed.
void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::wstring& value);
void SetRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);

// Spooler state. A driver added here is a version-3 driver of the native
// environment; a port is a local port.
using records::Driver;
using records::Printer;
void AddDriver(const std::wstring& name);
void AddQueue(const std::wstring& name, const std::wstring& port, const std::wstring& driver);
void AddLocalPort(const std::wstring& name);
// As the spooler lists them (level 3 drivers, level 2 printers).
std::vector<Driver> Drivers();
std::vector<Printer> Printers();
// The printer of that name, or a record with an empty name.
Printer FindPrinter(const std::wstring& name);
std::wstring DefaultPrinter();

// The file name at the end of a path.
std::wstring FileName(const std::wstring& path);

// Handles of any kind the code left open, one description each. Only winsim
// can see every kind; the Windows build reports none.
std::vector<std::string> OpenHandles();

// The dialog side: the program's resources made available (natively, read
// from the resource scripts; in the Windows build they are compiled in),
// posted messages delivered, a list box's lines.
void LoadResources();
void PumpMessages();
// Delivers messages (those sent from other threads too) until `done` holds or
// `milliseconds` of real time pass; returns whether `done` held.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds);
std::vector<std::wstring> ListLines(HWND list);

// ---- The user. Each action is what the platform hands the program when a
// user does it (a hidden or disabled control takes no clicks), and every
// posted message is delivered after it.
void Click(HWND dialog, int id);
void ClickListLine(HWND dialog, int id, int line, bool doubleClick = false);
void TypeAddress(HWND dialog, int id, BYTE a, BYTE b, BYTE c, BYTE d);
void PressCloseBox(HWND dialog);
// Whether WM_QUIT was posted to this thread since the reset, and its code.
bool QuitPosted();
int QuitCode();

using records::MessageBoxRecord;
// The answers to the next message boxes, in order; without one, a box is
// answered IDOK (OK boxes) or IDNO (Yes/No boxes).
void AnswerMessageBoxes(std::vector<int> answers);
// Called while a box is shown; its result answers the box.
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler);
std::vector<MessageBoxRecord> MessageBoxes();
// Runs `script` inside the next modal dialog once it is shown.
void OnModalDialog(std::function<void(HWND dialog)> script);

// ---- The program's resources as the resource loader finds them.
using records::DialogControl;
using records::DialogTemplate;
// The language the resource loader looks for first on this thread.
void SetUiLanguage(LANGID language);
// Every language of a dialog or of a string, in increasing order.
std::vector<LANGID> DialogLanguages(int id);
std::vector<LANGID> StringLanguages(UINT id);
DialogTemplate FindDialogTemplate(int id, LANGID language);
std::wstring StringResource(UINT id, LANGID language);
// The program's manifest (an empty text when it has none).
std::string Manifest();

}  // namespace machine
