// Hints to the system about how a block of memory is used.
#pragma once

#include <cstddef>

namespace platform {

// The block will be filled whole, soon, and kept a while (a request body of hundreds of megabytes): it is
// mapped in large pages where the system allows it, so that filling it does not fault on every small page.
// A hint only; nothing changes for the caller when the system declines.
void PreferLargePages(void* data, std::size_t size);

}  // namespace platform
