#include "platform/com/registration.h"

#include <cstdio>
#include <functional>
#include <new>

#include "platform/com/type_info.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace platform::com {

namespace {

constexpr std::string_view kRoot = "HKEY_CLASSES_ROOT\\";
constexpr std::size_t kDescriptionCharacters = 127;

std::string FolderOf(const std::string& path) {
  std::size_t slash = FindLastChar(path, kDelimiter);
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The first count characters of text (a double-byte character counts as one).
std::string FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t n = 0; end < text.size() && n < count; ++n) end = NextChar(text, end);
  return std::string(text.substr(0, end));
}

std::string LocaleName(std::uint32_t locale) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%x", locale);
  return buf;
}

const char* ThreadingName(ThreadingModel model) {
  switch (model) {
    case ThreadingModel::Apartment: return "Apartment";
    case ThreadingModel::Free: return "Free";
    case ThreadingModel::Both: return "Both";
    case ThreadingModel::None: break;
  }
  return nullptr;
}

// One step: its changes written as one edit; code when they cannot be made or written.
HRESULT Step(HRESULT code, const std::function<void(RegistryEdit&)>& fill) {
  try {
    RegistryEdit edit;
    fill(edit);
    return edit.Commit() ? S_OK : code;
  } catch (const std::bad_alloc&) {
    return code;
  }
}

void WriteTypeLib(RegistryEdit& e, const TypeLib& lib, const std::string& path) {
  std::string key = TypeLibKey(lib);
  e.SetValue(key, "", lib.name);
  e.SetValue(key + "\\FLAGS", "", "0");
  e.SetValue(key + "\\0\\win32", "", path);
  e.SetValue(key + "\\HELPDIR", "", FolderOf(path));
}

void WriteClass(RegistryEdit& e, const ClassEntry& c, const TypeLib* lib, const std::string& path) {
  std::string key = ClassKey(c.clsid);
  e.SetValue(key, "", c.typeName);
  if (!c.progId.empty()) e.SetValue(key + "\\ProgID", "", c.progId);
  e.SetValue(key + "\\InprocServer32", "", path);
  if (const char* model = ThreadingName(c.threading)) {
    e.SetValue(key + "\\InprocServer32", "ThreadingModel", model);
  } else {
    e.DeleteValue(key + "\\InprocServer32", "ThreadingModel");
  }
  if (c.isControl) {
    e.CreateKey(key + "\\Control");
    e.SetValue(key + "\\MiscStatus", "", "0");
    e.SetValue(key + "\\MiscStatus\\1", "", std::to_string(c.miscStatus));
    if (c.toolboxBitmap != 0) e.SetValue(key + "\\ToolboxBitmap32", "", path + ", " + std::to_string(c.toolboxBitmap));
    if (lib) e.SetValue(key + "\\TypeLib", "", FormatGuid(lib->libid));
  }
  if (!c.progId.empty()) {
    e.SetValue(ProgIdKey(c.progId), "", c.typeName);
    e.SetValue(ProgIdKey(c.progId) + "\\CLSID", "", FormatGuid(c.clsid));
  }
}

}  // namespace

std::string ClassKey(const CLSID& clsid) { return std::string(kRoot) + "CLSID\\" + FormatGuid(clsid); }

std::string ProgIdKey(const std::string& progId) { return std::string(kRoot) + progId; }

std::string TypeLibKey(const TypeLib& lib) {
  return std::string(kRoot) + "TypeLib\\" + FormatGuid(lib.libid) + "\\" + lib.VersionText();
}

std::string CategoryKey(const GUID& catid) { return std::string(kRoot) + "Component Categories\\" + FormatGuid(catid); }

HRESULT RegisterModule(const ModuleInfo& info, const std::string& libraryPath) {
  if (!IsAbsolute(libraryPath)) return info.typeLib ? SELFREG_E_TYPELIB : SELFREG_E_CLASS;
  HRESULT hr = S_OK;
  if (info.typeLib) {
    hr = Step(SELFREG_E_TYPELIB, [&](RegistryEdit& e) { WriteTypeLib(e, *info.typeLib, libraryPath); });
    if (Failed(hr)) return hr;
  }
  for (const ClassEntry& c : info.classes) {
    // A ProgID names one key of its own.
    if (FindChar(c.progId, '\\') != std::string::npos) return SELFREG_E_CLASS;
    hr = Step(SELFREG_E_CLASS, [&](RegistryEdit& e) { WriteClass(e, c, info.typeLib, libraryPath); });
    if (Failed(hr)) return hr;
  }
  for (const ComponentCategory& cat : info.categories) {
    hr = Step(SELFREG_E_CLASS, [&](RegistryEdit& e) {
      e.SetValue(CategoryKey(cat.catid), LocaleName(cat.locale), FirstCharacters(cat.description, kDescriptionCharacters));
    });
    if (Failed(hr)) return hr;
  }
  for (const ClassEntry& c : info.classes) {
    for (const GUID& catid : c.categories) {
      hr = Step(SELFREG_E_CLASS, [&](RegistryEdit& e) {
        e.CreateKey(ClassKey(c.clsid) + "\\Implemented Categories\\" + FormatGuid(catid));
      });
      if (Failed(hr)) return hr;
    }
  }
  return S_OK;
}

HRESULT UnregisterModule(const ModuleInfo& info) {
  HRESULT hr = S_OK;
  if (info.typeLib) {
    hr = Step(SELFREG_E_TYPELIB, [&](RegistryEdit& e) { e.DeleteKey(TypeLibKey(*info.typeLib)); });
    if (Failed(hr)) return hr;
  }
  for (const ClassEntry& c : info.classes) {
    hr = Step(SELFREG_E_CLASS, [&](RegistryEdit& e) {
      e.DeleteKey(ClassKey(c.clsid));
      // A ProgID that another class has taken since is that class's now.
      std::string named;
      if (!c.progId.empty() &&
          (!RegistryReadValue(ProgIdKey(c.progId) + "\\CLSID", "", named) || ParseGuid(named) == c.clsid)) {
        e.DeleteKey(ProgIdKey(c.progId));
      }
    });
    if (Failed(hr)) return hr;
  }
  return S_OK;
}

}  // namespace platform::com
