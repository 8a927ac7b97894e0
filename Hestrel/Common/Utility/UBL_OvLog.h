// The library's log: "Error.log" for every exception, "Debug.log" for lines up to the DebugLog setting,
// both in the log folder, each rolled over to "<name>.bak" beyond LogSize thousand bytes. Callers set the
// source location just before each call (the macros below do it), and every line carries that location.
#pragma once

#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "UBL_ComUtility.h"

namespace hestrel {

class TOvException;

// The location of the current log call or raise: the unit's source file and the line.
struct TOvSourceLocation {
  const char* File = "";
  int Line = 0;
};
void OvSetSourceLocation(const char* file, int line);
const TOvSourceLocation& OvSourceLocation();
// The current location's file name without its folder.
std::string OvSourceFileName();

class TOvLog {
 public:
  // Reads the settings (once, when the library starts).
  TOvLog();

  // Error lines, always written to Error.log.
  void WriteError(std::string_view className, std::string_view methodName, const TOvException& e) noexcept;
  void WriteError(std::string_view className, std::string_view methodName, const std::exception& e) noexcept;
  // Debug lines, written to Debug.log when DebugLog >= 0 and DebugLog >= level. The variant with arguments
  // formats the text with them; the other writes the text as it is.
  void WriteDebug(std::string_view className, std::string_view methodName, int level, std::string_view text) noexcept;
  void WriteDebug(std::string_view className, std::string_view methodName, int level, std::string_view format,
                  TOvArgs args) noexcept;

  // Moves the file to "<file>.bak" when it has grown beyond LogSize thousand bytes.
  void RollOver(const std::string& file);
  // Appends one line "[time],[pid],text"; retries that many times when the write fails.
  bool WriteLine(const std::string& file, std::string_view text, int retries);
  int ProcessId();
  // The host program stands in the current folder; once false, false for good.
  bool HostTest();

  int DebugLog = -1;
  int LogSize = 2000;
  std::string LogFolder;  // ends with the delimiter
  bool HostTestAllowed = true;
  bool HostTestRequired = true;

 private:
  // The log folder exists or was made; false drops the line.
  bool PrepareFolder();
  void WriteTo(const char* fileName, const std::string& text);
  void ReadSettings(int versionCode);
};

// The process-wide instance (null before the library's start and after its end).
TOvLog* GetOvLog();
void SetOvLog(std::unique_ptr<TOvLog> instance);

// Through the instance, if there is one.
void OvDebug(std::string_view className, std::string_view methodName, int level, std::string_view text) noexcept;
void OvDebugFormat(std::string_view className, std::string_view methodName, int level, std::string_view format,
                   std::initializer_list<TOvArg> args) noexcept;
// Logs the exception being handled (inside a catch block): its error line, then the debug line
// "<method>【異常終了】 <message>" at level.
void OvLogAbnormalEnd(std::string_view className, std::string_view methodName, int level) noexcept;

}  // namespace hestrel

#define OV_DEBUG(cls, method, level, text)                  \
  do {                                                      \
    ::hestrel::OvSetSourceLocation(__FILE__, __LINE__);     \
    ::hestrel::OvDebug(cls, method, level, text);           \
  } while (0)
#define OV_DEBUGF(cls, method, level, format, ...)                        \
  do {                                                                    \
    ::hestrel::OvSetSourceLocation(__FILE__, __LINE__);                   \
    ::hestrel::OvDebugFormat(cls, method, level, format, {__VA_ARGS__}); \
  } while (0)
#define OV_ABNORMAL_END(cls, method, level)             \
  do {                                                  \
    ::hestrel::OvSetSourceLocation(__FILE__, __LINE__); \
    ::hestrel::OvLogAbnormalEnd(cls, method, level);    \
  } while (0)
