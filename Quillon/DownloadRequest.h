// The body of the form's request for a registered attachment: name=value pairs joined by a separator,
// without escaping or conversion (the server reads them as they are).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct DownloadRequestFields {
  std::string cgiId;     // CGI_ID
  std::string sesId;     // SES_ID
  std::string mapId;     // MAP_ID
  std::string btnId2;    // BTN_ID2: the name of the pair whose value is "1"
  std::string fileNumber;  // I01: the slot's download number, "1" or "2"
};

// "CGI_ID=..&SES_ID=..&MAP_ID=..&<BTN_ID2>=1&I01=.." with separator between the pairs and none after the last;
// the bytes of the text, without a terminating zero.
std::vector<std::uint8_t> BuildDownloadRequestBody(const std::string& separator, const DownloadRequestFields& fields);

// The header line sent with it.
inline constexpr const char* kDownloadRequestHeaders = "Content-Type: text/html;\r\n";

}  // namespace quillon
