#include "UBL_OvLog.h"

#include <cstdio>
#include <stdexcept>

#include "UBL_BaseUtility.h"
#include "UBL_OvException.h"
#include "UDC_HestrelConst.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace hestrel {

namespace {

TOvSourceLocation g_location;
// A plain pointer: nothing is destroyed behind the library's own end.
TOvLog* g_log = nullptr;

std::string Formatted(std::string_view format, std::initializer_list<TOvArg> args) {
  std::string out;
  OvFormat(format, args, out);
  return out;
}

// "yy/mm/dd hh:nn:ss.zzz"; empty when the time cannot be read.
std::string TimeStamp() {
  platform::LocalTime t;
  if (!platform::Now(t)) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d.%03d", t.year % 100, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return buf;
}

// Every CR LF becomes one blank; the part before it loses its blanks and control characters first.
std::string OneLine(std::string_view text) {
  std::string out;
  for (;;) {
    std::size_t crlf = text.find("\r\n");
    if (crlf == std::string_view::npos) break;
    out += OvTrim(text.substr(0, crlf)) + " ";
    text.remove_prefix(crlf + 2);
  }
  out.append(text);
  return out;
}

}  // namespace

void OvSetSourceLocation(const char* file, int line) {
  g_location.File = file ? file : "";
  g_location.Line = line;
}

const TOvSourceLocation& OvSourceLocation() { return g_location; }

std::string OvSourceFileName() {
  std::string_view file = g_location.File;
  std::size_t slash = file.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? file : file.substr(slash + 1));
}

TOvLog::TOvLog() {
  int code = OvGetWindowsVersion();
  LogFolder = OvLogFolder(code);
  try {
    ReadSettings(code);
  } catch (...) {
    DebugLog = -1;
    LogSize = kDefaultLogSize;
  }
}

void TOvLog::ReadSettings(int versionCode) {
  DebugLog = -1;
  LogSize = kDefaultLogSize;
  std::string file = OvOptionFile(versionCode);
  if (!platform::IsFile(file)) {
    std::string app;
    if (!OvReadApplicationPath(app) || !platform::IsFolder(app)) return;
    file = OvAddPathDelimiter(app) + OvAddPathDelimiter(kDataFolder) + kOptionFile;
  }
  DebugLog = platform::IniGetInt(kSystemSection, kDebugLogKey, 0, file);
  LogSize = platform::IniGetInt(kSystemSection, kLogSizeKey, kDefaultLogSize, file);
  if (LogSize <= 0) LogSize = kDefaultLogSize;
}

bool TOvLog::HostTest() {
  if (HostTestAllowed && platform::IsFile(kHostProgram)) return true;
  HostTestAllowed = false;
  return false;
}

int TOvLog::ProcessId() { return platform::CurrentEnvironment().ProcessId(); }

bool TOvLog::PrepareFolder() {
  if (platform::IsFolder(LogFolder)) return true;
  if (HostTestRequired && !HostTest()) return false;
  platform::MakeFolders(LogFolder);
  return true;
}

void TOvLog::RollOver(const std::string& file) {
  if (!platform::IsFile(file)) return;
  std::int64_t size = platform::FileSize(file);
  if (size < 0) return;
  // In 64 bits: a large LogSize must not turn the limit negative.
  if (size <= static_cast<std::int64_t>(LogSize) * 1000) return;
  std::string backup = file + kBackupSuffix;
  if (platform::GetPathKind(backup) != platform::PathKind::None) platform::DeleteFile(backup);
  platform::Rename(file, backup);
}

bool TOvLog::WriteLine(const std::string& file, std::string_view text, int retries) {
  for (;;) {
    std::string line = Formatted(kLogLineFormat, {TimeStamp(), ProcessId(), OneLine(text)}) + "\n";
    if (platform::AppendFile(file, line.data(), line.size())) return true;
    if (retries-- <= 0) return false;
  }
}

void TOvLog::WriteTo(const char* fileName, const std::string& text) {
  if (!PrepareFolder()) return;
  std::string file = LogFolder + fileName;
  RollOver(file);
  WriteLine(file, text, 1);
}

void TOvLog::WriteError(std::string_view className, std::string_view methodName, const TOvException& e) noexcept {
  try {
    WriteTo(kErrorLog, Formatted(kErrorLineFormat, {OvTrim(className), OvTrim(methodName), g_location.Line,
                                                    OvTrim(e.ErrorID), e.LastError, OvTrim(e.Message),
                                                    OvTrim(e.Detail)}));
  } catch (...) {
  }
}

void TOvLog::WriteError(std::string_view className, std::string_view methodName, const std::exception& e) noexcept {
  if (const auto* ov = dynamic_cast<const TOvException*>(&e)) return WriteError(className, methodName, *ov);
  try {
    WriteTo(kErrorLog, Formatted(kPlainErrorLineFormat,
                                 {OvTrim(className), OvTrim(methodName), g_location.Line, OvTrim(e.what())}));
  } catch (...) {
  }
}

void TOvLog::WriteDebug(std::string_view className, std::string_view methodName, int level,
                        std::string_view text) noexcept {
  if (DebugLog < 0 || DebugLog < level) return;
  try {
    WriteTo(kDebugLog, Formatted(kDebugLineFormat, {OvTrim(OvSourceFileName()), className, methodName,
                                                    g_location.Line, level, OvTrim(text)}));
  } catch (...) {
  }
}

void TOvLog::WriteDebug(std::string_view className, std::string_view methodName, int level, std::string_view format,
                        TOvArgs args) noexcept {
  if (DebugLog < 0 || DebugLog < level) return;
  try {
    std::string prefix = Formatted(kDebugLineFormat, {OvTrim(OvSourceFileName()), className, methodName,
                                                      g_location.Line, level, OvTrim(format)});
    std::string line;
    if (!OvFormat(prefix, args, line)) line = prefix;
    WriteTo(kDebugLog, line);
  } catch (...) {
  }
}

TOvLog* GetOvLog() { return g_log; }

void SetOvLog(std::unique_ptr<TOvLog> instance) {
  delete g_log;
  g_log = instance.release();
}

void OvDebug(std::string_view className, std::string_view methodName, int level, std::string_view text) noexcept {
  if (g_log) g_log->WriteDebug(className, methodName, level, text);
}

void OvDebugFormat(std::string_view className, std::string_view methodName, int level, std::string_view format,
                   std::initializer_list<TOvArg> args) noexcept {
  if (g_log) g_log->WriteDebug(className, methodName, level, format, TOvArgs(args.begin(), args.size()));
}

void OvLogAbnormalEnd(std::string_view className, std::string_view methodName, int level) noexcept {
  if (!g_log) return;
  std::string message;
  try {
    throw;
  } catch (const std::exception& e) {
    g_log->WriteError(className, methodName, e);
    message = e.what();
  } catch (...) {
    std::runtime_error unknown("unknown exception");
    g_log->WriteError(className, methodName, unknown);
    message = unknown.what();
  }
  try {
    g_log->WriteDebug(className, methodName, level, std::string(methodName) + kAbnormalEnd + message);
  } catch (...) {
  }
}

}  // namespace hestrel
