// The parts of a multipart/form-data request body to the image server. Every line of framing is converted to
// EUC-JP; file contents are sent unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "UploadError.h"
#include "UploadProgress.h"

namespace quillon {

// A request body as it is posted: the browser takes these bytes as they are.
using RequestBody = std::vector<std::uint8_t>;

// The one boundary of every request.
inline constexpr std::string_view kBoundary = "--------quArtzfeLdoN";

// The headers argument of the request: "Content-Type: multipart/form-data; boundary=" + boundary + CR LF.
std::string RequestHeaders(std::string_view boundary);

// Appends a text part: the delimiter, "Content-Disposition: form-data; name="name"", an empty line, the value.
void WriteTextPart(RequestBody& body, std::string_view boundary, std::string_view name, std::string_view value);

// Appends a file part: its header (the filename is path as given) and the file's bytes, taken in chunks of
// 2048 bytes (read from the file in blocks of several); after each chunk counters.sent grows by its length and
// the pump runs. A file that cannot be opened or read fails with message 1012 (path and cause).
BuildResult WriteFilePart(RequestBody& body, std::string_view boundary, std::string_view name,
                          const std::string& path, UploadCounters& counters, const UploadPump& pump,
                          UploadError& error);

// Appends the closing delimiter "--" + boundary + "--".
void WriteClosingLine(RequestBody& body, std::string_view boundary);

// Makes sure no part of body holds its boundary, so that a server reads exactly the parts that were written:
// delimiters are where each delimiter line ("--" + boundary) of body starts, in order. While no part holds
// boundary, body stays as it is and boundary is the answer; otherwise each delimiter line is written anew, in
// place, with the first of boundary + "0", boundary + "1", ... that no part holds, and that is the answer.
std::string SettleBoundary(RequestBody& body, std::string_view boundary, const std::vector<std::size_t>& delimiters);

}  // namespace quillon
