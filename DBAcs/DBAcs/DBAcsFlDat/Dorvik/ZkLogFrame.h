// The frame of an exported call or a worker operation in the log: its title, "[Param]" and start lines when it is
// made, its end line when the operation ends through it. Each line names the place in the source it comes from.
#pragma once

#include <string>

#include "ZkLog.h"
#include "ZkSourcePlace.h"

class CZkLogFrame {
 public:
  // The title and start lines of an operation without arguments.
  CZkLogFrame(const ZkSourcePlace& where, const char* title);
  // The title line, the "[Param]" line of paramFormat and its values, then the start line with startSuffix
  // behind the title (as the table and database ids of the database exports).
  CZkLogFrame(const ZkSourcePlace& where, const char* title, std::string startSuffix, const char* paramFormat,
              ...) __attribute__((format(printf, 5, 6)));
  CZkLogFrame(const CZkLogFrame&) = delete;
  CZkLogFrame& operator=(const CZkLogFrame&) = delete;

  const char* Title() const { return m_title; }

  // The end line of an export (with the start line's suffix); gives result.
  int End(int result, const ZkSourcePlace& where = ZkSourcePlace::current()) const;
  // The normal end of a worker operation; gives 1.
  int Ok(const ZkSourcePlace& where = ZkSourcePlace::current()) const;
  // The abnormal end of a worker operation whose failing step wrote its own code; gives 0.
  int Fail(const ZkSourcePlace& where = ZkSourcePlace::current()) const;
  // A failure of the operation itself: its text at level 0, its code into pErrorCode, the abnormal end; gives 0.
  int Fail(char* pErrorCode, const char* code, const char* text,
           const ZkSourcePlace& where = ZkSourcePlace::current()) const;

 private:
  const char* m_title;
  std::string m_startSuffix;
};

// A frame made where it is written, with the "[Param]" line of its arguments:
//   CZkLogFrame frame = ZK_FRAME(kTitle, "pDest->Address:%p, pErrorCode->Address:%p", pDest, pErrorCode);
#define ZK_FRAME(title, format, ...) ZK_FRAME_WITH_SUFFIX(title, std::string(), format, __VA_ARGS__)
#define ZK_FRAME_WITH_SUFFIX(title, suffix, format, ...) \
  CZkLogFrame(ZkSourcePlace::current(), (title), (suffix), "[Param],\"" format "\"", __VA_ARGS__)
