// The plug-in library loaded as the host loads it (LoadLibrary, then the two
// exported entry points), and the plug-in object made the host's way.
#pragma once

#include <string>

#include "printer_oem.h"

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

class PluginLibrary {
 public:
  // Freed when the object goes, unless `keep` (a program that loads it once).
  explicit PluginLibrary(const std::string& path, bool keep = false);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // The library and both entry points were found.
  bool Loaded() const { return module_ && getClassObject && canUnloadNow; }

  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;

 private:
  HMODULE module_;
  bool keep_;
};

// A new plug-in object through the class factory of `getClassObject` (a
// loaded library's, or the linked-in DllGetClassObject), holding one
// reference; null, with `hr` saying why when given, when it is refused.
IPrintOemUni2* CreatePluginObject(GetClassObjectFn getClassObject, HRESULT* hr = nullptr);
