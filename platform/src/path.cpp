#include "platform/path.h"

#include "platform/text.h"

namespace platform {

bool ToSystemPath(std::string_view cp932, std::string& system) {
  system.clear();
  if (cp932.empty() || cp932.find('\0') != std::string_view::npos) return false;
  return Cp932ToUtf8(cp932, system);
}

bool FromSystemPath(std::string_view system, std::string& cp932) { return Utf8ToCp932(system, cp932); }

namespace {

std::string Swap(std::string_view in, char from, char to) {
  std::string out(in);
  for (std::size_t i = 0; i < out.size(); i = NextChar(out, i)) {
    if (out[i] == from && CharLength(out, i) == 1) out[i] = to;
  }
  return out;
}

}  // namespace

std::string StoredToPath(std::string_view stored) { return Swap(stored, kStoredSeparator, kDelimiter); }

std::string PathToStored(std::string_view path) { return Swap(path, kDelimiter, kStoredSeparator); }

}  // namespace platform
