// Text and path helpers of the library: trimming, the path delimiter, system error texts, and a
// type-checked formatter for the format texts of log lines and of the installation's message file.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace hestrel {

// Blanks and control characters (bytes up to 0x20) removed at both ends; never a CP932 trail byte.
std::string OvTrim(std::string_view text);

// The text with the path delimiter appended when it is not empty and does not end with one.
std::string OvAddPathDelimiter(std::string_view text);

// The system's text for an error code (at most 512 bytes), or "GetLastErrorCode: <code>" when it has none.
std::string OvSysErrorText(int code);

// One argument of a format: an integer, a floating-point number, a text or a pointer.
class TOvArg {
 public:
  enum class Kind { Int, Double, Text, Pointer };
  TOvArg(bool v) : kind_(Kind::Int), int_(v ? 1 : 0) {}
  TOvArg(int v) : kind_(Kind::Int), int_(v) {}
  TOvArg(long v) : kind_(Kind::Int), int_(v) {}
  TOvArg(long long v) : kind_(Kind::Int), int_(v) {}
  TOvArg(unsigned v) : kind_(Kind::Int), int_(v) {}
  TOvArg(unsigned long v) : kind_(Kind::Int), int_(static_cast<std::int64_t>(v)) {}
  TOvArg(double v) : kind_(Kind::Double), double_(v) {}
  TOvArg(const char* v) : kind_(Kind::Text), text_(v ? std::string_view(v) : std::string_view()) {}
  TOvArg(const std::string& v) : kind_(Kind::Text), text_(v) {}
  TOvArg(std::string_view v) : kind_(Kind::Text), text_(v) {}
  TOvArg(const void* v) : kind_(Kind::Pointer), pointer_(v) {}

  Kind kind() const { return kind_; }
  std::int64_t AsInt() const { return int_; }
  double AsDouble() const { return double_; }
  std::string_view AsText() const { return text_; }
  const void* AsPointer() const { return pointer_; }

 private:
  Kind kind_;
  std::int64_t int_ = 0;
  double double_ = 0;
  std::string_view text_;
  const void* pointer_ = nullptr;
};

using TOvArgs = std::span<const TOvArg>;

// Formats like the host language's Format: "%[index:][-][width][.prec]type" with the types d u x e f g n m p s
// and "%%"; width, precision and index may be "*" (taken from the arguments). False (out unspecified) when a
// directive is malformed, an argument is missing or its kind does not fit the directive: format texts from
// outside files are never trusted.
bool OvFormat(std::string_view format, TOvArgs args, std::string& out);
inline bool OvFormat(std::string_view format, std::initializer_list<TOvArg> args, std::string& out) {
  return OvFormat(format, TOvArgs(args.begin(), args.size()), out);
}

}  // namespace hestrel
