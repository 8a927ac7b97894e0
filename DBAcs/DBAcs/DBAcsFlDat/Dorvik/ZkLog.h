// The library's log file: one line per call of the writer, opened, appended to and closed each time.
// Line: "[time],[pid],[level],【module】,[source:function(line)],<mark><text>".
#pragma once

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
// The frame of an exported call or a worker operation.
#define ZK_LOG_TITLE(title) ZK_LOG(1, "*** %s ***", (title))
#define ZK_LOG_PARAM(format, ...) ZK_LOG(4, "[Param],\"" format "\"", __VA_ARGS__)
#define ZK_LOG_START(title) ZK_LOG(2, "%s開始", (title))
#define ZK_LOG_END(title) ZK_LOG(2, "%s終了", (title))
#define ZK_LOG_OK(title) ZK_LOG(2, "%s正常終了", (title))
#define ZK_LOG_NG(title) ZK_LOG(0, "%s異常終了", (title))

// The failure of an operation that has a pErrorCode: its text at level 0, its code, its abnormal end.
#define ZK_FAIL(title, code, text)      \
  do {                                  \
    ZK_LOG(0, "%s", (text));            \
    ZkSetErrorCode(pErrorCode, (code)); \
    ZK_LOG_NG(title);                   \
    return 0;                           \
  } while (0)
