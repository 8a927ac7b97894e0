#include "DownloadRequest.h"

#include <utility>

namespace quillon {

std::vector<std::uint8_t> BuildDownloadRequestBody(const std::string& separator, const DownloadRequestFields& f) {
  const std::pair<std::string, std::string> pairs[] = {
      {"CGI_ID", f.cgiId}, {"SES_ID", f.sesId}, {"MAP_ID", f.mapId}, {f.btnId2, "1"}, {"I01", f.fileNumber}};
  std::string text;
  bool first = true;
  for (const auto& [name, value] : pairs) {
    if (!first) text += separator;
    first = false;
    text += name;
    text += '=';
    text += value;
  }
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace quillon
