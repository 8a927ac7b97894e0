// Modules loaded by name at run time, as LoadLibrary / GetProcAddress / FreeLibrary do.
// "X.dll" is the file libX.so. A bare name is searched in the folder of the module that asks, then in the
// folders of $VEK_MODULE_PATH (separated by ":"), then beside the platform library, then by the system; never in
// the current folder.
#pragma once

#include <string>
#include <string_view>

namespace platform {

using ModuleHandle = void*;

// The file name a module name maps to: "Pakkel.dll" -> "libPakkel.so", "CABINET" -> "libCABINET.so", and in a
// path the last component: "/opt/Dorvik.dll" -> "/opt/libDorvik.so"; a name that already ends in ".so" is kept.
std::string ModuleFileName(std::string_view name);

// Loads a module; anchor is an address inside the asking module. nullptr on failure (see ModuleError; LastError
// is EINVAL for a bad name, ENOENT for a missing module, ENOEXEC for a file that does not load).
ModuleHandle LoadModuleFrom(const std::string& name, const void* anchor);
// A function exported by that very module (not by one of its dependencies); nullptr when missing.
void* GetFunction(ModuleHandle module, const char* name);
// True when the module was released; false for a handle that LoadModule did not give (or that was freed as often
// as it was loaded).
bool FreeModule(ModuleHandle module);
// Text of the last failure of the calling thread.
std::string ModuleError();
// Absolute path (CP932) of the module file that holds address, code or data: a shared library or the program;
// empty when no module holds it or the module is known only by a relative name.
std::string ModulePathOf(const void* address);

namespace detail {
// One copy per module that includes this header: its address tells the module.
[[maybe_unused]] static const char kModuleAnchor = 0;
}  // namespace detail

// Loads a module as seen from the module that calls this.
inline ModuleHandle LoadModule(const std::string& name) { return LoadModuleFrom(name, &detail::kModuleAnchor); }

template <class F>
F GetFunctionAs(ModuleHandle module, const char* name) {
  return reinterpret_cast<F>(GetFunction(module, name));
}

}  // namespace platform
