// The twin of mod_a.cpp: another Initialize.
extern "C" {

__attribute__((visibility("default"))) int Initialize() { return 2; }

__attribute__((visibility("default"))) int CallOwnInitialize() { return Initialize(); }

}  // extern "C"
