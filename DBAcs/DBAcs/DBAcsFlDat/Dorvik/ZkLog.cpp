#include "ZkLog.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

#include "ZkSettings.h"
#include "ZkUtilities.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/files.h"

namespace {

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatV(format, args);
  va_end(args);
  return out;
}

std::string_view BaseName(const char* path) {
  std::string_view p = path ? path : "";
  std::size_t slash = p.find_last_of("/\\");
  return slash == std::string_view::npos ? p : p.substr(slash + 1);
}

// Before a line: a log of 2 MiB or more moves onto its backup. When it cannot be moved it is deleted,
// and when it cannot be deleted either the line is dropped, so the log never grows without bound.
bool RollOver(const ZkSettings& s) {
  if (platform::FileSize(s.logFilePath) < CZkLog::kRollOverSize) return true;
  if (!s.logBackupPath.empty() && s.logBackupPath != s.logFilePath &&
      platform::RenameReplacing(s.logFilePath, s.logBackupPath)) {
    return true;
  }
  return platform::DeleteFile(s.logFilePath);
}

std::string TimeStamp() {
  platform::LocalTime t;
  if (!platform::Now(t)) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d.%03u", t.year, t.month, t.day, t.hour, t.minute,
                t.second, static_cast<unsigned>(t.millisecond));
  return buf;
}

}  // namespace

void CZkLog::Setup(const std::string& composedPath) {
  ZkSettings& s = ZkGetSettings();
  s.logThreshold = -1;
  s.logFilePath.clear();
  s.logBackupPath.clear();
  s.moduleName.clear();
  s.processId = 0;
  if (s.logLevel >= 0) {
    if (s.logLevel <= 4) s.logThreshold = s.logLevel;
    std::string path = CZkUtilities::NormalizePath(composedPath);
    std::string folder = CZkUtilities::GetFolderName(path);
    std::string title = CZkUtilities::GetFileName(path, 0);
    if (!title.empty()) {
      s.logFilePath = path;
      s.logBackupPath = CZkUtilities::JoinPath(folder, title + ".bak");
    }
  }
  s.moduleName = "Dorvik";
  s.processId = platform::CurrentEnvironment().ProcessId();
}

bool CZkLog::Enabled(int level) {
  const ZkSettings& s = ZkGetSettings();
  return s.logThreshold >= 0 && level <= s.logThreshold && !s.logFilePath.empty();
}

const char* CZkLog::Mark(int level) {
  switch (level) {
    case 0:
      return "！";
    case 1:
      return "◆";
    case 2:
      return "・";
    case 3:
    case 4:
      return "　";
    default:
      return "";
  }
}

std::string CZkLog::FunctionName(const char* prettyFunction) {
  std::string_view p = prettyFunction ? prettyFunction : "";
  std::size_t paren = p.find('(');
  std::string_view head = p.substr(0, paren);
  std::size_t space = head.find_last_of(" *&");
  std::string name(space == std::string_view::npos ? head : head.substr(space + 1));
  constexpr std::string_view kAnonymous = "{anonymous}::";
  if (name.compare(0, kAnonymous.size(), kAnonymous) == 0) name.erase(0, kAnonymous.size());
  return name;
}

void CZkLog::Write(int level, const char* file, const char* function, int line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteV(level, file, function, line, format, args);
  va_end(args);
}

void CZkLog::WriteV(int level, const char* file, const char* function, int line, const char* format, va_list args) {
  const ZkSettings& s = ZkGetSettings();
  if (s.logThreshold < 0 || level > s.logThreshold || s.logFilePath.empty()) return;
  if (!RollOver(s)) return;
  std::string text = FormatV(format, args);
  std::string fn = FunctionName(function);
  std::string_view src = BaseName(file);
  std::string out = Format("[%s],[%d],[%d],【%s】,[%.*s:%s(%d)],%s", TimeStamp().c_str(), s.processId, level,
                           s.moduleName.c_str(), static_cast<int>(src.size()), src.data(), fn.c_str(), line,
                           Mark(level));
  out += text;
  out += '\n';
  platform::AppendFile(s.logFilePath, out.data(), out.size());
}
