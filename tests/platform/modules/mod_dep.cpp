// A library that mod_a.cpp depends on: its function is no function of mod_a.
extern "C" __attribute__((visibility("default"))) int DepOnly() { return 7; }
