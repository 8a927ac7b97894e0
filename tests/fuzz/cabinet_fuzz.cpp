// fuzz-libs: cabinet_fuzzing
// The cabinet reader on arbitrary bytes cut into a cabinet set: it must never crash or hang, read nothing but
// regular files of the set's folder, and hand out only names that are safe to join to a destination folder.
//
// The input is cut before every "MSCF" after its first byte. The first piece is the cabinet "in.cab"; each
// further piece is written under the next-cabinet name that the piece before it names (when that name is a
// plain file name not yet used); such a piece shorter than a cabinet header is made a pipe of that name instead.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cabinet/fdi.h"
#include "fuzz_support.h"
#include "platform/text.h"

namespace {

using fuzz_support::Check;

constexpr std::size_t kMostPieces = 6;
constexpr std::size_t kHeaderSize = 36;

std::string g_folder;              // the set's folder, with its "/" (UTF-8 and CP932 alike: ASCII)
std::vector<std::string> g_made;  // what the last input left in it (UTF-8 paths)

// A handle reads a cabinet of the set or swallows what is written.
struct Handle {
  int fd = -1;  // -1: a sink
  std::uint64_t written = 0;
};

Handle* H(CABHANDLE hf) { return reinterpret_cast<Handle*>(hf); }

// A plain name, as the reader promises for a next cabinet: a file of the set's folder (a trail byte "\\" of a
// double-byte character separates nothing).
bool IsPlain(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); i = platform::NextChar(name, i)) {
    if (name[i] == '/' || (name[i] == '\\' && platform::CharLength(name, i) == 1)) return false;
  }
  return true;
}

void* Alloc(std::uint32_t cb) { return std::malloc(cb); }
void Free(void* p) { std::free(p); }
CABHANDLE Open(const char* name, int oflag, int) {
  Check((oflag & (CAB_O_WRONLY | CAB_O_RDWR)) == 0);
  // Only a regular file of the set's folder is ever opened.
  const std::string_view path = name;
  Check(path.substr(0, g_folder.size()) == g_folder && IsPlain(path.substr(g_folder.size())));
  std::string utf8;
  if (!platform::Cp932ToUtf8(path, utf8)) return -1;
  struct stat st;
  if (lstat(utf8.c_str(), &st) != 0) return -1;
  Check(S_ISREG(st.st_mode));
  int fd = ::open(utf8.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return -1;
  return reinterpret_cast<CABHANDLE>(new Handle{fd});
}
std::uint32_t Read(CABHANDLE hf, void* m, std::uint32_t cb) {
  Handle* h = H(hf);
  Check(h->fd != -1);
  ssize_t n = ::read(h->fd, m, cb);
  return n < 0 ? static_cast<std::uint32_t>(-1) : static_cast<std::uint32_t>(n);
}
std::uint32_t Write(CABHANDLE hf, const void*, std::uint32_t cb) {
  Check(H(hf)->fd == -1);
  H(hf)->written += cb;
  return cb;
}
int Close(CABHANDLE hf) {
  if (H(hf)->fd != -1) ::close(H(hf)->fd);
  delete H(hf);
  return 0;
}
long Seek(CABHANDLE hf, long dist, int type) {
  Check(H(hf)->fd != -1);
  return static_cast<long>(::lseek(H(hf)->fd, dist, type));
}

// What the reader promises of every name it hands out.
void CheckName(const char* name) {
  std::string s = name;
  Check(!s.empty() && s.size() < CB_MAX_FILENAME);
  Check(s[0] != '/' && s.find(':') == std::string::npos);
  Check(s.compare(0, 2, "\\\\") != 0);
  // No ".." between separators (either kind). A separator byte that is the second byte of a double-byte
  // character separates nothing: the name becomes a path as CP932.
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && platform::CharLength(s, i) == 2) {
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
      return reinterpret_cast<CABHANDLE>(new Handle{});
    case fdintCLOSE_FILE_INFO:
      CheckName(n->psz1);
      Check(H(n->hf)->written == static_cast<std::uint64_t>(n->cb));
      Close(n->hf);
      return 1;
    case fdintNEXT_CABINET:
      Check(IsPlain(n->psz1));
      return 0;
    default:
      return 0;
  }
}

// The next-cabinet name of a piece, read from its header as the layout places it; empty when it has none.
std::string NextName(std::string_view piece) {
  if (piece.size() < kHeaderSize) return {};
  auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(piece[at]) | (static_cast<unsigned char>(piece[at + 1]) << 8));
  };
  const unsigned flags = u16(30);
  if (!(flags & 2)) return {};
  std::size_t at = kHeaderSize;
  if (flags & 4) {
    if (piece.size() < at + 4) return {};
    at += 4 + u16(at);
  }
  auto text = [&]() -> std::string {
    std::size_t end = piece.find('\0', at);
    if (at > piece.size() || end == std::string_view::npos) return {};
    std::string s(piece.substr(at, end - at));
    at = end + 1;
    return s;
  };
  if (flags & 1) {
    text();
    text();
  }
  return text();
}

void Place(const std::string& name, std::string_view piece, bool first) {
  std::string utf8;
  if (!platform::Cp932ToUtf8(g_folder + name, utf8)) return;
  for (const std::string& made : g_made) {
    if (made == utf8) return;  // a name used once already keeps its piece
  }
  if (!first && piece.size() < kHeaderSize) {
    if (mkfifo(utf8.c_str(), 0600) != 0) return;
  } else {
    int fd = ::open(utf8.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    Check(::write(fd, piece.data(), piece.size()) == static_cast<ssize_t>(piece.size()));
    ::close(fd);
  }
  g_made.push_back(utf8);
}

// Writes the pieces of the input as the set's files.
void MakeSet(std::string_view input) {
  for (const std::string& made : g_made) ::unlink(made.c_str());
  g_made.clear();
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t at = input.find("MSCF", 1); at != std::string_view::npos && pieces.size() + 1 < kMostPieces;
       at = input.find("MSCF", at + 1)) {
    pieces.push_back(input.substr(start, at - start));
    start = at;
  }
  pieces.push_back(input.substr(start));
  Place("in.cab", pieces[0], true);
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const std::string name = NextName(pieces[i - 1]);
    if (!IsPlain(name)) break;
    Place(name, pieces[i], false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = fuzz_support::MakeFolder("cabinet") + "/";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MakeSet(std::string_view(reinterpret_cast<const char*>(data), size));
  ERF erf{};
  HFDI h = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpu80386, &erf);
  Check(h != nullptr);
  CABHANDLE hf = Open((g_folder + "in.cab").c_str(), CAB_O_RDONLY | CAB_O_BINARY, 0);
  if (hf != -1) {
    FDICABINETINFO info{};
    FDIIsCabinet(h, hf, &info);
    Close(hf);
  }
  FDICopy(h, "in.cab", g_folder.c_str(), 0, Notify, nullptr);
  Check(FDIDestroy(h) != 0);
  return 0;
}
