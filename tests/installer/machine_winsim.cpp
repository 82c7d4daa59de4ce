// The test machine natively: winsim, reset for every test.
#include <windows.h>
// After windows.h, which it needs.
#include <winspool.h>

#include <fstream>
#include <sstream>

#include "machine.h"
#include "sim.h"
#include "sim_network.h"

namespace machine {

void Reset() {
  sim::ResetWorld();
  sim::SetModuleFileName(L"C:\\setup\\Installer.exe");
}

std::string Utf8(const std::wstring& text) { return sim::Utf8(text); }
std::vector<std::string> DebugOutput() { return sim::DebugOutput(); }

void WriteFile(const std::wstring& path, const std::string& content) {
  sim::WriteFile(path, content);
}
bool FileExists(const std::wstring& path) { return sim::FileExists(path); }
std::string ReadFile(const std::wstring& path) { return sim::ReadFile(path); }
std::wstring DriverDirectory() { return sim::DriverDirectory(); }

void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::wstring& value) {
  sim::SetRegistryString(root, path, name, value);
}
void SetRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  sim::SetRegistryDword(root, path, name, value);
}

void AddDriver(const std::wstring& name) { sim::AddDriver(name); }
void AddQueue(const std::wstring& name, const std::wstring& port, const std::wstring& driver) {
  sim::AddPrinter(name, port, driver);
}
void AddLocalPort(const std::wstring& name) { sim::AddPort(name); }

// winsim keeps each driver as it was registered; the spooler lists it with the
// environment it was registered for (the native one when none was named) and
// each file where it keeps it, in the version folder of its driver directory.
std::vector<Driver> Drivers() {
  std::vector<Driver> drivers = sim::Drivers();
  for (Driver& d : drivers) {
    const std::wstring folder = sim::DriverDirectory() + L"\\" + std::to_wstring(d.version) + L"\\";
    auto keep = [&](std::wstring& file) {
      if (!file.empty()) file = folder + FileName(file);
    };
    if (d.environment.empty()) d.environment = L"Windows x64";
    for (std::wstring* file : {&d.driverPath, &d.dataFile, &d.configFile, &d.helpFile}) keep(*file);
    for (std::wstring& file : d.dependentFiles) keep(file);
  }
  return drivers;
}

std::vector<Printer> Printers() { return sim::Printers(); }

std::wstring DefaultPrinter() { return sim::DefaultPrinter(); }
std::vector<std::string> OpenHandles() { return sim::OpenHandles(); }

void LoadResources() {
  static bool loaded = false;
  if (!loaded) sim::LoadResourceScript(INSTALLER_RESOURCE_SCRIPT);
  loaded = true;
}
void PumpMessages() { sim::PumpMessages(); }
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD milliseconds) {
  return sim::PumpMessagesUntil(done, milliseconds);
}
std::vector<std::wstring> ListLines(HWND list) { return sim::ListLines(list); }

bool QuitPosted() { return sim::QuitPosted(); }
int QuitCode() { return sim::QuitCode(); }

void AnswerMessageBoxes(std::vector<int> answers) { sim::AnswerMessageBoxes(std::move(answers)); }
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler) {
  sim::OnMessageBox(std::move(handler));
}
std::vector<MessageBoxRecord> MessageBoxes() { return sim::MessageBoxes(); }
void OnModalDialog(std::function<void(HWND dialog)> script) {
  sim::OnModalDialog(std::move(script));
}

void SetUiLanguage(LANGID language) { sim::SetUiLanguage(language); }
std::vector<LANGID> DialogLanguages(int id) { return sim::DialogLanguages(id); }
std::vector<LANGID> StringLanguages(UINT id) { return sim::StringLanguages(id); }
std::wstring StringResource(UINT id, LANGID language) { return sim::StringResource(id, language); }

DialogTemplate FindDialogTemplate(int id, LANGID language) {
  sim::SetUiLanguage(language);
  return sim::FindDialogTemplate(id);
}

std::string Manifest() {
  std::ifstream in(INSTALLER_MANIFEST);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace machine
