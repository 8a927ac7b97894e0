// The module side of a control library: its class table, the generic class factory, the count that tells when
// the library may be unloaded, and the behaviour of its four exports. A control library writes:
//
//   namespace {
//   platform::com::Module g_module({
//       .classes = {{.clsid = kClsidCtrl, .progId = "Foo.FooCtrl.1", .typeName = "Foo", .miscStatus = 0x20191,
//                    .toolboxBitmap = 1, .isControl = true, .categories = {kCatidSafeScript},
//                    .create = &platform::com::CreateObject<CFooCtrl>}},
//       .typeLib = &kFooLib,
//       .categories = {{kCatidSafeScript, "Controls safely scriptable!"}}});
//   }
//   extern "C" HRESULT DllCanUnloadNow() { return g_module.CanUnloadNow(); }
//   extern "C" HRESULT DllGetClassObject(const CLSID& c, const IID& i, void** out) {
//     return g_module.GetClassObject(c, i, out);
//   }
//   extern "C" HRESULT DllRegisterServer() { return g_module.RegisterServer(); }
//   extern "C" HRESULT DllUnregisterServer() { return g_module.UnregisterServer(); }
//
// (exported with __attribute__((visibility("default"))) and listed in vek_add_library's EXPORTS). None of the
// four lets an exception out. The Module must be an object of static storage inside the library, since its own
// address tells the library's file.
//
// Objects of the module hold a ModuleLock (constructed from the Module& their CreateFunction is given), so that
// DllCanUnloadNow answers S_FALSE while one lives.
#pragma once

#include <atomic>
#include <new>
#include <string>

#include "platform/com/class_factory.h"
#include "platform/com/class_table.h"
#include "platform/com/object.h"
#include "platform/com/type_info.h"

namespace platform::com {

class Module {
 public:
  explicit Module(ModuleInfo info) : info_(std::move(info)) {}
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // DllCanUnloadNow: S_OK when no object of the module lives and no factory is locked, else S_FALSE.
  HRESULT CanUnloadNow() noexcept;
  // DllGetClassObject: a class factory (IClassFactory or IUnknown) of a class in the table;
  // CLASS_E_CLASSNOTAVAILABLE for another class, E_POINTER for a null out.
  HRESULT GetClassObject(const CLSID& clsid, const IID& iid, void** out) noexcept;
  // DllRegisterServer / DllUnregisterServer: RegisterModule / UnregisterModule (registration.h) with Path().
  HRESULT RegisterServer() noexcept;
  HRESULT UnregisterServer() noexcept;

  void Lock() noexcept { ++locks_; }
  void Unlock() noexcept { --locks_; }
  long LockCount() const noexcept { return locks_; }

  // The absolute path of the library that holds this Module (empty when it cannot be told).
  std::string Path() const;
  const ModuleInfo& Info() const { return info_; }
  // The module's type library when it is the one asked for (LIBID and version), else TYPE_E_LIBNOTREGISTERED.
  HRESULT GetTypeLib(const GUID& libid, std::uint16_t major, std::uint16_t minor, const TypeLib** out) const;

 private:
  ModuleInfo info_;
  std::atomic<long> locks_{0};
};

// Keeps its module counted as in use while it lives: a member of every object the module makes.
class ModuleLock {
 public:
  explicit ModuleLock(Module& module) noexcept : module_(module) { module_.Lock(); }
  ModuleLock(const ModuleLock& other) noexcept : ModuleLock(other.module_) {}
  ModuleLock& operator=(const ModuleLock&) = delete;
  ~ModuleLock() { module_.Unlock(); }
  Module& GetModule() const { return module_; }

 private:
  Module& module_;
};

// The CreateFunction of a class T constructed as T(Module&).
template <class T>
HRESULT CreateObject(Module& module, const IID& iid, void** out) {
  ComPtr<T> object = MakeObject<T>(module);
  return object->QueryInterface(iid, out);
}

}  // namespace platform::com
