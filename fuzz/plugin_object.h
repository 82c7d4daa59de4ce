// A plug-in object made the host's way (DllGetClassObject, the class
// factory, CreateInstance), released when the scope ends. The release checks
// the two promises every caller relies on: the last reference deletes the
// object, and with no object and no lock left the library may be unloaded.
#pragma once

#include <windows.h>

#include "fuzz_input.h"
#include "plugin_library.h"

class PluginObject {
 public:
  PluginObject() : object_(CreatePluginObject(&DllGetClassObject)) { FUZZ_CHECK(object_); }
  ~PluginObject() {
    FUZZ_CHECK(object_->Release() == 0);
    FUZZ_CHECK(DllCanUnloadNow() == S_OK);
  }
  PluginObject(const PluginObject&) = delete;
  PluginObject& operator=(const PluginObject&) = delete;

  IPrintOemUni2* operator->() const { return object_; }

 private:
  IPrintOemUni2* object_ = nullptr;
};
