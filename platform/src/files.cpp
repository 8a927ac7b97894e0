#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string_view>

#include "folder_names.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/path.h"
#include "platform/text.h"

namespace platform {

namespace {

// Hidden, system and archive bits, and a creation time set by the layer, live in extended attributes.
constexpr const char* kAttrXattr = "user.vek.attributes";
constexpr const char* kCreationXattr = "user.vek.creation";
constexpr std::uint32_t kKeptBits = kAttrHidden | kAttrSystem | kAttrArchive;
constexpr off_t kPageSize = 4096;

bool Fail(int code) {
  SetLastError(code);
  errno = code;
  return false;
}

// A fault point that fails: the call fails as an I/O error.
bool Injected(FileOp op) {
  if (!FaultPoint(op)) return false;
  Fail(EIO);
  return true;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t Utf8Length(std::string_view s, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return std::min(n, s.size() - i);
}

// `*` and `?` (one character) on UTF-8 names, ASCII letters without regard to case.
bool Match(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += Utf8Length(name, n);
    } else if (p < pattern.size() && AsciiUpper(pattern[p]) == AsciiUpper(name[n])) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = starN + Utf8Length(name, starN);
      starN = n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  // "name.*" also matches "name" as the system's search does.
  if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*') return true;
  return p == pattern.size();
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

void SplitSystem(const std::string& sys, std::string& folder, std::string& name) {
  std::size_t slash = sys.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = sys;
  } else {
    folder = slash == 0 ? "/" : sys.substr(0, slash);
    name = sys.substr(slash + 1);
  }
}

std::string JoinSystem(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  if (folder == "/") return "/" + name;
  return folder + "/" + name;
}

// What resolving learnt of the entry it names, so that callers need not look at it again.
struct Seen {
  enum class Kind { Unknown, Missing, Entry } kind = Kind::Unknown;
  struct stat st;  // of the entry itself (not followed), when kind is Entry
};

// A system path as it names an existing entry: each component that is missing as written is replaced by a case
// variant that exists, up to the first one with neither; the rest stays as given. For a name that is likely
// new (a file about to be made), the kept names of its folder are asked first: where they hold no variant of
// it, it is missing without a look at the name itself.
std::string ResolveSystem(const std::string& sys, Seen* seen = nullptr, bool likelyNew = false) {
  if (likelyNew && seen) {
    std::size_t slash = sys.rfind('/');
    if (slash != std::string::npos && slash > 0 && slash + 1 < sys.size()) {
      const std::string component = sys.substr(slash + 1);
      bool read = false;
      if (component != "." && component != ".." &&
          detail::MatchInFolder(sys.substr(0, slash), component, &read).empty() && read) {
        seen->kind = Seen::Kind::Missing;
        return sys;
      }
    }
  }
  struct stat st;
  if (lstat(sys.c_str(), &st) == 0) {
    if (seen) *seen = {Seen::Kind::Entry, st};
    return sys;
  }
  // Most often only the last component is missing (a file about to be made): one look at the folder.
  std::size_t slash = sys.rfind('/');
  if (slash != std::string::npos && slash > 0 && slash + 1 < sys.size()) {
    std::string folder = sys.substr(0, slash), component = sys.substr(slash + 1);
    bool read = false;
    if (component != "." && component != "..") {
      std::string match = detail::MatchInFolder(folder, component, &read);
      if (read && match.empty() && seen) seen->kind = Seen::Kind::Missing;
      if (read) return match.empty() ? sys : folder + "/" + match;
    }
  }
  std::string out;
  std::size_t i = 0;
  bool resolving = true;
  while (i < sys.size()) {
    if (sys[i] == '/') {
      out += '/';
      ++i;
      continue;
    }
    std::size_t j = std::min(sys.find('/', i), sys.size());
    std::string component = sys.substr(i, j - i);
    if (resolving && lstat((out + component).c_str(), &st) != 0) {
      std::string match =
          (component == "." || component == "..") ? std::string() : detail::MatchInFolder(out, component);
      if (match.empty()) {
        resolving = false;
      } else {
        component = match;
      }
    }
    out += component;
    i = j;
  }
  return out;
}

// The system path of a CP932 path, found without regard to ASCII case where the exact name is missing (see
// ResolveSystem). False when the path does not convert.
bool Resolve(const std::string& cp932, std::string& sys, Seen* seen = nullptr, bool likelyNew = false) {
  if (!ToSystemPath(cp932, sys)) {
    Fail(EILSEQ);
    return false;
  }
  sys = ResolveSystem(sys, seen, likelyNew);
  return true;
}

// stat() of a resolved path, from what resolving saw where that tells it.
int StatResolved(const std::string& sys, const Seen& seen, struct stat& st) {
  if (seen.kind == Seen::Kind::Missing) {
    errno = ENOENT;
    return -1;
  }
  if (seen.kind == Seen::Kind::Entry && !S_ISLNK(seen.st.st_mode)) {
    st = seen.st;
    return 0;
  }
  return stat(sys.c_str(), &st);
}

bool IsReadOnlyMode(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// Only regular files are opened: a FIFO would block its reader for good and a device such as /dev/zero
// never ends.
int NotRegularError(const struct stat& st) { return S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile; }

// Closes fd unless it is a regular file; clears the non-blocking flag it was opened with.
bool KeepRegular(int fd) {
  struct stat st;
  int code = 0;
  if (fstat(fd, &st) != 0) {
    code = errno;
  } else if (!S_ISREG(st.st_mode)) {
    code = NotRegularError(st);
  } else {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) code = errno;
  }
  if (code == 0) return true;
  ::close(fd);
  return Fail(code);
}

std::uint32_t KeptBits(const std::string& sys) {
  char buf[32] = {};
  ssize_t n = lgetxattr(sys.c_str(), kAttrXattr, buf, sizeof buf - 1);
  if (n <= 0) return 0;
  return static_cast<std::uint32_t>(std::strtoul(buf, nullptr, 10)) & kKeptBits;
}

// The permission bits that attributes give an entry of mode st: read-only takes the owner's write bit, any other
// attributes give the owner reading and writing (and entering, for a folder).
mode_t ModeWith(const struct stat& st, std::uint32_t attributes) {
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR);
  } else {
    mode |= S_IWUSR | S_IRUSR;
    if (S_ISDIR(st.st_mode)) mode |= S_IXUSR;
  }
  return mode;
}

// The hidden, system and archive bits of attributes ("normal" clears them).
std::uint32_t KeptOf(std::uint32_t attributes) { return (attributes & kAttrNormal) ? 0 : (attributes & kKeptBits); }

timespec LeaveAlone() { return {0, UTIME_OMIT}; }
timespec AsTimespec(const FileTime& t) { return {static_cast<time_t>(t.seconds), t.nanoseconds}; }

// The birth time cannot be set: the layer keeps the one it was given, as this text.
std::string CreationValue(const FileTime& t) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%lld.%09d", static_cast<long long>(t.seconds), static_cast<int>(t.nanoseconds));
  return std::string(buf, static_cast<std::size_t>(n));
}

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::Read:
      return O_RDONLY;
    case OpenMode::Write:
      return O_WRONLY | O_CREAT | O_TRUNC;
    case OpenMode::Update:
      return O_RDWR;
    case OpenMode::Append:
      return O_WRONLY | O_CREAT | O_APPEND;
    case OpenMode::CreateNew:
      return O_WRONLY | O_CREAT | O_EXCL;
    case OpenMode::Replace:
      return O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW;
    case OpenMode::CreateTemporary:
      return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  }
  return O_RDONLY;
}

// Permission bits of a new file: read and write for all, less the process's mask (read from the kernel, as
// setting the mask to learn it would change it for other threads).
mode_t NewFileMode() {
  mode_t mask = 022;
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[128];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
        break;
      }
    }
    std::fclose(f);
  }
  return 0666 & ~mask;
}

// The system calls under File::Read and File::Write, without their fault points.
std::int64_t ReadUpTo(int fd, void* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

bool WriteAll(int fd, const void* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool DeleteTreeSystem(const std::string& sys) {
  struct stat st;
  if (lstat(sys.c_str(), &st) != 0) return Fail(errno);
  if (!S_ISDIR(st.st_mode)) {
    if (Injected(FileOp::Delete)) return false;
    return unlink(sys.c_str()) == 0 || Fail(errno);
  }
  // A read-only folder must not keep its entries from being deleted.
  if ((st.st_mode & S_IRWXU) != S_IRWXU) chmod(sys.c_str(), st.st_mode | S_IRWXU);
  DIR* d = opendir(sys.c_str());
  if (!d) return Fail(errno);
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
  }
  closedir(d);
  for (const std::string& n : names) {
    if (!DeleteTreeSystem(sys + "/" + n)) return false;
  }
  if (Injected(FileOp::Delete)) return false;
  return rmdir(sys.c_str()) == 0 || Fail(errno);
}

}  // namespace

PathKind GetPathKind(const std::string& path) {
  std::string sys;
  Seen seen;
  if (!Resolve(path, sys, &seen)) return PathKind::None;
  struct stat st;
  if (StatResolved(sys, seen, st) != 0) return PathKind::None;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  return PathKind::File;
}

bool IsSymbolicLink(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  struct stat st;
  return lstat(sys.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  std::string sys;
  Seen seen;
  if (!Resolve(path, sys, &seen)) return false;
  if (seen.kind == Seen::Kind::Entry) return S_ISREG(seen.st.st_mode);
  struct stat st;
  return seen.kind == Seen::Kind::Unknown && lstat(sys.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FindFiles(const std::string& pattern, std::vector<FindEntry>& out) {
  out.clear();
  std::string sys;
  if (!ToSystemPath(pattern, sys)) return Fail(EILSEQ);
  std::string folder, name;
  SplitSystem(sys, folder, name);
  if (name.empty()) return Fail(ENOENT);  // a trailing delimiter finds nothing
  folder = ResolveSystem(folder);
  auto entryOf = [](const std::string& full, const std::string& shown, FindEntry& e) {
    struct stat lst, st;
    if (lstat(full.c_str(), &lst) != 0) return false;
    e.isSymlink = S_ISLNK(lst.st_mode);
    e.isSpecial = !e.isSymlink && !S_ISREG(lst.st_mode) && !S_ISDIR(lst.st_mode);
    if (stat(full.c_str(), &st) != 0) st = lst;
    e.isFolder = S_ISDIR(st.st_mode);
    e.size = e.isFolder ? 0 : static_cast<std::int64_t>(st.st_size);
    e.lastWrite.seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    e.lastWrite.nanoseconds = static_cast<std::int32_t>(st.st_mtim.tv_nsec);
    return FromSystemPath(shown, e.name);
  };
  if (!HasWildcard(name)) {
    std::string resolved;
    if (!Resolve(pattern, resolved)) return false;
    std::string f, n;
    SplitSystem(resolved, f, n);
    FindEntry e;
    if (!entryOf(resolved, n, e)) return Fail(ENOENT);
    out.push_back(std::move(e));
    return true;
  }
  DIR* d = opendir(folder.c_str());
  if (!d) return Fail(errno);
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) names.emplace_back(e->d_name);
  closedir(d);
  auto rank = [](const std::string& s) { return s == "." ? 0 : s == ".." ? 1 : 2; };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    std::string ua = detail::UpperName(a), ub = detail::UpperName(b);
    return ua != ub ? ua < ub : a < b;
  });
  for (const std::string& n : names) {
    if (!Match(name, n)) continue;
    FindEntry e;
    if (entryOf(JoinSystem(folder, n), n, e)) out.push_back(std::move(e));
  }
  if (out.empty()) return Fail(ENOENT);
  return true;
}

bool ListFolder(const std::string& folder, std::vector<FolderName>& out) {
  out.clear();
  std::string sys;
  if (!Resolve(folder, sys)) return false;
  DIR* d = opendir(sys.c_str());
  if (!d) return Fail(errno);
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    FolderName n;
    if (!FromSystemPath(e->d_name, n.name)) continue;  // a name with no CP932 form is none of ours
    if (e->d_type != DT_UNKNOWN) {
      n.regularFile = e->d_type == DT_REG;
    } else {
      struct stat st;
      n.regularFile = fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
    }
    out.push_back(std::move(n));
  }
  closedir(d);
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::string sysA, sysB;
  if (!Resolve(a, sysA) || !Resolve(b, sysB)) return false;
  struct stat stA, stB;
  if (stat(sysA.c_str(), &stA) != 0 || stat(sysB.c_str(), &stB) != 0) return false;
  return stA.st_dev == stB.st_dev && stA.st_ino == stB.st_ino;
}

bool Exists(const std::string& pathOrPattern) {
  std::string sys;
  if (!ToSystemPath(pathOrPattern, sys)) return false;
  std::string folder, name;
  SplitSystem(sys, folder, name);
  if (name.empty()) return false;  // as a search, a trailing delimiter finds nothing
  if (HasWildcard(name)) {
    std::vector<FindEntry> found;
    return FindFiles(pathOrPattern, found);
  }
  return GetPathKind(pathOrPattern) != PathKind::None;
}

std::int64_t FileSize(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return -1;
  if (Injected(FileOp::Size)) return -1;
  struct stat st;
  if (stat(sys.c_str(), &st) != 0) {
    Fail(errno);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    Fail(NotRegularError(st));
    return -1;
  }
  return static_cast<std::int64_t>(st.st_size);
}

std::unique_ptr<File> File::Open(const std::string& path, OpenMode mode) {
  std::string sys;
  Seen seen;
  const bool makes = mode == OpenMode::Replace || mode == OpenMode::CreateNew || mode == OpenMode::CreateTemporary;
  if (!Resolve(path, sys, &seen, makes)) return nullptr;
  if (Injected(FileOp::Open)) return nullptr;
  struct stat st;
  bool exists = StatResolved(sys, seen, st) == 0;
  const bool isLink = seen.kind == Seen::Kind::Entry && S_ISLNK(seen.st.st_mode);
  if (mode == OpenMode::CreateTemporary && (exists || isLink)) {
    Fail(EEXIST);
    return nullptr;
  }
  if (mode == OpenMode::Replace && isLink) {
    // The link goes, whatever it points to; the new file takes its name.
    if (::unlink(sys.c_str()) != 0) {
      Fail(errno);
      return nullptr;
    }
    exists = false;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    Fail(NotRegularError(st));
    return nullptr;
  }
  // A read-only file cannot be written, whoever runs us (root included).
  if (exists && mode != OpenMode::Read && IsReadOnlyMode(st)) {
    Fail(EACCES);
    return nullptr;
  }
  const mode_t permissions = mode == OpenMode::CreateTemporary ? 0600 : 0644;
  // Non-blocking, so that a FIFO or device put at the name after the look above cannot hold the open; what
  // was opened is looked at again before it is used.
  int fd = ::open(sys.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, permissions);
  if (fd < 0) {
    Fail(errno);
    return nullptr;
  }
  if (!KeepRegular(fd)) return nullptr;
  // Nobody else can have the new file open yet: the lock is had at once.
  if (mode == OpenMode::CreateTemporary) ::flock(fd, LOCK_EX | LOCK_NB);
  const bool created = !exists && mode != OpenMode::Read && mode != OpenMode::Update;
  if (created) {
    std::string folder, name;
    SplitSystem(sys, folder, name);
    detail::NoteCreated(folder, name);
  }
  return std::unique_ptr<File>(new File(fd, created));
}

File::File(int fd, bool created) : fd_(fd), created_(created) {}

File::~File() { Close(); }

std::int64_t File::Read(void* buffer, std::size_t size) {
  if (fd_ < 0) return Fail(EBADF) ? 0 : -1;
  if (Injected(FileOp::Read)) return -1;
  return ReadUpTo(fd_, buffer, size);
}

bool File::ReadAll(void* buffer, std::size_t size) {
  std::int64_t n = Read(buffer, size);
  if (n < 0) return false;
  if (static_cast<std::size_t>(n) != size) return Fail(EIO);
  return true;
}

bool File::Write(const void* buffer, std::size_t size) {
  if (fd_ < 0) return Fail(EBADF);
  if (Injected(FileOp::Write)) return false;
  written_ = true;
  return WriteAll(fd_, buffer, size);
}

std::int64_t File::Seek(std::int64_t offset, int whence) {
  if (fd_ < 0) return -1;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) {
    Fail(errno);
    return -1;
  }
  return static_cast<std::int64_t>(r);
}

std::int64_t File::Size() {
  if (fd_ < 0) return -1;
  if (Injected(FileOp::Size)) return -1;
  struct stat st;
  if (fstat(fd_, &st) != 0) {
    Fail(errno);
    return -1;
  }
  return static_cast<std::int64_t>(st.st_size);
}

bool File::CopyFrom(File& source, std::size_t size, void* buffer, std::size_t bufferSize) {
  if (fd_ < 0 || source.fd_ < 0 || !buffer || bufferSize == 0) return Fail(EBADF);
  if (Injected(FileOp::Read) || Injected(FileOp::Write)) return false;
  written_ = true;
  // The kernel copies page-aligned stretches faster than anything, but one whose two positions lie at
  // different places in their pages more slowly than a read and a write through the buffer.
  const off_t from = ::lseek(source.fd_, 0, SEEK_CUR), to = ::lseek(fd_, 0, SEEK_CUR);
  const bool inKernel = from >= 0 && to >= 0 && (from - to) % kPageSize == 0;
  std::size_t done = 0;
  while (inKernel && done < size) {
    ssize_t n = ::copy_file_range(source.fd_, nullptr, fd_, nullptr, size - done, 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) return Fail(EIO);  // the source ended early
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF) {
      return Fail(errno);
    }
    break;  // no copy in the kernel between these two files: through the buffer
  }
  while (done < size) {
    std::size_t want = std::min({bufferSize, kCopyPiece, size - done});
    std::int64_t got = ReadUpTo(source.fd_, buffer, want);
    if (got < 0) return false;
    if (static_cast<std::size_t>(got) != want) return Fail(EIO);  // the source ended early
    if (!WriteAll(fd_, buffer, want)) return false;
    done += want;
  }
  return true;
}

void File::StartWriteback() {
  if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool File::Sync() {
  if (fd_ < 0) return Fail(EBADF);
  if (Injected(FileOp::Write)) return false;
  return ::fsync(fd_) == 0 || Fail(errno);
}

bool File::SetTimes(const FileTime* creation, const FileTime* lastWrite) {
  if (fd_ < 0) return Fail(EBADF);
  if (Injected(FileOp::SetAttributes)) return false;
  if (lastWrite) {
    const timespec times[2] = {LeaveAlone(), AsTimespec(*lastWrite)};
    if (futimens(fd_, times) != 0) return Fail(errno);
  }
  if (creation) {
    const std::string v = CreationValue(*creation);
    fsetxattr(fd_, kCreationXattr, v.data(), v.size(), 0);
  }
  return true;
}

bool File::SetAttributes(std::uint32_t attributes) {
  if (fd_ < 0) return Fail(EBADF);
  if (Injected(FileOp::SetAttributes)) return false;
  struct stat st;
  if (fstat(fd_, &st) != 0) return Fail(errno);
  const mode_t mode = ModeWith(st, attributes);
  if (mode != (st.st_mode & 07777) && fchmod(fd_, mode) != 0) return Fail(errno);
  if (std::uint32_t kept = KeptOf(attributes)) {
    const std::string v = std::to_string(kept);
    fsetxattr(fd_, kAttrXattr, v.data(), v.size(), 0);
  } else if (!created_) {
    fremovexattr(fd_, kAttrXattr);
  }
  return true;
}

bool File::Close() {
  if (fd_ < 0) return true;
  int r = ::close(fd_);
  fd_ = -1;
  if (r == 0 && written_ && WrittenCloseFaultPoint()) return Fail(EIO);
  return r == 0 || Fail(errno);
}

bool ReadFile(const std::string& path, std::string& out) {
  out.clear();
  auto f = File::Open(path, OpenMode::Read);
  if (!f) return false;
  std::int64_t size = f->Size();
  if (size < 0) return false;
  out.resize(static_cast<std::size_t>(size));
  if (!f->ReadAll(out.data(), out.size())) {
    out.clear();
    return false;
  }
  return true;
}

bool ReadFilePart(const std::string& path, std::int64_t offset, std::size_t length, std::string& out) {
  out.clear();
  auto f = File::Open(path, OpenMode::Read);
  if (!f) return false;
  if (offset < 0 || f->Seek(offset, SEEK_SET) < 0) return Fail(EINVAL);
  out.resize(length);
  if (!f->ReadAll(out.data(), length)) {
    out.clear();
    return false;
  }
  return true;
}

namespace {

bool WriteWith(const std::string& path, OpenMode mode, const void* data, std::size_t size) {
  auto f = File::Open(path, mode);
  if (!f) return false;
  if (!f->Write(data, size)) return false;
  return f->Close();
}

}  // namespace

bool WriteFile(const std::string& path, const void* data, std::size_t size) {
  return WriteWith(path, OpenMode::Write, data, size);
}

bool OverwriteFile(const std::string& path, const void* data, std::size_t size) {
  // The only copy is changed in place: what it held is kept to be put back if the change does not reach the disk.
  auto f = File::Open(path, OpenMode::Update);
  if (!f) return false;
  std::string old(size, '\0');
  std::int64_t oldSize = f->Size();
  std::int64_t got = oldSize < 0 ? -1 : f->Read(old.data(), size);
  if (got < 0 || f->Seek(0, SEEK_SET) != 0) return false;
  old.resize(static_cast<std::size_t>(got));
  if (f->Write(data, size) && f->Sync()) return f->Close();
  int saved = LastError();
  if (::pwrite(f->fd_, old.data(), old.size(), 0) == static_cast<ssize_t>(old.size()) &&
      ::ftruncate(f->fd_, static_cast<off_t>(oldSize)) == 0) {
    ::fsync(f->fd_);
  }
  return Fail(saved ? saved : EIO);
}

bool AppendFile(const std::string& path, const void* data, std::size_t size) {
  return WriteWith(path, OpenMode::Append, data, size);
}

bool ReplaceFileAtomically(const std::string& path, const void* data, std::size_t size) {
  auto temp = TemporaryFile::CreateBeside(path);
  if (!temp) return false;
  return temp->file().Write(data, size) && temp->Commit(path);
}

// ---- Temporary files ----

std::string TemporaryName(const std::string& folder, std::string_view prefix, int attempt, std::string_view suffix) {
  std::string name(prefix);
  name += std::to_string(getpid());
  if (attempt > 0) name += "-" + std::to_string(attempt);
  name += suffix;
  if (folder.empty()) return name;
  return folder.back() == kDelimiter ? folder + name : folder + kDelimiter + name;
}

namespace {

constexpr int kTemporaryAttempts = 100;

bool AllDigits(std::string_view d) {
  return !d.empty() && d.size() <= 9 && std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The pid of a temporary name made from prefix (a "*" in it stands for any text) and suffix; 0 when the name is
// not one.
long TemporaryOwner(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix) return 0;
  std::string_view rest = name.substr(0, name.size() - suffix.size());
  // pid, or pid "-" attempt, at the end.
  std::size_t dash = rest.find_last_not_of("0123456789");
  if (dash != std::string_view::npos && rest[dash] == '-' && AllDigits(rest.substr(dash + 1))) {
    rest = rest.substr(0, dash);
  }
  std::size_t start = rest.find_last_not_of("0123456789");
  start = start == std::string_view::npos ? 0 : start + 1;
  std::string_view pid = rest.substr(start), head = rest.substr(0, start);
  if (!AllDigits(pid)) return 0;
  std::size_t star = prefix.find('*');
  if (star == std::string_view::npos) {
    if (head != prefix) return 0;
  } else {
    std::string_view before = prefix.substr(0, star), after = prefix.substr(star + 1);
    if (head.size() < before.size() + after.size() || head.substr(0, before.size()) != before ||
        head.substr(head.size() - after.size()) != after) {
      return 0;
    }
  }
  return std::strtol(std::string(pid).c_str(), nullptr, 10);
}

// No process runs under pid any more, and nobody holds the lock of the regular file sys.
bool OwnerGone(long pid, const std::string& sys) {
  if (pid <= 0 || pid == static_cast<long>(getpid())) return false;
  if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) return false;
  int fd = ::open(sys.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool gone = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return gone;
}

}  // namespace

std::unique_ptr<TemporaryFile> TemporaryFile::Create(const std::string& folder, std::string_view prefix,
                                                     std::string_view suffix) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string path = TemporaryName(folder, prefix, attempt, suffix);
    if (auto f = File::Open(path, OpenMode::CreateTemporary)) {
      return std::unique_ptr<TemporaryFile>(new TemporaryFile(std::move(f), path));
    }
    if (LastError() != EEXIST) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<TemporaryFile> TemporaryFile::CreateBeside(const std::string& path) {
  std::string real = ResolveName(path);
  std::size_t slash = FindLastChar(real, kDelimiter);
  std::string folder = slash == std::string::npos ? std::string() : real.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? real : real.substr(slash + 1);
  if (name.empty()) {
    Fail(EINVAL);
    return nullptr;
  }
  return Create(folder, "." + name + ".");
}

TemporaryFile::~TemporaryFile() {
  if (committed_) return;
  int saved = LastError();
  file_->Close();
  std::string sys;
  if (ToSystemPath(path_, sys)) ::unlink(sys.c_str());
  SetLastError(saved);
}

bool TemporaryFile::Commit(const std::string& target) {
  std::string targetSys;
  if (!Resolve(target, targetSys)) return false;
  struct stat st;
  // A file replaced keeps its permissions, writable by its owner as a new file is; a link is replaced by a file.
  mode_t mode = lstat(targetSys.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? ((st.st_mode & 07777) | S_IRUSR | S_IWUSR)
                                                                          : NewFileMode();
  if (::fchmod(file_->fd_, mode) != 0) return Fail(errno);
  if (!file_->Sync() || !RenameReplacing(path_, target)) return false;
  committed_ = true;
  SyncFolderOf(target);
  return true;
}

std::vector<std::string> StaleTemporaries(const std::string& folder, std::string_view prefix,
                                          std::string_view suffix) {
  std::vector<std::string> stale;
  std::vector<FindEntry> entries;
  const std::string within = folder.empty() ? "" : (folder.back() == kDelimiter ? folder : folder + kDelimiter);
  // The search passes over names that cannot be one (a wildcard in the name itself only widens it).
  if (!FindFiles(within + std::string(prefix) + "*" + std::string(suffix), entries)) return stale;
  for (const FindEntry& e : entries) {
    if (e.isSymlink || e.isFolder) continue;
    long pid = TemporaryOwner(e.name, prefix, suffix);
    if (pid == 0) continue;
    std::string path = within + e.name, sys;
    if (Resolve(path, sys) && OwnerGone(pid, sys)) stale.push_back(path);
  }
  return stale;
}

int RemoveStaleTemporaries(const std::string& folder, std::string_view prefix, std::string_view suffix) {
  int removed = 0;
  for (const std::string& path : StaleTemporaries(folder, prefix, suffix)) {
    if (DeleteFile(path)) ++removed;
  }
  return removed;
}

// ---- Locks ----

namespace {

constexpr unsigned kLockPollStep = 20;

struct HeldLock {
  int fd;
  int count;
};
std::mutex g_lockMutex;
std::map<std::pair<std::uint64_t, std::uint64_t>, HeldLock> g_heldLocks;  // by device and inode

std::unique_ptr<FileLock> AcquireLock(const std::string& path, bool folderOfMissing, LockKind kind,
                                      unsigned waitMilliseconds) {
  std::string sys;
  if (!Resolve(path, sys)) return nullptr;
  if (Injected(FileOp::Lock)) return nullptr;
  const std::uint64_t start = TickMilliseconds();
  for (;;) {
    struct stat st;
    std::string target = sys;
    bool missing = false;
    if (stat(sys.c_str(), &st) != 0) {
      if (errno != ENOENT || !folderOfMissing) {
        Fail(errno);
        return nullptr;
      }
      std::string name;
      SplitSystem(sys, target, name);
      missing = true;
    }
    int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &st) != 0) {
      Fail(errno);
      if (fd >= 0) ::close(fd);
      return nullptr;
    }
    const std::pair<std::uint64_t, std::uint64_t> key{st.st_dev, st.st_ino};
    {
      std::lock_guard<std::mutex> guard(g_lockMutex);
      auto held = g_heldLocks.find(key);
      if (held != g_heldLocks.end()) {
        ++held->second.count;
        ::close(fd);
        return std::make_unique<FileLock>(key.first, key.second);
      }
      if (::flock(fd, (kind == LockKind::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0) {
        // Still what the name stands for? A file replaced meanwhile is locked anew.
        struct stat now;
        bool same = missing ? (stat(sys.c_str(), &now) != 0 && errno == ENOENT)
                            : (stat(sys.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino);
        if (same) {
          g_heldLocks[key] = {fd, 1};
          return std::make_unique<FileLock>(key.first, key.second);
        }
        ::close(fd);
        continue;
      }
    }
    int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK && error != EINTR) {
      Fail(error);
      return nullptr;
    }
    if (TickMilliseconds() - start >= waitMilliseconds) {
      Fail(EWOULDBLOCK);
      return nullptr;
    }
    Sleep(kLockPollStep);
  }
}

}  // namespace

FileLock::~FileLock() {
  std::lock_guard<std::mutex> guard(g_lockMutex);
  auto held = g_heldLocks.find({dev_, ino_});
  if (held == g_heldLocks.end() || --held->second.count > 0) return;
  ::close(held->second.fd);
  g_heldLocks.erase(held);
}

std::unique_ptr<FileLock> LockFile(const std::string& path, LockKind kind, unsigned waitMilliseconds) {
  return AcquireLock(path, true, kind, waitMilliseconds);
}

std::unique_ptr<FileLock> LockFolder(const std::string& path, LockKind kind, unsigned waitMilliseconds) {
  std::string sys;
  if (!Resolve(path, sys)) return nullptr;
  struct stat st;
  if (stat(sys.c_str(), &st) != 0) {
    Fail(errno);
    return nullptr;
  }
  if (!S_ISDIR(st.st_mode)) {
    Fail(ENOTDIR);
    return nullptr;
  }
  return AcquireLock(path, false, kind, waitMilliseconds);
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  std::string fromSys, toSys;
  if (!Resolve(from, fromSys) || !Resolve(to, toSys)) return false;
  struct stat st, target;
  if (stat(fromSys.c_str(), &st) != 0) return Fail(errno);
  // A copy onto the file itself would truncate it before reading it.
  if (stat(toSys.c_str(), &target) == 0 && target.st_dev == st.st_dev && target.st_ino == st.st_ino) {
    return Fail(failIfExists ? EEXIST : EINVAL);
  }
  auto in = File::Open(from, OpenMode::Read);
  if (!in) return false;
  auto out = File::Open(to, failIfExists ? OpenMode::CreateNew : OpenMode::Write);
  if (!out) return false;
  // One buffer, no larger than the copy needs, and not cleared first: it is written before it is read.
  const std::size_t size = static_cast<std::size_t>(std::clamp<off_t>(st.st_size, 1, kCopyPiece));
  std::unique_ptr<char[]> buf(new (std::nothrow) char[size]);
  if (!buf) return Fail(ENOMEM);
  for (;;) {
    std::int64_t n = in->Read(buf.get(), size);
    if (n < 0) return false;
    if (n == 0) break;
    if (!out->Write(buf.get(), static_cast<std::size_t>(n))) return false;
  }
  if (!out->Close()) return false;
  // The copy keeps the last-write time and the attributes, as the system's copy does.
  timespec times[2] = {st.st_atim, st.st_mtim};
  utimensat(AT_FDCWD, toSys.c_str(), times, 0);
  std::uint32_t kept = KeptBits(fromSys);
  if (kept) {
    std::string v = std::to_string(kept);
    lsetxattr(toSys.c_str(), kAttrXattr, v.data(), v.size(), 0);
  }
  if (IsReadOnlyMode(st)) chmod(toSys.c_str(), st.st_mode & 07777);
  return true;
}

bool DeleteFile(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  if (Injected(FileOp::Delete)) return false;
  struct stat st;
  if (lstat(sys.c_str(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st)) return Fail(EACCES);
  return unlink(sys.c_str()) == 0 || Fail(errno);
}

bool RemoveFolder(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  if (Injected(FileOp::Delete)) return false;
  return rmdir(sys.c_str()) == 0 || Fail(errno);
}

bool MakeFolder(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  if (Injected(FileOp::MakeFolder)) return false;
  struct stat st;
  if (lstat(sys.c_str(), &st) == 0) return Fail(EEXIST);
  return mkdir(sys.c_str(), 0755) == 0 || Fail(errno);
}

bool MakeFolders(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  for (std::size_t i = 1; i <= sys.size(); ++i) {
    if (i != sys.size() && sys[i] != '/') continue;
    std::string part = sys.substr(0, i);
    struct stat st;
    if (stat(part.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return Fail(ENOTDIR);
      continue;
    }
    if (Injected(FileOp::MakeFolder)) return false;
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return Fail(errno);
  }
  return true;
}

bool DeleteTree(const std::string& path) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  return DeleteTreeSystem(sys);
}

RenameResult Rename(const std::string& from, const std::string& to) {
  std::string fromSys, toSys;
  if (!Resolve(from, fromSys) || !Resolve(to, toSys)) return RenameResult::Failed;
  struct stat st;
  if (lstat(fromSys.c_str(), &st) != 0) {
    Fail(errno);
    return RenameResult::Missing;
  }
  // The target counts as taken when any case variant of its name exists.
  if (lstat(toSys.c_str(), &st) == 0 && fromSys != toSys) {
    Fail(EEXIST);
    return RenameResult::Exists;
  }
  if (Injected(FileOp::Rename)) return RenameResult::Failed;
  if (renameat2(AT_FDCWD, fromSys.c_str(), AT_FDCWD, toSys.c_str(), RENAME_NOREPLACE) == 0) {
    return RenameResult::Done;
  }
  if (errno == EEXIST) {
    Fail(EEXIST);
    return RenameResult::Exists;
  }
  if (errno == EINVAL || errno == ENOSYS) {
    // File systems without the no-replace rename: a hard link cannot replace either.
    if (link(fromSys.c_str(), toSys.c_str()) == 0) {
      unlink(fromSys.c_str());
      return RenameResult::Done;
    }
    if (errno == EEXIST) {
      Fail(EEXIST);
      return RenameResult::Exists;
    }
  }
  Fail(errno);
  return RenameResult::Failed;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  std::string fromSys, toSys;
  if (!Resolve(from, fromSys) || !Resolve(to, toSys)) return false;
  if (Injected(FileOp::Rename)) return false;
  return ::rename(fromSys.c_str(), toSys.c_str()) == 0 || Fail(errno);
}

LinkResult LinkFile(const std::string& from, const std::string& to) {
  std::string fromSys, toSys;
  if (!Resolve(from, fromSys) || !Resolve(to, toSys)) return LinkResult::Failed;
  struct stat st;
  if (lstat(fromSys.c_str(), &st) != 0) {
    Fail(errno);
    return LinkResult::Missing;
  }
  if (S_ISDIR(st.st_mode)) {
    Fail(EISDIR);
    return LinkResult::Failed;
  }
  if (lstat(toSys.c_str(), &st) == 0) {
    Fail(EEXIST);
    return LinkResult::Exists;
  }
  if (Injected(FileOp::Rename)) return LinkResult::Failed;
  if (::link(fromSys.c_str(), toSys.c_str()) == 0) return LinkResult::Done;
  int error = errno;
  Fail(error);
  switch (error) {
    case EEXIST:
      return LinkResult::Exists;
    case EPERM:
    case EOPNOTSUPP:
    case EXDEV:
    case EMLINK:
      return LinkResult::Unsupported;
    default:
      return LinkResult::Failed;
  }
}

bool SyncFolderOf(const std::string& path) {
  std::string sys;
  if (!ToSystemPath(path, sys)) return Fail(EILSEQ);
  std::string folder, name;
  SplitSystem(sys, folder, name);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(errno);
  bool ok = ::fsync(fd) == 0;
  int saved = errno;
  ::close(fd);
  return ok || Fail(saved);
}

std::uint32_t GetAttributes(const std::string& path) {
  std::string sys;
  Seen seen;
  if (!Resolve(path, sys, &seen)) return kAttrInvalid;
  struct stat st;
  if (StatResolved(sys, seen, st) != 0) {
    Fail(errno);
    return kAttrInvalid;
  }
  std::uint32_t a = KeptBits(sys);
  if (IsReadOnlyMode(st)) a |= kAttrReadOnly;
  if (S_ISDIR(st.st_mode)) a |= kAttrFolder;
  return a == 0 ? kAttrNormal : a;
}

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
  std::string sys;
  Seen seen;
  if (!Resolve(path, sys, &seen)) return false;
  if (Injected(FileOp::SetAttributes)) return false;
  struct stat st;
  if (StatResolved(sys, seen, st) != 0) return Fail(errno);
  const mode_t mode = ModeWith(st, attributes);
  if (mode != (st.st_mode & 07777) && chmod(sys.c_str(), mode) != 0) return Fail(errno);
  std::uint32_t kept = KeptOf(attributes);
  if (kept) {
    std::string v = std::to_string(kept);
    // A file system without user extended attributes keeps only the read-only bit.
    lsetxattr(sys.c_str(), kAttrXattr, v.data(), v.size(), 0);
  } else {
    lremovexattr(sys.c_str(), kAttrXattr);
  }
  return true;
}

bool GetFileTimes(const std::string& path, FileTime* creation, FileTime* lastWrite) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  struct statx sx;
  if (statx(AT_FDCWD, sys.c_str(), 0, STATX_MTIME | STATX_BTIME, &sx) != 0) return Fail(errno);
  if (lastWrite) *lastWrite = {sx.stx_mtime.tv_sec, static_cast<std::int32_t>(sx.stx_mtime.tv_nsec)};
  if (creation) {
    char buf[64] = {};
    long long s = 0;
    long ns = 0;
    if (lgetxattr(sys.c_str(), kCreationXattr, buf, sizeof buf - 1) > 0 && std::sscanf(buf, "%lld.%ld", &s, &ns) == 2) {
      *creation = {s, static_cast<std::int32_t>(ns)};
    } else if (sx.stx_mask & STATX_BTIME) {
      *creation = {sx.stx_btime.tv_sec, static_cast<std::int32_t>(sx.stx_btime.tv_nsec)};
    } else {
      *creation = {sx.stx_mtime.tv_sec, static_cast<std::int32_t>(sx.stx_mtime.tv_nsec)};
    }
  }
  return true;
}

bool SetFileTimes(const std::string& path, const FileTime* creation, const FileTime* lastWrite) {
  std::string sys;
  if (!Resolve(path, sys)) return false;
  if (Injected(FileOp::SetAttributes)) return false;
  if (lastWrite) {
    const timespec times[2] = {LeaveAlone(), AsTimespec(*lastWrite)};
    if (utimensat(AT_FDCWD, sys.c_str(), times, 0) != 0) return Fail(errno);
  }
  if (creation) {
    const std::string v = CreationValue(*creation);
    lsetxattr(sys.c_str(), kCreationXattr, v.data(), v.size(), 0);
  }
  return true;
}

std::string ResolveName(const std::string& path) {
  std::string sys, cp932;
  if (!Resolve(path, sys) || !FromSystemPath(sys, cp932)) return path;
  return cp932;
}

}  // namespace platform
