#include "UploadSize.h"

#include <memory>

#include "FileErrorCause.h"
#include "platform/error.h"
#include "platform/files.h"

namespace quillon {

namespace {

// Adds the size of the file at path; false with the error when it cannot be opened or sized.
bool AddSize(const std::string& path, std::int64_t& total, UploadError& error) {
  std::unique_ptr<platform::File> file = platform::File::Open(path, platform::OpenMode::Read);
  if (!file) {
    error = {kMessageFileReadFailed, path, FileFailureCause(path)};
    return false;
  }
  std::int64_t size = file->Size();
  if (size < 0) {
    error = {kMessageFileReadFailed, path, FileErrorCause(platform::LastError())};
    return false;
  }
  total += size;
  return true;
}

}  // namespace

std::int64_t SumUploadSize(const UploadSet& set, UploadError& error) {
  std::int64_t total = 0;
  for (const std::string& path : set.estimateFiles) {
    if (!AddSize(path, total, error)) return -1;
  }
  for (const UploadPhotoRow& row : set.photos) {
    if (!row.registered && !AddSize(row.path, total, error)) return -1;
  }
  return total;
}

}  // namespace quillon
