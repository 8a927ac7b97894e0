#include "FileErrorCause.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/files.h"
#include "test_support.h"

namespace {

using namespace quillon;

TEST(FileErrorCause, SystemErrorsAsCauseNumbers) {
  struct Case {
    const char* name;
    int error, cause;
  } cases[] = {
      {"none", 0, 0},           {"not found", ENOENT, 2},        {"not a folder", ENOTDIR, 3},
      {"name too long", ENAMETOOLONG, 3}, {"link loop", ELOOP, 3}, {"too many open", EMFILE, 4},
      {"system table full", ENFILE, 4},   {"access", EACCES, 5},  {"permission", EPERM, 5},
      {"is a folder", EISDIR, 5},         {"read-only system", EROFS, 5}, {"bad handle", EBADF, 6},
      {"busy", EBUSY, 7},                 {"too many links", EMLINK, 8},  {"seek", ESPIPE, 9},
      {"I/O", EIO, 10},                   {"text busy", ETXTBSY, 11},     {"no locks", ENOLCK, 12},
      {"disk full", ENOSPC, 13},          {"quota", EDQUOT, 13},          {"too large", EFBIG, 13},
      {"anything else", EINVAL, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(FileErrorCause(c.error), c.cause) << c.name;
}

TEST(FileFailureCause, AMissingFolderIsABadPath) {
  testing_support::TempFolder root;
  testing_support::WriteRaw(root / "file", "x");
  struct Case {
    const char* name;
    std::string path;
    int cause;
  } cases[] = {
      {"missing file", root / "none", 2},
      {"missing folder", root / "no/none", 3},
      {"a file as folder", root / "file/none", 3},
      {"a folder", root.path(), 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::File::Open(c.path, platform::OpenMode::Read), nullptr) << c.name;
    EXPECT_EQ(FileFailureCause(c.path), c.cause) << c.name;
  }
}

}  // namespace
