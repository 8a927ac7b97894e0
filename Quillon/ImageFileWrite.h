// Writing an image file whole: the new bytes go to a temporary file beside the target, which is renamed over
// the target only once every byte is written, so a failed save leaves the old file as it was.
#pragma once

#include <cstddef>
#include <string>

namespace quillon {

// false: the target is read-only (the system's own write refuses it) or the file could not be written.
bool WriteImageFile(const std::string& path, const void* data, std::size_t size);

}  // namespace quillon
