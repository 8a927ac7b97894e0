// The last system error of the calling thread, as the system's callers read it after a failure.
#pragma once

namespace platform {

int LastError();
void SetLastError(int code);

}  // namespace platform
