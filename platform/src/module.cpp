#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/path.h"
#include "platform/text.h"

namespace platform {

namespace {

thread_local std::string g_moduleError;

// Handles this layer gave out, with the number of loads not yet freed: a handle it never gave out (or one freed
// as often as it was loaded) is refused instead of reaching dlsym or dlclose.
std::mutex g_handlesMutex;
std::map<void*, int> g_handles;

void* Fail(const std::string& text, int code) {
  g_moduleError = text;
  SetLastError(code);
  return nullptr;
}

bool IsKnown(void* handle) {
  std::lock_guard<std::mutex> lock(g_handlesMutex);
  auto it = g_handles.find(handle);
  return it != g_handles.end() && it->second > 0;
}

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  return EqualsNoCaseAscii(s.substr(s.size() - tail.size()), tail);
}

bool IsRegularFile(const std::string& sys) {
  struct stat st;
  return stat(sys.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void* Open(const std::string& sys) {
  dlerror();
  void* h = dlopen(sys.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    // A file that is there but does not load is told apart from one that is missing.
    bool found = sys.find('/') != std::string::npos && IsRegularFile(sys);
    return Fail(e ? e : "cannot load " + sys, found ? ENOEXEC : ENOENT);
  }
  std::lock_guard<std::mutex> lock(g_handlesMutex);
  ++g_handles[h];
  return h;
}

std::string FolderOfFile(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file (system form) of the module that holds address. The main program is named by /proc/self/exe, since
// the name the loader keeps for it is argv[0], which may be relative; a module known only by a relative name has
// no file here, so the current folder is never searched by accident.
std::string FileOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!address || !dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return {};
  if (!map->l_name || !*map->l_name) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<std::size_t>(n));
  }
  if (map->l_name[0] != '/') return {};
  return map->l_name;
}

std::string FolderOf(const void* address) { return FolderOfFile(FileOf(address)); }

}  // namespace

std::string ModuleFileName(std::string_view name) {
  std::size_t slash = FindLastChar(name, kDelimiter);
  std::string_view folder = slash == std::string_view::npos ? std::string_view() : name.substr(0, slash + 1);
  std::string_view base = name.substr(folder.size());
  if (base.empty() || EndsWithNoCase(base, ".so")) return std::string(name);
  if (EndsWithNoCase(base, ".dll")) base.remove_suffix(4);
  return std::string(folder) + "lib" + std::string(base) + ".so";
}

ModuleHandle LoadModuleFrom(const std::string& name, const void* anchor) {
  if (name.empty()) return Fail("empty module name", EINVAL);
  std::string file = ModuleFileName(name), sys;
  if (!ToSystemPath(file, sys)) return Fail("module name does not convert: " + name, EINVAL);
  if (ModuleLoadFaultPoint()) return Fail("cannot load " + sys, ENOENT);
  if (sys.find('/') != std::string::npos) return Open(sys);
  // Beside the asking module, then $VEK_MODULE_PATH, then beside this layer, then the system's search; never the
  // current folder.
  std::string folder = FolderOf(anchor);
  if (!folder.empty() && IsRegularFile(folder + "/" + sys)) return Open(folder + "/" + sys);
  if (const char* list = std::getenv("VEK_MODULE_PATH")) {
    std::string_view rest = list;
    while (!rest.empty()) {
      std::size_t colon = rest.find(':');
      std::string dir(rest.substr(0, colon));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
      // Relative folders would mean the current folder.
      if (!dir.empty() && dir[0] == '/' && IsRegularFile(dir + "/" + sys)) return Open(dir + "/" + sys);
    }
  }
  // The system's modules are installed beside this layer. Said here, because the system's search runs from
  // the caller of dlopen, which a sanitizer's interceptor replaces.
  std::string own = FolderOf(reinterpret_cast<const void*>(&LoadModuleFrom));
  if (!own.empty() && IsRegularFile(own + "/" + sys)) return Open(own + "/" + sys);
  return Open(sys);
}

void* GetFunction(ModuleHandle module, const char* name) {
  if (!module || !name || !*name) return Fail("no module or function name", EINVAL);
  if (!IsKnown(module)) return Fail("not a loaded module", EINVAL);
  dlerror();
  void* f = dlsym(module, name);
  if (!f) return Fail(std::string("function not found: ") + name, ENOENT);
  // Only a function of that very module counts, not one of a library it depends on.
  link_map* own = nullptr;
  link_map* holder = nullptr;
  Dl_info info{};
  if (dlinfo(module, RTLD_DI_LINKMAP, &own) != 0 || !own ||
      !dladdr1(f, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) || holder != own) {
    return Fail(std::string("function not in the module: ") + name, ENOENT);
  }
  return f;
}

bool FreeModule(ModuleHandle module) {
  if (!module) {
    Fail("no module", EINVAL);
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(g_handlesMutex);
    auto it = g_handles.find(module);
    if (it == g_handles.end() || it->second <= 0) {
      Fail("not a loaded module", EINVAL);
      return false;
    }
    if (--it->second == 0) g_handles.erase(it);
  }
  dlerror();
  if (dlclose(module) != 0) {
    const char* e = dlerror();
    Fail(e ? e : "cannot unload", EINVAL);
    return false;
  }
  return true;
}

std::string ModuleError() { return g_moduleError; }

std::string ModulePathOf(const void* address) {
  std::string cp932;
  return FromSystemPath(FileOf(address), cp932) ? cp932 : std::string();
}

}  // namespace platform
