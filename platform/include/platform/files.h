// Files and folders with the semantics the system was written for: CP932 paths, names looked up
// case-insensitively when the exact name is missing, folder searches that yield "." and "..",
// renames that never replace, recursive deletes that never follow a symbolic link.
// Every operation goes through the fault points of fault.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform {

// Attribute bits (the values of the system's file attributes).
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrFolder = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrInvalid = 0xFFFFFFFF;

enum class PathKind { None, File, Folder };

// What a path names (a symbolic link counts as what it points to, except in DeleteTree).
PathKind GetPathKind(const std::string& path);
inline bool IsFile(const std::string& p) { return GetPathKind(p) == PathKind::File; }
inline bool IsFolder(const std::string& p) { return GetPathKind(p) == PathKind::Folder; }
// The path itself is a symbolic link (a dangling one included).
bool IsSymbolicLink(const std::string& path);

// One entry of a folder search.
struct FindEntry {
  std::string name;  // CP932, no folder
  bool isFolder = false;
  bool isSymlink = false;
  std::int64_t size = 0;
  FileTime lastWrite;  // read with the entry, so a caller that sorts by it needs no second look
};

// Searches "folder/pattern" like FindFirstFile: `*` and `?` in the last component, matched without regard to
// ASCII case; "*.*" matches every name; a name without wildcards finds that file or folder. A search of
// "folder/*" (or "*.*") yields "." and ".." first. The other entries come in the byte order of their upper-cased
// names. Gives false when nothing matches or the folder cannot be read.
bool FindFiles(const std::string& pattern, std::vector<FindEntry>& out);

// Both paths name one existing file or folder (the same device and inode), through links and other names.
bool SameFile(const std::string& a, const std::string& b);

// A file, a folder or a pattern that matches something, as FindFiles finds it (so not a path that ends in the
// delimiter).
bool Exists(const std::string& pathOrPattern);

// Size of a regular file; -1 when it cannot be read.
std::int64_t FileSize(const std::string& path);

enum class OpenMode {
  Read,         // "rb"
  Write,        // "wb": create or truncate
  Update,       // "r+b": existing file, read and write, not shortened
  Append,       // "ab"
  CreateNew,    // create, failing when the file exists
};

// An open file; closed when destroyed.
class File {
 public:
  static std::unique_ptr<File> Open(const std::string& path, OpenMode mode);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to size bytes; the count read, -1 on failure.
  std::int64_t Read(void* buffer, std::size_t size);
  // Reads exactly size bytes.
  bool ReadAll(void* buffer, std::size_t size);
  // Writes all of size bytes.
  bool Write(const void* buffer, std::size_t size);
  // whence: SEEK_SET, SEEK_CUR, SEEK_END; the new position or -1.
  std::int64_t Seek(std::int64_t offset, int whence);
  std::int64_t Size();
  bool Sync();
  // Copies size bytes from source's position to this file's position, in the kernel where the system can
  // and the two positions lie alike in their pages (never for a file opened to append), else through
  // buffer. Passes one read and one write fault point.
  bool CopyFrom(File& source, std::size_t size, void* buffer, std::size_t bufferSize);
  bool Close();  // reports the failure of the last flush

 private:
  explicit File(int fd);
  int fd_;
};

// Whole and partial files.
bool ReadFile(const std::string& path, std::string& out);
bool ReadFilePart(const std::string& path, std::int64_t offset, std::size_t length, std::string& out);
bool WriteFile(const std::string& path, const void* data, std::size_t size);      // create or truncate
bool OverwriteFile(const std::string& path, const void* data, std::size_t size);  // over the start, not shortened
bool AppendFile(const std::string& path, const void* data, std::size_t size);
// Writes a temporary file beside path, flushes it and renames it over path: either the old or the new
// complete file stands under the name at every moment.
bool ReplaceFileAtomically(const std::string& path, const void* data, std::size_t size);

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
bool DeleteFile(const std::string& path);    // a file, not a folder
bool RemoveFolder(const std::string& path);  // an empty folder
bool MakeFolder(const std::string& path);    // one level; fails when it exists or the parent is missing
bool MakeFolders(const std::string& path);   // and every missing parent; an existing folder is success
// Deletes a file or a whole folder tree; read-only entries are deleted too, a symbolic link is removed as a
// link and never followed.
bool DeleteTree(const std::string& path);

enum class RenameResult { Done, Missing, Exists, Failed };
// Never replaces an existing target.
RenameResult Rename(const std::string& from, const std::string& to);
// Replaces the target if it exists (for the atomic replacement of a file the system owns).
bool RenameReplacing(const std::string& from, const std::string& to);
// Flushes the folder that holds path, so a rename in it is durable.
bool SyncFolderOf(const std::string& path);

enum class LinkResult { Done, Missing, Exists, Unsupported, Failed };
// Gives the file `from` a second name `to` (a hard link) and never replaces a target (any case variant of its
// name counts as taken). Unsupported: the file system keeps no second names, so the caller may copy instead.
// Passes the fault point of a rename.
LinkResult LinkFile(const std::string& from, const std::string& to);

// Attributes: read-only is the owner's write bit; hidden, system and archive are kept in an extended attribute.
std::uint32_t GetAttributes(const std::string& path);  // kAttrInvalid on failure
bool SetAttributes(const std::string& path, std::uint32_t attributes);

// Creation time is the birth time where the file system keeps one (or the time set here), else the last write.
bool GetFileTimes(const std::string& path, FileTime* creation, FileTime* lastWrite);
bool SetFileTimes(const std::string& path, const FileTime* creation, const FileTime* lastWrite);

// An advisory lock (flock) on a lock file, held until the object goes, so that processes which change one file
// take turns. The lock file is created when missing and never removed (a removed lock file could be locked by two
// processes at once). Passes the fault point of an open.
class FileLock {
 public:
  // Waits for the lock; nullptr when the lock file cannot be opened or locked.
  static std::unique_ptr<FileLock> Acquire(const std::string& path);
  // Takes the lock only when nobody holds it; nullptr at once otherwise (LastError EWOULDBLOCK).
  static std::unique_ptr<FileLock> TryAcquire(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  static std::unique_ptr<FileLock> Take(const std::string& path, bool wait);
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_;
};

// The real (system) name of path: the exact name if it exists, else the first entry of its folder whose name
// matches the last component without regard to ASCII case, else path itself.
std::string ResolveName(const std::string& path);

}  // namespace platform
