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
  // Option names are a few dozen bytes. A larger answer is a host that lies,
  // and believing it would hand it a huge (or, once one more byte is added in
  // 32 bits, an empty) buffer to write into: the option counts as absent.
  if (needed > kMaxSettingBytes) return HostText();
  const DWORD size = needed;
  // One byte more than the host asked for, always zero: the text ends even if
  // the host fills every byte it was given. The cap keeps size + 1 small.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[std::size_t{size} + 1]());
  if (!buffer) return HostText();
  AskSetting(feature, buffer.get(), size, &needed);
  buffer[size] = '\0';
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
