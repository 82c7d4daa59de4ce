// The print spooler: drivers, printer queues, ports, the default printer, the
// driver directory, and the Standard TCP/IP port monitor reached through Xcv.
#include <winspool.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "sim.h"
#include "world.h"

namespace winsim {
namespace {

constexpr wchar_t kDriverDirectory[] = L"C:\\Windows\\System32\\spool\\drivers\\x64";
constexpr wchar_t kNativeEnvironment[] = L"Windows x64";
constexpr wchar_t kTcpMonitor[] = L"Standard TCP/IP Port";
constexpr wchar_t kXcvMonitorPrefix[] = L",XcvMonitor ";

struct Driver {
  sim::SpoolerDriver info;
  ULONGLONG visibleAt = 0;
};
struct Printer {
  sim::SpoolerPrinter info;
  ULONGLONG visibleAt = 0;
};

struct Spooler {
  std::mutex lock;
  std::vector<Driver> drivers;
  std::vector<Printer> printers;
  std::vector<sim::SpoolerPort> ports;
  std::wstring defaultPrinter;
  int addDriverCalls = 0;
  int addPrinterCalls = 0;
  DWORD driverDelay = 0;
  DWORD printerDelay = 0;
  DWORD refuseError = 0;
  std::vector<sim::XcvCall> xcvCalls;
  std::vector<sim::ConfigurePortCall> configureCalls;
};

Spooler& S() {
  static Spooler spooler;
  return spooler;
}

struct PrinterObject : Object {
  std::wstring name;
  bool xcv = false;
  std::string Describe() const override { return (xcv ? "xcv " : "printer ") + Narrow(name); }
};

// Caller holds the lock.
Printer* FindPrinter(const std::wstring& name) {
  for (auto& printer : S().printers) {
    if (EqualNoCase(printer.info.name, name) && Now() >= printer.visibleAt) return &printer;
  }
  return nullptr;
}

bool DriverListed(const std::wstring& name) {
  for (auto& driver : S().drivers) {
    if (EqualNoCase(driver.info.name, name) && Now() >= driver.visibleAt) return true;
  }
  return false;
}

bool InDriverDirectory(const std::wstring& file) {
  return sim::FileExists(std::wstring(kDriverDirectory) + L"\\" + file);
}

// Lays out enumeration results the way the spooler does: the fixed records
// first, then the strings they point to, in one caller-supplied buffer.
class Packer {
 public:
  Packer(LPBYTE buffer, size_t fixedSize) : buffer_(buffer), next_(fixedSize) {}
  LPWSTR Put(const std::wstring& text) {
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    LPWSTR out = nullptr;
    if (buffer_) {
      out = reinterpret_cast<LPWSTR>(buffer_ + next_);
      std::memcpy(out, text.c_str(), bytes);
    }
    next_ += bytes;
    return out;
  }
  LPWSTR PutOptional(const std::wstring& text) { return text.empty() ? nullptr : Put(text); }
  size_t Size() const { return next_; }

 private:
  LPBYTE buffer_;
  size_t next_;
};

// Runs `fill` once to measure and, when the buffer is large enough, once more
// to write. Returns what the platform's enumerations return.
template <typename Fill>
BOOL Enumerate(LPBYTE buffer, DWORD size, LPDWORD needed, size_t fixedSize, Fill fill) {
  Packer measure(nullptr, fixedSize);
  fill(measure, static_cast<LPBYTE>(nullptr));
  auto total = static_cast<DWORD>(measure.Size());
  if (needed) *needed = total;
  if (!buffer || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memset(buffer, 0, fixedSize);
  Packer write(buffer, fixedSize);
  fill(write, buffer);
  return TRUE;
}

std::vector<std::wstring> MultiString(LPCWSTR text) {
  std::vector<std::wstring> names;
  while (text && *text) {
    names.emplace_back(text);
    text += names.back().size() + 1;
  }
  return names;
}

}  // namespace

bool PortDeviceOpenable(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(S().lock);
  for (const auto& port : S().ports) {
    if (EqualNoCase(port.name, name)) return port.openable;
  }
  return false;
}

void ResetSpooler() {
  {
    std::lock_guard<std::mutex> guard(S().lock);
    auto& s = S();
    s.drivers.clear();
    s.printers.clear();
    s.ports.clear();
    s.defaultPrinter.clear();
    s.addDriverCalls = s.addPrinterCalls = 0;
    s.driverDelay = s.printerDelay = s.refuseError = 0;
    s.xcvCalls.clear();
    s.configureCalls.clear();
  }
  std::filesystem::create_directories(sim::HostPath(kDriverDirectory));
}

}  // namespace winsim

using namespace winsim;

namespace sim {

std::wstring DriverDirectory() { return kDriverDirectory; }

void AddDriver(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(S().lock);
  Driver driver;
  driver.info.version = 3;
  driver.info.name = name;
  S().drivers.push_back(driver);
}

void AddPrinter(const std::wstring& name, const std::wstring& port, const std::wstring& driver) {
  std::lock_guard<std::mutex> guard(S().lock);
  Printer printer;
  printer.info.name = name;
  printer.info.port = port;
  printer.info.driver = driver;
  S().printers.push_back(printer);
}

void AddPort(const std::wstring& name, const std::wstring& monitor, bool openable) {
  std::lock_guard<std::mutex> guard(S().lock);
  S().ports.push_back({name, monitor, openable});
}

std::vector<SpoolerDriver> Drivers() {
  std::lock_guard<std::mutex> guard(S().lock);
  std::vector<SpoolerDriver> out;
  for (auto& driver : S().drivers) out.push_back(driver.info);
  return out;
}

std::vector<SpoolerPrinter> Printers() {
  std::lock_guard<std::mutex> guard(S().lock);
  std::vector<SpoolerPrinter> out;
  for (auto& printer : S().printers) out.push_back(printer.info);
  return out;
}

std::vector<SpoolerPort> Ports() {
  std::lock_guard<std::mutex> guard(S().lock);
  return S().ports;
}

std::wstring DefaultPrinter() {
  std::lock_guard<std::mutex> guard(S().lock);
  return S().defaultPrinter;
}

int AddPrinterDriverCalls() {
  std::lock_guard<std::mutex> guard(S().lock);
  return S().addDriverCalls;
}

int AddPrinterCalls() {
  std::lock_guard<std::mutex> guard(S().lock);
  return S().addPrinterCalls;
}

void SetDriverListingDelay(DWORD milliseconds) {
  std::lock_guard<std::mutex> guard(S().lock);
  S().driverDelay = milliseconds;
}

void SetPrinterListingDelay(DWORD milliseconds) {
  std::lock_guard<std::mutex> guard(S().lock);
  S().printerDelay = milliseconds;
}

void RefuseNewPrinters(DWORD error) {
  std::lock_guard<std::mutex> guard(S().lock);
  S().refuseError = error;
}

std::vector<XcvCall> XcvCalls() {
  std::lock_guard<std::mutex> guard(S().lock);
  return S().xcvCalls;
}

std::vector<ConfigurePortCall> ConfigurePortCalls() {
  std::lock_guard<std::mutex> guard(S().lock);
  return S().configureCalls;
}

}  // namespace sim

extern "C" {

BOOL OpenPrinterW(LPWSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  if (!printer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *printer = nullptr;
  if (Faulted("OpenPrinterW")) return FALSE;
  std::wstring name = TextOrEmpty(printerName);
  auto object = std::make_unique<PrinterObject>();
  object->name = name;
  if (name.compare(0, std::size(kXcvMonitorPrefix) - 1, kXcvMonitorPrefix) == 0) {
    if (name.substr(std::size(kXcvMonitorPrefix) - 1) != kTcpMonitor) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    if (!defaults || !(defaults->DesiredAccess & SERVER_ACCESS_ADMINISTER)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    object->xcv = true;
  } else {
    std::lock_guard<std::mutex> guard(S().lock);
    if (name.empty() || !FindPrinter(name)) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
  }
  *printer = AddObject(std::move(object));
  return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
  if (!Find<PrinterObject>(printer)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  RemoveObject(printer);
  return TRUE;
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  auto* object = Find<PrinterObject>(printer);
  if (!object || object->xcv) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  sim::SpoolerPrinter info;
  {
    std::lock_guard<std::mutex> guard(S().lock);
    Printer* found = FindPrinter(object->name);
    if (!found) {
      SetLastError(ERROR_INVALID_PRINTER_NAME);
      return FALSE;
    }
    info = found->info;
  }
  return Enumerate(buffer, size, needed, sizeof(PRINTER_INFO_2W), [&](Packer& pack, LPBYTE out) {
    auto* record = reinterpret_cast<PRINTER_INFO_2W*>(out);
    LPWSTR name = pack.Put(info.name), port = pack.Put(info.port), driver = pack.Put(info.driver);
    LPWSTR processor = pack.PutOptional(info.printProcessor),
           type = pack.PutOptional(info.dataType);
    if (!record) return;
    record->pPrinterName = name;
    record->pPortName = port;
    record->pDriverName = driver;
    record->pPrintProcessor = processor;
    record->pDatatype = type;
    record->Attributes = info.attributes;
  });
}

HANDLE AddPrinterW(LPWSTR serverName, DWORD level, LPBYTE printer) {
  if (Faulted("AddPrinterW")) return nullptr;
  if (level != 2 || !printer) {
    SetLastError(level != 2 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(printer);
  std::wstring name = TextOrEmpty(info->pPrinterName);
  {
    std::lock_guard<std::mutex> guard(S().lock);
    auto& s = S();
    ++s.addPrinterCalls;
    DWORD error = s.refuseError;
    if (!error && name.empty()) error = ERROR_INVALID_PRINTER_NAME;
    if (!error && FindPrinter(name)) error = ERROR_PRINTER_ALREADY_EXISTS;
    if (!error && !DriverListed(TextOrEmpty(info->pDriverName)))
      error = ERROR_UNKNOWN_PRINTER_DRIVER;
    if (error) {
      SetLastError(error);
      return nullptr;
    }
    Printer added;
    added.info.name = name;
    added.info.serverName = TextOrEmpty(serverName);
    added.info.shareName = TextOrEmpty(info->pShareName);
    added.info.port = TextOrEmpty(info->pPortName);
    added.info.driver = TextOrEmpty(info->pDriverName);
    added.info.printProcessor = TextOrEmpty(info->pPrintProcessor);
    added.info.dataType = TextOrEmpty(info->pDatatype);
    added.info.attributes = info->Attributes;
    added.visibleAt = Now() + s.printerDelay;
    s.printers.push_back(added);
  }
  auto object = std::make_unique<PrinterObject>();
  object->name = name;
  return AddObject(std::move(object));
}

BOOL AddPrinterDriverW(LPWSTR, DWORD level, LPBYTE driverInfo) {
  if (Faulted("AddPrinterDriverW")) return FALSE;
  if (level != 3 || !driverInfo) {
    SetLastError(level != 3 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(driverInfo);
  Driver driver;
  driver.info.version = info->cVersion;
  driver.info.name = TextOrEmpty(info->pName);
  driver.info.environment = TextOrEmpty(info->pEnvironment);
  driver.info.driverPath = TextOrEmpty(info->pDriverPath);
  driver.info.dataFile = TextOrEmpty(info->pDataFile);
  driver.info.configFile = TextOrEmpty(info->pConfigFile);
  driver.info.helpFile = TextOrEmpty(info->pHelpFile);
  driver.info.monitorName = TextOrEmpty(info->pMonitorName);
  driver.info.defaultDataType = TextOrEmpty(info->pDefaultDataType);
  driver.info.dependentFiles = MultiString(info->pDependentFiles);
  std::lock_guard<std::mutex> guard(S().lock);
  ++S().addDriverCalls;
  if (driver.info.name.empty() || driver.info.driverPath.empty() || driver.info.dataFile.empty() ||
      driver.info.configFile.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The spooler takes the files from its driver directory; all must be there.
  std::vector<std::wstring> files = {driver.info.driverPath, driver.info.dataFile,
                                     driver.info.configFile};
  files.insert(files.end(), driver.info.dependentFiles.begin(), driver.info.dependentFiles.end());
  for (const auto& file : files) {
    if (!InDriverDirectory(file)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return FALSE;
    }
  }
  driver.visibleAt = Now() + S().driverDelay;
  std::erase_if(S().drivers,
                [&](const Driver& d) { return EqualNoCase(d.info.name, driver.info.name); });
  S().drivers.push_back(driver);
  return TRUE;
}

BOOL EnumPrinterDriversW(LPWSTR, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                         LPDWORD returned) {
  if (returned) *returned = 0;
  if (needed) *needed = 0;
  if (Faulted("EnumPrinterDriversW")) return FALSE;
  if (level != 8) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<sim::SpoolerDriver> listed;
  {
    std::lock_guard<std::mutex> guard(S().lock);
    for (auto& driver : S().drivers) {
      if (Now() >= driver.visibleAt) listed.push_back(driver.info);
    }
  }
  BOOL ok = Enumerate(
      buffer, size, needed, listed.size() * sizeof(DRIVER_INFO_8W), [&](Packer& pack, LPBYTE out) {
        auto* records = reinterpret_cast<DRIVER_INFO_8W*>(out);
        for (size_t i = 0; i < listed.size(); ++i) {
          // The spooler names the environment a driver was registered for (the
          // native one when none was given) and each file where it keeps it: in
          // the version folder of its driver directory.
          const std::wstring folder =
              std::wstring(kDriverDirectory) + L"\\" + std::to_wstring(listed[i].version) + L"\\";
          auto kept = [&](const std::wstring& file) {
            return file.empty() ? file : folder + file.substr(file.find_last_of(L"\\") + 1);
          };
          LPWSTR name = pack.Put(listed[i].name);
          LPWSTR environment =
              pack.Put(listed[i].environment.empty() ? kNativeEnvironment : listed[i].environment);
          LPWSTR path = pack.PutOptional(kept(listed[i].driverPath));
          LPWSTR data = pack.PutOptional(kept(listed[i].dataFile));
          if (!records) continue;
          records[i].cVersion = listed[i].version;
          records[i].pName = name;
          records[i].pEnvironment = environment;
          records[i].pDriverPath = path;
          records[i].pDataFile = data;
        }
      });
  if (ok && returned) *returned = static_cast<DWORD>(listed.size());
  return ok;
}

BOOL EnumPortsW(LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  if (returned) *returned = 0;
  if (needed) *needed = 0;
  if (Faulted("EnumPortsW")) return FALSE;
  if (level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::vector<sim::SpoolerPort> ports = sim::Ports();
  BOOL ok = Enumerate(buffer, size, needed, ports.size() * sizeof(PORT_INFO_2W),
                      [&](Packer& pack, LPBYTE out) {
                        auto* records = reinterpret_cast<PORT_INFO_2W*>(out);
                        for (size_t i = 0; i < ports.size(); ++i) {
                          LPWSTR name = pack.Put(ports[i].name);
                          LPWSTR monitor = pack.Put(ports[i].monitor);
                          if (!records) continue;
                          records[i].pPortName = name;
                          records[i].pMonitorName = monitor;
                          records[i].fPortType = PORT_TYPE_WRITE;
                        }
                      });
  if (ok && returned) *returned = static_cast<DWORD>(ports.size());
  return ok;
}

BOOL GetPrinterDriverDirectoryW(LPWSTR, LPWSTR, DWORD level, LPBYTE buffer, DWORD size,
                                LPDWORD needed) {
  if (Faulted("GetPrinterDriverDirectoryW")) return FALSE;
  if (level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  std::wstring directory = kDriverDirectory;
  auto bytes = static_cast<DWORD>((directory.size() + 1) * sizeof(wchar_t));
  if (needed) *needed = bytes;
  if (!buffer || size < bytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, directory.c_str(), bytes);
  return TRUE;
}

BOOL XcvDataW(HANDLE xcv, PCWSTR dataName, PBYTE input, DWORD inputSize, PBYTE, DWORD outputSize,
              PDWORD outputNeeded, PDWORD status) {
  auto* object = Find<PrinterObject>(xcv);
  if (!object || !object->xcv) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!dataName || !status || !outputNeeded) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  sim::XcvCall call;
  call.object = object->name;
  call.command = dataName;
  if (input) call.input.assign(input, input + inputSize);
  call.outputSize = outputSize;
  *outputNeeded = 0;
  *status = ERROR_INVALID_PARAMETER;
  if (call.command == L"AddPort" && input) {
    // The record starts with the port name: 64 characters, NUL-terminated.
    constexpr size_t kNameChars = 64;
    const auto* text = reinterpret_cast<const wchar_t*>(input);
    std::wstring name;
    for (size_t i = 0; i < kNameChars && (i + 1) * sizeof(wchar_t) <= inputSize && text[i]; ++i)
      name += text[i];
    std::lock_guard<std::mutex> guard(S().lock);
    bool exists = false;
    for (const auto& port : S().ports) exists = exists || EqualNoCase(port.name, name);
    if (exists) {
      *status = 183;  // ERROR_ALREADY_EXISTS
    } else if (!name.empty()) {
      S().ports.push_back({name, kTcpMonitor, false});
      *status = NO_ERROR;
    }
  }
  call.status = *status;
  std::lock_guard<std::mutex> guard(S().lock);
  S().xcvCalls.push_back(call);
  return TRUE;
}

BOOL ConfigurePortW(LPWSTR serverName, HWND window, LPWSTR portName) {
  std::lock_guard<std::mutex> guard(S().lock);
  S().configureCalls.push_back({TextOrEmpty(serverName), TextOrEmpty(portName), window});
  return TRUE;
}

BOOL SetDefaultPrinterW(LPCWSTR printer) {
  if (Faulted("SetDefaultPrinterW")) return FALSE;
  std::lock_guard<std::mutex> guard(S().lock);
  Printer* found = printer ? FindPrinter(printer) : nullptr;
  if (!found) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  S().defaultPrinter = found->info.name;
  return TRUE;
}

}  // extern "C"
