// The substitute host.
#include "substitute_host.h"

#include <cstring>
#include <string_view>
#include <type_traits>

#include "function_cast.h"

SubstituteHost::SubstituteHost() : SubstituteHost(Routes{}) {}

SubstituteHost::SubstituteHost(Routes routes) : routes_(routes) {
  devmode_.dmSize = sizeof devmode_;
  devmode_.dmFields = DM_ORIENTATION;
  devmode_.dmOrientation = DMORIENT_PORTRAIT;
  procs_.DrvGetDriverSetting = routes.tableGetSetting ? &TableGetSetting : nullptr;
  procs_.DrvWriteSpoolBuf = routes.tableWrite ? &TableWrite : nullptr;
  devobj_.dwSize = sizeof devobj_;
  devobj_.hEngine = this;  // the engine handle is the host's own: it leads back here
  devobj_.pPublicDM = &devmode_;
  devobj_.pDrvProcs = routes.serviceTable ? &procs_ : nullptr;
  surface_.dhpdev = reinterpret_cast<DHPDEV>(&devobj_);
#ifdef _WIN32
  // The table holds them untyped; the plug-in calls them back through the platform's DDI
  // types, so on 32-bit Windows a convention other than theirs would compile and then break
  // the stack.
  static_assert(std::is_same_v<decltype(&HostNextBand), PFN_DrvNextBand> &&
                std::is_same_v<decltype(&HostStartPage), PFN_DrvStartPage> &&
                std::is_same_v<decltype(&HostSendPage), PFN_DrvSendPage> &&
                std::is_same_v<decltype(&HostStartDoc), PFN_DrvStartDoc> &&
                std::is_same_v<decltype(&HostEndDoc), PFN_DrvEndDoc> &&
                std::is_same_v<decltype(&HostTextOut), PFN_DrvTextOut>);
#endif
  const DRVFN entries[6] = {
      {INDEX_DrvNextBand, FunctionCast<PFN>(&HostNextBand)},
      {INDEX_DrvStartPage, FunctionCast<PFN>(&HostStartPage)},
      {INDEX_DrvSendPage, FunctionCast<PFN>(&HostSendPage)},
      {INDEX_DrvStartDoc, FunctionCast<PFN>(&HostStartDoc)},
      {INDEX_DrvEndDoc, FunctionCast<PFN>(&HostEndDoc)},
      {INDEX_DrvTextOut, FunctionCast<PFN>(&HostTextOut)},
  };
  std::memcpy(hostEntries_, entries, sizeof entries);
  hostFunctions_.iDriverVersion = DDI_DRIVER_VERSION_NT4;
  hostFunctions_.c = 6;
  hostFunctions_.pdrvfn = hostEntries_;
}

SubstituteHost::~SubstituteHost() = default;

void SubstituteHost::SetOption(const std::string& feature, const std::string& option) {
  options_[feature] = option;
}

void SubstituteHost::ReportSettingSize(const std::string& feature, DWORD reported) {
  reportedSizes_[feature] = reported;
}

void SubstituteHost::SetLandscape(bool landscape) {
  devmode_.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

void SubstituteHost::LimitReportedWrite(DWORD bytes) { reportedWriteLimit_ = bytes; }

IUnknown* SubstituteHost::ServiceObject() { return &service_; }

SubstituteHost* SubstituteHost::Of(const void* pdevobj) {
  return pdevobj ? static_cast<SubstituteHost*>(static_cast<const DEVOBJ*>(pdevobj)->hEngine)
                 : nullptr;
}

bool SubstituteHost::AnswerSetting(PCSTR feature, PVOID output, DWORD size, PDWORD needed,
                                   PDWORD optionsReturned, Route route) {
  const std::string_view name = feature ? feature : "";
  if (recording_) settingQueries_.push_back({std::string(name), output != nullptr, size, route});
  const auto option = options_.find(name);
  const auto lie = reportedSizes_.find(name);
  if (lie != reportedSizes_.end()) {
    if (needed) *needed = lie->second;
    if (!output) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return false;
    }
    // Writing gigabytes would test the machine's memory, not the plug-in.
    constexpr DWORD kMaxFill = 1 << 20;
    const std::string text = option != options_.end() ? option->second : std::string();
    auto* bytes = static_cast<char*>(output);
    for (DWORD i = 0; i < size && i < kMaxFill; ++i) bytes[i] = i < text.size() ? text[i] : '#';
    if (optionsReturned) *optionsReturned = 1;
    return true;
  }
  if (option == options_.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const DWORD bytes = static_cast<DWORD>(option->second.size() + 1);
  if (needed) *needed = bytes;
  if (!output || size < bytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(output, option->second.c_str(), bytes);
  if (optionsReturned) *optionsReturned = 1;
  return true;
}

void SubstituteHost::AppendSpool(const void* buffer, DWORD size, Route route) {
  if (recording_) writes_.push_back({route, size});
  const auto* bytes = static_cast<const BYTE*>(buffer);
  if (!bytes) return;
  if (sink_) {
    if (!sinkFailed_ && !sink_(bytes, size)) sinkFailed_ = true;
  } else {
    spool_.insert(spool_.end(), bytes, bytes + size);
  }
}

BOOL APIENTRY SubstituteHost::TableGetSetting(PVOID pdriverobj, PCSTR feature, PVOID output,
                                              DWORD size, PDWORD needed, PDWORD optionsReturned) {
  SubstituteHost* host = Of(pdriverobj);
  return host && host->AnswerSetting(feature, output, size, needed, optionsReturned, Route::kTable)
             ? TRUE
             : FALSE;
}

DWORD APIENTRY SubstituteHost::TableWrite(PDEVOBJ pdevobj, PVOID buffer, DWORD size) {
  SubstituteHost* host = Of(pdevobj);
  if (!host) return 0;
  host->AppendSpool(buffer, size, Route::kTable);
  return size;
}

BOOL SubstituteHost::RecordDrawing(SURFOBJ* pso, ULONG index, std::vector<const void*> arguments) {
  SubstituteHost* host = pso ? Of(pso->dhpdev) : nullptr;
  if (!host) return FALSE;
  host->drawingCalls_.push_back({index, std::move(arguments)});
  return host->drawingResult_;
}

BOOL APIENTRY SubstituteHost::HostNextBand(SURFOBJ* pso, POINTL* pptl) {
  return RecordDrawing(pso, INDEX_DrvNextBand, {pso, pptl});
}

BOOL APIENTRY SubstituteHost::HostStartPage(SURFOBJ* pso) {
  return RecordDrawing(pso, INDEX_DrvStartPage, {pso});
}

BOOL APIENTRY SubstituteHost::HostSendPage(SURFOBJ* pso) {
  return RecordDrawing(pso, INDEX_DrvSendPage, {pso});
}

BOOL APIENTRY SubstituteHost::HostStartDoc(SURFOBJ* pso, LPWSTR docName, DWORD jobId) {
  return RecordDrawing(
      pso, INDEX_DrvStartDoc,
      {pso, docName, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(jobId))});
}

BOOL APIENTRY SubstituteHost::HostEndDoc(SURFOBJ* pso, FLONG flags) {
  return RecordDrawing(pso, INDEX_DrvEndDoc,
                       {pso, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(flags))});
}

BOOL APIENTRY SubstituteHost::HostTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                          RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                          BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  return RecordDrawing(pso, INDEX_DrvTextOut,
                       {pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg,
                        reinterpret_cast<const void*>(static_cast<ULONG_PTR>(mix))});
}

// The service object.

STDMETHODIMP SubstituteHost::Service::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemDriverUni);
  if (!known || !host_->routes_.serviceInterface) return E_NOINTERFACE;
  *ppv = static_cast<IPrintOemDriverUni*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) SubstituteHost::Service::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references));
}

STDMETHODIMP_(ULONG) SubstituteHost::Service::Release() {
  return static_cast<ULONG>(InterlockedDecrement(&references));
}

STDMETHODIMP SubstituteHost::Service::DrvGetDriverSetting(PVOID, PCSTR Feature, PVOID pOutput,
                                                          DWORD cbSize, PDWORD pcbNeeded,
                                                          PDWORD pdwOptionsReturned) {
  return host_->AnswerSetting(Feature, pOutput, cbSize, pcbNeeded, pdwOptionsReturned,
                              Route::kInterface)
             ? S_OK
             : E_FAIL;
}

STDMETHODIMP SubstituteHost::Service::DrvWriteSpoolBuf(PDEVOBJ, PVOID pBuffer, DWORD cbSize,
                                                       DWORD* pdwResult) {
  host_->AppendSpool(pBuffer, cbSize, Route::kInterface);
  if (pdwResult)
    *pdwResult = cbSize < host_->reportedWriteLimit_ ? cbSize : host_->reportedWriteLimit_;
  return S_OK;
}

// Services the plug-in never uses.
STDMETHODIMP SubstituteHost::Service::DrvXMoveTo(PDEVOBJ, INT, DWORD, INT*) { return E_NOTIMPL; }
STDMETHODIMP SubstituteHost::Service::DrvYMoveTo(PDEVOBJ, INT, DWORD, INT*) { return E_NOTIMPL; }
STDMETHODIMP SubstituteHost::Service::DrvGetStandardVariable(PDEVOBJ, DWORD, PVOID, DWORD, PDWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP SubstituteHost::Service::DrvGetGPDData(PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP SubstituteHost::Service::DrvUniTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*,
                                                    RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
  return E_NOTIMPL;
}
STDMETHODIMP SubstituteHost::Service::DrvWriteAbortBuf(PDEVOBJ, PVOID, DWORD, DWORD) {
  return E_NOTIMPL;
}
