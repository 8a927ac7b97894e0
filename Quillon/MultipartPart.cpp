#include "MultipartPart.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_set>

#include "FileErrorCause.h"
#include "SjisToEuc.h"
#include "platform/error.h"
#include "platform/files.h"

namespace quillon {

namespace {

constexpr std::size_t kChunk = 2048;
constexpr std::size_t kBlock = 32 * kChunk;

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
  // The file is read in blocks of several chunks, straight into the body (a system call per 2048 bytes costs
  // more than reading them); each chunk of the block is then counted, shown and followed by the pump.
  for (;;) {
    const std::size_t at = body.size();
    const std::size_t room = body.capacity() - at;
    std::int64_t n = 0;
    if (room >= kChunk) {
      // Within the room the body was given: a block past it would move the whole body.
      const std::size_t block = std::min(kBlock, room);
      body.resize(at + block);
      n = file->Read(body.data() + at, block);
      body.resize(at + static_cast<std::size_t>(n > 0 ? n : 0));
    } else {
      // At the end of the room (the read that finds the file's end, or a file grown since it was counted): only
      // bytes that came are added, so a body sized to its parts never moves.
      std::uint8_t chunk[kChunk];
      n = file->Read(chunk, kChunk);
      if (n > 0) body.insert(body.end(), chunk, chunk + n);
    }
    if (n < 0) {
      error = {kMessageFileReadFailed, path, FileErrorCause(platform::LastError())};
      return BuildResult::Failed;
    }
    if (n == 0) break;
    for (std::int64_t done = 0; done < n; done += static_cast<std::int64_t>(kChunk)) {
      counters.sent += static_cast<std::uint64_t>(std::min<std::int64_t>(kChunk, n - done));
      if (pump.setProgress) pump.setProgress(ProgressPosition(counters));
      if (pump.pumpMessages && !pump.pumpMessages()) return BuildResult::Destroyed;
    }
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

std::string SettleBoundary(RequestBody& body, std::string_view boundary, const std::vector<std::size_t>& delimiters) {
  if (boundary.empty()) return std::string(boundary);
  // Every place the boundary stands that is not a delimiter line's lies inside a part (a part never holds CR LF
  // at its edges into a delimiter line, and the boundary holds none).
  std::vector<std::size_t> inside;
  const std::uint8_t* data = body.data();
  std::size_t next = 0;
  for (std::size_t at = 0; at + boundary.size() <= body.size(); ++at) {
    const void* found = memmem(data + at, body.size() - at, boundary.data(), boundary.size());
    if (!found) break;
    at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data);
    while (next < delimiters.size() && delimiters[next] + 2 < at) ++next;
    if (next < delimiters.size() && delimiters[next] + 2 == at) continue;
    inside.push_back(at);
  }
  if (inside.empty()) return std::string(boundary);

  // The candidates are the boundary with a number behind it. One stands at a place inside when the digits that
  // follow the boundary there begin with the number's, so each place holds at most one of each length: read them
  // once (never more than nine digits are needed), then take the smallest number none holds.
  std::unordered_set<unsigned> held;
  for (std::size_t at : inside) {
    unsigned value = 0;
    const std::size_t digits = at + boundary.size();
    for (std::size_t i = digits; i < body.size() && i - digits < 9 && data[i] >= '0' && data[i] <= '9'; ++i) {
      value = value * 10 + static_cast<unsigned>(data[i] - '0');
      held.insert(value);
      if (value == 0) break;  // no number is written with a leading zero
    }
  }
  unsigned k = 0;
  while (held.count(k) != 0) ++k;
  const std::string chosen = std::string(boundary) + std::to_string(k);

  // Longer delimiter lines: the parts move up, the last first, within the one body.
  const std::size_t grow = chosen.size() - boundary.size();
  const std::size_t oldSize = body.size();
  body.resize(oldSize + grow * delimiters.size());
  std::uint8_t* bytes = body.data();
  for (std::size_t i = delimiters.size(); i-- > 0;) {
    const std::size_t start = delimiters[i];
    const std::size_t end = i + 1 < delimiters.size() ? delimiters[i + 1] : oldSize;
    const std::size_t rest = start + 2 + boundary.size();  // what follows the boundary on its line, and the part
    const std::size_t moved = start + grow * i;
    std::memmove(bytes + moved + 2 + chosen.size(), bytes + rest, end - rest);
    std::memcpy(bytes + moved + 2, chosen.data(), chosen.size());
    bytes[moved] = bytes[moved + 1] = '-';
  }
  return chosen;
}

}  // namespace quillon
