// Host services on the route the host offers.
#include "host_services.h"

#include <cstddef>
#include <new>

HostServices::HostServices(PDEVOBJ pdevobj, IPrintOemDriverUni* driverUni)
    : pdevobj_(pdevobj), driverUni_(driverUni) {}

PFN_DrvGetDriverSetting HostServices::TableGetSetting() const {
  return pdevobj_ && pdevobj_->pDrvProcs ? pdevobj_->pDrvProcs->DrvGetDriverSetting : nullptr;
}

PFN_DrvWriteSpoolBuf HostServices::TableWrite() const {
  return pdevobj_ && pdevobj_->pDrvProcs ? pdevobj_->pDrvProcs->DrvWriteSpoolBuf : nullptr;
}

bool HostServices::CanReadSettings() const { return pdevobj_ && (TableGetSetting() || driverUni_); }

bool HostServices::CanWrite() const { return pdevobj_ && (TableWrite() || driverUni_); }

void HostServices::AskSetting(const char* feature, void* buffer, DWORD size, DWORD* needed) const {
  DWORD options = 0;
  if (auto get = TableGetSetting()) {
    get(pdevobj_, feature, buffer, size, needed, &options);
  } else if (driverUni_) {
    driverUni_->DrvGetDriverSetting(pdevobj_, feature, buffer, size, needed, &options);
  }
}

HostText HostServices::ReadSetting(const char* feature) const {
  if (!CanReadSettings()) return HostText();
  DWORD needed = 0;
  AskSetting(feature, nullptr, 0, &needed);
  // One byte more than the host asked for, always zero: the text ends even if
  // the host fills every byte it was given.
  const std::size_t bytes = static_cast<std::size_t>(needed) + 1;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[bytes]());
  if (!buffer) return HostText();
  AskSetting(feature, buffer.get(), needed, &needed);
  buffer[bytes - 1] = '\0';
  return HostText(std::move(buffer));
}

void HostServices::Write(const void* bytes, DWORD size) const {
  if (auto write = TableWrite()) {
    write(pdevobj_, const_cast<void*>(bytes), size);
  } else if (driverUni_) {
    DWORD written = 0;
    driverUni_->DrvWriteSpoolBuf(pdevobj_, const_cast<void*>(bytes), size, &written);
  }
}
