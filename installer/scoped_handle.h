// Every platform handle the setup program opens is owned by one of these:
// a move-only owner built from one template and a traits type per kind of
// handle. Closing keeps the thread's last-error code, so a failure can still
// be reported after the handles of the failed step are gone.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <winspool.h>
#include <winsvc.h>

#include <utility>

template <typename Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~ScopedHandle() { Reset(); }

  bool IsValid() const { return Traits::IsValid(handle_); }
  Handle Get() const { return handle_; }
  // For calls that hand the handle out through a pointer.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) {
    if (Traits::IsValid(handle_)) {
      DWORD error = GetLastError();
      Traits::Close(handle_);
      SetLastError(error);
    }
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Files, devices, processes and threads. CreateFileW reports failure with
// INVALID_HANDLE_VALUE, the others with null: both count as no handle.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct PrinterHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ClosePrinter(h); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

struct ServiceHandleTraits {
  using Handle = SC_HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { CloseServiceHandle(h); }
};

struct DeviceInfoSetTraits {
  using Handle = HDEVINFO;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { SetupDiDestroyDeviceInfoList(h); }
};

// Device contexts made with CreateDCW or CreateCompatibleDC, and GDI objects
// (fonts, bitmaps); an object must leave its context before it goes.
struct DcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};

struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedPrinter = ScopedHandle<PrinterHandleTraits>;
using ScopedKey = ScopedHandle<RegistryKeyTraits>;
using ScopedService = ScopedHandle<ServiceHandleTraits>;
using ScopedDeviceInfoSet = ScopedHandle<DeviceInfoSetTraits>;
using ScopedDc = ScopedHandle<DcTraits>;
using ScopedGdiObject = ScopedHandle<GdiObjectTraits>;
