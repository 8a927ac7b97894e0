// The size of what a registration sends, taken once before its first step.
#pragma once

#include <cstdint>

#include "UploadError.h"
#include "UploadSet.h"

namespace quillon {

// Total bytes of the estimate files and the new photos, in the order step 2 sends them; -1 with message 1012
// for the first of them that cannot be opened.
std::int64_t SumUploadSize(const UploadSet& set, UploadError& error);

}  // namespace quillon
