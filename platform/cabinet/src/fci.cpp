// The cabinet writer behind the FCI entry points.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cab_format.h"
#include "erf.h"
#include "cabinet/fci.h"
#include "mszip.h"

namespace cabinet {
namespace {

constexpr std::uint32_t kMagic = 0x46434958;  // "FCIX"
constexpr std::size_t kCopyBufferSize = 256 * 1024;
// The data blocks go straight into the cabinet file, behind room left for the records (header, folders and
// files), which are written last. Until the data reaches kSettleAt, the room is what the records need so far,
// and the data is moved behind the records when they grow (at most kSettleAt bytes, then once at the end): a
// small cabinet comes out without a byte between its records and its data. Past kSettleAt the room is settled,
// with room for the records of a cabinet that goes on like this up to its size limit (at most kMostRoom): room
// that stays unused is a gap that readers pass over, and only records that outgrow it make the data move again.
constexpr std::uint64_t kSettleAt = 16u << 20;
constexpr std::uint64_t kMostRoom = 32u << 10;  // a gap of at most 0.2% of the data at kSettleAt
// A block into which this many files begin is always compressed.
constexpr int kManyStarts = 8;
// Room kept in every size estimate for the names of a next cabinet and its disk.
constexpr std::uint32_t kNextLinkReserve = CB_MAX_CABINET_NAME + CB_MAX_DISK_NAME;
constexpr std::uint32_t kReadError = static_cast<std::uint32_t>(-1);

struct Entry {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // uncompressed offset in its folder (across cabinets)
  std::uint16_t folder = 0;  // index in its cabinet
  std::uint16_t date = 0, time = 0, attribs = 0;
  bool fromPrev = false;  // began in the previous cabinet
  bool toNext = false;    // goes on in the next cabinet

  std::uint32_t Bytes() const { return kFileEntrySize + static_cast<std::uint32_t>(name.size()) + 1; }
};

struct FolderRecord {
  std::uint64_t dataOffset = 0;  // in the cabinet's data area
  std::uint16_t blocks = 0;
};

bool Fits(const char* text, std::size_t size) { return text && ::strnlen(text, size) < size; }

class Writer {
 public:
  Writer(ERF* erf, PFNFCIFILEPLACED placed, PFNFCIALLOC alloc, PFNFCIFREE free, PFNFCIOPEN open,
         PFNFCIREAD read, PFNFCIWRITE write, PFNFCICLOSE close, PFNFCISEEK seek, PFNFCIDELETE remove,
         const CCAB& ccab, void* pv)
      : erf_(erf), placed_(placed), alloc_(alloc), free_(free), open_(open), read_(read), write_(write),
        close_(close), seek_(seek), delete_(remove), ccab_(ccab), pv_(pv) {}

  ~Writer() {
    magic_ = 0;
    DiscardCabinet();
    if (block_) free_(block_);
    if (packed_) free_(packed_);
    if (copy_) free_(copy_);
  }

  bool Init() {
    if (!encoder_.ok()) return Fail(FCIERR_ALLOC_FAIL);
    packedSize_ = encoder_.Bound();
    block_ = static_cast<unsigned char*>(alloc_(kBlockSize));
    packed_ = static_cast<unsigned char*>(alloc_(static_cast<std::uint32_t>(packedSize_)));
    copy_ = static_cast<unsigned char*>(alloc_(kCopyBufferSize));
    if (!block_ || !packed_ || !copy_) return Fail(FCIERR_ALLOC_FAIL);
    return true;
  }

  bool Valid() const { return magic_ == kMagic; }
  PFNFCIFREE Release() const { return free_; }
  int OutOfMemory() { return Fail(FCIERR_ALLOC_FAIL); }

  bool AddFile(const char* source, const char* stored, bool execute, PFNFCIGETNEXTCABINET nextCab,
               PFNFCISTATUS status, PFNFCIGETOPENINFO openInfo, TCOMP type) {
    if (broken_) return Fail(FCIERR_BAD_ARGUMENT);
    if (!source || !stored || !openInfo || stored[0] == '\0' || !Fits(stored, CB_MAX_FILENAME)) {
      return Fail(FCIERR_BAD_ARGUMENT);
    }
    if (type != tcompTYPE_MSZIP) return Fail(FCIERR_BAD_COMPR_TYPE);
    nextCab_ = nextCab;
    status_ = status;
    // A failure in the middle of a file leaves its entry half made: nothing more can be added.
    broken_ = true;

    Entry e;
    e.name = stored;
    int err = 0;
    CABHANDLE hf = openInfo(source, &e.date, &e.time, &e.attribs, &err, pv_);
    if (hf == -1) return Fail(FCIERR_OPEN_SRC, err);
    bool ok = ReadSource(hf, e, execute);
    close_(hf, &err, pv_);  // a source only read: its close cannot lose data
    if (!ok) return false;
    const bool full = folderCompressed_ >= ccab_.cbFolderThresh;
    if (folderOpen_ && (full || endFolderAfterFile_) && !CloseFolder()) return false;
    broken_ = false;
    return true;
  }

  bool FlushFolder(PFNFCIGETNEXTCABINET nextCab, PFNFCISTATUS status) {
    if (broken_) return Fail(FCIERR_BAD_ARGUMENT);
    nextCab_ = nextCab;
    status_ = status;
    return CloseFolder();
  }

  bool FlushCabinet(bool getNext, PFNFCIGETNEXTCABINET nextCab, PFNFCISTATUS status) {
    if (broken_) return Fail(FCIERR_BAD_ARGUMENT);
    nextCab_ = nextCab;
    status_ = status;
    broken_ = true;
    if (!CloseFolder() || !WriteCabinet(nullptr)) return false;
    CCAB next = ccab_;
    ++next.iCab;
    if (getNext && !AskNextCabinet(next)) return false;
    ccab_ = next;
    hasPrev_ = false;
    StartCabinet({});
    broken_ = false;
    return true;
  }

 private:
  bool Fail(int code, int err = 0) { return SetError(erf_, code, err); }

  bool Status(std::uint32_t type, std::uint32_t cb1, std::uint32_t cb2) {
    if (status_ && status_(type, cb1, cb2, pv_) == -1) return Fail(FCIERR_USER_ABORT);
    return true;
  }

  std::uint64_t Limit() const {
    return ccab_.cb == 0 ? kMaxCabinetSize : std::min<std::uint64_t>(ccab_.cb, kMaxCabinetSize);
  }

  Header MakeHeader(const CCAB* next) const {
    Header h;
    h.folderCount = static_cast<std::uint16_t>(folders_.size());
    h.fileCount = static_cast<std::uint16_t>(files_.size());
    h.setId = ccab_.setID;
    h.cabinetIndex = static_cast<std::uint16_t>(ccab_.iCab > 0 ? ccab_.iCab - 1 : 0);
    if (hasPrev_) {
      h.flags |= kFlagPrevCabinet;
      h.prevCabinet = prevCab_;
      h.prevDisk = prevDisk_;
    }
    if (next) {
      h.flags |= kFlagNextCabinet;
      h.nextCabinet = next->szCab;
      h.nextDisk = next->szDisk;
    }
    return h;
  }

  // Size of the cabinet in progress with a next link of the longest names.
  std::uint64_t EstimatedSize() const {
    const std::uint64_t records = RecordBytes(MakeHeader(nullptr)) + kNextLinkReserve;
    return (settled_ ? std::max(records, base_) : records) + dataBytes_;
  }

  bool ReadSource(CABHANDLE hf, Entry& e, bool execute) {
    int err = 0;
    long end = seek_(hf, 0, SEEK_END, &err, pv_);
    if (end < 0 || seek_(hf, 0, SEEK_SET, &err, pv_) != 0) return Fail(FCIERR_READ_SRC, err);
    if (static_cast<std::uint64_t>(end) > kMaxFolderSize) return Fail(FCIERR_CAB_FORMAT_LIMIT);
    e.size = static_cast<std::uint32_t>(end);
    if (execute) e.attribs |= CAB_A_EXEC;
    if (folderOpen_ && std::uint64_t{folderUncompressed_} + e.size > kMaxFolderSize && !CloseFolder()) {
      return false;
    }
    if (files_.size() >= kMaxEntries) return Fail(FCIERR_CAB_FORMAT_LIMIT);
    if (!OpenFolder()) return false;
    e.offset = folderUncompressed_;
    e.folder = static_cast<std::uint16_t>(folders_.size() - 1);
    entryBytes_ += e.Bytes();
    files_.push_back(std::move(e));
    const std::uint32_t size = files_.back().size;

    if (size > 0) ++startsInBlock_;
    std::uint64_t total = 0;
    for (;;) {
      std::uint32_t n = read_(hf, block_ + fill_, kBlockSize - fill_, &err, pv_);
      if (n == kReadError) return Fail(FCIERR_READ_SRC, err);
      if (n == 0) break;
      total += n;
      if (total > size) return Fail(FCIERR_READ_SRC);  // the file grew while it was read
      fill_ += n;
      folderUncompressed_ += n;
      if (fill_ == kBlockSize && !EmitBlock()) return false;
    }
    if (total != size) return Fail(FCIERR_READ_SRC);  // it shrank
    return true;
  }

  bool OpenFolder() {
    if (folderOpen_) return true;
    if (folders_.size() >= kMaxEntries) return Fail(FCIERR_CAB_FORMAT_LIMIT);
    folders_.push_back({dataBytes_, 0});
    folderOpen_ = true;
    folderUncompressed_ = folderEmitted_ = 0;
    folderCompressed_ = 0;
    return true;
  }

  bool CloseFolder() {
    if (!folderOpen_) return true;
    if (fill_ > 0 && !EmitBlock()) return false;
    folderOpen_ = false;
    endFolderAfterFile_ = false;
    return Status(statusFolder, folderUncompressed_, folderUncompressed_);
  }

  // Writes the block in the unfinished-block buffer. A block that does not fit in the cabinet is split:
  // the part that fits ends the cabinet (marked by an uncompressed size of 0), the rest begins the next.
  bool EmitBlock() {
    // The headers and ends of many small files in one block repeat one another, where the quick look at the
    // block would see only their compressed contents.
    std::size_t n = encoder_.Encode(block_, fill_, packed_, packedSize_, startsInBlock_ >= kManyStarts);
    if (n == 0) return Fail(FCIERR_MCI_FAIL);
    const unsigned char* data = packed_;
    std::uint64_t remaining = n;
    for (;;) {
      const std::uint64_t used = EstimatedSize() + kDataHeaderSize;
      // Every cabinet keeps room for the header and one byte of a further block.
      if (used + remaining + kDataHeaderSize + 1 <= Limit()) break;
      const std::uint64_t room = used < Limit() ? Limit() - used : 0;
      const std::uint64_t piece = std::min(room, remaining - 1);
      if (piece == 0) return Fail(FCIERR_CAB_FORMAT_LIMIT);
      if (!WriteBlock(data, static_cast<std::uint16_t>(piece), 0) || !Split()) return false;
      data += piece;
      remaining -= piece;
    }
    if (!WriteBlock(data, static_cast<std::uint16_t>(remaining), static_cast<std::uint16_t>(fill_))) return false;
    folderEmitted_ += fill_;
    folderCompressed_ += kDataHeaderSize + n;
    std::uint32_t uncompressed = fill_;
    fill_ = 0;
    startsInBlock_ = 0;
    return Status(statusFile, static_cast<std::uint32_t>(n), uncompressed);
  }

  // One data block (or a part of one) at the end of the cabinet's data.
  bool WriteBlock(const unsigned char* data, std::uint16_t size, std::uint16_t uncompressed) {
    if (cab_ == -1) {
      if (!OpenCabinet()) return false;
      // The room the records need so far: they only grow.
      base_ = RecordBytes(MakeHeader(nullptr));
      if (!SeekCabinet(base_)) return false;
    }
    unsigned char header[kDataHeaderSize];
    PutDataHeader(header, data, size, uncompressed);
    if (!WriteCabinetBytes(header, kDataHeaderSize) || !WriteCabinetBytes(data, size)) return false;
    dataBytes_ += kDataHeaderSize + size;
    ++folders_.back().blocks;
    if (!settled_ && dataBytes_ >= kSettleAt) {
      // The records grow with the data: as many times as the data may still grow (room that would take the
      // cabinet past its limit is not left).
      const std::uint64_t estimate = EstimatedSize(), limit = Limit();
      const std::uint64_t fits = estimate < limit ? limit - estimate : 0;
      const std::uint64_t records = RecordBytes(MakeHeader(nullptr));
      const std::uint64_t growth = records * ((fits + dataBytes_ - 1) / dataBytes_);
      if (!MoveData(records + std::min({kMostRoom, growth, fits}))) return false;
      settled_ = true;
    }
    return true;
  }

  bool AskNextCabinet(CCAB& next) {
    if (!nextCab_) return Fail(FCIERR_CAB_FORMAT_LIMIT);
    if (!nextCab_(&next, static_cast<std::uint32_t>(EstimatedSize()), pv_)) return Fail(FCIERR_USER_ABORT);
    if (!Fits(next.szCab, sizeof next.szCab) || !Fits(next.szCabPath, sizeof next.szCabPath) ||
        !Fits(next.szDisk, sizeof next.szDisk) || next.szCab[0] == '\0') {
      return Fail(FCIERR_BAD_ARGUMENT);
    }
    return true;
  }

  // The cabinet is full in the middle of the unfinished block, whose first part it holds. The files whose
  // data reaches into that block or beyond are listed here as going on, and again in the next cabinet as
  // coming from this one; the open folder goes on as the next cabinet's first folder.
  bool Split() {
    CCAB next = ccab_;
    ++next.iCab;
    if (!AskNextCabinet(next)) return false;

    const std::uint16_t current = static_cast<std::uint16_t>(folders_.size() - 1);
    const std::uint64_t blockStart = folderEmitted_;
    std::vector<Entry> carried;
    for (Entry& e : files_) {
      if (e.folder != current || std::uint64_t{e.offset} + e.size <= blockStart) continue;
      Entry later = e;
      later.fromPrev = true;
      later.toNext = false;
      e.toNext = true;
      carried.push_back(std::move(later));
    }
    if (!WriteCabinet(&next)) return false;

    hasPrev_ = true;
    prevCab_ = ccab_.szCab;
    prevDisk_ = ccab_.szDisk;
    ccab_ = next;
    for (Entry& e : carried) e.folder = 0;
    StartCabinet(std::move(carried));
    folders_.push_back({0, 0});
    // Readers join a continued folder only if the files going on from it are those that came into it:
    // it ends with the file that is being read.
    endFolderAfterFile_ = true;
    return true;
  }

  void StartCabinet(std::vector<Entry> files) {
    files_ = std::move(files);
    folders_.clear();
    dataBytes_ = 0;
    base_ = 0;
    settled_ = false;
    RecountEntries();
  }

  void RecountEntries() {
    entryBytes_ = 0;
    for (const Entry& e : files_) entryBytes_ += e.Bytes();
  }

  // Bytes of the header, folder and file records of the cabinet in progress.
  std::uint64_t RecordBytes(const Header& h) const {
    return HeaderBytes(h) + kFolderEntrySize * folders_.size() + entryBytes_;
  }

  bool OpenCabinet() {
    int err = 0;
    cabPath_ = std::string(ccab_.szCabPath) + ccab_.szCab;
    cab_ = open_(cabPath_.c_str(), CAB_O_WRONLY | CAB_O_CREAT | CAB_O_TRUNC | CAB_O_BINARY,
                 CAB_S_IREAD | CAB_S_IWRITE, &err, pv_);
    return cab_ != -1 || Fail(FCIERR_CAB_FILE, err);
  }

  bool SeekCabinet(std::uint64_t offset) {
    int err = 0;
    return seek_(cab_, static_cast<long>(offset), SEEK_SET, &err, pv_) == static_cast<long>(offset) ||
           Fail(FCIERR_CAB_FILE, err);
  }

  bool WriteCabinetBytes(const void* bytes, std::size_t size) {
    int err = 0;
    const std::uint32_t n = static_cast<std::uint32_t>(size);
    return write_(cab_, bytes, n, &err, pv_) == n || Fail(FCIERR_CAB_FILE, err);
  }

  // Moves the data already written so that it begins at offset to (not before where it begins now), from its
  // end backwards through the copy buffer and a second handle that reads the cabinet.
  bool MoveData(std::uint64_t to) {
    if (to == base_) return true;
    const std::uint64_t by = to - base_;
    int err = 0;
    CABHANDLE in = dataBytes_ == 0 ? -1 : open_(cabPath_.c_str(), CAB_O_RDONLY | CAB_O_BINARY, 0, &err, pv_);
    if (dataBytes_ != 0 && in == -1) return Fail(FCIERR_CAB_FILE, err);
    bool ok = true;
    for (std::uint64_t end = base_ + dataBytes_; ok && end > base_;) {
      const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kCopyBufferSize, end - base_));
      end -= n;
      ok = (seek_(in, static_cast<long>(end), SEEK_SET, &err, pv_) == static_cast<long>(end) &&
            read_(in, copy_, n, &err, pv_) == n) ||
           Fail(FCIERR_CAB_FILE, err);
      ok = ok && SeekCabinet(end + by) && WriteCabinetBytes(copy_, n);
    }
    if (in != -1) close_(in, &err, pv_);
    base_ = to;
    return ok && SeekCabinet(base_ + dataBytes_);
  }

  // Closes and deletes a cabinet that is not complete: no half-written cabinet stays behind.
  void DiscardCabinet() {
    if (cab_ == -1) return;
    int err = 0;
    close_(cab_, &err, pv_);
    cab_ = -1;
    delete_(cabPath_.c_str(), &err, pv_);
  }

  // Writes what is gathered as the cabinet ccab_ names, linked to next when given: the records in front of the
  // data, which moves only where they do not fit in front of it.
  bool WriteCabinet(const CCAB* next) {
    Header h = MakeHeader(next);
    const std::uint64_t headerBytes = HeaderBytes(h);
    h.filesOffset = static_cast<std::uint32_t>(headerBytes + kFolderEntrySize * folders_.size());
    const std::uint64_t records = h.filesOffset + entryBytes_;
    const std::uint64_t dataStart = std::max(records, cab_ == -1 ? 0 : base_);
    const std::uint64_t size = dataStart + dataBytes_;
    if (size > kMaxCabinetSize) return Fail(FCIERR_CAB_FORMAT_LIMIT);
    h.cabinetSize = static_cast<std::uint32_t>(size);
    if (!Status(statusCabinet, h.cabinetSize, h.cabinetSize)) return false;
    for (const Entry& e : files_) {
      if (placed_(&ccab_, e.name.c_str(), static_cast<long>(e.size), e.fromPrev, pv_) == -1) {
        return Fail(FCIERR_USER_ABORT);
      }
    }
    if (cab_ == -1) {
      if (!OpenCabinet()) return false;
      base_ = records;
    }
    bool ok = MoveData(dataStart) && SeekCabinet(0) && WriteRecords(h, dataStart);
    int err = 0;
    CABHANDLE cab = cab_;
    cab_ = -1;
    if (close_(cab, &err, pv_) != 0 && ok) ok = Fail(FCIERR_CAB_FILE, err);
    if (!ok) delete_(cabPath_.c_str(), &err, pv_);  // no half-written cabinet stays behind
    return ok;
  }

  // Header, folder and file records, through the copy buffer.
  bool WriteRecords(const Header& h, std::uint64_t dataStart) {
    std::size_t used = 0;
    auto flush = [&]() {
      if (used == 0) return true;
      if (!WriteCabinetBytes(copy_, used)) return false;
      used = 0;
      return true;
    };
    auto room = [&](std::size_t n) { return used + n <= kCopyBufferSize || flush(); };
    std::size_t headerBytes = HeaderBytes(h);
    PutHeader(h, copy_);
    used = headerBytes;
    for (const FolderRecord& f : folders_) {
      if (!room(kFolderEntrySize)) return false;
      unsigned char* p = copy_ + used;
      Put32(p, static_cast<std::uint32_t>(dataStart + f.dataOffset));
      Put16(p + 4, f.blocks);
      Put16(p + 6, kCompressMszip);
      used += kFolderEntrySize;
    }
    for (const Entry& e : files_) {
      if (!room(e.Bytes())) return false;
      unsigned char* p = copy_ + used;
      std::uint16_t folder = e.folder;
      if (e.fromPrev && e.toNext) {
        folder = kContinuedPrevAndNext;
      } else if (e.fromPrev) {
        folder = kContinuedFromPrev;
      } else if (e.toNext) {
        folder = kContinuedToNext;
      }
      Put32(p, e.size);
      Put32(p + 4, e.offset);
      Put16(p + 8, folder);
      Put16(p + 10, e.date);
      Put16(p + 12, e.time);
      Put16(p + 14, e.attribs);
      std::memcpy(p + kFileEntrySize, e.name.c_str(), e.name.size() + 1);
      used += e.Bytes();
    }
    return flush();
  }

  std::uint32_t magic_ = kMagic;
  ERF* erf_;
  PFNFCIFILEPLACED placed_;
  PFNFCIALLOC alloc_;
  PFNFCIFREE free_;
  PFNFCIOPEN open_;
  PFNFCIREAD read_;
  PFNFCIWRITE write_;
  PFNFCICLOSE close_;
  PFNFCISEEK seek_;
  PFNFCIDELETE delete_;
  PFNFCIGETNEXTCABINET nextCab_ = nullptr;
  PFNFCISTATUS status_ = nullptr;
  CCAB ccab_;
  void* pv_;
  bool broken_ = false;

  bool hasPrev_ = false;
  std::string prevCab_, prevDisk_;

  // The cabinet in progress.
  std::vector<FolderRecord> folders_;
  std::vector<Entry> files_;
  std::uint64_t entryBytes_ = 0;
  std::uint64_t dataBytes_ = 0;
  CABHANDLE cab_ = -1;      // its file, open from its first data block on
  std::string cabPath_;
  std::uint64_t base_ = 0;  // where its data begins in the file
  bool settled_ = false;    // the room in front of the data is settled

  // The open folder.
  bool folderOpen_ = false;
  std::uint32_t folderUncompressed_ = 0;  // bytes taken in, the unfinished block included
  std::uint32_t folderEmitted_ = 0;       // bytes in finished blocks
  std::uint64_t folderCompressed_ = 0;
  bool endFolderAfterFile_ = false;

  MszipEncoder encoder_;
  unsigned char* block_ = nullptr;
  std::uint32_t fill_ = 0;
  int startsInBlock_ = 0;  // files whose first byte lies in the unfinished block
  unsigned char* packed_ = nullptr;
  std::size_t packedSize_ = 0;
  unsigned char* copy_ = nullptr;
};

Writer* AsWriter(HFCI h) {
  Writer* w = static_cast<Writer*>(h);
  return (w && w->Valid()) ? w : nullptr;
}

}  // namespace
}  // namespace cabinet

using cabinet::AsWriter;
using cabinet::Writer;

extern "C" {

HFCI FCICreate(ERF* perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna,
                                                      PFNFCIFREE pfnf, PFNFCIOPEN pfnopen, PFNFCIREAD pfnread,
                                                      PFNFCIWRITE pfnwrite, PFNFCICLOSE pfnclose,
                                                      PFNFCISEEK pfnseek, PFNFCIDELETE pfndelete,
                                                      PFNFCIGETTEMPFILE pfnfcigtf, CCAB* pccab, void* pv) {
  auto fail = [perf](int code) -> HFCI {
    cabinet::SetError(perf, code);
    return nullptr;
  };
  if (!pfnfcifp || !pfna || !pfnf || !pfnopen || !pfnread || !pfnwrite || !pfnclose || !pfnseek || !pfndelete ||
      !pfnfcigtf || !pccab) {
    return fail(FCIERR_BAD_ARGUMENT);
  }
  if (pccab->cbReserveCFHeader || pccab->cbReserveCFFolder || pccab->cbReserveCFData ||
      !cabinet::Fits(pccab->szCab, sizeof pccab->szCab) || !cabinet::Fits(pccab->szCabPath, sizeof pccab->szCabPath) ||
      !cabinet::Fits(pccab->szDisk, sizeof pccab->szDisk) || pccab->szCab[0] == '\0') {
    return fail(FCIERR_BAD_ARGUMENT);
  }
  void* memory = pfna(sizeof(Writer));
  if (!memory) return fail(FCIERR_ALLOC_FAIL);
  try {
    // The temporary-file callback is taken for the shape of the call: the cabinet is written in place.
    Writer* w = new (memory) Writer(perf, pfnfcifp, pfna, pfnf, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek,
                                    pfndelete, *pccab, pv);
    if (!w->Init()) {
      w->~Writer();
      pfnf(memory);
      return nullptr;
    }
    return w;
  } catch (...) {
    pfnf(memory);
    return fail(FCIERR_ALLOC_FAIL);
  }
}

int FCIAddFile(HFCI hfci, const char* pszSourceFile, const char* pszFileName,
                                                      int fExecute, PFNFCIGETNEXTCABINET pfnfcignc,
                                                      PFNFCISTATUS pfnfcis, PFNFCIGETOPENINFO pfnfcigoi,
                                                      TCOMP typeCompress) {
  Writer* w = AsWriter(hfci);
  if (!w) return 0;
  try {
    return w->AddFile(pszSourceFile, pszFileName, fExecute != 0, pfnfcignc, pfnfcis, pfnfcigoi, typeCompress);
  } catch (...) {
    return w->OutOfMemory();
  }
}

int FCIFlushCabinet(HFCI hfci, int fGetNextCab,
                                                           PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis) {
  Writer* w = AsWriter(hfci);
  if (!w) return 0;
  try {
    return w->FlushCabinet(fGetNextCab != 0, pfnfcignc, pfnfcis);
  } catch (...) {
    return w->OutOfMemory();
  }
}

int FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc,
                                                          PFNFCISTATUS pfnfcis) {
  Writer* w = AsWriter(hfci);
  if (!w) return 0;
  try {
    return w->FlushFolder(pfnfcignc, pfnfcis);
  } catch (...) {
    return w->OutOfMemory();
  }
}

int FCIDestroy(HFCI hfci) {
  Writer* w = AsWriter(hfci);
  if (!w) return 0;
  PFNFCIFREE release = w->Release();
  w->~Writer();
  release(w);
  return 1;
}

}  // extern "C"
