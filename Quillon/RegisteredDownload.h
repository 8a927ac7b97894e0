// The download of one registered file by plain HTTP GET into a local file.
#pragma once

#include <string>

#include "platform/web/http_get.h"

namespace quillon {

enum class DownloadResult {
  Stored,  // the reply's body is the local file, byte for byte
  Failed,  // no reply, a status of 400 or higher, or a body broken off: the local file is left empty
  TimedOut,  // as Failed, because the server kept silent for the session's time limit
};

// GETs url and writes its body over localPath (created, or truncated when it exists); the body is read until
// its end, however the bytes arrive. Any reply status below 400 counts as the file.
DownloadResult DownloadRegisteredFile(platform::web::HttpSession& session, const std::string& url,
                                      const std::string& localPath);

}  // namespace quillon
