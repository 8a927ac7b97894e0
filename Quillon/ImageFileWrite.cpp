#include "ImageFileWrite.h"

#include "platform/files.h"

namespace quillon {

bool WriteImageFile(const std::string& path, const void* data, std::size_t size) {
  const std::uint32_t attributes = platform::GetAttributes(path);
  if (attributes != platform::kAttrInvalid && (attributes & platform::kAttrReadOnly)) return false;
  return platform::ReplaceFileAtomically(path, data, size);
}

}  // namespace quillon
