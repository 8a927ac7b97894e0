#include "UploadRecord.h"

#include "FileErrorCause.h"
#include "SjisToEuc.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace quillon {

namespace {

// Byte cuts of a text that is shorter than asked give what there is.
std::string Left(std::string_view s, std::size_t n) { return std::string(s.substr(0, n)); }
std::string Mid(std::string_view s, std::size_t from, std::size_t n) {
  return from < s.size() ? std::string(s.substr(from, n)) : std::string();
}
std::string Right(std::string_view s, std::size_t n) {
  return std::string(s.size() > n ? s.substr(s.size() - n) : s);
}

// A 14-digit time key as its date (year, month, day) and its time (hour, minute, second).
std::string KeyDate(std::string_view key) { return Left(key, 8); }
std::string KeyTime(std::string_view key) { return Mid(key, 8, 6); }

// CR LF, a lone CR and a lone LF each become one TAB, so a value (the comment, or a name that holds a line end)
// stays one record line.
std::string OneLine(std::string_view comment) {
  std::string out;
  out.reserve(comment.size());
  for (std::size_t i = 0; i < comment.size(); ++i) {
    char c = comment[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') ++i;
      out += '\t';
    } else {
      out += c;
    }
  }
  return out;
}

void Line(std::string& text, std::string_view key, int n, std::string_view value) {
  text += key;
  if (n > 0) text += std::to_string(n);
  text += '=';
  text += OneLine(value);
  text += "\r\n";
}

// The name after the last delimiter, the whole path without one.
std::string FileNameOf(std::string_view path) {
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::string UploadRecordName(std::string_view sesId) { return std::string(sesId) + "_R72"; }

std::string UploadRecordPath(const UploadInputs& inputs) {
  std::string path = inputs.systemFolder;
  if (!path.empty() && path.back() != platform::kDelimiter) path += platform::kDelimiter;
  path += kStagingFolder;
  path += platform::kDelimiter;
  path += UploadRecordName(inputs.sesId);
  return path;
}

bool IsSafeSessionId(std::string_view sesId) {
  return platform::FindChar(sesId, '/') == std::string_view::npos &&
         platform::FindChar(sesId, '\\') == std::string_view::npos &&
         platform::FindChar(sesId, ':') == std::string_view::npos && sesId.find("..") == std::string_view::npos;
}

std::string BuildUploadRecordText(const UploadInputs& inputs, const UploadSet& set) {
  std::string text;
  for (int n = 1; n <= 2; ++n) {
    const EstimateSlot& slot = inputs.estimateSlots[n - 1];
    if (slot.fileTime == kAddedFileTime) {
      const std::string& key = set.addedFileTimes[n - 1];
      Line(text, "AFD", n, KeyDate(key));
      Line(text, "AFT", n, KeyTime(key));
    } else {
      Line(text, "AFD", n, Left(slot.fileTime, 8));
      Line(text, "AFT", n, Right(slot.fileTime, 6));
    }
    Line(text, "AED", n, KeyDate(slot.entryTime));
    Line(text, "AET", n, KeyTime(slot.entryTime));
    Line(text, "RFN", n, slot.prtName);
    Line(text, "AFN", n, slot.fileName);
  }
  for (std::size_t i = 0; i < set.photos.size(); ++i) {
    const UploadPhotoRow& row = set.photos[i];
    int n = static_cast<int>(i) + 1;
    Line(text, "PFN", n, FileNameOf(row.path));
    Line(text, "PRF", n, row.serverName);
    Line(text, "PSW", n, std::to_string(row.width));
    Line(text, "PSD", n, std::to_string(row.height));
    Line(text, "PFD", n, KeyDate(row.fileTime));
    Line(text, "PFT", n, KeyTime(row.fileTime));
    Line(text, "PED", n, KeyDate(row.entryTime));
    Line(text, "PET", n, KeyTime(row.entryTime));
  }
  Line(text, "IDR", 0, set.imageFolder);
  Line(text, "ADD", 0, set.added ? "1" : "0");
  Line(text, "DEL", 0, set.deleted ? "1" : "0");
  Line(text, "IFM2", 0, set.comment);
  return text;
}

bool WriteUploadRecord(const std::string& path, std::string_view text, UploadError& error) {
  // A record left by an earlier registration must not be sent if this one cannot be written.
  platform::DeleteFile(path);
  std::string euc = ConvertSjisToEuc(text);
  if (!platform::WriteFile(path, euc.data(), euc.size())) {
    error = {kMessageFileReadFailed, path, FileFailureCause(path)};
    return false;
  }
  return true;
}

}  // namespace quillon
