#include "platform/error.h"

namespace platform {

namespace {
thread_local int g_lastError = 0;
}

int LastError() { return g_lastError; }

void SetLastError(int code) { g_lastError = code; }

}  // namespace platform
