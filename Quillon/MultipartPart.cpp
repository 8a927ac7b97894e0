#include "MultipartPart.h"

#include <cstdint>
#include <memory>

#include "FileErrorCause.h"
#include "SjisToEuc.h"
#include "platform/error.h"
#include "platform/files.h"

namespace quillon {

namespace {

constexpr std::size_t kChunk = 2048;

std::string Delimiter(std::string_view boundary) {
  std::string line = "--";
  line += boundary;
  line += "\r\n";
  return line;
}

void Append(RequestBody& body, std::string_view text) { body.insert(body.end(), text.begin(), text.end()); }

}  // namespace

std::string RequestHeaders(std::string_view boundary) {
  std::string headers = "Content-Type: multipart/form-data; boundary=";
  headers += boundary;
  headers += "\r\n";
  return headers;
}

void WriteTextPart(RequestBody& body, std::string_view boundary, std::string_view name, std::string_view value) {
  std::string part = Delimiter(boundary);
  part += "Content-Disposition: form-data; name=\"";
  part += name;
  part += "\"\r\n\r\n";
  part += value;
  part += "\r\n";
  Append(body, ConvertSjisToEuc(part));
}

BuildResult WriteFilePart(RequestBody& body, std::string_view boundary, std::string_view name,
                          const std::string& path, UploadCounters& counters, const UploadPump& pump,
                          UploadError& error) {
  std::unique_ptr<platform::File> file = platform::File::Open(path, platform::OpenMode::Read);
  if (!file) {
    error = {kMessageFileReadFailed, path, FileFailureCause(path)};
    return BuildResult::Failed;
  }
  std::string header = Delimiter(boundary);
  header += "Content-Disposition: form-data; name=\"";
  header += name;
  header += "\"; filename=\"";
  header += path;
  header += "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  Append(body, ConvertSjisToEuc(header));
  for (;;) {
    std::size_t at = body.size();
    body.resize(at + kChunk);
    std::int64_t n = file->Read(body.data() + at, kChunk);
    body.resize(at + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n < 0) {
      error = {kMessageFileReadFailed, path, FileErrorCause(platform::LastError())};
      return BuildResult::Failed;
    }
    if (n == 0) break;
    counters.sent += static_cast<std::uint64_t>(n);
    if (pump.setProgress) pump.setProgress(ProgressPosition(counters));
    if (pump.pumpMessages && !pump.pumpMessages()) return BuildResult::Destroyed;
  }
  Append(body, "\r\n");
  return BuildResult::Built;
}

void WriteClosingLine(RequestBody& body, std::string_view boundary) {
  std::string line = "--";
  line += boundary;
  line += "--\r\n";
  Append(body, ConvertSjisToEuc(line));
}

}  // namespace quillon
