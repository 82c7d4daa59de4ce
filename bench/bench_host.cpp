#include "bench_host.h"

#include <cstring>

BenchHost::BenchHost() {
  devmode_.dmSize = sizeof devmode_;
  devmode_.dmFields = DM_ORIENTATION;
  devmode_.dmOrientation = DMORIENT_PORTRAIT;
  procs_.DrvGetDriverSetting = &GetSetting;
  procs_.DrvWriteSpoolBuf = &Write;
  devobj_.dwSize = sizeof devobj_;
  devobj_.hEngine = this;  // leads the service calls back here
  devobj_.pPublicDM = &devmode_;
  devobj_.pDrvProcs = &procs_;
}

void BenchHost::SetOption(const std::string& feature, const std::string& option) {
  if (feature == "HorizontalOffset") offset_ = option;
  if (feature == "Translate180") translate_ = option;
  if (feature == "SavePaperMode") paperSaving_ = option;
}

void BenchHost::SetLandscape(bool landscape) {
  devmode_.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

BenchHost* BenchHost::Of(const void* pdevobj) {
  return pdevobj ? static_cast<BenchHost*>(static_cast<const DEVOBJ*>(pdevobj)->hEngine) : nullptr;
}

BOOL APIENTRY BenchHost::GetSetting(PVOID pdriverobj, PCSTR feature, PVOID output, DWORD size,
                                    PDWORD needed, PDWORD optionsReturned) {
  BenchHost* host = Of(pdriverobj);
  if (host == nullptr || feature == nullptr) return FALSE;
  const std::string* text = nullptr;
  if (std::strcmp(feature, "HorizontalOffset") == 0) text = &host->offset_;
  if (std::strcmp(feature, "Translate180") == 0) text = &host->translate_;
  if (std::strcmp(feature, "SavePaperMode") == 0) text = &host->paperSaving_;
  if (text == nullptr || text->empty()) return FALSE;  // a feature the printer lacks
  const DWORD bytes = static_cast<DWORD>(text->size() + 1);
  if (needed != nullptr) *needed = bytes;
  if (output == nullptr || size < bytes) return FALSE;
  std::memcpy(output, text->c_str(), bytes);
  if (optionsReturned != nullptr) *optionsReturned = 1;
  return TRUE;
}

DWORD APIENTRY BenchHost::Write(PDEVOBJ pdevobj, PVOID buffer, DWORD size) {
  BenchHost* host = Of(pdevobj);
  if (host == nullptr || buffer == nullptr) return 0;
  host->bytes_ += size;
  return size;
}
