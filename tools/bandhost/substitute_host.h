// A substitute for the universal printer driver's side of the plug-in
// contract, for running the plug-in without the platform: a device object with
// a public DEVMODE, the service table (DrvGetDriverSetting, DrvWriteSpoolBuf),
// a service object answering IPrintOemDriverUni, and six drawing entry points
// for EnablePDEV. It records what the plug-in asks and writes.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "printer_oem.h"

class SubstituteHost {
 public:
  // Which routes the host offers. Current hosts may leave the service table
  // out, or parts of it.
  struct Routes {
    bool serviceTable = true;      // DEVOBJ.pDrvProcs present
    bool tableGetSetting = true;   // its DrvGetDriverSetting entry
    bool tableWrite = true;        // its DrvWriteSpoolBuf entry
    bool serviceInterface = true;  // the service object answers IPrintOemDriverUni
  };
  enum class Route { kTable, kInterface };

  struct SettingQuery {
    std::string feature;
    bool withBuffer;
    DWORD size;
    Route route;
  };
  struct SpoolWrite {
    Route route;
    DWORD size;
  };
  struct DrawingCall {
    ULONG index;                         // the platform's function index of the entry point called
    std::vector<const void*> arguments;  // pointers and values, in order
  };

  SubstituteHost();
  explicit SubstituteHost(Routes routes);
  ~SubstituteHost();
  SubstituteHost(const SubstituteHost&) = delete;
  SubstituteHost& operator=(const SubstituteHost&) = delete;

  // The option text answered for `feature`; features never set are unknown.
  void SetOption(const std::string& feature, const std::string& option);
  // Makes the host lie about `feature`: the size query answers `reported`
  // bytes, and a buffer handed in is filled to its end (at most 1 MiB) with the
  // option text and then '#', without a terminator.
  void ReportSettingSize(const std::string& feature, DWORD reported);
  void SetLandscape(bool landscape);
  // The service route reports at most this many bytes written per call.
  void LimitReportedWrite(DWORD bytes);
  // Off: setting queries and spool writes are not recorded (a benchmark's
  // long run neither grows nor measures a recording).
  void SetRecording(bool recording) { recording_ = recording; }
  // What every drawing entry point returns.
  void SetDrawingResult(BOOL result) { drawingResult_ = result; }

  DEVOBJ* Devobj() { return &devobj_; }
  SURFOBJ* Surface() { return &surface_; }
  IUnknown* ServiceObject();
  LONG ServiceReferences() const { return service_.references; }
  // The host's drawing entry points, as handed to EnablePDEV.
  DRVENABLEDATA* HostFunctions() { return &hostFunctions_; }

  // Spooled bytes go to `sink` as they come instead of being kept in Spool();
  // a sink that fails (returns false) is reported by SpoolFailed().
  void SetSpoolSink(std::function<bool(const BYTE*, DWORD)> sink) { sink_ = std::move(sink); }
  bool SpoolFailed() const { return sinkFailed_; }

  const std::vector<BYTE>& Spool() const { return spool_; }
  const std::vector<SpoolWrite>& Writes() const { return writes_; }
  const std::vector<SettingQuery>& SettingQueries() const { return settingQueries_; }
  const std::vector<DrawingCall>& DrawingCalls() const { return drawingCalls_; }

 private:
  class Service : public IPrintOemDriverUni {
   public:
    explicit Service(SubstituteHost* host) : host_(host) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(DrvGetDriverSetting)
    (PVOID pdriverobj, PCSTR Feature, PVOID pOutput, DWORD cbSize, PDWORD pcbNeeded,
     PDWORD pdwOptionsReturned) override;
    STDMETHOD(DrvWriteSpoolBuf)
    (PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) override;
    STDMETHOD(DrvXMoveTo)(PDEVOBJ pdevobj, INT x, DWORD dwFlags, INT* piResult) override;
    STDMETHOD(DrvYMoveTo)(PDEVOBJ pdevobj, INT y, DWORD dwFlags, INT* piResult) override;
    STDMETHOD(DrvGetStandardVariable)
    (PDEVOBJ pdevobj, DWORD dwIndex, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    STDMETHOD(DrvGetGPDData)
    (PDEVOBJ pdevobj, DWORD dwType, PVOID pInputData, PVOID pBuffer, DWORD cbSize,
     PDWORD pcbNeeded) override;
    STDMETHOD(DrvUniTextOut)
    (SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
     BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlBrushOrg, MIX mix) override;
    STDMETHOD(DrvWriteAbortBuf)
    (PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, DWORD dwWait) override;

    LONG references = 0;  // the host's own reference is not counted

   private:
    SubstituteHost* host_;
  };

  static SubstituteHost* Of(const void* pdevobj);
  static BOOL APIENTRY TableGetSetting(PVOID pdriverobj, PCSTR feature, PVOID output, DWORD size,
                                       PDWORD needed, PDWORD optionsReturned);
  static DWORD APIENTRY TableWrite(PDEVOBJ pdevobj, PVOID buffer, DWORD size);
  static BOOL APIENTRY HostNextBand(SURFOBJ* pso, POINTL* pptl);
  static BOOL APIENTRY HostStartPage(SURFOBJ* pso);
  static BOOL APIENTRY HostSendPage(SURFOBJ* pso);
  static BOOL APIENTRY HostStartDoc(SURFOBJ* pso, LPWSTR docName, DWORD jobId);
  static BOOL APIENTRY HostEndDoc(SURFOBJ* pso, FLONG flags);
  static BOOL APIENTRY HostTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                   RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                   BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
  static BOOL RecordDrawing(SURFOBJ* pso, ULONG index, std::vector<const void*> arguments);

  // Answers a setting the way the host does: size first, then the text.
  bool AnswerSetting(PCSTR feature, PVOID output, DWORD size, PDWORD needed, PDWORD optionsReturned,
                     Route route);
  void AppendSpool(const void* buffer, DWORD size, Route route);

  Routes routes_;
  std::map<std::string, std::string, std::less<>> options_;
  std::map<std::string, DWORD, std::less<>> reportedSizes_;
  DEVMODEW devmode_{};
  DRVPROCS procs_{};
  DEVOBJ devobj_{};
  SURFOBJ surface_{};
  Service service_{this};
  DRVFN hostEntries_[6] = {};
  DRVENABLEDATA hostFunctions_{};
  DWORD reportedWriteLimit_ = 0xFFFFFFFF;
  BOOL drawingResult_ = TRUE;
  bool recording_ = true;
  std::vector<BYTE> spool_;
  std::function<bool(const BYTE*, DWORD)> sink_;
  bool sinkFailed_ = false;
  std::vector<SpoolWrite> writes_;
  std::vector<SettingQuery> settingQueries_;
  std::vector<DrawingCall> drawingCalls_;
};
