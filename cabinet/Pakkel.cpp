// Pakkel and Lunnet (one source, built twice): CompressFile packs a list of files into one MSZIP cabinet and
// UncompressFile unpacks a cabinet into a folder, both through the cabinet library "CABINET", loaded for
// each call. VEK_LUNNET selects Lunnet's CompressFile, which stores base names only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "Pakkel.h"
#include "cabinet/fci.h"
#include "cabinet/fdi.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

using platform::File;
using platform::OpenMode;

constexpr std::uint16_t kKeptAttributes = 0x27;  // read-only, hidden, system, archive
constexpr std::uint32_t kMaxCabinetSize = 1000000000;
constexpr std::uint32_t kFolderThreshold = 900000;
constexpr int kTempNameAttempts = 1000;

// The cabinet library's entry points.
using FciCreateFn = decltype(&FCICreate);
using FciAddFileFn = decltype(&FCIAddFile);
using FciFlushCabinetFn = decltype(&FCIFlushCabinet);
using FciFlushFolderFn = decltype(&FCIFlushFolder);
using FciDestroyFn = decltype(&FCIDestroy);
using FdiCreateFn = decltype(&FDICreate);
using FdiCopyFn = decltype(&FDICopy);
using FdiIsCabinetFn = decltype(&FDIIsCabinet);
using FdiDestroyFn = decltype(&FDIDestroy);

// Process-wide state: one operation at a time per process, as the callers serialise their calls.
platform::ModuleHandle g_packLibrary = nullptr;
FciCreateFn g_fciCreate = nullptr;
FciAddFileFn g_fciAddFile = nullptr;
FciFlushCabinetFn g_fciFlushCabinet = nullptr;
FciFlushFolderFn g_fciFlushFolder = nullptr;  // looked up, never needed
FciDestroyFn g_fciDestroy = nullptr;
platform::ModuleHandle g_unpackLibrary = nullptr;
FdiCreateFn g_fdiCreate = nullptr;
FdiCopyFn g_fdiCopy = nullptr;
FdiIsCabinetFn g_fdiIsCabinet = nullptr;
FdiDestroyFn g_fdiDestroy = nullptr;
std::string g_destination;  // of the current unpacking, with its trailing delimiter
// Folders of the current unpacking's targets that it has made or found to be folders, the destination among them.
std::unordered_set<std::string> g_folders;
// The target of the current unpacking that is opened and not yet complete: a failed unpacking removes it.
std::string g_unfinished;

// ---- The runtime's low-level file functions: a handle is an open platform::File.

File* AsFile(CABHANDLE hf) { return reinterpret_cast<File*>(hf); }

bool ModeOf(int oflag, OpenMode& mode) {
  const int access = oflag & (CAB_O_WRONLY | CAB_O_RDWR);
  const bool create = oflag & CAB_O_CREAT, truncate = oflag & CAB_O_TRUNC, exclusive = oflag & CAB_O_EXCL;
  if (access == CAB_O_RDONLY && !create && !truncate && !exclusive) {
    mode = OpenMode::Read;
  } else if (access == CAB_O_WRONLY && create && exclusive) {
    mode = OpenMode::CreateTemporary;  // only the library's temporary files are made so
  } else if (access == CAB_O_WRONLY && create && truncate) {
    mode = OpenMode::Replace;  // a cabinet or an unpacked file: never written through a link
  } else {
    return false;  // no other combination is asked for
  }
  return true;
}

// The permission is the system's (read and write for the owner): the library always asks for both.
CABHANDLE RawOpen(const char* name, int oflag, int) {
  OpenMode mode;
  if (!name || !ModeOf(oflag, mode)) {
    platform::SetLastError(EINVAL);
    return -1;
  }
  std::unique_ptr<File> f = File::Open(name, mode);
  return f ? reinterpret_cast<CABHANDLE>(f.release()) : -1;
}

std::uint32_t RawRead(CABHANDLE hf, void* memory, std::uint32_t cb) {
  std::int64_t n = AsFile(hf)->Read(memory, cb);
  return n < 0 ? static_cast<std::uint32_t>(-1) : static_cast<std::uint32_t>(n);
}

std::uint32_t RawWrite(CABHANDLE hf, const void* memory, std::uint32_t cb) {
  return AsFile(hf)->Write(memory, cb) ? cb : static_cast<std::uint32_t>(-1);
}

int RawClose(CABHANDLE hf) {
  std::unique_ptr<File> f(AsFile(hf));
  return f->Close() ? 0 : -1;
}

long RawSeek(CABHANDLE hf, long dist, int seektype) { return static_cast<long>(AsFile(hf)->Seek(dist, seektype)); }

// ---- Packing callbacks: the runtime's error number goes to *err when a call fails.

void* MemAlloc(std::uint32_t cb) { return std::malloc(cb); }
void MemFree(void* memory) { std::free(memory); }

CABHANDLE FciOpen(const char* name, int oflag, int pmode, int* err, void*) {
  CABHANDLE hf = RawOpen(name, oflag, pmode);
  if (hf == -1) *err = platform::LastError();
  return hf;
}

std::uint32_t FciRead(CABHANDLE hf, void* memory, std::uint32_t cb, int* err, void*) {
  std::uint32_t n = RawRead(hf, memory, cb);
  if (n != cb) *err = platform::LastError();
  return n;
}

std::uint32_t FciWrite(CABHANDLE hf, const void* memory, std::uint32_t cb, int* err, void*) {
  std::uint32_t n = RawWrite(hf, memory, cb);
  if (n != cb) *err = platform::LastError();
  return n;
}

int FciClose(CABHANDLE hf, int* err, void*) {
  int r = RawClose(hf);
  if (r != 0) *err = platform::LastError();
  return r;
}

long FciSeek(CABHANDLE hf, long dist, int seektype, int* err, void*) {
  long r = RawSeek(hf, dist, seektype);
  if (r == -1) *err = platform::LastError();
  return r;
}

int FciDelete(const char* name, int* err, void*) {
  if (platform::DeleteFile(name)) return 0;
  *err = platform::LastError();
  return -1;
}

int FciFilePlaced(CCAB*, const char*, long, int, void*) { return 0; }

// What the names of the packing's temporary files begin with, in the temporary folder; the owner's process id
// follows, so that those of a packing whose process ended are known (TemporaryName).
constexpr char kTempPrefix[] = "xxvek.";

// A name in the temporary folder that no file has, beginning with "xx".
int FciGetTempFile(char* name, int size, void*) {
  static int counter = 0;
  try {
    std::string folder = platform::CurrentEnvironment().TempFolder();
    if (folder.empty()) return 0;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
      std::string path = platform::TemporaryName(folder, kTempPrefix, counter++);
      if (platform::Exists(path) || platform::IsSymbolicLink(path)) continue;
      if (path.size() >= static_cast<std::size_t>(size)) return 0;
      std::memcpy(name, path.c_str(), path.size() + 1);
      return 1;
    }
  } catch (...) {
  }
  return 0;
}

int FciGetNextCabinet(CCAB* ccab, std::uint32_t, void*) {
  std::snprintf(ccab->szCab, sizeof ccab->szCab, "TEMP%d.CAB", ccab->iCab);
  return 1;
}

long FciStatus(std::uint32_t, std::uint32_t, std::uint32_t, void*) { return 0; }

// The file to pack, opened for reading, with its last-write time as a local DOS date and time and its
// attributes.
CABHANDLE FciGetOpenInfo(const char* name, std::uint16_t* date, std::uint16_t* time, std::uint16_t* attribs,
                         int* err, void*) {
  CABHANDLE hf = FciOpen(name, CAB_O_RDONLY | CAB_O_BINARY, 0, err, nullptr);
  if (hf == -1) return -1;
  platform::FileTime lastWrite;
  platform::LocalTime local;
  if (!platform::GetFileTimes(name, nullptr, &lastWrite) || !platform::FileTimeToLocal(lastWrite, local)) {
    *err = platform::LastError();
    RawClose(hf);
    return -1;
  }
  if (!platform::LocalToDos(local, *date, *time)) {
    // Outside what a DOS date holds (before 1980 or after 2107): the nearest end of its range.
    const bool early = local.year < 1980;
    *date = early ? 0x0021 : 0xFF9F;
    *time = early ? 0x0000 : 0xBF7D;
  }
  std::uint32_t a = platform::GetAttributes(name);
  *attribs = a == platform::kAttrInvalid ? 0 : static_cast<std::uint16_t>(a & kKeptAttributes);
  return hf;
}

// ---- Unpacking notifications.

std::string TargetOf(const char* stored) { return g_destination + platform::StoredToPath(stored ? stored : ""); }

// The folders between the destination and a target, made where missing. A link that stands for one of them is
// replaced by a folder: what an estimate holds is never written outside its destination. Each folder is looked at
// once in an unpacking; the unpacking itself makes no links.
bool MakeFoldersOf(const std::string& target) {
  // The destination itself, as the caller names it.
  const std::string destination = g_destination.substr(0, g_destination.size() - 1);
  if (!destination.empty() && !g_folders.count(destination)) {
    if (!platform::IsFolder(destination) && !platform::MakeFolders(destination)) return false;
    g_folders.insert(destination);
  }
  for (std::size_t from = g_destination.size();;) {
    std::size_t slash = platform::FindChar(target, platform::kDelimiter, from);
    if (slash == std::string::npos) return true;
    from = slash + 1;
    if (slash <= g_destination.size()) continue;  // the destination itself (stored names begin with a separator)
    std::string folder = target.substr(0, slash);
    if (g_folders.count(folder)) continue;
    if (platform::IsSymbolicLink(folder) && !platform::DeleteFile(folder)) return false;
    if (!platform::IsFolder(folder) && !platform::MakeFolder(folder)) return false;
    g_folders.insert(std::move(folder));
  }
}

CABHANDLE FdiNotify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
  try {
    switch (type) {
      case fdintCOPY_FILE: {
        std::string target = TargetOf(n->psz1);
        if (!MakeFoldersOf(target)) return -1;
        // Truncated on open: no byte of a longer old file stays behind.
        CABHANDLE hf = RawOpen(target.c_str(), CAB_O_WRONLY | CAB_O_CREAT | CAB_O_TRUNC | CAB_O_SEQUENTIAL | CAB_O_BINARY,
                               CAB_S_IREAD | CAB_S_IWRITE);
        if (hf != -1) g_unfinished = std::move(target);
        return hf;
      }
      case fdintCLOSE_FILE_INFO: {
        // Times and attributes through the handle that wrote the file, before it is closed: the path is not
        // looked up again.
        File* f = AsFile(n->hf);
        platform::FileTime t;
        if (platform::LocalToFileTime(platform::DosToLocal(n->date, n->time), t)) f->SetTimes(&t, &t);
        f->SetAttributes(n->attribs & kKeptAttributes);
        // A failed close may have lost data: the unpacking stops (and the file goes).
        if (RawClose(n->hf) != 0) return 0;
        g_unfinished.clear();
        return 1;
      }
      default:
        return 0;
    }
  } catch (...) {
    return -1;
  }
}

// ---- Loading the cabinet library.

template <class F>
bool Bind(platform::ModuleHandle module, const char* name, F& out) {
  out = platform::GetFunctionAs<F>(module, name);
  return out != nullptr;
}

bool LoadPacking() {
  g_packLibrary = platform::LoadModule("CABINET");
  if (!g_packLibrary) return false;
  bool ok = Bind(g_packLibrary, "FCICreate", g_fciCreate);
  ok = Bind(g_packLibrary, "FCIAddFile", g_fciAddFile) && ok;
  ok = Bind(g_packLibrary, "FCIFlushCabinet", g_fciFlushCabinet) && ok;
  Bind(g_packLibrary, "FCIFlushFolder", g_fciFlushFolder);
  ok = Bind(g_packLibrary, "FCIDestroy", g_fciDestroy) && ok;
  if (!ok) {
    platform::FreeModule(g_packLibrary);
    g_packLibrary = nullptr;
  }
  return ok;
}

bool LoadUnpacking() {
  g_unpackLibrary = platform::LoadModule("CABINET");
  if (!g_unpackLibrary) return false;
  bool ok = Bind(g_unpackLibrary, "FDICreate", g_fdiCreate) && Bind(g_unpackLibrary, "FDICopy", g_fdiCopy) &&
            Bind(g_unpackLibrary, "FDIIsCabinet", g_fdiIsCabinet) && Bind(g_unpackLibrary, "FDIDestroy", g_fdiDestroy);
  if (!ok) {
    platform::FreeModule(g_unpackLibrary);
    g_unpackLibrary = nullptr;
  }
  return ok;
}

// Destroys the packing context; the library is released when that succeeds (else it stays loaded).
bool DestroyPacking(HFCI h) {
  if (!g_fciDestroy(h)) return false;
  platform::FreeModule(g_packLibrary);
  g_packLibrary = nullptr;
  return true;
}

bool DestroyUnpacking(HFDI h) {
  if (!g_fdiDestroy(h)) return false;
  platform::FreeModule(g_unpackLibrary);
  g_unpackLibrary = nullptr;
  return true;
}

// The text after the last delimiter (the whole path when it has none).
[[maybe_unused]] std::string BaseName(std::string_view path) {
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The text after the first occurrence of prefix that begins on a character, else the base name.
[[maybe_unused]] std::string AfterPrefix(std::string_view path, std::string_view prefix) {
  for (std::size_t i = 0; i + prefix.size() <= path.size(); i = platform::NextChar(path, i)) {
    if (path.compare(i, prefix.size(), prefix) == 0) return std::string(path.substr(i + prefix.size()));
  }
  return BaseName(path);
}

// Settings of the cabinet at cabPath; false when its folder or name does not fit.
bool FillSettings(std::string_view cabPath, CCAB& ccab) {
  std::memset(&ccab, 0, sizeof ccab);
  ccab.cb = kMaxCabinetSize;
  ccab.cbFolderThresh = kFolderThreshold;
  ccab.iCab = 1;
  ccab.iDisk = 0;
  ccab.setID = 12345;
  std::snprintf(ccab.szDisk, sizeof ccab.szDisk, "%s", "MyDisk");
  std::size_t slash = platform::FindLastChar(cabPath, platform::kDelimiter);
  std::string_view folder = slash == std::string_view::npos ? std::string_view() : cabPath.substr(0, slash + 1);
  std::string_view name = cabPath.substr(folder.size());
  if (folder.size() >= sizeof ccab.szCabPath || name.size() >= sizeof ccab.szCab) return false;
  std::memcpy(ccab.szCabPath, folder.data(), folder.size());
  std::memcpy(ccab.szCab, name.data(), name.size());
  return true;
}

// Packs the first count files, each under the name storedName gives.
template <class StoredName>
int Compress(int count, char** files, const char* cabPath, StoredName storedName) {
  CCAB ccab;
  if (!cabPath || (count > 0 && !files) || !FillSettings(cabPath, ccab)) return 0;
  // Temporary files of packings whose process ended go first.
  platform::RemoveStaleTemporaries(platform::CurrentEnvironment().TempFolder(), kTempPrefix);
  // The files' times go in as local times: the zone's rules as they stand now, once for all files.
  platform::LoadLocalTimeRules();
  if (!LoadPacking()) return 0;
  ERF erf{};
  HFCI h = g_fciCreate(&erf, FciFilePlaced, MemAlloc, MemFree, FciOpen, FciRead, FciWrite, FciClose, FciSeek,
                       FciDelete, FciGetTempFile, &ccab, nullptr);
  if (!h) {
    platform::FreeModule(g_packLibrary);
    g_packLibrary = nullptr;
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    if (!files[i]) {
      DestroyPacking(h);
      return 0;
    }
    std::string stored = platform::PathToStored(storedName(std::string_view(files[i])));
    if (!g_fciAddFile(h, files[i], stored.c_str(), 0, FciGetNextCabinet, FciStatus, FciGetOpenInfo,
                      tcompTYPE_MSZIP)) {
      DestroyPacking(h);
      return 0;
    }
  }
  if (!g_fciFlushCabinet(h, 0, FciGetNextCabinet, FciStatus)) {
    DestroyPacking(h);
    return 0;
  }
  return DestroyPacking(h) ? 1 : 0;
}

int Uncompress(const char* cabPath, const char* destDir) {
  // With no destination the names, which begin with a delimiter, would land at the root.
  if (!cabPath || !destDir || !*destDir) return 0;
  if (!LoadUnpacking()) return 0;
  ERF erf{};
  HFDI h = g_fdiCreate(MemAlloc, MemFree, RawOpen, RawRead, RawWrite, RawClose, RawSeek, cpu80386, &erf);
  if (!h) {
    platform::FreeModule(g_unpackLibrary);
    g_unpackLibrary = nullptr;
    return 0;
  }
  CABHANDLE hf = RawOpen(cabPath, CAB_O_RDONLY | CAB_O_BINARY | CAB_O_SEQUENTIAL, 0);
  if (hf == -1) {
    DestroyUnpacking(h);
    return 0;
  }
  FDICABINETINFO info{};
  const bool isCabinet = g_fdiIsCabinet(h, hf, &info) != 0;
  RawClose(hf);
  if (!isCabinet) {
    DestroyUnpacking(h);
    return 0;
  }
  std::string_view path = cabPath;
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  std::string folder(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1));
  std::string name(path.substr(folder.size()));
  g_destination = destDir;
  if (g_destination.back() != platform::kDelimiter) g_destination += platform::kDelimiter;
  g_folders.clear();
  // The archived times are local times: the zone's rules as they stand now, once for all files.
  platform::LoadLocalTimeRules();
  g_unfinished.clear();
  const bool copied = g_fdiCopy(h, name.c_str(), folder.c_str(), 0, FdiNotify, nullptr) != 0;
  g_folders.clear();
  // A file that failed half-way is not left as if it were whole (files already complete stay).
  if (!g_unfinished.empty()) {
    if (!copied) {
      // Its stored attributes may already hold read-only, which a delete respects.
      platform::SetAttributes(g_unfinished, platform::kAttrNormal);
      platform::DeleteFile(g_unfinished);
    }
    g_unfinished.clear();
  }
  if (!copied) {
    DestroyUnpacking(h);
    return 0;
  }
  return DestroyUnpacking(h) ? 1 : 0;
}

}  // namespace

extern "C" {

#ifdef VEK_LUNNET
__attribute__((visibility("default"))) int CompressFile(int count, char** files, const char* cabPath) {
  try {
    return Compress(count, files, cabPath, [](std::string_view path) { return BaseName(path); });
  } catch (...) {
    return 0;
  }
}
#else
__attribute__((visibility("default"))) int CompressFile(int count, const char* basePrefix, char** files,
                                                        const char* cabPath) {
  try {
    std::string prefix = basePrefix ? basePrefix : "";
    return Compress(count, files, cabPath, [&](std::string_view path) { return AfterPrefix(path, prefix); });
  } catch (...) {
    return 0;
  }
}
#endif

__attribute__((visibility("default"))) int UncompressFile(const char* cabPath, const char* destDir) {
  try {
    return Uncompress(cabPath, destDir);
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
