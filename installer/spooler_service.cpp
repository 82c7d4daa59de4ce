// Restarting the print spooler service (see package_install.h).
#include "package_install.h"
#include "scoped_handle.h"
#include "texts.h"

namespace {

constexpr int kPollAttempts = 1000;
constexpr DWORD kPollMilliseconds = 10;

bool QueryState(SC_HANDLE service, DWORD& state) {
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                            sizeof(status), &needed)) {
    return false;
  }
  state = status.dwCurrentState;
  return true;
}

// Polls until the service reaches `wanted` or the attempts run out.
void WaitForState(SC_HANDLE service, DWORD wanted) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    DWORD state = 0;
    if (QueryState(service, state) && state == wanted) return;
    Sleep(kPollMilliseconds);
  }
}

}  // namespace

void RestartSpooler() {
  ScopedService manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager.IsValid()) return;
  ScopedService spooler(OpenServiceW(manager.Get(), texts::kSpoolerService, SERVICE_ALL_ACCESS));
  if (!spooler.IsValid()) return;
  DWORD state = 0;
  if (!QueryState(spooler.Get(), state) || state != SERVICE_RUNNING) return;
  SERVICE_STATUS status = {};
  ControlService(spooler.Get(), SERVICE_CONTROL_STOP, &status);
  WaitForState(spooler.Get(), SERVICE_STOPPED);
  StartServiceW(spooler.Get(), 0, nullptr);
  WaitForState(spooler.Get(), SERVICE_RUNNING);
}
