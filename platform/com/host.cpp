#include "platform/com/host.h"

#include <mutex>
#include <new>
#include <vector>

#include "platform/com/registration.h"
#include "platform/env.h"
#include "platform/text.h"

namespace platform::com {

namespace {

struct Library {
  ModuleHandle handle;
  DllGetClassObjectFunction getClassObject;
  DllCanUnloadNowFunction canUnloadNow;  // null: never unloaded
};

std::mutex g_librariesMutex;
std::vector<Library> g_libraries;

// The DllGetClassObject of a library, loaded once for the process.
HRESULT LoadControlLibrary(const std::string& name, const void* anchor, DllGetClassObjectFunction& getClassObject) {
  ModuleHandle handle = LoadModuleFrom(name, anchor);
  if (!handle) return CO_E_DLLNOTFOUND;
  std::lock_guard<std::mutex> lock(g_librariesMutex);
  for (const Library& known : g_libraries) {
    // The system gives one handle per library, however often it is loaded.
    if (known.handle == handle) {
      FreeModule(handle);
      getClassObject = known.getClassObject;
      return S_OK;
    }
  }
  auto get = GetFunctionAs<DllGetClassObjectFunction>(handle, "DllGetClassObject");
  if (!get) {
    FreeModule(handle);
    return CO_E_ERRORINDLL;
  }
  g_libraries.push_back({handle, get, GetFunctionAs<DllCanUnloadNowFunction>(handle, "DllCanUnloadNow")});
  getClassObject = get;
  return S_OK;
}

HRESULT FromFactory(HRESULT hr, ComPtr<IClassFactory>& factory, const IID& iid, void** out) {
  if (Failed(hr)) return hr;
  return factory->CreateInstance(nullptr, iid, out);
}

}  // namespace

HRESULT ClsidFromProgId(std::string_view progId, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = GUID_NULL;
  if (progId.empty() || FindChar(progId, '\\') != std::string_view::npos) return CO_E_CLASSSTRING;
  try {
    std::string text;
    if (!CurrentEnvironment().ReadRegistry(ProgIdKey(std::string(progId)) + "\\CLSID", "", text)) {
      return CO_E_CLASSSTRING;
    }
    std::optional<GUID> g = ParseGuid(text);
    if (!g) return CO_E_CLASSSTRING;
    *clsid = *g;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ClsidFromText(std::string_view text, CLSID* clsid) {
  if (!clsid) return E_POINTER;
  if (std::optional<GUID> g = ParseGuid(text)) {
    *clsid = *g;
    return S_OK;
  }
  return ClsidFromProgId(text, clsid);
}

HRESULT GetClassObjectFromLibraryFrom(const std::string& library, const void* anchor, const CLSID& clsid,
                                      const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    DllGetClassObjectFunction get = nullptr;
    HRESULT hr = LoadControlLibrary(library, anchor, get);
    if (Failed(hr)) return hr;
    return get(clsid, iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CreateInstanceFromLibraryFrom(const std::string& library, const void* anchor, const CLSID& clsid,
                                      const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<IClassFactory> factory;
  return FromFactory(GetClassObjectFromLibraryFrom(library, anchor, clsid, IClassFactory::kIid, factory.PutVoid()),
                     factory, iid, out);
}

HRESULT GetClassObject(const CLSID& clsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    std::string library;
    if (!CurrentEnvironment().ReadRegistry(ClassKey(clsid) + "\\InprocServer32", "", library) || library.empty()) {
      return REGDB_E_CLASSNOTREG;
    }
    return GetClassObjectFromLibraryFrom(library, &platform::detail::kModuleAnchor, clsid, iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CreateInstance(const CLSID& clsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<IClassFactory> factory;
  return FromFactory(GetClassObject(clsid, IClassFactory::kIid, factory.PutVoid()), factory, iid, out);
}

HRESULT CreateInstance(std::string_view progIdOrClsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  CLSID clsid;
  HRESULT hr = ClsidFromText(progIdOrClsid, &clsid);
  if (Failed(hr)) return hr;
  return CreateInstance(clsid, iid, out);
}

int FreeUnusedLibraries() {
  std::lock_guard<std::mutex> lock(g_librariesMutex);
  int freed = 0;
  std::erase_if(g_libraries, [&freed](const Library& l) {
    if (!l.canUnloadNow || l.canUnloadNow() != S_OK) return false;
    FreeModule(l.handle);
    ++freed;
    return true;
  });
  return freed;
}

}  // namespace platform::com
