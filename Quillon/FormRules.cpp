#include "FormRules.h"

#include <algorithm>

#include "platform/path.h"
#include "platform/text.h"

namespace quillon {

std::string AppendBackslash(const std::string& path) {
  if (path.empty()) return path;
  std::size_t last = 0;
  for (std::size_t i = 0; i < path.size(); i = platform::NextChar(path, i)) last = i;
  if (path[last] == platform::kDelimiter && platform::CharLength(path, last) == 1) return path;
  return path + platform::kDelimiter;
}

std::string FolderOfPath(const std::string& path) {
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DoubleAmpersands(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); i = platform::NextChar(text, i)) {
    std::size_t n = platform::CharLength(text, i);
    out.append(text.substr(i, n));
    if (n == 1 && text[i] == '&') out += '&';
  }
  return out;
}

std::string CutPath(std::string_view text) { return std::string(text.substr(0, platform::CutLength(text, kMaxPathBytes))); }

std::string KeyDisplayText(std::string_view key) {
  auto part = [&](std::size_t from, std::size_t n) {
    return from < key.size() ? std::string(key.substr(from, n)) : std::string();
  };
  return part(0, 4) + "/" + part(4, 2) + "/" + part(6, 2) + " " + part(8, 2) + ":" + part(10, 2) + ":" + part(12, 2);
}

std::int64_t KilobytesOf(std::int64_t bytes) {
  if (bytes <= 0) return 0;
  return bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
}

bool IsSafeLocalName(std::string_view name) {
  return !name.empty() && platform::FindChar(name, '/') == std::string_view::npos &&
         platform::FindChar(name, '\\') == std::string_view::npos &&
         platform::FindChar(name, ':') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

int KeyYear(std::string_view key) {
  if (key.size() < 4) return -1;
  int year = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    if (key[i] < '0' || key[i] > '9') return -1;
    year = year * 10 + (key[i] - '0');
  }
  return year;
}

void SortFolderFiles(std::vector<FolderFile>& files, int order) {
  auto earlier = [](const FolderFile& a, const FolderFile& b) {
    if (a.lastWrite.seconds != b.lastWrite.seconds) return a.lastWrite.seconds < b.lastWrite.seconds;
    return a.lastWrite.nanoseconds < b.lastWrite.nanoseconds;
  };
  auto sameTime = [](const FolderFile& a, const FolderFile& b) {
    return a.lastWrite.seconds == b.lastWrite.seconds && a.lastWrite.nanoseconds == b.lastWrite.nanoseconds;
  };
  switch (order) {
    case kOldestFirst:
      std::sort(files.begin(), files.end(), [&](const FolderFile& a, const FolderFile& b) {
        return sameTime(a, b) ? a.path < b.path : earlier(a, b);
      });
      break;
    case kNameAscending:
      std::sort(files.begin(), files.end(), [](const FolderFile& a, const FolderFile& b) { return a.path < b.path; });
      break;
    case kNameDescending:
      std::sort(files.begin(), files.end(), [](const FolderFile& a, const FolderFile& b) { return a.path > b.path; });
      break;
    default:
      std::sort(files.begin(), files.end(), [&](const FolderFile& a, const FolderFile& b) {
        return sameTime(a, b) ? a.path < b.path : earlier(b, a);
      });
      break;
  }
}

platform::ui::Rect FitThumbnail(int width, int height, int frameWidth, int frameHeight) {
  if (width <= 0 || height <= 0) return {};
  long long w = width, h = height;
  long long cw = frameWidth, ch = frameHeight;
  long long dw, dh;
  if (w < cw && h < ch) {
    dw = w;
    dh = h;
  } else if (static_cast<double>(h) / static_cast<double>(ch) >= static_cast<double>(w) / static_cast<double>(cw)) {
    dh = ch - 5;
    dw = dh * w / h;
  } else {
    dw = cw - 5;
    dh = dw * h / w;
  }
  dw = std::max<long long>(dw, 1);
  dh = std::max<long long>(dh, 1);
  int x = static_cast<int>((cw - dw) / 2);
  int y = static_cast<int>((ch - dh) / 2);
  return platform::ui::RectAt(x, y, static_cast<int>(dw), static_cast<int>(dh));
}

}  // namespace quillon
