#include "names.h"

#include "cabinet/cabinet_types.h"
#include "platform/text.h"

namespace cabinet {

namespace {

constexpr std::size_t kLongestComponent = 255;  // bytes of one name on the file system (UTF-8)

bool IsSeparator(std::string_view s, std::size_t i) {
  return (s[i] == '\\' || s[i] == '/') && platform::CharLength(s, i) == 1;
}

bool IsSafeComponent(std::string_view c) {
  if (c == "..") return false;
  std::string utf8;
  return platform::Cp932ToUtf8(c, utf8) && utf8.size() <= kLongestComponent;
}

}  // namespace

bool StoredNameToCp932(std::string_view raw, std::uint16_t attribs, std::string& cp932) {
  if (!(attribs & CAB_A_NAME_IS_UTF)) {
    cp932.assign(raw);
    return true;
  }
  return platform::Utf8ToCp932(raw, cp932);
}

bool IsSafeStoredName(std::string_view name) {
  if (name.empty() || name.size() >= CB_MAX_FILENAME) return false;
  if (name[0] == '/') return false;
  if (name.size() >= 2 && IsSeparator(name, 0) && IsSeparator(name, 1)) return false;
  if (platform::FindChar(name, ':') != std::string_view::npos) return false;
  std::size_t start = IsSeparator(name, 0) ? 1 : 0;
  for (std::size_t i = start;; i = platform::NextChar(name, i)) {
    if (i == name.size() || IsSeparator(name, i)) {
      std::string_view component = name.substr(start, i - start);
      if (i == name.size() && component.empty()) return false;  // ends in a separator
      if (!component.empty() && !IsSafeComponent(component)) return false;
      if (i == name.size()) return true;
      start = i + 1;
    }
  }
}

bool IsPlainCabinetName(std::string_view name) {
  if (name.empty() || name.size() >= CB_MAX_CABINET_NAME || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); i = platform::NextChar(name, i)) {
    if (IsSeparator(name, i) || name[i] == ':') return false;
  }
  return IsSafeComponent(name);
}

}  // namespace cabinet
