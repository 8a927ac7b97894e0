// The library's one exception class: where it arose, the error id, the last system error and the message
// built from the installation's message files.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "UBL_ComUtility.h"

namespace hestrel {

class TOvException : public std::exception {
 public:
  // Unit file and line come from the current source location (set it just before, see OV_RAISE).
  TOvException(std::string_view className, std::string_view detail, TOvArgs args, std::string_view errorId,
               std::string_view methodName);
  TOvException(std::string_view className, std::string_view detail, std::initializer_list<TOvArg> args,
               std::string_view errorId, std::string_view methodName)
      : TOvException(className, detail, TOvArgs(args.begin(), args.size()), errorId, methodName) {}

  const char* what() const noexcept override { return Message.c_str(); }

  std::string UnitFile;
  std::string ClassName;
  std::string MethodName;
  int Line = 0;
  std::string ErrorID;
  int LastError = 0;
  std::string MessageID;
  std::string Detail;
  std::string Message;
};

}  // namespace hestrel

// Raises a TOvException at this source line: OV_RAISE(class, detail, errorId, method, args...).
#define OV_RAISE(cls, detail, errorId, method, ...)                              \
  do {                                                                           \
    ::hestrel::OvSetSourceLocation(__FILE__, __LINE__);                          \
    throw ::hestrel::TOvException(cls, detail, {__VA_ARGS__}, errorId, method); \
  } while (0)
