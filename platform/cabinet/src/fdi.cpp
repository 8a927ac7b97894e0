// The cabinet reader behind the FDI entry points: libmspack decodes, over the caller's callbacks.
#include <mspack.h>

#include <cstddef>
#include <deque>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cab_format.h"
#include "cab_set.h"
#include "erf.h"
#include "cabinet/fdi.h"
#include "names.h"
#include "platform/files.h"

namespace cabinet {
namespace {

constexpr std::uint32_t kMagic = 0x46444958;  // "FDIX"
constexpr std::uint32_t kError = static_cast<std::uint32_t>(-1);
constexpr int kLongestSet = 1000;              // cabinets of one set
constexpr int kDecodeBuffer = 64 * 1024;       // input buffer of the decoders

class Reader;

// A file as libmspack sees it: a caller's handle, the target of the file being unpacked, or nothing
// (the check pass decodes into it). libmspack reads a block header and its data apart and writes one
// block at a time; the buffer turns that into few large calls of the caller's read and write.
struct StreamFile {
  enum class Kind { Source, Target, Sink } kind;
  CABHANDLE hf;
  Reader* reader;
  unsigned char* buffer = nullptr;  // a Source's own; the Reader's one target buffer for a Target
  std::size_t capacity = 0;
  std::size_t pos = 0, end = 0;  // Source: bytes pos..end are unread; Target: bytes 0..end wait to be written
  std::int64_t base = 0;         // Source: the file offset of buffer[0]
};
// The largest buffer of a file; a smaller one where the whole cabinet or the largest target is smaller.
constexpr std::size_t kStreamBuffer = 256 * 1024;

// libmspack copies its system record and frees memory without saying whose it is: the reader whose
// FDICopy runs on this thread serves its memory.
thread_local Reader* g_active = nullptr;

class Reader {
 public:
  Reader(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write, PFNCLOSE close, PFNSEEK seek,
         ERF* erf)
      : alloc_(alloc), free_(free), open_(open), read_(read), write_(write), close_(close), seek_(seek), erf_(erf) {
    system_.open = &OpenThunk;
    system_.close = &CloseThunk;
    system_.read = &ReadThunk;
    system_.write = &WriteThunk;
    system_.seek = &SeekThunk;
    system_.tell = &TellThunk;
    system_.message = &MessageThunk;
    system_.alloc = &AllocThunk;
    system_.free = &FreeThunk;
    system_.copy = &CopyThunk;
    system_.null_ptr = nullptr;
  }
  ~Reader() { magic_ = 0; }

  bool Valid() const { return magic_ == kMagic; }
  PFNFREE Release() const { return free_; }

  bool Fail(int code, int err = 0) { return SetError(erf_, code, err); }

  bool IsCabinet(CABHANDLE hf, FDICABINETINFO* info) {
    unsigned char fixed[kHeaderSize];
    if (read_(hf, fixed, kHeaderSize) != kHeaderSize) return Fail(FDIERROR_NOT_A_CABINET);
    Header h;
    if (!ParseFixedHeader(fixed, h)) {
      bool signed_ = std::memcmp(fixed, "MSCF", 4) == 0;
      return Fail(signed_ ? FDIERROR_UNKNOWN_CABINET_VERSION : FDIERROR_NOT_A_CABINET);
    }
    if (info) {
      info->cbCabinet = static_cast<long>(h.cabinetSize);
      info->cFolders = h.folderCount;
      info->cFiles = h.fileCount;
      info->setID = h.setId;
      info->iCabinet = h.cabinetIndex;
      info->fReserve = (h.flags & kFlagReservePresent) != 0;
      info->hasprev = (h.flags & kFlagPrevCabinet) != 0;
      info->hasnext = (h.flags & kFlagNextCabinet) != 0;
    }
    return true;
  }

  bool Copy(const char* cabinet, const char* folder, PFNFDINOTIFY notify, void* pv);

  // libmspack's callbacks.
  static StreamFile* F(mspack_file* f) { return reinterpret_cast<StreamFile*>(f); }

  static mspack_file* OpenThunk(mspack_system*, const char* filename, int mode) {
    Reader* r = g_active;
    StreamFile file{StreamFile::Kind::Source, -1, r};
    if (mode == MSPACK_SYS_OPEN_WRITE) {
      // The name is ours: the file being unpacked goes to its target (or nowhere in the check pass).
      file.kind = r->target_ == -1 ? StreamFile::Kind::Sink : StreamFile::Kind::Target;
      file.hf = r->target_;
    } else if (mode == MSPACK_SYS_OPEN_READ) {
      file.hf = r->open_(filename, CAB_O_RDONLY | CAB_O_BINARY | CAB_O_SEQUENTIAL, 0);
      if (file.hf == -1) return nullptr;
    } else {
      return nullptr;
    }
    void* memory = AllocThunk(nullptr, sizeof(StreamFile));
    if (memory && file.kind == StreamFile::Kind::Source) {
      file.capacity = r->sourceBuffer_;
      file.buffer = static_cast<unsigned char*>(AllocThunk(nullptr, file.capacity));
      if (!file.buffer) {
        FreeThunk(memory);
        memory = nullptr;
      }
    } else if (file.kind == StreamFile::Kind::Target) {
      file.buffer = r->targetBuffer_;
      file.capacity = r->targetBufferSize_;
    }
    if (!memory) {
      if (file.kind == StreamFile::Kind::Source) r->close_(file.hf);
      return nullptr;
    }
    return reinterpret_cast<mspack_file*>(new (memory) StreamFile(file));
  }
  static void CloseThunk(mspack_file* f) {
    StreamFile* file = F(f);
    // The target stays open: the caller closes it when it is told the file is done.
    if (file->kind == StreamFile::Kind::Source) {
      file->reader->close_(file->hf);
      FreeThunk(file->buffer);
    }
    if (file->kind == StreamFile::Kind::Target) Flush(file);
    FreeThunk(file);
  }
  static int ReadThunk(mspack_file* f, void* buffer, int bytes) {
    StreamFile* file = F(f);
    if (file->kind != StreamFile::Kind::Source || bytes < 0) return -1;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    const std::int64_t from = Tell(file);
    std::size_t want = static_cast<std::size_t>(bytes), done = 0;
    while (done < want) {
      if (file->pos == file->end) {
        file->base += static_cast<std::int64_t>(file->end);
        file->pos = file->end = 0;
        std::uint32_t n = file->reader->read_(file->hf, file->buffer, static_cast<std::uint32_t>(file->capacity));
        if (n == kError) return -1;
        if (n == 0) break;
        file->end = n;
        continue;
      }
      const std::size_t take = std::min(want - done, file->end - file->pos);
      std::memcpy(out + done, file->buffer + file->pos, take);
      file->pos += take;
      done += take;
    }
    // A block header whose checksum was verified goes to the decoder without it: the decoder would only
    // compute it again.
    const std::vector<std::uint64_t>& v = file->reader->verified_;
    if (done >= 4 && !v.empty() && std::binary_search(v.begin(), v.end(), static_cast<std::uint64_t>(from))) {
      std::memset(out, 0, 4);
    }
    return static_cast<int>(done);
  }
  // Hands bytes to the caller's write; a short write marks the unpacking failed.
  static bool WriteOut(StreamFile* file, const void* bytes, std::size_t size) {
    const std::uint32_t n = static_cast<std::uint32_t>(size);
    if (file->reader->write_(file->hf, bytes, n) == n) return true;
    file->reader->writeFailed_ = true;
    return false;
  }
  // Hands the waiting bytes of a target to the caller.
  static bool Flush(StreamFile* file) {
    if (file->end == 0) return true;
    const std::size_t size = file->end;
    file->end = 0;
    return WriteOut(file, file->buffer, size);
  }
  static int WriteThunk(mspack_file* f, void* buffer, int bytes) {
    StreamFile* file = F(f);
    if (bytes < 0) return -1;
    if (file->kind == StreamFile::Kind::Sink) return bytes;
    if (file->kind != StreamFile::Kind::Target) return -1;
    const std::size_t size = static_cast<std::size_t>(bytes);
    if (file->end + size > file->capacity && !Flush(file)) return -1;
    if (size >= file->capacity) return WriteOut(file, buffer, size) ? bytes : -1;
    std::memcpy(file->buffer + file->end, buffer, size);
    file->end += size;
    return bytes;
  }
  static int SeekThunk(mspack_file* f, off_t offset, int mode) {
    StreamFile* file = F(f);
    if (file->kind != StreamFile::Kind::Source) return -1;
    if (mode == MSPACK_SYS_SEEK_START || mode == MSPACK_SYS_SEEK_CUR) {
      const std::int64_t target = mode == MSPACK_SYS_SEEK_START ? offset : Tell(file) + offset;
      if (target < 0) return -1;
      // Inside what is buffered: no call.
      if (target >= file->base && target <= file->base + static_cast<std::int64_t>(file->end)) {
        file->pos = static_cast<std::size_t>(target - file->base);
        return 0;
      }
      return SeekTo(file, target, SEEK_SET);
    }
    return SeekTo(file, offset, SEEK_END);
  }
  static int SeekTo(StreamFile* file, std::int64_t offset, int whence) {
    long at = file->reader->seek_(file->hf, static_cast<long>(offset), whence);
    file->pos = file->end = 0;
    if (at == -1) {
      // Where the caller's file stands now is unknown: ask it.
      file->base = file->reader->seek_(file->hf, 0, SEEK_CUR);
      return -1;
    }
    file->base = at;
    return 0;
  }
  static std::int64_t Tell(const StreamFile* file) { return file->base + static_cast<std::int64_t>(file->pos); }
  static off_t TellThunk(mspack_file* f) {
    StreamFile* file = F(f);
    if (file->kind != StreamFile::Kind::Source) return -1;
    return Tell(file);
  }
  static void MessageThunk(mspack_file*, const char*, ...) {}  // failures are reported by result
  static void* AllocThunk(mspack_system*, size_t bytes) {
    if (bytes > 0xFFFFFFFFu) return nullptr;
    return g_active->alloc_(static_cast<std::uint32_t>(bytes));
  }
  static void FreeThunk(void* memory) {
    if (memory) g_active->free_(memory);
  }
  static void CopyThunk(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

 private:
  struct Job;
  enum class Verdict { Sound, Damaged, Undecided };
  class Input;
  bool ReadHeader(const std::string& path, Header& h);
  struct PlainFolder;
  Verdict ReadRecords(const std::string& path, const Header& h, CabinetRecords& out,
                      std::vector<std::uint64_t>* verified, std::vector<PlainFolder>* plain);
  Verdict CheckSet(Job& job, Header h, const char* folder, PFNFDINOTIFY notify, void* pv);
  static bool SameRecords(const mscabd_cabinet* cab, const CabinetRecords& r);
  bool OpenSet(Job& job);
  bool CheckNames(Job& job);
  bool Decode(Job& job);
  bool Unpack(Job& job, PFNFDINOTIFY notify, void* pv);

  std::uint32_t magic_ = kMagic;
  PFNALLOC alloc_;
  PFNFREE free_;
  PFNOPEN open_;
  PFNREAD read_;
  PFNWRITE write_;
  PFNCLOSE close_;
  PFNSEEK seek_;
  ERF* erf_;
  mspack_system system_{};
  CABHANDLE target_ = -1;
  bool writeFailed_ = false;
  std::size_t sourceBuffer_ = kStreamBuffer;  // for each reading of a cabinet
  unsigned char* targetBuffer_ = nullptr;     // one for all the targets of a copy
  std::size_t targetBufferSize_ = 0;
  // Offsets of the data blocks whose checksums the check pass has verified (sorted).
  std::vector<std::uint64_t> verified_;
  // Folders (by index) whose blocks the check pass found to hold their data as it is (stored blocks), where
  // a file's bytes are copied from the cabinet without decoding.
  struct PlainBlock {
    std::uint64_t offset;  // of the data in the cabinet
    std::uint64_t start;   // in the folder's data
    std::uint32_t size;
  };
  struct PlainFolder {
    bool plain = false;
    std::vector<PlainBlock> blocks;
  };
  std::vector<PlainFolder> plain_;
  bool CopyPlain(const PlainFolder& folder, std::uint64_t offset, std::uint64_t length, CABHANDLE in,
                 CABHANDLE out);
};

struct Reader::Job {
  std::string path;  // of the first cabinet
  mscab_decompressor* cabd = nullptr;
  mscabd_cabinet* first = nullptr;
  std::vector<std::string> names;  // CP932, in the order of first->files
  std::deque<std::string> paths;   // of the set's cabinets, in order; libmspack keeps the names it opened
  std::vector<CabinetRecords> records;  // what the check pass read of each
};

bool Reader::ReadHeader(const std::string& path, Header& h) {
  CABHANDLE hf = open_(path.c_str(), CAB_O_RDONLY | CAB_O_BINARY | CAB_O_SEQUENTIAL, 0);
  if (hf == -1) return Fail(FDIERROR_CABINET_NOT_FOUND);
  // The fixed part first; the rest of the longest header only where its flags say that more follows.
  std::vector<unsigned char> head(kHeaderSize);
  std::size_t size = 0;
  auto readUpTo = [&](std::size_t want) {
    head.resize(want);
    while (size < head.size()) {
      std::uint32_t n = read_(hf, head.data() + size, static_cast<std::uint32_t>(head.size() - size));
      if (n == kError || n == 0) break;
      size += n;
    }
  };
  readUpTo(kHeaderSize);
  constexpr std::uint16_t kMore = kFlagPrevCabinet | kFlagNextCabinet | kFlagReservePresent;
  if (size == kHeaderSize && (Get16(head.data() + 30) & kMore) != 0) readUpTo(kLongestHeader);
  close_(hf);
  if (size >= kHeaderSize && std::memcmp(head.data(), "MSCF", 4) == 0 && head[25] != 1) {
    return Fail(FDIERROR_UNKNOWN_CABINET_VERSION);
  }
  if (!ParseHeader(head.data(), size, h)) {
    bool signed_ = size >= 4 && std::memcmp(head.data(), "MSCF", 4) == 0;
    return Fail(signed_ ? FDIERROR_CORRUPT_CABINET : FDIERROR_NOT_A_CABINET);
  }
  return true;
}

// Buffered reading of a cabinet through the caller's callbacks.
class Reader::Input {
 public:
  // capacity: at most kBuffer, at least what one block takes.
  Input(Reader& r, std::size_t capacity)
      : r_(r), capacity_(std::clamp(capacity, kLeast, kBuffer)), buffer_(new unsigned char[capacity_]) {}
  ~Input() {
    if (hf_ != -1) r_.close_(hf_);
  }
  bool Open(const std::string& path) {
    hf_ = r_.open_(path.c_str(), CAB_O_RDONLY | CAB_O_BINARY | CAB_O_SEQUENTIAL, 0);
    return hf_ != -1;
  }
  bool Seek(std::uint64_t offset) {
    pos_ = end_ = 0;
    base_ = offset;
    return r_.seek_(hf_, static_cast<long>(offset), SEEK_SET) == static_cast<long>(offset);
  }
  std::uint64_t Offset() const { return base_ + pos_; }
  // The next n bytes (n <= kLeast), valid until the next call; nullptr when the file ends first.
  const unsigned char* Take(std::size_t n) {
    if (n > capacity_) return nullptr;
    if (end_ - pos_ < n) {
      std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
      end_ -= pos_;
      base_ += pos_;
      pos_ = 0;
      while (end_ < n) {
        std::uint32_t got = r_.read_(hf_, buffer_.get() + end_, static_cast<std::uint32_t>(capacity_ - end_));
        if (got == kError || got == 0) return nullptr;
        end_ += got;
      }
    }
    const unsigned char* p = buffer_.get() + pos_;
    pos_ += n;
    return p;
  }
  const char* TakeText() {
    std::string& t = text_;
    t.clear();
    for (;;) {
      const unsigned char* c = Take(1);
      if (!c || t.size() >= CB_MAX_FILENAME) return nullptr;
      if (*c == 0) return t.c_str();
      t += static_cast<char>(*c);
    }
  }

  static constexpr std::size_t kBuffer = 256 * 1024;
  static constexpr std::size_t kLeast = 64 * 1024;  // a data block with the largest reserve, a record

 private:
  Reader& r_;
  CABHANDLE hf_ = -1;
  std::size_t capacity_;
  std::unique_ptr<unsigned char[]> buffer_;  // not cleared: bytes are read into it before they are looked at
  std::size_t pos_ = 0, end_ = 0;
  std::uint64_t base_ = 0;  // the file offset of buffer_[0]
  std::string text_;
};

// Reads a cabinet's records and its data blocks without decoding them: every block's size and checksum. A
// block without a checksum makes the verdict undecided (decoding settles it). For a cabinet that is the whole
// set, verified and plain receive the blocks whose checksums were verified and the folders of plain data.
Reader::Verdict Reader::ReadRecords(const std::string& path, const Header& h, CabinetRecords& out,
                                    std::vector<std::uint64_t>* verified, std::vector<PlainFolder>* plain) {
  Input in(*this, h.cabinetSize);
  if (!in.Open(path)) return Verdict::Damaged;
  out.h = h;
  // Behind the header with its reserved area and the names of the cabinets before and after it.
  const std::uint64_t foldersAt = HeaderBytes(h) + ((h.flags & kFlagReservePresent) ? 4u + h.headerReserve : 0u);
  std::vector<std::uint32_t> starts;
  if (!in.Seek(foldersAt)) return Verdict::Damaged;
  for (int i = 0; i < h.folderCount; ++i) {
    const unsigned char* p = in.Take(kFolderEntrySize + h.folderReserve);
    if (!p || (Get16(p + 6) & 0x000F) > 3) return Verdict::Damaged;
    starts.push_back(Get32(p));
    CabinetRecords::Folder& f = out.folders.emplace_back();
    f.blocks = Get16(p + 4);
    f.type = Get16(p + 6);
  }
  if (!in.Seek(h.filesOffset)) return Verdict::Damaged;
  for (int i = 0; i < h.fileCount; ++i) {
    const unsigned char* p = in.Take(kFileEntrySize);
    if (!p) return Verdict::Damaged;
    CabinetRecords::File& f = out.files.emplace_back();
    f.size = Get32(p);
    f.offset = Get32(p + 4);
    f.folder = Get16(p + 8);
    const char* name = in.TakeText();
    if (!name) return Verdict::Damaged;
    f.name = name;
  }
  const bool goesOn = (h.flags & kFlagNextCabinet) != 0;
  bool undecided = false;
  for (std::size_t i = 0; i < out.folders.size(); ++i) {
    CabinetRecords::Folder& f = out.folders[i];
    if (!in.Seek(starts[i])) return Verdict::Damaged;
    PlainFolder stored;
    stored.plain = f.type == kCompressNone || f.type == kCompressMszip;
    for (int b = 0; b < f.blocks; ++b) {
      const std::uint64_t at = in.Offset();
      const unsigned char* p = in.Take(kDataHeaderSize + h.dataReserve);
      if (!p) return Verdict::Damaged;
      const std::uint32_t sum = Get32(p);
      unsigned char sizes[4];
      std::memcpy(sizes, p + 4, 4);
      const std::uint16_t packed = Get16(sizes), unpacked = Get16(sizes + 2);
      // Only the last block of a cabinet that goes on may be split (its rest follows in the next cabinet).
      const bool split = unpacked == 0 && goesOn && i + 1 == out.folders.size() && b + 1 == f.blocks;
      if (packed > kLargestPackedBlock || (unpacked == 0 && !split) || unpacked > kBlockSize) {
        return Verdict::Damaged;
      }
      if (b == 0) f.firstPacked = packed;
      f.lastPacked = packed;
      f.lastSplit = split;
      const unsigned char* bytes = in.Take(packed);
      if (!bytes) return Verdict::Damaged;
      if (sum == 0) {
        undecided = true;
      } else if (Checksum(sizes, 4, Checksum(bytes, packed, 0)) != sum) {
        return Verdict::Damaged;
      }
      if (verified) verified->push_back(at);
      // The data as it is: a block of a folder without compression, or one stored deflate block (its final
      // block, the length and its complement) in an MSZIP block.
      const std::uint64_t dataAt = at + kDataHeaderSize + h.dataReserve;
      if (f.type == kCompressNone && packed == unpacked) {
        stored.blocks.push_back({dataAt, f.data, unpacked});
      } else if (f.type == kCompressMszip && packed == unpacked + 7u && bytes[0] == 'C' && bytes[1] == 'K' &&
                 bytes[2] == 0x01 && Get16(bytes + 3) == unpacked && Get16(bytes + 5) == (unpacked ^ 0xFFFFu)) {
        stored.blocks.push_back({dataAt + 7, f.data, unpacked});
      } else {
        stored.plain = false;
      }
      f.data += unpacked;
    }
    if (!stored.plain) stored.blocks.clear();
    if (plain) plain->push_back(std::move(stored));
  }
  return undecided ? Verdict::Undecided : Verdict::Sound;
}

// Reads and checks every cabinet of the set that begins with job.path before a decoder sees any of them: each
// next cabinet is a regular file of the first one's folder (or of the folder the caller names for it), named
// by a plain file name, in the set once, and continues the cabinet before it (SetCheck).
Reader::Verdict Reader::CheckSet(Job& job, Header h, const char* folder, PFNFDINOTIFY notify, void* pv) {
  SetCheck set;
  job.paths.push_back(job.path);
  bool undecided = false;
  for (int count = 1;; ++count) {
    const bool single = count == 1 && !(h.flags & kFlagNextCabinet);
    CabinetRecords& records = job.records.emplace_back();
    std::vector<std::uint64_t> verified;
    std::vector<PlainFolder> plain;
    const Verdict verdict =
        ReadRecords(job.paths.back(), h, records, single ? &verified : nullptr, single ? &plain : nullptr);
    if (verdict == Verdict::Damaged) return Fail(FDIERROR_CORRUPT_CABINET), Verdict::Damaged;
    if (!set.Add(records)) return Fail(set.error()), Verdict::Damaged;
    undecided = undecided || verdict == Verdict::Undecided;
    if (single && !undecided) {
      std::sort(verified.begin(), verified.end());
      verified_ = std::move(verified);
      plain_ = std::move(plain);
    }
    if (!(h.flags & kFlagNextCabinet)) break;
    if (count >= kLongestSet) return Fail(FDIERROR_WRONG_CABINET), Verdict::Damaged;
    // The name is never a path: a cabinet elsewhere is no part of this set.
    if (!IsPlainCabinetName(h.nextCabinet)) return Fail(FDIERROR_UNSAFE_NAME), Verdict::Damaged;
    char where[CB_MAX_CAB_PATH] = {};
    std::snprintf(where, sizeof where, "%s", folder);
    FDINOTIFICATION n{};
    n.psz1 = h.nextCabinet.c_str();
    n.psz2 = h.nextDisk.c_str();
    n.psz3 = where;
    n.pv = pv;
    n.setID = h.setId;
    n.iCabinet = static_cast<std::uint16_t>(h.cabinetIndex + 1);
    n.fdie = FDIERROR_NONE;
    if (notify(fdintNEXT_CABINET, &n) == -1) return Fail(FDIERROR_USER_ABORT), Verdict::Damaged;
    where[sizeof where - 1] = '\0';
    std::string next = std::string(where) + h.nextCabinet;
    // Only a regular file: reading a device or a pipe could block for good.
    if (!platform::IsRegularFile(next)) return Fail(FDIERROR_CABINET_NOT_FOUND), Verdict::Damaged;
    for (const std::string& earlier : job.paths) {
      if (platform::SameFile(earlier, next)) return Fail(FDIERROR_WRONG_CABINET), Verdict::Damaged;
    }
    job.paths.push_back(std::move(next));
    if (!ReadHeader(job.paths.back(), h)) return Verdict::Damaged;
  }
  return undecided ? Verdict::Undecided : Verdict::Sound;
}

// What the decoder read of a cabinet is what the check pass read: a cabinet changed in between is not joined.
bool Reader::SameRecords(const mscabd_cabinet* cab, const CabinetRecords& r) {
  if (cab->set_id != r.h.setId || cab->set_index != r.h.cabinetIndex || cab->flags != r.h.flags) return false;
  std::vector<const mscabd_folder*> folders;
  for (const mscabd_folder* d = cab->folders; d; d = d->next) folders.push_back(d);
  if (folders.size() != r.folders.size()) return false;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    if (folders[i]->comp_type != r.folders[i].type || folders[i]->num_blocks != r.folders[i].blocks) return false;
  }
  std::size_t i = 0;
  for (const mscabd_file* f = cab->files; f; f = f->next, ++i) {
    if (i == r.files.size()) return false;
    const CabinetRecords::File& e = r.files[i];
    std::size_t folder = 0;
    if (!FolderOfFile(r, e, folder) || f->folder != folders[folder] || f->length != e.size ||
        f->offset != e.offset || !f->filename || e.name != f->filename) {
      return false;
    }
  }
  return i == r.files.size();
}

// The decoder opens the checked cabinets and joins them.
bool Reader::OpenSet(Job& job) {
  job.first = job.cabd->open(job.cabd, job.paths[0].c_str());
  if (!job.first) {
    return Fail(job.cabd->last_error(job.cabd) == MSPACK_ERR_OPEN ? FDIERROR_CABINET_NOT_FOUND
                                                                 : FDIERROR_CORRUPT_CABINET);
  }
  if (!SameRecords(job.first, job.records[0])) return Fail(FDIERROR_CORRUPT_CABINET);
  mscabd_cabinet* last = job.first;
  for (std::size_t i = 1; i < job.paths.size(); ++i) {
    mscabd_cabinet* next = job.cabd->open(job.cabd, job.paths[i].c_str());
    if (!next) return Fail(FDIERROR_CABINET_NOT_FOUND);
    if (!SameRecords(next, job.records[i]) || job.cabd->append(job.cabd, last, next) != MSPACK_ERR_OK) {
      job.cabd->close(job.cabd, next);
      return Fail(FDIERROR_WRONG_CABINET);
    }
    last = next;
  }
  return true;
}

bool Reader::CheckNames(Job& job) {
  for (mscabd_file* f = job.first->files; f; f = f->next) {
    std::string name;
    if (!StoredNameToCp932(f->filename ? f->filename : "", static_cast<std::uint16_t>(f->attribs), name) ||
        !IsSafeStoredName(name)) {
      return Fail(FDIERROR_UNSAFE_NAME);
    }
    job.names.push_back(std::move(name));
  }
  return true;
}

// Decodes every file once into nothing, so that data that does not decode is found before anything
// is written.
bool Reader::Decode(Job& job) {
  target_ = -1;
  for (mscabd_file* f = job.first->files; f; f = f->next) {
    if (job.cabd->extract(job.cabd, f, "") != MSPACK_ERR_OK) return Fail(FDIERROR_CORRUPT_CABINET);
  }
  return true;
}

bool Reader::Unpack(Job& job, PFNFDINOTIFY notify, void* pv) {
  // One buffer for every target, no larger than the largest needs.
  std::size_t largest = 1;
  for (mscabd_file* f = job.first->files; f; f = f->next) largest = std::max<std::size_t>(largest, f->length);
  targetBufferSize_ = std::min(largest, kStreamBuffer);
  targetBuffer_ = static_cast<unsigned char*>(alloc_(static_cast<std::uint32_t>(targetBufferSize_)));
  if (!targetBuffer_) return Fail(FDIERROR_ALLOC_FAIL);
  struct Release {
    Reader& r;
    ~Release() {
      r.free_(r.targetBuffer_);
      r.targetBuffer_ = nullptr;
    }
  } release{*this};
  // The folders' indexes, for their plain data; and the cabinet, opened for it when a file needs it.
  std::vector<const mscabd_folder*> folders;
  for (const mscabd_folder* d = job.first->folders; d; d = d->next) folders.push_back(d);
  CABHANDLE source = -1;
  struct CloseSource {
    Reader& r;
    CABHANDLE& hf;
    ~CloseSource() {
      if (hf != -1) r.close_(hf);
    }
  } closeSource{*this, source};
  std::size_t i = 0;
  for (mscabd_file* f = job.first->files; f; f = f->next, ++i) {
    FDINOTIFICATION n{};
    n.cb = static_cast<long>(f->length);
    n.psz1 = job.names[i].c_str();
    n.pv = pv;
    n.date = static_cast<std::uint16_t>(((f->date_y - 1980) << 9) | (f->date_m << 5) | f->date_d);
    n.time = static_cast<std::uint16_t>((f->time_h << 11) | (f->time_m << 5) | (f->time_s / 2));
    n.attribs = static_cast<std::uint16_t>(f->attribs & ~CAB_A_NAME_IS_UTF);
    n.setID = job.first->set_id;
    n.iCabinet = static_cast<std::uint16_t>(job.first->set_index);
    CABHANDLE hf = notify(fdintCOPY_FILE, &n);
    if (hf == -1) return Fail(FDIERROR_USER_ABORT);
    if (hf == 0) continue;
    const std::size_t index =
        static_cast<std::size_t>(std::find(folders.begin(), folders.end(), f->folder) - folders.begin());
    if (index < plain_.size() && plain_[index].plain) {
      if (source == -1) source = open_(job.path.c_str(), CAB_O_RDONLY | CAB_O_BINARY | CAB_O_SEQUENTIAL, 0);
      writeFailed_ = false;
      if (source == -1 || !CopyPlain(plain_[index], f->offset, f->length, source, hf)) {
        close_(hf);
        return Fail(writeFailed_ ? FDIERROR_TARGET_FILE : FDIERROR_CORRUPT_CABINET);
      }
    } else {
      target_ = hf;
      writeFailed_ = false;
      int result = job.cabd->extract(job.cabd, f, "");
      target_ = -1;
      if (result != MSPACK_ERR_OK || writeFailed_) {
        close_(hf);
        return Fail(writeFailed_ || result == MSPACK_ERR_WRITE ? FDIERROR_TARGET_FILE : FDIERROR_CORRUPT_CABINET);
      }
    }
    n.hf = hf;
    CABHANDLE done = notify(fdintCLOSE_FILE_INFO, &n);
    if (done == 0 || done == -1) return Fail(FDIERROR_TARGET_FILE);
  }
  return true;
}

// A file's bytes from plain blocks: read from the cabinet into the target buffer, written out as it fills.
bool Reader::CopyPlain(const PlainFolder& folder, std::uint64_t offset, std::uint64_t length, CABHANDLE in,
                       CABHANDLE out) {
  auto block = std::upper_bound(folder.blocks.begin(), folder.blocks.end(), offset,
                                [](std::uint64_t at, const PlainBlock& b) { return at < b.start; });
  if (length == 0) return true;
  if (block == folder.blocks.begin()) return false;
  --block;
  std::size_t fill = 0;
  auto flush = [&]() {
    const std::uint32_t n = static_cast<std::uint32_t>(fill);
    fill = 0;
    if (write_(out, targetBuffer_, n) == n) return true;
    writeFailed_ = true;
    return false;
  };
  std::int64_t position = -1;
  while (length > 0) {
    if (block == folder.blocks.end()) return false;
    const std::uint64_t skip = offset - block->start;
    const std::uint64_t take = std::min<std::uint64_t>({block->size - skip, length, targetBufferSize_ - fill});
    const std::int64_t at = static_cast<std::int64_t>(block->offset + skip);
    if (position != at && seek_(in, static_cast<long>(at), SEEK_SET) != at) return false;
    const std::uint32_t n = static_cast<std::uint32_t>(take);
    if (read_(in, targetBuffer_ + fill, n) != n) return false;
    position = at + static_cast<std::int64_t>(take);
    fill += n;
    offset += take;
    length -= take;
    if (skip + take == block->size) ++block;
    if (fill == targetBufferSize_ && !flush()) return false;
  }
  return fill == 0 || flush();
}

bool Reader::Copy(const char* cabinet, const char* folder, PFNFDINOTIFY notify, void* pv) {
  if (!cabinet || !folder || !notify) return Fail(FDIERROR_BAD_ARGUMENT);
  std::string path = std::string(folder) + cabinet;
  Header h;
  if (!ReadHeader(path, h)) return false;
  // A cabinet of its own is read through a buffer no larger than the cabinet.
  constexpr std::size_t kLeastSource = 4096;
  sourceBuffer_ = (h.flags & (kFlagPrevCabinet | kFlagNextCabinet))
                      ? kStreamBuffer
                      : std::clamp<std::size_t>(h.cabinetSize, kLeastSource, kStreamBuffer);

  char where[CB_MAX_CAB_PATH] = {};
  std::snprintf(where, sizeof where, "%s", folder);
  FDINOTIFICATION info{};
  info.psz1 = h.nextCabinet.c_str();
  info.psz2 = h.nextDisk.c_str();
  info.psz3 = where;
  info.pv = pv;
  info.setID = h.setId;
  info.iCabinet = h.cabinetIndex;
  if (notify(fdintCABINET_INFO, &info) == -1) return Fail(FDIERROR_USER_ABORT);
  // A cabinet without files is complete as it is (the decoder would refuse it).
  if (h.fileCount == 0) return true;

  Reader* outer = g_active;
  g_active = this;
  verified_.clear();
  plain_.clear();
  Job job;
  job.path = path;
  bool ok = false;
  // Damaged data is found before anything is written: by the records and checksums when they decide, else by
  // decoding everything once.
  const Verdict verdict = CheckSet(job, h, folder, notify, pv);
  if (verdict != Verdict::Damaged) {
    job.cabd = mspack_create_cab_decompressor(&system_);
    if (!job.cabd) {
      Fail(FDIERROR_ALLOC_FAIL);
    } else {
      job.cabd->set_param(job.cabd, MSCABD_PARAM_DECOMPBUF, kDecodeBuffer);
      ok = OpenSet(job) && CheckNames(job) && (verdict == Verdict::Sound || Decode(job)) && Unpack(job, notify, pv);
      if (job.first) job.cabd->close(job.cabd, job.first);
      mspack_destroy_cab_decompressor(job.cabd);
    }
  }
  verified_.clear();
  plain_.clear();
  g_active = outer;
  return ok;
}

Reader* AsReader(HFDI h) {
  Reader* r = static_cast<Reader*>(h);
  return (r && r->Valid()) ? r : nullptr;
}

}  // namespace
}  // namespace cabinet

using cabinet::AsReader;
using cabinet::Reader;

extern "C" {

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
               PFNCLOSE pfnclose, PFNSEEK pfnseek, int, ERF* perf) {
  auto fail = [perf](int code) -> HFDI {
    cabinet::SetError(perf, code);
    return nullptr;
  };
  if (!pfnalloc || !pfnfree || !pfnopen || !pfnread || !pfnwrite || !pfnclose || !pfnseek) {
    return fail(FDIERROR_BAD_ARGUMENT);
  }
  void* memory = pfnalloc(sizeof(Reader));
  if (!memory) return fail(FDIERROR_ALLOC_FAIL);
  return new (memory) Reader(pfnalloc, pfnfree, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek, perf);
}

int FDIIsCabinet(HFDI hfdi, CABHANDLE hf, FDICABINETINFO* pfdici) {
  Reader* r = AsReader(hfdi);
  if (!r) return 0;
  return r->IsCabinet(hf, pfdici);
}

int FDICopy(HFDI hfdi, const char* pszCabinet, const char* pszCabPath, int, PFNFDINOTIFY pfnfdin, void* pvUser) {
  Reader* r = AsReader(hfdi);
  if (!r) return 0;
  try {
    return r->Copy(pszCabinet, pszCabPath, pfnfdin, pvUser);
  } catch (...) {
    return r->Fail(FDIERROR_ALLOC_FAIL);
  }
}

int FDIDestroy(HFDI hfdi) {
  Reader* r = AsReader(hfdi);
  if (!r) return 0;
  PFNFREE release = r->Release();
  r->~Reader();
  release(r);
  return 1;
}

}  // extern "C"
