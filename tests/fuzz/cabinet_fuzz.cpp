// fuzz-libs: cabinet_fuzzing
// The cabinet reader on arbitrary bytes, all in memory: it must never crash, and every name it hands out
// must be safe to join to a destination folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cabinet/fdi.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Memory {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};
Memory g_input;

// A handle reads the input (the one cabinet there is) or swallows what is written.
struct Handle {
  bool sink;
  std::size_t pos = 0;
  std::uint64_t written = 0;
};

Handle* H(CABHANDLE hf) { return reinterpret_cast<Handle*>(hf); }

void* Alloc(std::uint32_t cb) { return std::malloc(cb); }
void Free(void* p) { std::free(p); }
CABHANDLE Open(const char* name, int oflag, int) {
  if (std::strcmp(name, "in.cab") != 0 || (oflag & (CAB_O_WRONLY | CAB_O_RDWR))) return -1;
  return reinterpret_cast<CABHANDLE>(new Handle{false});
}
std::uint32_t Read(CABHANDLE hf, void* m, std::uint32_t cb) {
  Handle* h = H(hf);
  Check(!h->sink);
  std::size_t n = h->pos < g_input.size ? std::min<std::size_t>(cb, g_input.size - h->pos) : 0;
  std::memcpy(m, g_input.data + h->pos, n);
  h->pos += n;
  return static_cast<std::uint32_t>(n);
}
std::uint32_t Write(CABHANDLE hf, const void*, std::uint32_t cb) {
  Check(H(hf)->sink);
  H(hf)->written += cb;
  return cb;
}
int Close(CABHANDLE hf) {
  delete H(hf);
  return 0;
}
long Seek(CABHANDLE hf, long dist, int type) {
  Handle* h = H(hf);
  long base = type == SEEK_SET ? 0 : type == SEEK_CUR ? static_cast<long>(h->pos) : static_cast<long>(g_input.size);
  if (base + dist < 0) return -1;
  h->pos = static_cast<std::size_t>(base + dist);
  return static_cast<long>(h->pos);
}

// What the reader promises of every name it hands out.
void CheckName(const char* name) {
  std::string s = name;
  Check(!s.empty() && s.size() < CB_MAX_FILENAME);
  Check(s[0] != '/' && s.find(':') == std::string::npos);
  Check(s.compare(0, 2, "\\\\") != 0);
  // No ".." between separators (either kind). A separator byte that is the second byte of a double-byte
  // character (lead bytes 0x81-0x9F and 0xE0-0xFC) separates nothing: the name becomes a path as CP932.
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    const unsigned char c = i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
    if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    if (i == s.size() || s[i] == '/' || s[i] == '\\') {
      if (i - start == 2 && s.compare(start, 2, "..") == 0) Check(false);
      start = i + 1;
    }
  }
}

CABHANDLE Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
  switch (type) {
    case fdintCOPY_FILE:
      CheckName(n->psz1);
      Check(n->cb >= 0);
      return reinterpret_cast<CABHANDLE>(new Handle{true});
    case fdintCLOSE_FILE_INFO:
      CheckName(n->psz1);
      Check(H(n->hf)->written == static_cast<std::uint64_t>(n->cb));
      Close(n->hf);
      return 1;
    default:
      return 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  g_input = {data, size};
  ERF erf{};
  HFDI h = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpu80386, &erf);
  Check(h != nullptr);
  CABHANDLE hf = Open("in.cab", CAB_O_RDONLY | CAB_O_BINARY, 0);
  FDICABINETINFO info{};
  FDIIsCabinet(h, hf, &info);
  Close(hf);
  FDICopy(h, "in.cab", "", 0, Notify, nullptr);
  Check(FDIDestroy(h) != 0);
  return 0;
}
