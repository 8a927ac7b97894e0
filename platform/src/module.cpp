#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"
#include "platform/path.h"

namespace platform {

namespace {

thread_local std::string g_moduleError;

void* Fail(const std::string& text, int code) {
  g_moduleError = text;
  SetLastError(code);
  return nullptr;
}

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char a = s[s.size() - tail.size() + i], b = tail[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
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
    return Fail(e ? e : "cannot load " + sys, ENOENT);
  }
  return h;
}

// The folder (system form) of the module that holds address.
std::string FolderOf(const void* address) {
  Dl_info info{};
  if (!address || !dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return {};
  std::string path = info.dli_fname;
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string ModuleFileName(std::string_view name) {
  if (name.find(kDelimiter) != std::string_view::npos || EndsWithNoCase(name, ".so")) return std::string(name);
  std::string_view base = name;
  if (EndsWithNoCase(base, ".dll")) base.remove_suffix(4);
  return "lib" + std::string(base) + ".so";
}

ModuleHandle LoadModuleFrom(const std::string& name, const void* anchor) {
  if (name.empty()) return Fail("empty module name", EINVAL);
  std::string file = ModuleFileName(name), sys;
  if (!ToSystemPath(file, sys)) return Fail("module name does not convert: " + name, EINVAL);
  if (sys.find('/') != std::string::npos) return Open(sys);
  // Beside the asking module, then $VEK_MODULE_PATH, then the system's search; never the current folder.
  std::string folder = FolderOf(anchor);
  if (!folder.empty() && IsRegularFile(folder + "/" + sys)) return Open(folder + "/" + sys);
  if (const char* list = std::getenv("VEK_MODULE_PATH")) {
    std::string_view rest = list;
    while (!rest.empty()) {
      std::size_t colon = rest.find(':');
      std::string dir(rest.substr(0, colon));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
      if (!dir.empty() && dir[0] == '/' && IsRegularFile(dir + "/" + sys)) return Open(dir + "/" + sys);
    }
  }
  return Open(sys);
}

void* GetFunction(ModuleHandle module, const char* name) {
  if (!module || !name || !*name) return Fail("no module or function name", EINVAL);
  dlerror();
  void* f = dlsym(module, name);
  if (!f) return Fail(std::string("function not found: ") + name, ENOENT);
  // Only a function of that very module counts, not one of a library it depends on.
  link_map* map = nullptr;
  Dl_info info{};
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(f, &info) || !info.dli_fname ||
      std::strcmp(info.dli_fname, map->l_name) != 0) {
    return Fail(std::string("function not in the module: ") + name, ENOENT);
  }
  return f;
}

bool FreeModule(ModuleHandle module) {
  if (!module) return false;
  if (dlclose(module) != 0) {
    const char* e = dlerror();
    Fail(e ? e : "cannot unload", EINVAL);
    return false;
  }
  return true;
}

std::string ModuleError() { return g_moduleError; }

}  // namespace platform
