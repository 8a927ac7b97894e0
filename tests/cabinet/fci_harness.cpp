#include "fci_harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/files.h"

namespace cabtest {

namespace {

struct Handle {
  std::unique_ptr<platform::File> file;
  bool cabinet = false;
  bool source = false;
  bool cabinetReader = false;  // a cabinet opened again to be read
};

Handle* H(CABHANDLE hf) { return reinterpret_cast<Handle*>(hf); }

bool ModeOf(int oflag, platform::OpenMode& mode) {
  int access = oflag & (CAB_O_WRONLY | CAB_O_RDWR);
  if (access == CAB_O_RDONLY && !(oflag & (CAB_O_CREAT | CAB_O_TRUNC | CAB_O_EXCL))) {
    mode = platform::OpenMode::Read;
  } else if (access == CAB_O_WRONLY && (oflag & CAB_O_CREAT) && (oflag & CAB_O_EXCL)) {
    mode = platform::OpenMode::CreateNew;
  } else if (access == CAB_O_WRONLY && (oflag & CAB_O_CREAT) && (oflag & CAB_O_TRUNC)) {
    mode = platform::OpenMode::Write;
  } else {
    return false;
  }
  return true;
}

}  // namespace

struct FciCallbacks {
  static FciRun* R(void* pv) { return static_cast<FciRun*>(pv); }
  static void* Alloc(std::uint32_t cb) { return std::malloc(cb); }
  static void Free(void* p) { std::free(p); }
  static CABHANDLE Open(const char* name, int oflag, int, int* err, void* pv) {
    FciRun* r = R(pv);
    ++r->opens;
    platform::OpenMode mode;
    if (!ModeOf(oflag, mode)) {
      *err = EINVAL;
      return -1;
    }
    const bool cabinet = (oflag & CAB_O_TRUNC) != 0;
    if (cabinet && r->failCabinetOpen) {
      *err = EACCES;
      return -1;
    }
    auto f = platform::File::Open(name, mode);
    if (!f) {
      *err = errno;
      return -1;
    }
    auto* h = new Handle{std::move(f)};
    h->cabinet = cabinet;
    h->cabinetReader = !cabinet && std::find(r->cabinets.begin(), r->cabinets.end(), name) != r->cabinets.end();
    if (h->cabinet) r->cabinets.push_back(name);
    return reinterpret_cast<CABHANDLE>(h);
  }
  static std::uint32_t Read(CABHANDLE hf, void* m, std::uint32_t cb, int* err, void* pv) {
    FciRun* r = R(pv);
    ++r->reads;
    if (H(hf)->cabinetReader && ++r->cabinetReads == r->failCabinetRead) {
      *err = EIO;
      return static_cast<std::uint32_t>(-1);
    }
    std::int64_t n = H(hf)->file->Read(m, cb);
    if (n < 0) *err = EIO;
    return static_cast<std::uint32_t>(n);
  }
  static std::uint32_t Write(CABHANDLE hf, const void* m, std::uint32_t cb, int* err, void* pv) {
    FciRun* r = R(pv);
    ++r->writes;
    if (H(hf)->cabinet && ++r->cabinetWrites == r->failCabinetWrite) {
      *err = ENOSPC;
      return static_cast<std::uint32_t>(-1);
    }
    if (!H(hf)->file->Write(m, cb)) {
      *err = EIO;
      return static_cast<std::uint32_t>(-1);
    }
    return cb;
  }
  static int Close(CABHANDLE hf, int* err, void* pv) {
    ++R(pv)->closes;
    bool ok = H(hf)->file->Close();
    delete H(hf);
    if (!ok) *err = EIO;
    return ok ? 0 : -1;
  }
  static long Seek(CABHANDLE hf, long dist, int type, int* err, void* pv) {
    FciRun* r = R(pv);
    ++r->seeks;
    std::int64_t pos = H(hf)->file->Seek(dist, type);
    if (pos < 0) {
      *err = EIO;
      return -1;
    }
    if (type == SEEK_END && H(hf)->source) pos += r->sizeSkew;
    return static_cast<long>(pos);
  }
  static int Delete(const char* name, int* err, void* pv) {
    ++R(pv)->deletes;
    if (platform::DeleteFile(name)) return 0;
    *err = errno;
    return -1;
  }
  static int Placed(CCAB*, const char* name, long, int continuation, void* pv) {
    FciRun* r = R(pv);
    r->placed.emplace_back(name, continuation != 0);
    return r->abortPlaced ? -1 : 0;
  }
  static int TempName(char* out, int size, void* pv) {
    FciRun* r = R(pv);
    ++r->tempNames;
    std::string name = r->tempFolder + "xx" + std::to_string(++r->tempCounter_);
    if (static_cast<int>(name.size()) >= size) return 0;
    std::memcpy(out, name.c_str(), name.size() + 1);
    return 1;
  }
  static int NextCabinet(CCAB* ccab, std::uint32_t, void* pv) {
    FciRun* r = R(pv);
    ++r->nextCabinets;
    if (r->refuseNextCabinet) return 0;
    std::snprintf(ccab->szCab, sizeof ccab->szCab, "TEMP%d.CAB", ccab->iCab);
    return 1;
  }
  static long Status(std::uint32_t type, std::uint32_t, std::uint32_t, void* pv) {
    FciRun* r = R(pv);
    if (type < 3) ++r->status[type];
    return static_cast<int>(type) == r->abortStatus ? -1 : 0;
  }
  static CABHANDLE OpenInfo(const char* name, std::uint16_t* date, std::uint16_t* time, std::uint16_t* attribs,
                            int* err, void* pv) {
    FciRun* r = R(pv);
    ++r->openInfos;
    if (r->failOpenInfo) {
      *err = ENOENT;
      return -1;
    }
    *date = r->date;
    *time = r->time;
    *attribs = r->attribs;
    CABHANDLE hf = Open(name, CAB_O_RDONLY | CAB_O_BINARY, 0, err, pv);
    if (hf != -1) H(hf)->source = true;
    return hf;
  }
};

FciRun::FciRun(const std::string& folder, const std::string& name, std::uint32_t maxSize,
               std::uint32_t folderThreshold)
    : tempFolder(folder) {
  ccab.cb = maxSize;
  ccab.cbFolderThresh = folderThreshold;
  ccab.iCab = 1;
  ccab.setID = 12345;
  std::snprintf(ccab.szDisk, sizeof ccab.szDisk, "%s", "MyDisk");
  std::snprintf(ccab.szCab, sizeof ccab.szCab, "%s", name.c_str());
  std::snprintf(ccab.szCabPath, sizeof ccab.szCabPath, "%s", folder.c_str());
}

FciRun::~FciRun() { Destroy(); }

bool FciRun::Create() {
  using C = FciCallbacks;
  h_ = FCICreate(&erf, C::Placed, C::Alloc, C::Free, C::Open, C::Read, C::Write, C::Close, C::Seek, C::Delete,
                 C::TempName, &ccab, this);
  return h_ != nullptr;
}

bool FciRun::Add(const std::string& source, const std::string& stored, TCOMP type) {
  using C = FciCallbacks;
  return FCIAddFile(h_, source.c_str(), stored.c_str(), 0, C::NextCabinet, C::Status, C::OpenInfo, type) != 0;
}

bool FciRun::Flush() {
  using C = FciCallbacks;
  return FCIFlushCabinet(h_, 0, C::NextCabinet, C::Status) != 0;
}

bool FciRun::Destroy() {
  if (!h_) return true;
  bool ok = FCIDestroy(h_) != 0;
  h_ = nullptr;
  return ok;
}

bool FciRun::Pack(const std::vector<std::pair<std::string, std::string>>& files) {
  if (!Create()) return false;
  for (const auto& [source, stored] : files) {
    if (!Add(source, stored)) return false;
  }
  return Flush() && Destroy();
}

}  // namespace cabtest
