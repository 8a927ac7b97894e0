#include "ParamValues.h"

#include <cctype>
#include <cstdint>

#include "platform/env.h"
#include "platform/files.h"
#include "platform/path.h"

namespace controls {

int ParamToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -value : value);
}

int DialogPointSize(int dpiX, int dpiY) { return (dpiX > 96 && dpiY > 96) ? 9 : 12; }

std::string ProfileSystemFolder() {
  std::string profile = platform::CurrentEnvironment().ProfileFolder();
  if (profile.empty()) return {};
  while (profile.size() > 1 && profile.back() == platform::kDelimiter) profile.pop_back();
  if (profile == "/") profile.clear();
  std::string lowFolder = profile + "/AppData/LocalLow";
  if (platform::IsFolder(lowFolder)) return lowFolder + "/zentrovia/";
  return profile + "/zentrovia/";
}

std::string HostSystemFolder(std::string_view param) {
  if (param.size() >= 2 && std::isalpha(static_cast<unsigned char>(param[0])) && param[1] == ':') {
    std::string rest = platform::StoredToPath(param.substr(2));
    if (!platform::IsAbsolute(rest)) rest.insert(rest.begin(), platform::kDelimiter);
    return rest;
  }
  return std::string(param);
}

}  // namespace controls
