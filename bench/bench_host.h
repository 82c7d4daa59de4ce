// A lean host for the benchmarks: a device object with a public DEVMODE and
// the two service-table entries the band pipeline uses. Settings come from a
// small table; the spool only counts what it is given, so that a long run
// neither grows nor measures a recording.
#pragma once

#include <cstdint>
#include <string>

#include "printer_oem.h"

class BenchHost {
 public:
  BenchHost();
  BenchHost(const BenchHost&) = delete;
  BenchHost& operator=(const BenchHost&) = delete;

  // The option text the host answers for one of the pipeline's features
  // ("HorizontalOffset", "Translate180", "SavePaperMode"); others are unknown.
  void SetOption(const std::string& feature, const std::string& option);
  void SetLandscape(bool landscape);

  DEVOBJ* Devobj() { return &devobj_; }
  std::uint64_t BytesWritten() const { return bytes_; }

 private:
  static BenchHost* Of(const void* pdevobj);
  static BOOL APIENTRY GetSetting(PVOID pdriverobj, PCSTR feature, PVOID output, DWORD size,
                                  PDWORD needed, PDWORD optionsReturned);
  static DWORD APIENTRY Write(PDEVOBJ pdevobj, PVOID buffer, DWORD size);

  std::string offset_;
  std::string translate_;
  std::string paperSaving_;
  DEVMODEW devmode_{};
  DRVPROCS procs_{};
  DEVOBJ devobj_{};
  std::uint64_t bytes_ = 0;
};
