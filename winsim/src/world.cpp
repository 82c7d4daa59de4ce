// The simulated machine's common state: faults, handles, clock, processes,
// system information, and the reset that makes a fresh machine.
#include "world.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <vector>

#include "program_threads.h"
#include "sim.h"
#include "sim_network.h"

namespace winsim {
namespace {

struct Fault {
  std::string function;
  DWORD error;
  int skip;
  int count;
};

struct Machine {
  std::mutex lock;
  std::vector<Fault> faults;
  std::map<ULONG_PTR, std::unique_ptr<Object>> objects;
  ULONG_PTR nextHandle = 0x1000;
  ULONGLONG now = 0;
  std::vector<DWORD> sleeps;
  WORD architecture = PROCESSOR_ARCHITECTURE_AMD64;
  std::vector<sim::ProcessLaunch> processes;
  DWORD nextProcessId = 100;
};

Machine& M() {
  static Machine machine;
  return machine;
}

struct ProcessObject : KernelObject {
  std::string kind;
  explicit ProcessObject(std::string k) : kind(std::move(k)) {}
  std::string Describe() const override { return kind; }
};

}  // namespace

std::wstring Widen(const std::string& utf8) {
  std::wstring out;
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    std::uint32_t code = extra == 0   ? c
                         : extra == 1 ? (c & 0x1F)
                         : extra == 2 ? (c & 0x0F)
                                      : (c & 0x07);
    ++i;
    for (int k = 0; k < extra && i < utf8.size(); ++k, ++i) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    }
    out += static_cast<wchar_t>(code);
  }
  return out;
}

std::string Narrow(const std::wstring& text) {
  static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
  std::string out;
  for (wchar_t wc : text) {
    auto code = static_cast<std::uint32_t>(wc);
    int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    out += static_cast<char>(kLead[extra] | (code >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k)
      out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
  }
  return out;
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) { return Lower(a) == Lower(b); }

std::wstring TextOrEmpty(LPCWSTR text) { return text ? std::wstring(text) : std::wstring(); }

bool Faulted(const char* function) {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  for (auto it = m.faults.begin(); it != m.faults.end(); ++it) {
    if (it->function != function) continue;
    if (it->skip > 0) {
      --it->skip;
      return false;
    }
    DWORD error = it->error;
    if (--it->count <= 0) m.faults.erase(it);
    SetLastError(error);
    return true;
  }
  return false;
}

void* AddObject(std::unique_ptr<Object> object) {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  ULONG_PTR value = m.nextHandle;
  m.nextHandle += 4;
  m.objects[value] = std::move(object);
  return reinterpret_cast<void*>(value);
}

Object* FindObject(void* handle) {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  auto it = m.objects.find(reinterpret_cast<ULONG_PTR>(handle));
  return it == m.objects.end() ? nullptr : it->second.get();
}

bool RemoveObject(void* handle) {
  std::unique_ptr<Object> doomed;
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  auto it = m.objects.find(reinterpret_cast<ULONG_PTR>(handle));
  if (it == m.objects.end()) return false;
  doomed = std::move(it->second);
  m.objects.erase(it);
  return true;
}

ULONGLONG Now() {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  return m.now;
}

}  // namespace winsim

using namespace winsim;

namespace sim {

std::string Utf8(const std::wstring& text) { return Narrow(text); }

void ResetWorld() {
  // The program's own threads end first: they may still use the machine.
  EndThreads();
  ResetAdapters();
  ResetGdi();
  {
    auto& m = M();
    std::lock_guard<std::mutex> guard(m.lock);
    m.faults.clear();
    m.objects.clear();
    m.now = 0;
    m.sleeps.clear();
    m.architecture = PROCESSOR_ARCHITECTURE_AMD64;
    m.processes.clear();
  }
  ResetFiles();
  ResetRegistry();
  ResetSpooler();
  ResetServices();
  ResetDevices();
  ResetUser();
  ResetResources();
  ClearDebugOutput();
  SetLastError(0);
}

void FailCall(const std::string& function, DWORD error, int skip, int count) {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  m.faults.push_back({function, error, skip, count});
}

void SetNativeArchitecture(WORD architecture) {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  m.architecture = architecture;
}

ULONGLONG SleptMilliseconds() { return Now(); }

std::vector<DWORD> Sleeps() {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  return m.sleeps;
}

std::vector<std::string> OpenHandles() {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  std::vector<std::string> out;
  for (auto& [value, object] : m.objects) out.push_back(object->Describe());
  return out;
}

std::vector<ProcessLaunch> Processes() {
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  return m.processes;
}

}  // namespace sim

extern "C" {

void Sleep(DWORD milliseconds) {
  // The virtual clock is the test's thread's; the program's own threads wait.
  if (IsProgramThread()) {
    ProgramThreadSleep(milliseconds);
    return;
  }
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  m.now += milliseconds;
  m.sleeps.push_back(milliseconds);
}

void GetNativeSystemInfo(LPSYSTEM_INFO info) {
  if (!info) return;
  *info = SYSTEM_INFO{};
  auto& m = M();
  std::lock_guard<std::mutex> guard(m.lock);
  info->wProcessorArchitecture = m.architecture;
  info->dwPageSize = 4096;
  info->dwNumberOfProcessors = 2;
  info->dwAllocationGranularity = 65536;
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
  if (!processInformation || !startupInfo || (!applicationName && !commandLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Faulted("CreateProcessW")) return FALSE;
  sim::ProcessLaunch launch;
  launch.hasApplicationName = applicationName != nullptr;
  launch.applicationName = TextOrEmpty(applicationName);
  launch.commandLine = TextOrEmpty(commandLine);
  launch.inheritHandles = inheritHandles;
  launch.creationFlags = creationFlags;
  launch.defaultEnvironment = environment == nullptr;
  launch.defaultDirectory = currentDirectory == nullptr;
  launch.startupInfoSize = startupInfo->cb;
  launch.startupFlags = startupInfo->dwFlags;
  DWORD id = 0;
  {
    auto& m = M();
    std::lock_guard<std::mutex> guard(m.lock);
    m.processes.push_back(launch);
    id = m.nextProcessId++;
  }
  processInformation->hProcess = AddObject(std::make_unique<ProcessObject>("process"));
  processInformation->hThread = AddObject(std::make_unique<ProcessObject>("thread"));
  processInformation->dwProcessId = id;
  processInformation->dwThreadId = id + 1;
  return TRUE;
}

}  // extern "C"
