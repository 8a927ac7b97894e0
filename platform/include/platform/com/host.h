// The host side: objects made from control libraries, by class id or ProgID through the registry stand-in's
// InprocServer32 keys, or from a library the host names. Libraries loaded here stay loaded until
// FreeUnusedLibraries finds that they may go (DllCanUnloadNow).
//
//   ComPtr<IDispatch> control;
//   HRESULT hr = CreateInstance("Quillon.QuillonCtrl.1", control);          // or a CLSID, "{...}" or bare
//   ComPtr<IPersistPropertyBag> persist;  control.As(persist);
//   ComPtr<PropertyBag> bag = MakeObject<PropertyBag>();  bag->Set("FuncID", "0");  persist->Load(bag.Get());
//   ComPtr<EventSink> sink = MakeObject<EventSink>(eventIid, [](DISPID id, const std::vector<Variant>& args) {...});
//   std::uint32_t cookie;  Advise(control.Get(), eventIid, sink.Get(), &cookie);
//   Variant status;  InvokeByName(control.Get(), "GetStatus", DISPATCH_METHOD, {}, &status);
#pragma once

#include <string>
#include <string_view>

#include "platform/com/class_factory.h"
#include "platform/com/com_ptr.h"
#include "platform/module.h"

namespace platform::com {

// The four exports of a control library.
using DllCanUnloadNowFunction = HRESULT (*)();
using DllGetClassObjectFunction = HRESULT (*)(const CLSID& clsid, const IID& iid, void** out);
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();

// The class id a registered ProgID names ("HKEY_CLASSES_ROOT\<ProgID>\CLSID"); CO_E_CLASSSTRING when none.
HRESULT ClsidFromProgId(std::string_view progId, CLSID* clsid);
// A class id written with or without braces, else a ProgID.
HRESULT ClsidFromText(std::string_view text, CLSID* clsid);

// The class factory of a registered class: its InprocServer32 library loaded through the module layer, then its
// DllGetClassObject. REGDB_E_CLASSNOTREG when the class is not registered, CO_E_DLLNOTFOUND when its library
// does not load, CO_E_ERRORINDLL when the library has no DllGetClassObject.
HRESULT GetClassObject(const CLSID& clsid, const IID& iid, void** out);
// A new object of a registered class (its factory's CreateInstance).
HRESULT CreateInstance(const CLSID& clsid, const IID& iid, void** out);
HRESULT CreateInstance(std::string_view progIdOrClsid, const IID& iid, void** out);

// The same from a library named by the host: a path, or a bare name ("Quillon.dll" or "libQuillon.so") looked
// up by the module layer as seen from anchor (an address inside the asking module).
HRESULT GetClassObjectFromLibraryFrom(const std::string& library, const void* anchor, const CLSID& clsid,
                                      const IID& iid, void** out);
HRESULT CreateInstanceFromLibraryFrom(const std::string& library, const void* anchor, const CLSID& clsid,
                                      const IID& iid, void** out);
// As seen from the module that calls.
inline HRESULT CreateInstanceFromLibrary(const std::string& library, const CLSID& clsid, const IID& iid,
                                         void** out) {
  return CreateInstanceFromLibraryFrom(library, &platform::detail::kModuleAnchor, clsid, iid, out);
}

template <class I>
HRESULT CreateInstance(const CLSID& clsid, ComPtr<I>& out) {
  return CreateInstance(clsid, I::kIid, out.PutVoid());
}
template <class I>
HRESULT CreateInstance(std::string_view progIdOrClsid, ComPtr<I>& out) {
  return CreateInstance(progIdOrClsid, I::kIid, out.PutVoid());
}
template <class I>
HRESULT CreateInstanceFromLibrary(const std::string& library, const CLSID& clsid, ComPtr<I>& out) {
  return CreateInstanceFromLibraryFrom(library, &platform::detail::kModuleAnchor, clsid, I::kIid, out.PutVoid());
}

// Unloads every library loaded here whose DllCanUnloadNow answers S_OK; the count unloaded.
int FreeUnusedLibraries();

}  // namespace platform::com
