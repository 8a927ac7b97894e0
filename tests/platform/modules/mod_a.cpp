// A test module: exports Initialize like its twin mod_b.cpp, calls it itself, and loads modules as the asking one.
#include "platform/module.h"

extern "C" __attribute__((visibility("default"))) int DepOnly();

extern "C" {

__attribute__((visibility("default"))) int Initialize() { return 1; }

// Reaches this module's own Initialize whatever else of that name the process holds.
__attribute__((visibility("default"))) int CallOwnInitialize() { return Initialize(); }

__attribute__((visibility("default"))) int CallDependency() { return DepOnly(); }

// Loads a module by name with this module as the one that asks.
__attribute__((visibility("default"))) void* LoadFromHere(const char* name) { return platform::LoadModule(name); }

}  // extern "C"
