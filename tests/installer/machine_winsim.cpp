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
  std::vector<Driver> drivers;
  for (const auto& d : sim::Drivers()) {
    const std::wstring folder = sim::DriverDirectory() + L"\\" + std::to_wstring(d.version) + L"\\";
    auto kept = [&](const std::wstring& file) {
      return file.empty() ? file : folder + FileName(file);
    };
    Driver listed{d.version,
                  d.name,
                  d.environment.empty() ? L"Windows x64" : d.environment,
                  kept(d.driverPath),
                  kept(d.dataFile),
                  kept(d.configFile),
                  kept(d.helpFile),
                  d.monitorName,
                  d.defaultDataType,
                  {}};
    for (const auto& file : d.dependentFiles) listed.dependentFiles.push_back(kept(file));
    drivers.push_back(listed);
  }
  return drivers;
}

std::vector<Printer> Printers() {
  std::vector<Printer> printers;
  for (const auto& p : sim::Printers()) {
    printers.push_back({p.name, p.port, p.driver, p.printProcessor, p.dataType, p.shareName,
                        p.serverName, p.attributes});
  }
  return printers;
}

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
  sim::OnMessageBox([handler](const sim::MessageBoxRecord& box) {
    return handler(MessageBoxRecord{box.owner, box.text, box.caption, box.type});
  });
}
std::vector<MessageBoxRecord> MessageBoxes() {
  std::vector<MessageBoxRecord> boxes;
  for (const auto& box : sim::MessageBoxes())
    boxes.push_back({box.owner, box.text, box.caption, box.type});
  return boxes;
}
void OnModalDialog(std::function<void(HWND dialog)> script) {
  sim::OnModalDialog(std::move(script));
}

void SetUiLanguage(LANGID language) { sim::SetUiLanguage(language); }
std::vector<LANGID> DialogLanguages(int id) { return sim::DialogLanguages(id); }
std::vector<LANGID> StringLanguages(UINT id) { return sim::StringLanguages(id); }
std::wstring StringResource(UINT id, LANGID language) { return sim::StringResource(id, language); }

DialogTemplate FindDialogTemplate(int id, LANGID language) {
  sim::SetUiLanguage(language);
  sim::DialogTemplate found = sim::FindDialogTemplate(id);
  DialogTemplate dialog{found.language, found.style, found.caption, found.fontName, found.fontSize,
                        found.rect,     {}};
  for (const auto& c : found.controls)
    dialog.controls.push_back({c.id, c.className, c.text, c.style, c.rect});
  return dialog;
}

std::string Manifest() {
  std::ifstream in(INSTALLER_MANIFEST);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace machine
