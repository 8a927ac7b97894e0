// Shift_JIS (CP932) text to the EUC-JP that the image server reads.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The EUC-JP form of a Shift_JIS text, byte by byte: the IBM extension rows are first moved to the NEC rows of
// the same characters; a double-byte character becomes its JIS X 0208 code with both bytes | 0x80 (NEC row 13
// lands in row 0xAD, the NEC-selected rows 0xED/0xEE in rows 0xF9-0xFC); a user-defined character, a pair
// that is not Shift_JIS and a lead byte at the end become 0x80 0x80; a half-width katakana byte gets 0x8E before
// it; every other byte is copied.
std::string ConvertSjisToEuc(std::string_view sjis);

}  // namespace quillon
