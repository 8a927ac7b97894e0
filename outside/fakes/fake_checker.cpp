// A fake version checker (ZkDBFlVerChk): records every call; CheckDBVer answers the count that
// "ZkDBFlVerChk.CheckDBVer.<id>" sets (default 0), GetConvertSQL fills the slots with
// "ZkDBFlVerChk.Statement.<id>.<n>" (default "SELECT <n>").
#include <cstring>
#include <string>

#include "dorvik_sql/records.h"
#include "fake_state.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using fake_outside::FakeCall;

FAKE_EXPORT int CheckDBVer(const char* pWorkPathName, int nDBId) {
  FakeCall call("ZkDBFlVerChk", "CheckDBVer");
  call.ArgText(pWorkPathName);
  call.Arg(nDBId);
  int result = call.Result(call.IntSetting("CheckDBVer." + std::to_string(nDBId), 0));
  call.Log(result);
  return result;
}

FAKE_EXPORT int GetConvertSQL(int nDBId, char* pStatements, int nCount) {
  FakeCall call("ZkDBFlVerChk", "GetConvertSQL");
  call.Arg(nDBId);
  call.ArgPointer(pStatements);
  call.Arg(nCount);
  int result = call.Result(1);
  if (result == 1 && (!pStatements || nCount <= 0)) result = 0;
  if (result == 1) {
    for (int i = 0; i < nCount; ++i) {
      std::string key = "Statement." + std::to_string(nDBId) + "." + std::to_string(i + 1);
      std::string text = call.Setting(key, "SELECT " + std::to_string(i + 1));
      char* slot = pStatements + static_cast<std::size_t>(i) * dorvik_sql::kStatementSlotSize;
      std::memset(slot, 0, dorvik_sql::kStatementSlotSize);
      // A statement of 2048 bytes or more fills its slot without a NUL: a caller must guard against it.
      std::memcpy(slot, text.data(), text.size() < dorvik_sql::kStatementSlotSize ? text.size()
                                                                                   : dorvik_sql::kStatementSlotSize);
    }
  }
  call.Log(result);
  return result;
}

FAKE_EXPORT int WriteDBVersionINI(const char* pWorkPathName, int nDBId) {
  FakeCall call("ZkDBFlVerChk", "WriteDBVersionINI");
  call.ArgText(pWorkPathName);
  call.Arg(nDBId);
  int result = call.Result(1);
  call.Log(result);
  return result;
}
