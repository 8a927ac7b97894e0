#include "MessageText.h"

#include <cstdio>

#include "platform/text.h"

namespace controls {

std::string FormatMessageText(std::string_view format, const std::vector<MessageArg>& args) {
  std::string out;
  std::size_t next = 0;
  auto take = [&]() -> const MessageArg* { return next < args.size() ? &args[next++] : nullptr; };
  for (std::size_t i = 0; i < format.size();) {
    std::size_t step = platform::CharLength(format, i);
    if (step == 1 && format[i] == '%' && i + 1 < format.size()) {
      char kind = format[i + 1];
      if (kind == '%') {
        out += '%';
        i += 2;
        continue;
      }
      if (kind == 's' || kind == 'd' || kind == 'x') {
        const MessageArg* arg = take();
        char buffer[32];
        if (kind == 's') {
          if (arg && arg->isNumber) {
            std::snprintf(buffer, sizeof buffer, "%lld", arg->number);
            out += buffer;
          } else if (arg) {
            out += arg->text;
          }
        } else {
          long long value = (arg && arg->isNumber) ? arg->number : 0;
          if (kind == 'd') {
            std::snprintf(buffer, sizeof buffer, "%lld", value);
          } else {
            std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
          }
          out += buffer;
        }
        i += 2;
        continue;
      }
    }
    out.append(format.substr(i, step));
    i += step;
  }
  return out;
}

const char* FindString(const std::vector<StringEntry>& table, int id) {
  for (const StringEntry& entry : table) {
    if (entry.id == id) return entry.text;
  }
  return nullptr;
}

const char* LoadTableString(const std::vector<StringEntry>& table, int id) {
  const char* text = FindString(table, id);
  return text ? text : "";
}

}  // namespace controls
