#include "RegisteredDownload.h"

#include "platform/files.h"

namespace quillon {

namespace {

constexpr std::size_t kBlock = 1024;

// A failed download leaves the file, empty, so the registered photo keeps its place in the list.
DownloadResult LeaveEmpty(const std::string& localPath, std::int32_t error = 0) {
  platform::WriteFile(localPath, "", 0);
  return error == platform::web::kInetConnectionTimeout ? DownloadResult::TimedOut : DownloadResult::Failed;
}

}  // namespace

DownloadResult DownloadRegisteredFile(platform::web::HttpSession& session, const std::string& url,
                                      const std::string& localPath) {
  std::int32_t error = 0;
  std::unique_ptr<platform::web::HttpFile> remote = session.OpenUrl(url, &error);
  if (!remote || remote->StatusCode() >= 400) return LeaveEmpty(localPath, error);
  std::unique_ptr<platform::File> local = platform::File::Open(localPath, platform::OpenMode::Write);
  if (!local) return DownloadResult::Failed;
  char block[kBlock];
  for (;;) {
    std::int64_t n = remote->Read(block, sizeof block);
    if (n == 0) break;
    if (n < 0 || !local->Write(block, static_cast<std::size_t>(n))) {
      local.reset();
      return LeaveEmpty(localPath, n < 0 ? error : 0);
    }
  }
  if (!local->Close()) return LeaveEmpty(localPath);
  return DownloadResult::Stored;
}

}  // namespace quillon
