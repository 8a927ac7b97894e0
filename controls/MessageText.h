// Message texts of the controls' string tables, formatted with their arguments ("%s", "%d", "%x").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace controls {

// One argument of a message: a CP932 text or a number.
struct MessageArg {
  MessageArg(const char* text) : text(text ? text : "") {}  // NOLINT: reads like the format's arguments
  MessageArg(std::string text) : text(std::move(text)) {}   // NOLINT
  MessageArg(int value) : isNumber(true), number(value) {}  // NOLINT
  MessageArg(long long value) : isNumber(true), number(value) {}  // NOLINT
  bool isNumber = false;
  std::string text;
  long long number = 0;
};

// "%s" takes a text, "%d" a signed number, "%x" a number in lower-case hexadecimal as a 32-bit value (a negative
// system code shows as ffff....), "%%" a percent sign. A missing argument reads as empty or 0; a text given for
// "%d" reads as 0 and a number given for "%s" as its decimal form, so a wrong call never reads past its arguments.
std::string FormatMessageText(std::string_view format, const std::vector<MessageArg>& args);

// One entry of a module's string table.
struct StringEntry {
  int id;
  const char* text;  // CP932
};

// The text of id in the table, or nullptr.
const char* FindString(const std::vector<StringEntry>& table, int id);
// The text of id in the table, or the empty text.
const char* LoadTableString(const std::vector<StringEntry>& table, int id);

}  // namespace controls
