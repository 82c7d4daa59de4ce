// The two host services the band pipeline uses: reading a job setting and
// writing bytes to the spool. Each goes through the device object's service
// table when the host fills that entry, and otherwise through the published
// service interface (current hosts may leave the table out).
#pragma once

#include <memory>

#include "printer_oem.h"

// A NUL-terminated option text read from the host; empty when none was read.
class HostText {
 public:
  HostText() = default;
  explicit HostText(std::unique_ptr<char[]> text) : text_(std::move(text)) {}
  const char* c_str() const { return text_ ? text_.get() : ""; }

 private:
  std::unique_ptr<char[]> text_;
};

class HostServices {
 public:
  HostServices(PDEVOBJ pdevobj, IPrintOemDriverUni* driverUni);

  bool CanReadSettings() const;
  bool CanWrite() const;

  // The largest option text, terminator included, that ReadSetting accepts.
  static constexpr DWORD kMaxSettingBytes = 4096;

  // The selected option of `feature`, asked in two calls (size, then text).
  // Empty text when no route exists, the host answers nothing, asks for more
  // than kMaxSettingBytes (the second call is then not made) or memory runs out.
  HostText ReadSetting(const char* feature) const;
  // Appends the bytes to the job's output; the host's result is not looked at.
  void Write(const void* bytes, DWORD size) const;

 private:
  PFN_DrvGetDriverSetting TableGetSetting() const;
  PFN_DrvWriteSpoolBuf TableWrite() const;
  void AskSetting(const char* feature, void* buffer, DWORD size, DWORD* needed) const;

  PDEVOBJ pdevobj_;
  IPrintOemDriverUni* driverUni_;
};
