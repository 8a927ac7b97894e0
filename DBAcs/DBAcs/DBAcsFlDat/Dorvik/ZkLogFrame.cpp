#include "ZkLogFrame.h"

#include <cstdarg>

namespace {

void WriteAt(const ZkSourcePlace& where, int level, const std::string& text) {
  CZkLog::Write(level, where.file_name(), where.function_name(), static_cast<int>(where.line()), "%s", text.c_str());
}

}  // namespace

CZkLogFrame::CZkLogFrame(const ZkSourcePlace& where, const char* title) : m_title(title) {
  WriteAt(where, 1, std::string("*** ") + m_title + " ***");
  WriteAt(where, 2, std::string(m_title) + "開始");
}

CZkLogFrame::CZkLogFrame(const ZkSourcePlace& where, const char* title, std::string startSuffix,
                         const char* paramFormat, ...)
    : m_title(title), m_startSuffix(std::move(startSuffix)) {
  WriteAt(where, 1, std::string("*** ") + m_title + " ***");
  va_list args;
  va_start(args, paramFormat);
  CZkLog::WriteV(4, where.file_name(), where.function_name(), static_cast<int>(where.line()), paramFormat, args);
  va_end(args);
  WriteAt(where, 2, m_title + ("開始" + m_startSuffix));
}

int CZkLogFrame::End(int result, const ZkSourcePlace& where) const {
  WriteAt(where, 2, m_title + ("終了" + m_startSuffix));
  return result;
}

int CZkLogFrame::Ok(const ZkSourcePlace& where) const {
  WriteAt(where, 2, std::string(m_title) + "正常終了");
  return 1;
}

int CZkLogFrame::Fail(const ZkSourcePlace& where) const {
  WriteAt(where, 0, std::string(m_title) + "異常終了");
  return 0;
}

int CZkLogFrame::Fail(char* pErrorCode, const char* code, const char* text, const ZkSourcePlace& where) const {
  WriteAt(where, 0, text);
  ZkSetErrorCode(pErrorCode, code);
  return Fail(where);
}
