// Decoding of reply bytes into UTF-8, and UTF-8 into the system's CP932.
#pragma once

#include <string>
#include <string_view>

namespace platform::web {

// The iconv name of a charset label as pages and headers write it ("Shift_JIS", "x-euc-jp", "utf-8"...);
// empty when iconv knows no such charset.
std::string ConverterName(std::string_view label);

// The charset label of the page's first <meta charset=...> or <meta http-equiv="Content-Type"
// content="...; charset=...">, looked for in the first 1024 bytes; empty when there is none.
std::string MetaCharset(std::string_view bytes);

// The converter for a reply: a byte-order mark, else the header's charset label, else (when allowMeta) the
// page's meta charset, else CP932. Each label that iconv does not know is passed over. bomLength is set
// to the length of the byte-order mark found (0 when none).
std::string ChooseConverter(std::string_view bytes, std::string_view headerCharset, bool allowMeta,
                            std::size_t& bomLength);

// bytes in the charset of converterName, as UTF-8; every byte that does not decode becomes U+FFFD.
std::string DecodeToUtf8(std::string_view bytes, const std::string& converterName);

// UTF-8 as CP932; every character without a CP932 form becomes "?".
std::string Utf8ToCp932Lossy(std::string_view utf8);

}  // namespace platform::web
