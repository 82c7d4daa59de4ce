// COemCF: the class factory that DllGetClassObject hands out. It makes
// COemUni2 objects and keeps the server lock count.
#pragma once

#include <objbase.h>
#include <windows.h>

class COemCF final : public IClassFactory {
 public:
  COemCF() = default;
  COemCF(const COemCF&) = delete;
  COemCF& operator=(const COemCF&) = delete;

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
  STDMETHOD(LockServer)(BOOL fLock) override;

 private:
  ~COemCF() = default;  // only Release deletes

  LONG volatile refCount_ = 1;
};
