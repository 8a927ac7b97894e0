#include "ZkUtilities.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <memory>
#include <new>

#include "ZkLog.h"
#include "ZkSettings.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/text.h"

namespace {

// Pakkel's exports (C calling convention).
using PakkelCompressFile = int (*)(int count, const char* basePrefix, char** files, const char* cabPath);
using PakkelUncompressFile = int (*)(const char* cabPath, const char* destDir);

constexpr const char kPakkel[] = "Pakkel.dll";
constexpr int kShellPathLimit = 263;  // the longest path the shell deletion takes
constexpr unsigned kDeletePollStep = 100;
constexpr std::uint64_t kDeletePollLimit = 1000;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A single-byte character that is trimmed: control characters and white space.
bool IsTrimmableByte(unsigned char c) { return c <= 0x20 || c == 0x7F; }

// Length of the trimmable character at s[i] (1 or 2), 0 when it is not trimmable.
std::size_t TrimmableAt(const std::string& s, std::size_t i) {
  if (platform::CharLength(s, i) == 2) {
    return (static_cast<unsigned char>(s[i]) == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x40) ? 2 : 0;
  }
  return IsTrimmableByte(static_cast<unsigned char>(s[i])) ? 1 : 0;
}

// Index of the last single-byte separator of s, npos when there is none.
std::size_t LastSeparator(const std::string& s) {
  std::size_t sep = std::string::npos;
  for (std::size_t i = 0; i < s.size(); i = platform::NextChar(s, i)) {
    if (platform::CharLength(s, i) == 1 && IsSeparator(s[i])) sep = i;
  }
  return sep;
}

// Index of the last character of s (npos for an empty text) and whether it is single-byte.
std::size_t LastCharIndex(const std::string& s, bool& singleByte) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < s.size(); i = platform::NextChar(s, i)) last = i;
  singleByte = last != std::string::npos && platform::CharLength(s, last) == 1;
  return last;
}

// The entry still stands (a dangling symbolic link counts).
bool EntryExists(const std::string& path) { return platform::Exists(path) || platform::IsSymbolicLink(path); }

// Attributes to normal, then delete; a symbolic link is deleted as it is (its target is not touched).
bool DeleteOneFile(const std::string& path) {
  if (!EntryExists(path)) return false;
  if (!platform::IsSymbolicLink(path) && !platform::SetAttributes(path, platform::kAttrNormal)) return false;
  return platform::DeleteFile(path);
}

bool DeleteListed(const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    if (!DeleteOneFile(f)) return false;
  }
  return true;
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// What a packing leaves out of a walk: links (never followed: what they point to is not the folder's) and
// FIFOs, devices and sockets, which have no content to pack and would only block or never end.
struct LeftOutOfWalk {
  std::vector<std::string> links, special;
};

// The walk of GetFileList (withFiles) and GetFolderList (!withFiles). Symbolic links are never entered: a
// link is listed as a file, or into leftOut when that is given, as a special file is.
int ListTree(const std::string& pattern, std::vector<std::string>& list, bool withFiles,
             LeftOutOfWalk* leftOut = nullptr) {
  if (pattern.empty()) return 0;
  std::string prefix = CZkUtilities::JoinPath(CZkUtilities::GetFolderName(pattern), "");
  std::vector<platform::FindEntry> entries;
  if (!platform::FindFiles(pattern, entries)) return 0;
  for (const platform::FindEntry& e : entries) {
    if (IsDotEntry(e.name)) continue;
    std::string path = prefix + e.name;
    if (e.isSymlink && leftOut) {
      leftOut->links.push_back(path);
    } else if (e.isSpecial && leftOut) {
      leftOut->special.push_back(path);
    } else if (e.isFolder && !e.isSymlink) {
      if (!withFiles) list.push_back(path);
      if (!ListTree(path + "/*", list, withFiles, leftOut)) return 0;
    } else if (withFiles) {
      list.push_back(path);
    }
  }
  return 1;
}

// The files to pack for a pattern: every file GetFileList lists but links and special files (see
// LeftOutOfWalk) and the base folder's own files named in leftOut.
int ListFilesToPack(const std::string& pattern, const std::vector<std::string>& leftOut,
                    std::vector<std::string>& files) {
  std::vector<std::string> listed;
  LeftOutOfWalk walkLeftOut;
  if (!ListTree(pattern, listed, true, &walkLeftOut)) return 0;
  for (const std::string& link : walkLeftOut.links) ZK_LOG(2, "シンボリックリンクは圧縮しません：%s", link.c_str());
  for (const std::string& special : walkLeftOut.special) {
    ZK_LOG(2, "通常のファイルでないものは圧縮しません：%s", special.c_str());
  }
  const std::string prefix = CZkUtilities::JoinPath(CZkUtilities::GetFolderName(pattern), "");
  for (std::string& path : listed) {
    std::string_view own = std::string_view(path).substr(prefix.size());
    bool left = std::any_of(leftOut.begin(), leftOut.end(),
                            [&](const std::string& name) { return platform::EqualsNoCaseAscii(own, name); });
    if (!left) files.push_back(std::move(path));
  }
  return 1;
}

}  // namespace

// ---- Text and paths ----

std::string CZkUtilities::TrimLeft(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = TrimmableAt(text, i);
    if (n == 0) break;
    i += n;
  }
  return text.substr(i);
}

std::string CZkUtilities::TrimRight(const std::string& text) {
  std::size_t runStart = std::string::npos;
  for (std::size_t i = 0; i < text.size(); i = platform::NextChar(text, i)) {
    if (TrimmableAt(text, i) != 0) {
      if (runStart == std::string::npos) runStart = i;
    } else {
      runStart = std::string::npos;
    }
  }
  return runStart == std::string::npos ? text : text.substr(0, runStart);
}

std::string CZkUtilities::Trim(const std::string& text) { return TrimRight(TrimLeft(text)); }

std::string CZkUtilities::NormalizePath(const std::string& path) {
  std::string p = Trim(path);
  bool single = false;
  std::size_t last = LastCharIndex(p, single);
  if (p.size() > 1 && p[0] == '"' && single && p[last] == '"') {
    p = p.substr(1, p.size() - 2);
    last = LastCharIndex(p, single);
  }
  // The root folder stays as it is: without its delimiter it would name the current folder.
  if (single && IsSeparator(p[last]) && p != "/") p.erase(last);
  return p;
}

std::string CZkUtilities::GetFileName(const std::string& path, int withExtension) {
  std::size_t sep = std::string::npos, dot = std::string::npos, wild = std::string::npos;
  for (std::size_t i = 0; i < path.size(); i = platform::NextChar(path, i)) {
    if (platform::CharLength(path, i) != 1) continue;
    char c = path[i];
    if (IsSeparator(c)) {
      sep = i;
      dot = wild = std::string::npos;
    } else if (c == '.') {
      dot = i;
    } else if (c == '*' || c == '?') {
      wild = i;
    }
  }
  std::size_t start = sep == std::string::npos ? 0 : sep + 1;
  if (dot != std::string::npos) {
    return withExtension == 1 ? path.substr(start) : path.substr(start, dot - start);
  }
  if (wild != std::string::npos) return path.substr(start);
  return {};
}

std::string CZkUtilities::GetFolderName(const std::string& path) {
  std::string name = GetFileName(path, 1);
  return NormalizePath(path.substr(0, path.size() - name.size()));
}

std::string CZkUtilities::JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string CZkUtilities::FormatText(const char* format, int value) {
  if (!format) return {};
  int n = std::snprintf(nullptr, 0, format, value);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, value);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string CZkUtilities::ToText(int value) { return std::to_string(value); }

std::string CZkUtilities::GetTimeStamp() {
  platform::LocalTime t;
  if (!platform::Now(t)) return {};
  char buf[32];
  int n = std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                        t.second);
  if (n != 14) return {};
  return buf;
}

std::string CZkUtilities::MakeBackupFileName(const std::string& path) {
  std::string folder = GetFolderName(path);
  std::string name = NormalizePath(GetFileName(path, 1));
  std::string stamp = GetTimeStamp();
  if (stamp.empty()) return {};
  std::string backup = JoinPath(folder, stamp + "-バックアップ" + name);
  ZkGetSettings().lastBackupFileName = backup;
  return backup;
}

std::string CZkUtilities::GetLastBackupFileName() { return ZkGetSettings().lastBackupFileName; }

// ---- Files ----

int CZkUtilities::IsExistFile(const std::string& name) {
  if (name.empty()) return 0;
  return platform::Exists(name) ? 1 : 0;
}

int CZkUtilities::GetFileSize(const std::string& name) {
  std::int64_t size = platform::FileSize(name);
  if (size < 0 || size > 0x7FFFFFFF) return -1;
  return static_cast<int>(size);
}

int CZkUtilities::ReadBinaryData(const std::string& name, std::int64_t offset, std::int64_t length,
                                 std::vector<unsigned char>& out) {
  out.clear();
  std::int64_t size = platform::FileSize(name);
  if (size < 0 || offset < 0) return 0;
  if (offset >= size) return 1;
  if (length < 1 || length >= size - offset) length = size - offset;
  std::vector<unsigned char> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    ZK_LOG(0, "pBinaryDataのcallocに失敗しました");
    return 0;
  }
  auto file = platform::File::Open(name, platform::OpenMode::Read);
  if (!file) return 0;
  if (offset >= 1 && file->Seek(offset, SEEK_SET) != offset) return 0;
  if (!file->ReadAll(buffer.data(), buffer.size())) return 0;
  out.swap(buffer);
  return 1;
}

int CZkUtilities::ReadBinaryDataOld(const std::string& name, std::vector<unsigned char>& out) {
  out.clear();
  std::int64_t size = platform::FileSize(name);
  if (size <= 0) return 0;
  std::vector<unsigned char> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    ZK_LOG(0, "pBinaryDataのcallocに失敗しました");
    return 0;
  }
  auto file = platform::File::Open(name, platform::OpenMode::Read);
  if (!file || !file->ReadAll(buffer.data(), buffer.size())) return 0;
  out.swap(buffer);
  return 1;
}

int CZkUtilities::WriteBinaryData(const std::string& name, const void* data, std::int64_t size) {
  if (!data || size <= 0) return 0;
  return platform::WriteFile(name, data, static_cast<std::size_t>(size)) ? 1 : 0;
}

int CZkUtilities::OverwriteBinaryData(const std::string& name, const void* data, std::int64_t size) {
  if (!data || size <= 0) return 0;
  return platform::OverwriteFile(name, data, static_cast<std::size_t>(size)) ? 1 : 0;
}

int CZkUtilities::CopyFiles(std::int64_t offset, const std::string& source, const std::string& destination) {
  std::int64_t size = platform::FileSize(source);
  if (size < 0) return 0;
  if (offset < 0) offset = 0;
  if (offset >= size) return 1;
  auto in = platform::File::Open(source, platform::OpenMode::Read);
  if (!in) return 0;
  if (offset > 0 && in->Seek(offset, SEEK_SET) != offset) return 0;
  // Appended at the end; opened for update where the file exists, so the system can copy in the kernel.
  const bool exists = platform::IsFile(destination);
  auto out = platform::File::Open(destination, exists ? platform::OpenMode::Update : platform::OpenMode::Append);
  if (!out) return 0;
  if (exists && out->Seek(0, SEEK_END) < 0) return 0;
  return CopyTail(*in, *out, size - offset) && out->Close() ? 1 : 0;
}

bool CZkUtilities::CopyTail(platform::File& in, platform::File& out, std::int64_t size, bool writeBack) {
  if (size <= 0) return true;
  // The copy goes through its buffer a piece at a time (or past it, in the kernel): a larger one, or one
  // cleared first, would only cost its pages.
  const std::size_t bufferSize = static_cast<std::size_t>(std::min<std::int64_t>(size, platform::kCopyPiece));
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bufferSize]);
  if (!buffer) {
    ZK_LOG(0, "pCopyDataのcallocに失敗しました");
    return false;
  }
  for (std::int64_t remaining = size; remaining > 0;) {
    const std::size_t n = static_cast<std::size_t>(std::min(remaining, kCopyChunkSize));
    if (!out.CopyFrom(in, n, buffer.get(), bufferSize)) return false;
    if (writeBack) out.StartWriteback();
    remaining -= static_cast<std::int64_t>(n);
  }
  return true;
}

int CZkUtilities::RemoveFile(const std::string& name) {
  if (name.empty()) return 0;
  return DeleteOneFile(name) ? 1 : 0;
}

bool CZkUtilities::MakeReplaceable(const std::string& name) {
  if (platform::IsSymbolicLink(name) || !IsExistFile(name)) return true;
  return platform::SetAttributes(name, platform::kAttrNormal);
}

int CZkUtilities::DeleteFileByShell(const std::string& path) {
  // Exactly the entry named: no truncated path, no wildcard, never "." or "..".
  if (path.empty() || path.size() > kShellPathLimit) return 1;
  std::size_t sep = LastSeparator(path);
  std::string last = sep == std::string::npos ? path : path.substr(sep + 1);
  if (last.empty() || IsDotEntry(last)) return 1;
  if (!EntryExists(path)) return 2;
  if (platform::DeleteTree(path)) return 0;
  int error = platform::LastError();
  return error != 0 ? error : 1;
}

int CZkUtilities::RenameFile(const std::string& newName, const std::string& oldName) {
  if (oldName.empty() || newName.empty() || !EntryExists(oldName)) return 0;
  if (EntryExists(newName)) return -2;
  if (!platform::IsSymbolicLink(oldName)) platform::SetAttributes(oldName, platform::kAttrNormal);
  switch (platform::Rename(oldName, newName)) {
    case platform::RenameResult::Done:
      return 1;
    case platform::RenameResult::Exists:
      return -2;
    default:
      return 0;
  }
}

int CZkUtilities::GetFileList(const std::string& pattern, std::vector<std::string>& list) {
  return ListTree(pattern, list, true);
}

int CZkUtilities::GetFolderList(const std::string& pattern, std::vector<std::string>& list) {
  return ListTree(pattern, list, false);
}

int CZkUtilities::DeleteFiles(const std::string& pattern) {
  std::vector<std::string> files;
  if (!GetFileList(NormalizePath(pattern), files)) return 0;
  return DeleteListed(files) ? 1 : 0;
}

int CZkUtilities::DeleteTempCabinetFiles(const std::string& path) {
  std::string folder = GetFolderName(path);
  if (!IsExistFile(folder)) return 0;
  std::vector<std::string> files;
  if (!GetFileList(JoinPath(folder, "TEMP*.CAB"), files)) return 1;
  return DeleteListed(files) ? 1 : 0;
}

int CZkUtilities::ForceDeleteFolder(const std::string& folderArg) {
  std::string folder = NormalizePath(folderArg);
  if (!IsExistFile(folder)) return 0;
  // A link to a folder is removed itself; what it points to is not ours.
  if (platform::IsSymbolicLink(folder)) return platform::DeleteFile(folder) ? 1 : 0;
  std::vector<std::string> files, folders;
  std::string all = JoinPath(folder, "*");
  if (!GetFileList(all, files) || !GetFolderList(all, folders)) return 0;
  // A read-only folder must not keep its files: it does not on the system the files come from.
  platform::SetAttributes(folder, platform::kAttrNormal);
  for (const std::string& f : folders) platform::SetAttributes(f, platform::kAttrNormal);
  if (!DeleteListed(files)) return 0;
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    platform::SetAttributes(*it, platform::kAttrNormal);
    if (!platform::RemoveFolder(*it)) return 0;
  }
  platform::SetAttributes(folder, platform::kAttrNormal);
  if (!platform::RemoveFolder(folder)) return 0;
  if (!IsExistFile(folder)) return 1;
  ZK_LOG(3, "指定フォルダ強制削除が未完了：%s", folderArg.c_str());
  std::uint64_t begin = platform::TickMilliseconds();
  while (platform::TickMilliseconds() - begin < kDeletePollLimit) {
    platform::Sleep(kDeletePollStep);
    if (!IsExistFile(folder)) return 1;
  }
  ZK_LOG(0, "指定フォルダ強制削除がタイムアウト：%s", folderArg.c_str());
  return 0;
}

// ---- Locks ----

std::unique_ptr<platform::FileLock> CZkUtilities::LockVekFile(const std::string& path, bool exclusive) {
  auto lock = platform::LockFile(path, exclusive ? platform::LockKind::Exclusive : platform::LockKind::Shared,
                                 kLockWait);
  if (!lock) ZK_LOG(0, "見積保存ファイルをロックできません（他の処理が使用中）(%d)：%s", platform::LastError(), path.c_str());
  return lock;
}

std::unique_ptr<platform::FileLock> CZkUtilities::LockWorkFolder(const std::string& folder) {
  auto lock = platform::LockFolder(folder, platform::LockKind::Exclusive, kLockWait);
  if (!lock) {
    ZK_LOG(0, "作業フォルダをロックできません（他の処理が使用中）(%d)：%s", platform::LastError(), folder.c_str());
    return lock;
  }
  // The INI and hand-over files are written beside their names as ".<name>.<pid>.tmp"; a writer that did not
  // live to rename its file left it.
  int removed = platform::RemoveStaleTemporaries(folder, ".*.");
  if (removed > 0) ZK_LOG(2, "作業フォルダの書きかけの一時ファイルを削除しました（%d件）", removed);
  return lock;
}

// ---- Pakkel ----

int CZkUtilities::CompressFile(const std::string& pattern, const std::string& cabinetPath,
                               const std::vector<std::string>& leftOut) {
  std::string base = GetFolderName(pattern);
  std::string cabinetFolder = GetFolderName(cabinetPath);
  if (!IsExistFile(pattern) || !IsExistFile(cabinetFolder)) return 0;
  std::vector<std::string> files;
  if (!ListFilesToPack(pattern, leftOut, files)) return 0;
  std::vector<char*> array;
  array.reserve(files.size());
  for (std::string& f : files) array.push_back(f.data());

  platform::ModuleHandle module = platform::LoadModule(kPakkel);
  if (!module) return 0;
  auto compress = platform::GetFunctionAs<PakkelCompressFile>(module, "CompressFile");
  if (!compress) {
    platform::FreeModule(module);
    return 0;
  }
  const ZkSettings& s = ZkGetSettings();
  int failures = 0;
  for (;;) {
    if (compress(static_cast<int>(array.size()), base.c_str(), array.data(), cabinetPath.c_str()) != 0) {
      if (platform::FreeModule(module)) return 1;
      platform::FreeModule(module);
      return 0;
    }
    ZK_LOG(0, "ＣＡＢ圧縮処理:ＤＬＬ内関数を実行:異常:%d", platform::LastError());
    ++failures;
    if (failures > s.compressRetryCount) {
      platform::FreeModule(module);
      return 0;
    }
    platform::Sleep(static_cast<unsigned>(s.compressRetryInterval));
    ZK_LOG(3, "ＣＡＢ圧縮処理:ＤＬＬ内関数を実行:リトライ:%d回目", failures);
  }
}

int CZkUtilities::UncompressFile(const std::string& destinationFolder, const std::string& cabinetPath) {
  std::string destination = NormalizePath(destinationFolder);
  if (!IsExistFile(cabinetPath) || !IsExistFile(destination)) return 0;
  platform::ModuleHandle module = platform::LoadModule(kPakkel);
  if (!module) return 0;
  auto uncompress = platform::GetFunctionAs<PakkelUncompressFile>(module, "UncompressFile");
  if (!uncompress) {
    platform::FreeModule(module);
    return 0;
  }
  if (uncompress(cabinetPath.c_str(), destination.c_str()) != 0 && platform::FreeModule(module)) return 1;
  platform::FreeModule(module);
  return 0;
}

// ---- Bits ----

int CZkUtilities::BufferBitShift(int bitCount, unsigned char* dest, const unsigned char* source, int length,
                                 int direction) {
  if (!source) {
    ZK_LOG(0, "pSource is NULL");
    return 0;
  }
  if (!dest) {
    ZK_LOG(0, "pDest is NULL");
    return 0;
  }
  if (length < 0 || bitCount < 0) return 0;
  std::size_t len = static_cast<std::size_t>(length);
  std::uint64_t bits = static_cast<std::uint64_t>(len) * 8;
  if (static_cast<std::uint64_t>(bitCount) > bits) return 0;
  std::memset(dest, 0, len);
  if (len == 0) return 1;
  // Towards the start by k is towards the end by 8L - k.
  std::uint64_t k = static_cast<std::uint64_t>(bitCount) % bits;
  if (direction != kTowardsEnd && k != 0) k = bits - k;
  std::size_t q = static_cast<std::size_t>(k / 8);
  unsigned r = static_cast<unsigned>(k % 8);
  for (std::size_t i = 0; i < len; ++i) {
    // Bit p moves to p + k: byte i takes the tail of byte i-q-1 and the head of byte i-q.
    unsigned hi = source[(i + len - q) % len];
    unsigned lo = source[(i + 2 * len - q - 1) % len];
    dest[i] = static_cast<unsigned char>(r == 0 ? hi : ((hi >> r) | (lo << (8 - r))));
  }
  return 1;
}

int CZkUtilities::BufferBitReverse(unsigned char* dest, const unsigned char* source, int length) {
  if (!source) {
    ZK_LOG(0, "pSource is NULL");
    return 0;
  }
  if (!dest) {
    ZK_LOG(0, "pDest is NULL");
    return 0;
  }
  if (length < 0) return 0;
  for (int i = 0; i < length; ++i) dest[i] = static_cast<unsigned char>(~source[i]);
  return 1;
}
