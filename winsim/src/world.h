// Internals shared by winsim's machine pieces: text conversion, injected
// faults, the handle table and the virtual clock. Not for tests (they use
// sim_installer.h).
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <windows.h>

#include "sim.h"

namespace winsim {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
std::wstring Lower(std::wstring text);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
std::wstring TextOrEmpty(LPCWSTR text);

// True (and the thread's last error set) when a fault was planned for this
// call of `function`.
bool Faulted(const char* function);

// Every handle-like value the simulation hands out points at one of these.
struct Object {
  virtual ~Object() = default;
  virtual std::string Describe() const = 0;
};
// Registers an object and returns its handle value (never null or -1).
void* AddObject(std::unique_ptr<Object> object);
// The object behind a handle if it is of type T, else nullptr.
Object* FindObject(void* handle);
template <typename T>
T* Find(void* handle) {
  return dynamic_cast<T*>(FindObject(handle));
}
bool RemoveObject(void* handle);
// Objects that CloseHandle closes (files, devices, processes, threads).
struct KernelObject : Object {};

// Virtual time in milliseconds, advanced only by Sleep.
ULONGLONG Now();

// Whether a spooler port of this name has a device that opens as a file.
bool PortDeviceOpenable(const std::wstring& name);

// The dialog template and string the resource loader picks for the current
// UI language; false when the resource scripts define none.
bool LookupDialog(int id, sim::DialogTemplate& out);
bool LookupString(UINT id, std::wstring& out);
// The file of a file resource (e.g. type "BITMAP"), as a host path; false
// when the resource scripts define none.
bool LookupFileResource(const std::string& type, long id, std::string& path);

// Reset hooks of each piece, called by sim::ResetWorld.
void ResetFiles();
void ResetRegistry();
void ResetSpooler();
void ResetServices();
void ResetDevices();
void ResetUser();
void ResetResources();

}  // namespace winsim
