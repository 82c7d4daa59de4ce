// The service control manager with one service, "Spooler". Stopping and
// starting take a few status queries to complete, as a real service takes a
// moment; tests can make a transition never complete.
#include <winsvc.h>

#include <vector>

#include "sim.h"
#include "world.h"

namespace winsim {
namespace {

struct Services {
  std::mutex lock;
  DWORD state = SERVICE_RUNNING;
  int transitionQueries = 2;
  int pendingQueries = 0;
  std::vector<std::string> controls;
};

Services& V() {
  static Services services;
  return services;
}

struct ServiceObject : Object {
  bool manager = false;
  std::string Describe() const override { return manager ? "service manager" : "service Spooler"; }
};

// Caller holds the lock. A pending state completes after its queries.
void Advance() {
  auto& v = V();
  if (v.state != SERVICE_STOP_PENDING && v.state != SERVICE_START_PENDING) return;
  if (v.transitionQueries < 0) return;
  if (++v.pendingQueries < v.transitionQueries) return;
  v.state = v.state == SERVICE_STOP_PENDING ? SERVICE_STOPPED : SERVICE_RUNNING;
  v.pendingQueries = 0;
}

ServiceObject* Service(SC_HANDLE handle) {
  auto* object = Find<ServiceObject>(handle);
  return object && !object->manager ? object : nullptr;
}

}  // namespace

void ResetServices() {
  std::lock_guard<std::mutex> guard(V().lock);
  V().state = SERVICE_RUNNING;
  V().transitionQueries = 2;
  V().pendingQueries = 0;
  V().controls.clear();
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void SetSpoolerState(DWORD state) {
  std::lock_guard<std::mutex> guard(V().lock);
  V().state = state;
  V().pendingQueries = 0;
}

DWORD SpoolerState() {
  std::lock_guard<std::mutex> guard(V().lock);
  return V().state;
}

void SetSpoolerTransitionQueries(int queries) {
  std::lock_guard<std::mutex> guard(V().lock);
  V().transitionQueries = queries;
}

std::vector<std::string> SpoolerControls() {
  std::lock_guard<std::mutex> guard(V().lock);
  return V().controls;
}

}  // namespace sim

extern "C" {

SC_HANDLE OpenSCManagerW(LPCWSTR machineName, LPCWSTR, DWORD) {
  if (Faulted("OpenSCManagerW")) return nullptr;
  if (machineName && *machineName) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto object = std::make_unique<ServiceObject>();
  object->manager = true;
  return static_cast<SC_HANDLE>(AddObject(std::move(object)));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD) {
  auto* object = Find<ServiceObject>(manager);
  if (!object || !object->manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (Faulted("OpenServiceW")) return nullptr;
  if (!serviceName || !EqualNoCase(serviceName, L"Spooler")) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  return static_cast<SC_HANDLE>(AddObject(std::make_unique<ServiceObject>()));
}

BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer, DWORD size,
                          LPDWORD needed) {
  if (!Service(service)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Faulted("QueryServiceStatusEx")) return FALSE;
  if (needed) *needed = sizeof(SERVICE_STATUS_PROCESS);
  if (level != SC_STATUS_PROCESS_INFO || !buffer || size < sizeof(SERVICE_STATUS_PROCESS)) {
    SetLastError(level != SC_STATUS_PROCESS_INFO ? ERROR_INVALID_LEVEL : ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(V().lock);
  Advance();
  SERVICE_STATUS_PROCESS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = V().state;
  status.dwProcessId = V().state == SERVICE_STOPPED ? 0 : 1234;
  *reinterpret_cast<SERVICE_STATUS_PROCESS*>(buffer) = status;
  return TRUE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  if (!Service(service)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(V().lock);
  if (control != SERVICE_CONTROL_STOP) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  V().controls.push_back("stop");
  if (V().state != SERVICE_RUNNING) {
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    return FALSE;
  }
  V().state = SERVICE_STOP_PENDING;
  V().pendingQueries = 0;
  if (status) {
    *status = SERVICE_STATUS{};
    status->dwCurrentState = V().state;
  }
  return TRUE;
}

BOOL StartServiceW(SC_HANDLE service, DWORD, LPCWSTR*) {
  if (!Service(service)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(V().lock);
  V().controls.push_back("start");
  if (V().state != SERVICE_STOPPED) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  V().state = SERVICE_START_PENDING;
  V().pendingQueries = 0;
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  if (!Find<ServiceObject>(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  RemoveObject(handle);
  return TRUE;
}

}  // extern "C"
