#include "FileErrorCause.h"

#include <cerrno>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace quillon {

int FileErrorCause(int error) {
  switch (error) {
    case 0:
      return kCauseNone;
    case ENOENT:
      return kCauseFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EXDEV:
      return kCauseBadPath;
    case EMFILE:
    case ENFILE:
      return kCauseTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EEXIST:
      return kCauseAccessDenied;
    case EBADF:
      return kCauseInvalidFile;
    case EBUSY:
    case ENOTEMPTY:
      return kCauseRemoveCurrentFolder;
    case EMLINK:
      return kCauseFolderFull;
    case ESPIPE:
    case EOVERFLOW:
      return kCauseBadSeek;
    case EIO:
    case ENXIO:
    case ENODEV:
      return kCauseHardwareIo;
    case ETXTBSY:
      return kCauseSharingViolation;
    case ENOLCK:
    case EDEADLK:
      return kCauseLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kCauseDiskFull;
    default:
      return kCauseGeneric;
  }
}

int FileFailureCause(const std::string& path) {
  int cause = FileErrorCause(platform::LastError());
  if (cause != kCauseFileNotFound) return cause;
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  if (slash != std::string::npos && slash > 0 && !platform::IsFolder(path.substr(0, slash))) return kCauseBadPath;
  return cause;
}

}  // namespace quillon
