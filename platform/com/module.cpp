#include "platform/com/module.h"

#include "platform/com/registration.h"
#include "platform/module.h"

namespace platform::com {

namespace {

// The class factory of one class of a module; it keeps the module loaded while a host holds it.
class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
 public:
  ClassFactory(Module& module, const ClassEntry& entry) : lock_(module), entry_(entry) {}

  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!entry_.create) return E_NOTIMPL;
    try {
      return entry_.create(lock_.GetModule(), iid, out);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  HRESULT LockServer(bool lock) override {
    if (lock) {
      lock_.GetModule().Lock();
    } else {
      lock_.GetModule().Unlock();
    }
    return S_OK;
  }

 private:
  ModuleLock lock_;
  const ClassEntry& entry_;
};

}  // namespace

HRESULT Module::CanUnloadNow() noexcept { return LockCount() == 0 ? S_OK : S_FALSE; }

HRESULT Module::GetClassObject(const CLSID& clsid, const IID& iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ClassEntry& entry : info_.classes) {
    if (!(entry.clsid == clsid)) continue;
    try {
      return MakeObject<ClassFactory>(*this, entry)->QueryInterface(iid, out);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Module::RegisterServer() noexcept {
  try {
    return RegisterModule(info_, Path());
  } catch (...) {
    return info_.typeLib ? SELFREG_E_TYPELIB : SELFREG_E_CLASS;
  }
}

HRESULT Module::UnregisterServer() noexcept {
  try {
    return UnregisterModule(info_);
  } catch (...) {
    return info_.typeLib ? SELFREG_E_TYPELIB : SELFREG_E_CLASS;
  }
}

std::string Module::Path() const { return ModulePathOf(this); }

HRESULT Module::GetTypeLib(const GUID& libid, std::uint16_t major, std::uint16_t minor, const TypeLib** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  const TypeLib* lib = info_.typeLib;
  if (!lib || !(lib->libid == libid) || lib->majorVersion != major || lib->minorVersion != minor) {
    return TYPE_E_LIBNOTREGISTERED;
  }
  *out = lib;
  return S_OK;
}

}  // namespace platform::com
