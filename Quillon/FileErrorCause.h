// The cause numbers that the file-read message (1012) shows for a file the upload could not read.
#pragma once

#include <string>

namespace quillon {

enum FileErrorCauses {
  kCauseNone = 0,
  kCauseGeneric = 1,
  kCauseFileNotFound = 2,
  kCauseBadPath = 3,
  kCauseTooManyOpenFiles = 4,
  kCauseAccessDenied = 5,
  kCauseInvalidFile = 6,
  kCauseRemoveCurrentFolder = 7,
  kCauseFolderFull = 8,
  kCauseBadSeek = 9,
  kCauseHardwareIo = 10,
  kCauseSharingViolation = 11,
  kCauseLockViolation = 12,
  kCauseDiskFull = 13,
  kCauseEndOfFile = 14,
};

// The cause number of a system error code (errno).
int FileErrorCause(int error);

// The cause of the failure the file layer just reported for path: a missing file whose folder is missing too is
// a bad path, as the system tells the two apart.
int FileFailureCause(const std::string& path);

}  // namespace quillon
