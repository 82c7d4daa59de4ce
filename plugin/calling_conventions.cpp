// The host calls each method and callback below through a pointer of the type the platform
// declares. On 32-bit Windows the calling convention is part of that type (__stdcall for
// STDMETHODCALLTYPE, WINAPI and APIENTRY, where the compiler's default is __cdecl), and
// wherever a cast or an interface of our own declaring stands between us and the host (the
// DRVFN hook table, the vtables), a wrong one would compile and then unbalance the stack at
// the first call. Here every such type is spelled out once more, independently, so that a
// wrong convention is a compile error in the 32-bit build. On 64-bit Windows there is one
// convention and these hold trivially.
#ifdef _WIN32

#include <type_traits>

#include "class_factory.h"
#include "drawing_hooks.h"
#include "oem_uni2.h"
#include "printer_oem.h"

namespace {

// Declaring class, method, return type, parameter types; slot order as the host calls them.
#define BRINDOL_IUNKNOWN_METHODS(X, C)          \
  X(C, QueryInterface, HRESULT, REFIID, void**) \
  X(C, AddRef, ULONG)                           \
  X(C, Release, ULONG)

#define BRINDOL_OEM_UNI2_METHODS(X, Common, Engine, Uni, Uni2)                                    \
  X(Common, GetInfo, HRESULT, DWORD, PVOID, DWORD, PDWORD)                                        \
  X(Common, DevMode, HRESULT, DWORD, POEMDMPARAM)                                                 \
  X(Engine, EnableDriver, HRESULT, DWORD, DWORD, PDRVENABLEDATA)                                  \
  X(Engine, DisableDriver, HRESULT)                                                               \
  X(Engine, EnablePDEV, HRESULT, PDEVOBJ, PWSTR, ULONG, HSURF*, ULONG, GDIINFO*, ULONG, DEVINFO*, \
    DRVENABLEDATA*, PDEVOEM*)                                                                     \
  X(Engine, DisablePDEV, HRESULT, PDEVOBJ)                                                        \
  X(Engine, ResetPDEV, HRESULT, PDEVOBJ, PDEVOBJ)                                                 \
  X(Uni, PublishDriverInterface, HRESULT, IUnknown*)                                              \
  X(Uni, GetImplementedMethod, HRESULT, PSTR)                                                     \
  X(Uni, DriverDMS, HRESULT, PVOID, PVOID, DWORD, PDWORD)                                         \
  X(Uni, CommandCallback, HRESULT, PDEVOBJ, DWORD, DWORD, PDWORD, INT*)                           \
  X(Uni, ImageProcessing, HRESULT, PDEVOBJ, PBYTE, PBITMAPINFOHEADER, PBYTE, DWORD, PIPPARAMS,    \
    PBYTE*)                                                                                       \
  X(Uni, FilterGraphics, HRESULT, PDEVOBJ, PBYTE, DWORD)                                          \
  X(Uni, Compression, HRESULT, PDEVOBJ, PBYTE, PBYTE, DWORD, DWORD, INT*)                         \
  X(Uni, HalftonePattern, HRESULT, PDEVOBJ, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD)      \
  X(Uni, MemoryUsage, HRESULT, PDEVOBJ, POEMMEMORYUSAGE)                                          \
  X(Uni, TTYGetInfo, HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, DWORD*)                               \
  X(Uni, DownloadFontHeader, HRESULT, PDEVOBJ, PUNIFONTOBJ, DWORD*)                               \
  X(Uni, DownloadCharGlyph, HRESULT, PDEVOBJ, PUNIFONTOBJ, HGLYPH, PDWORD, DWORD*)                \
  X(Uni, TTDownloadMethod, HRESULT, PDEVOBJ, PUNIFONTOBJ, DWORD*)                                 \
  X(Uni, OutputCharStr, HRESULT, PDEVOBJ, PUNIFONTOBJ, DWORD, DWORD, PVOID)                       \
  X(Uni, SendFontCmd, HRESULT, PDEVOBJ, PUNIFONTOBJ, PFINVOCATION)                                \
  X(Uni, TextOutAsBitmap, HRESULT, SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,         \
    BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX)                                                           \
  X(Uni2, WritePrinter, HRESULT, PDEVOBJ, PVOID, DWORD, PDWORD)

#define BRINDOL_DRIVER_UNI_METHODS(X, C)                                                         \
  X(C, DrvGetDriverSetting, HRESULT, PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD)                 \
  X(C, DrvWriteSpoolBuf, HRESULT, PDEVOBJ, PVOID, DWORD, DWORD*)                                 \
  X(C, DrvXMoveTo, HRESULT, PDEVOBJ, INT, DWORD, INT*)                                           \
  X(C, DrvYMoveTo, HRESULT, PDEVOBJ, INT, DWORD, INT*)                                           \
  X(C, DrvGetStandardVariable, HRESULT, PDEVOBJ, DWORD, PVOID, DWORD, PDWORD)                    \
  X(C, DrvGetGPDData, HRESULT, PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD)                      \
  X(C, DrvUniTextOut, HRESULT, SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, \
    BRUSHOBJ*, POINTL*, MIX)                                                                     \
  X(C, DrvWriteAbortBuf, HRESULT, PDEVOBJ, PVOID, DWORD, DWORD)

#define BRINDOL_CLASS_FACTORY_METHODS(X, C)                \
  X(C, CreateInstance, HRESULT, IUnknown*, REFIID, void**) \
  X(C, LockServer, HRESULT, BOOL)

#define BRINDOL_EXPECT_STDMETHOD(Class, Method, Result, ...)                                      \
  static_assert(                                                                                  \
      std::is_same_v<decltype(&Class::Method), Result (STDMETHODCALLTYPE Class::*)(__VA_ARGS__)>, \
      #Class "::" #Method ": the host calls it as STDMETHODCALLTYPE");

// The interfaces as we declare them, and our objects that implement them (IUnknown itself is
// the system's).
BRINDOL_OEM_UNI2_METHODS(BRINDOL_EXPECT_STDMETHOD, IPrintOemCommon, IPrintOemEngine, IPrintOemUni,
                         IPrintOemUni2)
BRINDOL_DRIVER_UNI_METHODS(BRINDOL_EXPECT_STDMETHOD, IPrintOemDriverUni)
BRINDOL_IUNKNOWN_METHODS(BRINDOL_EXPECT_STDMETHOD, COemUni2)
BRINDOL_OEM_UNI2_METHODS(BRINDOL_EXPECT_STDMETHOD, COemUni2, COemUni2, COemUni2, COemUni2)
BRINDOL_IUNKNOWN_METHODS(BRINDOL_EXPECT_STDMETHOD, COemCF)
BRINDOL_CLASS_FACTORY_METHODS(BRINDOL_EXPECT_STDMETHOD, COemCF)

// The service table the host may hand over in the DEVOBJ.
static_assert(std::is_same_v<PFN_DrvWriteSpoolBuf, DWORD(APIENTRY*)(PDEVOBJ, PVOID, DWORD)>);
static_assert(std::is_same_v<PFN_DrvXMoveTo, INT(APIENTRY*)(PDEVOBJ, INT, DWORD)>);
static_assert(std::is_same_v<PFN_DrvYMoveTo, INT(APIENTRY*)(PDEVOBJ, INT, DWORD)>);
static_assert(std::is_same_v<PFN_DrvGetDriverSetting,
                             BOOL(APIENTRY*)(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD)>);
static_assert(std::is_same_v<PFN_DrvGetStandardVariable,
                             BOOL(APIENTRY*)(PDEVOBJ, DWORD, PVOID, DWORD, PDWORD)>);
static_assert(std::is_same_v<PFN_DrvWriteAbortBuf, DWORD(APIENTRY*)(PDEVOBJ, PVOID, DWORD, DWORD)>);
static_assert(
    std::is_same_v<decltype(DRVPROCS::DrvWriteSpoolBuf), PFN_DrvWriteSpoolBuf> &&
    std::is_same_v<decltype(DRVPROCS::DrvGetDriverSetting), PFN_DrvGetDriverSetting> &&
    std::is_same_v<decltype(DRVPROCS::BGetStandardVariable), PFN_DrvGetStandardVariable> &&
    std::is_same_v<decltype(DRVPROCS::DrvWriteAbortBuf), PFN_DrvWriteAbortBuf>);

// The drawing hooks go into the host's table as untyped PFN and call the host's own entry
// points through their own type: both sides must be the platform's DDI types.
static_assert(std::is_same_v<decltype(&OemNextBand), PFN_DrvNextBand>);
static_assert(std::is_same_v<decltype(&OemStartPage), PFN_DrvStartPage>);
static_assert(std::is_same_v<decltype(&OemSendPage), PFN_DrvSendPage>);
static_assert(std::is_same_v<decltype(&OemStartDoc), PFN_DrvStartDoc>);
static_assert(std::is_same_v<decltype(&OemEndDoc), PFN_DrvEndDoc>);
static_assert(std::is_same_v<decltype(&OemTextOut), PFN_DrvTextOut>);

// The library's exports, looked up by name and called through the COM types.
static_assert(std::is_same_v<decltype(&DllGetClassObject), LPFNGETCLASSOBJECT>);
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), LPFNCANUNLOADNOW>);

}  // namespace

#endif  // _WIN32
