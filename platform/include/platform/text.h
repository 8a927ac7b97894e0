// CP932 (Shift_JIS) text: lead bytes, character steps and conversion to and from UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Lead byte of a double-byte CP932 character: 0x81-0x9F and 0xE0-0xFC, a fixed table.
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Byte length (1 or 2) of the character that starts at s[i]; a lead byte at the very end counts as one byte.
inline std::size_t CharLength(std::string_view s, std::size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Index of the character after the one at s[i].
inline std::size_t NextChar(std::string_view s, std::size_t i) { return i + CharLength(s, i); }

// Longest prefix length of s, at most maxBytes, that does not split a double-byte character.
std::size_t CutLength(std::string_view s, std::size_t maxBytes);

// Single-byte character c occurs in s outside double-byte characters; gives its index or npos.
std::size_t FindChar(std::string_view s, char c, std::size_t from = 0);
std::size_t FindLastChar(std::string_view s, char c);

// a and b are equal when ASCII letters are compared without regard to case (double-byte characters exactly).
bool EqualsNoCaseAscii(std::string_view a, std::string_view b);

// CP932 -> UTF-8 and back with iconv ("CP932"). False (out cleared) when a byte sequence does not convert.
bool Cp932ToUtf8(std::string_view cp932, std::string& utf8);
bool Utf8ToCp932(std::string_view utf8, std::string& cp932);

// CP932 <-> UTF-16 (the text of the COM layer's strings), likewise.
bool Cp932ToUtf16(std::string_view cp932, std::u16string& utf16);
bool Utf16ToCp932(std::u16string_view utf16, std::string& cp932);

}  // namespace platform
