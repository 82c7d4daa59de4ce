// Loading the plug-in library and making its object.
#include "plugin_library.h"

#include "function_cast.h"

PluginLibrary::PluginLibrary(const std::string& path, bool keep)
    : module_(LoadLibraryA(path.c_str())), keep_(keep) {
  if (!module_) return;
  getClassObject = FunctionCast<GetClassObjectFn>(GetProcAddress(module_, "DllGetClassObject"));
  canUnloadNow = FunctionCast<CanUnloadNowFn>(GetProcAddress(module_, "DllCanUnloadNow"));
}

PluginLibrary::~PluginLibrary() {
  if (module_ && !keep_) FreeLibrary(module_);
}

IPrintOemUni2* CreatePluginObject(GetClassObjectFn getClassObject, HRESULT* hr) {
  HRESULT unused = E_FAIL;
  HRESULT& answer = hr ? *hr : unused;
  answer = E_FAIL;
  if (!getClassObject) return nullptr;
  IClassFactory* factory = nullptr;
  answer = getClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(answer)) return nullptr;
  IPrintOemUni2* plugin = nullptr;
  answer = factory->CreateInstance(nullptr, IID_IPrintOemUni2, reinterpret_cast<void**>(&plugin));
  factory->Release();
  return SUCCEEDED(answer) ? plugin : nullptr;
}
