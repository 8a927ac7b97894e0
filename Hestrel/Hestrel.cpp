// The library's start and end: its log and message objects live as long as it is loaded.
#include "UIF_HestrelMain.h"

namespace {
__attribute__((constructor)) void HestrelAttach() { hestrel::HestrelLoad(); }
__attribute__((destructor)) void HestrelDetach() { hestrel::HestrelUnload(); }
}  // namespace
