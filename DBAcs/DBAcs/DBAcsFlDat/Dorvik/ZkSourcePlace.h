// Where a log line is written from: file, function and line, taken at the call as a default argument.
// std::source_location where the standard library has it; a compiler that lacks its builtin (clang before 15
// over libstdc++, as the fuzz build may be) gets the same members from the older builtins, which name the
// function without its class, and a lambda "operator()": log lines name their function less well there.
#pragma once

#if __has_include(<source_location>)
#include <source_location>
#endif

#if defined(__cpp_lib_source_location)
using ZkSourcePlace = std::source_location;
#else
struct ZkSourcePlace {
  static constexpr ZkSourcePlace current(const char* file = __builtin_FILE(),
                                         const char* function = __builtin_FUNCTION(),
                                         unsigned line = __builtin_LINE()) noexcept {
    ZkSourcePlace place;
    place.m_file = file;
    place.m_function = function;
    place.m_line = line;
    return place;
  }
  constexpr const char* file_name() const noexcept { return m_file; }
  constexpr const char* function_name() const noexcept { return m_function; }
  constexpr unsigned line() const noexcept { return m_line; }

 private:
  const char* m_file = "";
  const char* m_function = "";
  unsigned m_line = 0;
};
#endif
