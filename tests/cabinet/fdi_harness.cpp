#include "fdi_harness.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/files.h"
#include "platform/path.h"

namespace cabtest {

namespace {

FdiRun* g_run = nullptr;  // the FDI file callbacks carry no context

struct Handle {
  std::unique_ptr<platform::File> file;
  bool target = false;
};

Handle* H(CABHANDLE hf) { return reinterpret_cast<Handle*>(hf); }

CABHANDLE OpenFile(const std::string& path, platform::OpenMode mode, bool target) {
  auto f = platform::File::Open(path, mode);
  if (!f) return -1;
  return reinterpret_cast<CABHANDLE>(new Handle{std::move(f), target});
}

void* Alloc(std::uint32_t cb) { return std::malloc(cb); }
void Free(void* p) { std::free(p); }
CABHANDLE Open(const char* name, int oflag, int) {
  ++g_run->opens;
  if ((oflag & (CAB_O_WRONLY | CAB_O_RDWR)) != 0) return -1;
  return OpenFile(name, platform::OpenMode::Read, false);
}
std::uint32_t Read(CABHANDLE hf, void* m, std::uint32_t cb) {
  return static_cast<std::uint32_t>(H(hf)->file->Read(m, cb));
}
std::uint32_t Write(CABHANDLE hf, const void* m, std::uint32_t cb) {
  if (H(hf)->target && ++g_run->targetWrites == g_run->failTargetWrite) return static_cast<std::uint32_t>(-1);
  return H(hf)->file->Write(m, cb) ? cb : static_cast<std::uint32_t>(-1);
}
int Close(CABHANDLE hf) {
  ++g_run->closes;
  bool ok = H(hf)->file->Close();
  delete H(hf);
  return ok ? 0 : -1;
}
long Seek(CABHANDLE hf, long dist, int type) { return static_cast<long>(H(hf)->file->Seek(dist, type)); }

CABHANDLE Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
  FdiRun* r = static_cast<FdiRun*>(n->pv);
  r->notified.push_back({type, n->psz1 ? n->psz1 : "", n->psz2 ? n->psz2 : "", n->cb, n->date, n->time, n->attribs});
  switch (type) {
    case fdintCOPY_FILE: {
      if (r->skipAll) return 0;
      std::string target = r->destination + platform::StoredToPath(n->psz1);
      std::size_t slash = target.rfind('/');
      platform::MakeFolders(target.substr(0, slash));
      ++r->opens;
      return OpenFile(target, platform::OpenMode::Write, true);
    }
    case fdintCLOSE_FILE_INFO:
      Close(n->hf);
      return r->refuseClose ? 0 : 1;
    case fdintNEXT_CABINET:
      return r->refuseNext ? -1 : 0;
    default:
      return 0;
  }
}

}  // namespace

FdiRun::FdiRun(const std::string& dest) : destination(dest) {}
FdiRun::~FdiRun() = default;

int FdiRun::count(FDINOTIFICATIONTYPE type) const {
  int n = 0;
  for (const Notified& x : notified) n += x.type == type;
  return n;
}

bool FdiRun::Copy(const std::string& folder, const std::string& name) {
  g_run = this;
  HFDI h = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpu80386, &erf);
  if (!h) return false;
  bool ok = FDICopy(h, name.c_str(), folder.c_str(), 0, Notify, this) != 0;
  FDIDestroy(h);
  return ok;
}

bool FdiRun::IsCabinet(const std::string& path, FDICABINETINFO& info) {
  g_run = this;
  HFDI h = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpu80386, &erf);
  if (!h) return false;
  CABHANDLE hf = Open(path.c_str(), CAB_O_RDONLY | CAB_O_BINARY, 0);
  bool ok = hf != -1 && FDIIsCabinet(h, hf, &info) != 0;
  if (hf != -1) Close(hf);
  FDIDestroy(h);
  return ok;
}

}  // namespace cabtest
