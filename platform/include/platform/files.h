// Files and folders with the semantics the system was written for: CP932 paths, names looked up
// case-insensitively when the exact name is missing, folder searches that yield "." and "..",
// renames that never replace, recursive deletes that never follow a symbolic link.
// Every operation goes through the fault points of fault.h.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
// The path itself is a regular file (not a link to one), in one look.
bool IsRegularFile(const std::string& path);

// One entry of a folder search.
struct FindEntry {
  std::string name;  // CP932, no folder
  bool isFolder = false;
  bool isSymlink = false;
  bool isSpecial = false;  // a FIFO, device or socket itself (not a link to one): never a file to open
  std::int64_t size = 0;
  FileTime lastWrite;  // read with the entry, so a caller that sorts by it needs no second look
};

// Searches "folder/pattern" like FindFirstFile: `*` and `?` in the last component, matched without regard to
// ASCII case; "*.*" matches every name; a name without wildcards finds that file or folder. A search of
// "folder/*" (or "*.*") yields "." and ".." first. The other entries come in the byte order of their upper-cased
// names. Gives false when nothing matches or the folder cannot be read.
bool FindFiles(const std::string& pattern, std::vector<FindEntry>& out);

// The names in a folder (not "." and ".."), each with whether it is a regular file itself (not a link, not a
// folder), in one read of the folder where the file system tells the kinds; false when it cannot be read.
struct FolderName {
  std::string name;  // CP932
  bool regularFile = false;
};
bool ListFolder(const std::string& folder, std::vector<FolderName>& out);

// Both paths name one existing file or folder (the same device and inode), through links and other names.
bool SameFile(const std::string& a, const std::string& b);

// A file, a folder or a pattern that matches something, as FindFiles finds it (so not a path that ends in the
// delimiter).
bool Exists(const std::string& pathOrPattern);

// Size of a regular file; -1 when it cannot be read.
std::int64_t FileSize(const std::string& path);

// A copy through a buffer moves this much at a time: larger pieces leave the processor's caches between the read
// and the write and copy several times more slowly.
inline constexpr std::size_t kCopyPiece = 1 << 20;

enum class OpenMode {
  Read,         // "rb"
  Write,        // "wb": create or truncate
  Update,       // "r+b": existing file, read and write, not shortened
  Append,       // "ab"
  CreateNew,    // create, failing when the file exists
  // "wb", but a symbolic link that stands at the name is removed and a new file made in its place: nothing is
  // ever written through a link.
  Replace,
  // A temporary file: made new (never over an existing entry, never through a link), readable and writable by
  // the owner only, and locked (flock, exclusive) for as long as it is open, so that other processes can tell
  // that its owner still works on it.
  CreateTemporary,
};

// The error of an open or size look-up whose name is a FIFO, a device or a socket (a folder gives EISDIR):
// only regular files are read or written.
inline constexpr int kNotRegularFile = EINVAL;

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
  // Starts writing what the file holds to its device without waiting, so that a Sync later has less to wait for.
  void StartWriteback();
  // Copies size bytes from source's position to this file's position, in the kernel where the system can
  // and the two positions lie alike in their pages (never for a file opened to append), else through
  // buffer, at most kCopyPiece bytes at a time (a larger buffer is not used). Passes one read and one write
  // fault point.
  bool CopyFrom(File& source, std::size_t size, void* buffer, std::size_t bufferSize);
  bool Close();  // reports the failure of the last flush
  // As SetFileTimes and SetAttributes of its path, without looking the path up again; a file that this
  // object created has no hidden, system or archive bits to remove.
  bool SetTimes(const FileTime* creation, const FileTime* lastWrite);
  bool SetAttributes(std::uint32_t attributes);

 private:
  friend class TemporaryFile;
  friend bool OverwriteFile(const std::string& path, const void* data, std::size_t size);
  File(int fd, bool created);
  int fd_;
  bool created_;  // made by the open that gave this object
  bool written_ = false;  // a write reached it: its close may report lost data
};

// Whole and partial files.
bool ReadFile(const std::string& path, std::string& out);
bool ReadFilePart(const std::string& path, std::int64_t offset, std::size_t length, std::string& out);
bool WriteFile(const std::string& path, const void* data, std::size_t size);      // create or truncate
// Over the start, not shortened, and on disk before it reports success; when the write or the flush fails the
// old bytes are written back.
bool OverwriteFile(const std::string& path, const void* data, std::size_t size);
bool AppendFile(const std::string& path, const void* data, std::size_t size);
// Writes a temporary file beside path (TemporaryFile), flushes it and renames it over path: either the old or
// the new complete file stands under the name at every moment, and a link at path is replaced, not followed.
bool ReplaceFileAtomically(const std::string& path, const void* data, std::size_t size);

// ---- Temporary files ----
// Their names carry the owner's process id: prefix + pid + ".tmp", or prefix + pid + "-" + n + ".tmp" when an
// entry (a link planted there included) already takes the name.

// The name of the attempt-th temporary file of this process in folder (CP932).
std::string TemporaryName(const std::string& folder, std::string_view prefix, int attempt,
                          std::string_view suffix = ".tmp");

// A temporary file opened for writing (OpenMode::CreateTemporary), removed when destroyed unless committed.
class TemporaryFile {
 public:
  // A new one in folder whose name begins with prefix; nullptr when none can be made.
  static std::unique_ptr<TemporaryFile> Create(const std::string& folder, std::string_view prefix,
                                               std::string_view suffix = ".tmp");
  // A new one beside path, named "." + name + "." + pid + ".tmp".
  static std::unique_ptr<TemporaryFile> CreateBeside(const std::string& path);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  File& file() { return *file_; }
  const std::string& path() const { return path_; }
  // Gives the file the permissions of the entry it replaces (those of a new file where there is none), flushes
  // it and renames it over target (replacing a file or link there), then flushes the folder. The file stays
  // open and locked until the object goes.
  bool Commit(const std::string& target);

 private:
  TemporaryFile(std::unique_ptr<File> file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  std::unique_ptr<File> file_;
  std::string path_;
  bool committed_ = false;
};

// Temporary files of folder named from prefix (where a "*" stands for any text) and suffix whose owner is gone: the process their name carries
// no longer runs and nobody holds their lock. Regular files only (links and folders of such names are left).
std::vector<std::string> StaleTemporaries(const std::string& folder, std::string_view prefix,
                                          std::string_view suffix = ".tmp");
// Deletes them; the number deleted.
int RemoveStaleTemporaries(const std::string& folder, std::string_view prefix, std::string_view suffix = ".tmp");

// ---- Advisory locks ----
// Locks are flock locks, so they are released when their holder ends, however it ends. A lock that this
// process already holds on the same file or folder is granted again at once (and kept until the last holder
// goes), so nested operations of one process never wait for themselves.

enum class LockKind { Shared, Exclusive };

// A lock held until the object goes; made by LockFile and LockFolder.
class FileLock {
 public:
  FileLock(std::uint64_t dev, std::uint64_t ino) : dev_(dev), ino_(ino) {}
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::uint64_t dev_, ino_;
};

// Locks the file path names; while no entry has that name, its folder instead, so that two makers of one new
// file exclude each other too. When the file is replaced while the lock is awaited, the file that then has the
// name is locked. Waits up to waitMilliseconds (polling through the clock's Sleep); nullptr when the lock is not
// had (LastError EWOULDBLOCK after the wait, else the error of opening). Passes the fault point of a lock.
std::unique_ptr<FileLock> LockFile(const std::string& path, LockKind kind, unsigned waitMilliseconds);
// Locks a folder itself.
std::unique_ptr<FileLock> LockFolder(const std::string& path, LockKind kind, unsigned waitMilliseconds);

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

// The real (system) name of path: the exact name if it exists, else the first entry of its folder whose name
// matches the last component without regard to ASCII case, else path itself.
std::string ResolveName(const std::string& path);

}  // namespace platform
