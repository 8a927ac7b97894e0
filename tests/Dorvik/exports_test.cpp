// The frame of the exports: the size-query convention and failures reported as failures.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "Dorvik.h"
#include "ZkSizeQuery.h"
#include "dorvik_test_support.h"

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

TEST(SizeQuery, TextFollowsTheConvention) {
  const std::string text = "/w/Image";
  struct Case {
    const char* name;
    bool buffer;
    int size;
    int result;
    int sizeAfter;
    const char* code;
  } cases[] = {
      {"Query", false, 0, 1, 9, ""},           {"Exact", true, 9, 1, 9, ""},
      {"OneMore", true, 10, 0, 10, "E01000001"}, {"OneLess", true, 8, 0, 8, "E01000001"},
      {"NullWithSize", false, 9, 0, 9, "E01000001"},
  };
  for (const Case& c : cases) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    char code[10] = {};
    int size = c.size;
    EXPECT_EQ(ZkCopyTextOut(text, c.buffer ? buffer : nullptr, &size, code), c.result) << c.name;
    EXPECT_EQ(size, c.sizeAfter) << c.name;
    EXPECT_EQ(Code(code), c.code) << c.name;
    if (c.result && c.buffer) {
      EXPECT_EQ(std::string(buffer, 9), text + '\0') << c.name;
      EXPECT_EQ(buffer[9], '#') << c.name;
    }
  }
  char code[10] = {};
  EXPECT_EQ(ZkCopyTextOut(text, nullptr, nullptr, code), 0);
  EXPECT_EQ(Code(code), "E01000001");
}

// Calls on a missing estimate file, work folder or database fail, each with the code of what is missing: never a
// pretended success.
TEST(Exports, MissingFilesFailWithACode) {
  dorvik_test::ResetSettings();
  testing_support::TempFolder dir;
  // The database lies in a folder that is not there: a back-end creates a missing database in an existing one.
  std::string vekPath = dir / "none.vek", workPath = dir / "none", dbPath = dir / "none/none.db";
  const char* vek = vekPath.c_str();
  const char* w = workPath.c_str();
  const char* db = dbPath.c_str();
  char buf[1024] = {};
  int n = 0;
  struct Case {
    const char* name;
    const char* code;
    std::function<int(char*)> call;
  };
  const Case cases[] = {
      {"DeleteAllHistory", "E03000001", [&](char* c) { return DeleteAllHistory(vek, c); }},
      {"DeleteAllHistoryOld", "E03000001", [&](char* c) { return DeleteAllHistoryOld(vek, c); }},
      {"SettingAgreed", "E03000001", [&](char* c) { return SettingAgreed(vek, "pw", c); }},
      {"ReleaseAgreed", "E03000001", [&](char* c) { return ReleaseAgreed(vek, "pw", 0, c); }},
      // The version check runs after the failed opening, and its code is the last one written.
      {"OpenVekFile", "E04000001", [&](char* c) { return OpenVekFile(vek, w, c); }},
      {"OpenVekFileOld", "E04000001", [&](char* c) { return OpenVekFileOld(vek, w, c); }},
      {"ReadDB", "E02000003", [&](char* c) { return ReadDB(db, 1, buf, &n, c); }},
      {"WriteDB", "E02000003", [&](char* c) { return WriteDB(db, 1, buf, 0, c); }},
      {"VaccumDB", "E02000003", [&](char* c) { return VaccumDB(db, 1, c); }},
      {"SaveVekFile", "E04000001", [&](char* c) { return SaveVekFile(w, vek, 0, nullptr, nullptr, c); }},
      {"SaveVekFileOld", "E04000001", [&](char* c) { return SaveVekFileOld(w, vek, 0, nullptr, nullptr, c); }},
      {"SaveVekFileEx", "E04000001", [&](char* c) { return SaveVekFileEx(w, vek, c); }},
      {"SaveVekFileExOld", "E04000001", [&](char* c) { return SaveVekFileExOld(w, vek, c); }},
  };
  for (const Case& c : cases) {
    char code[10] = {};
    EXPECT_EQ(c.call(code), 0) << c.name;
    EXPECT_EQ(Code(code), c.code) << c.name;
  }
}

}  // namespace
