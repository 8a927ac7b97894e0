// Text of a page and of the host's output: a page's bytes in the page's charset, the controls' CP932 and the UTF-8
// that the host prints.
#pragma once

#include <string>
#include <string_view>

namespace pagehost {

// The iconv name of a charset label as pages write it ("Shift_JIS", "x-sjis", "euc-jp", "utf-8"...), compared
// without regard to case and surrounding blanks: Shift_JIS and its aliases are CP932, as browsers read them.
// Another label is handed to iconv as it is; empty when iconv does not know it.
std::string IconvCharset(std::string_view label);

// bytes in charset (an iconv name) as UTF-8; a byte that does not convert becomes U+FFFD. False when iconv does
// not know the charset.
bool DecodeToUtf8(std::string_view bytes, const std::string& charset, std::string& utf8);

// UTF-8 as CP932; a character without a CP932 form becomes "?". replaced (when given) tells whether one did.
std::string Utf8ToCp932Lossy(std::string_view utf8, bool* replaced = nullptr);
// CP932 as UTF-8; a byte sequence that does not convert becomes U+FFFD.
std::string Cp932ToUtf8Lossy(std::string_view cp932);

// The code point as UTF-8 (U+FFFD for a surrogate or a value past U+10FFFF).
std::string EncodeUtf8(unsigned long codePoint);
// Byte length of the UTF-8 sequence that starts at s[i]; 0 when it is no valid one.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i);

}  // namespace pagehost
