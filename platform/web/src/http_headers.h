// Reading the header values of a reply: media type, parameters, the attachment's file name.
#pragma once

#include <string>
#include <string_view>

namespace platform::web {

std::string AsciiLower(std::string_view s);
std::string_view Trim(std::string_view s);

// "text/html" of "Text/HTML; charset=EUC-JP" (lower case, parameters removed).
std::string MediaType(std::string_view headerValue);

// A parameter of a header value ("charset" of a Content-Type, "filename" of a Content-Disposition), its
// quotes removed; empty when absent.
std::string HeaderParameter(std::string_view headerValue, std::string_view name);

// How a reply is shown.
enum class ReplyKind { Html, Text, File };
// Html: text/html, application/xhtml+xml or no type; Text: any other text/ type; File: an attachment or any
// other type.
ReplyKind KindOfReply(std::string_view contentType, std::string_view contentDisposition);

// The file name a Content-Disposition proposes, as CP932 without any folder part: filename* (RFC 5987,
// percent-encoded in its charset), else filename (UTF-8 when it is valid UTF-8, else taken as CP932);
// empty when there is none.
std::string DispositionFileName(std::string_view contentDisposition);

}  // namespace platform::web
