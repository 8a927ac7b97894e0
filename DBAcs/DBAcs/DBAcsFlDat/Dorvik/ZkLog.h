// The library's log file: one line per call of the writer, opened, appended to and closed each time.
// Line: "[time],[pid],[level],【module】,[source:function(line)],<mark><text>".
#pragma once

#include <cstdarg>
#include <string>

#include "ZkErrorCode.h"

class CZkLog {
 public:
  static constexpr long long kRollOverSize = 2097152;  // 2 MiB: the log moves to its backup from here on

  // Log set-up with the composed log file path (uses the log level of the settings).
  static void Setup(const std::string& composedPath);
  // Writes one line at level. file: a source path (its last component is written); function: the
  // compiler's pretty function name (the class-qualified name is written).
  static void Write(int level, const char* file, const char* function, int line, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  static void WriteV(int level, const char* file, const char* function, int line, const char* format, va_list args)
      __attribute__((format(printf, 5, 0)));
  // True when a line of level would be written.
  static bool Enabled(int level);
  // The mark written before the text of a line of level.
  static const char* Mark(int level);
  // The class-qualified function name out of a pretty function name ("int A::B(int)" -> "A::B").
  static std::string FunctionName(const char* prettyFunction);
};

// A null text shown in a log line as empty.
inline const char* ZkText(const char* s) { return s ? s : ""; }

#define ZK_LOG(level, ...) CZkLog::Write((level), __FILE__, __PRETTY_FUNCTION__, __LINE__, __VA_ARGS__)
// A "[Param]" line of its own (the constructors of the worker objects); operations write theirs with their frame
// (ZkLogFrame.h).
#define ZK_LOG_PARAM(format, ...) ZK_LOG(4, "[Param],\"" format "\"", __VA_ARGS__)
