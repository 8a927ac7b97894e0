// The frame of the exports: the size-query convention and failures reported as failures.
#include <gtest/gtest.h>

#include <cstring>
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

// Calls on a missing estimate file, work folder or database fail with a code, whether their work is built
// yet or not: never a pretended success.
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
  char c[16][10] = {};
  int i = 0;
  struct Case {
    const char* name;
    int result;
  };
  const Case cases[] = {
      {"DeleteAllHistory", DeleteAllHistory(vek, c[i++])},
      {"DeleteAllHistoryOld", DeleteAllHistoryOld(vek, c[i++])},
      {"SettingAgreed", SettingAgreed(vek, "pw", c[i++])},
      {"ReleaseAgreed", ReleaseAgreed(vek, "pw", 0, c[i++])},
      {"OpenVekFile", OpenVekFile(vek, w, c[i++])},
      {"OpenVekFileOld", OpenVekFileOld(vek, w, c[i++])},
      {"ReadDB", ReadDB(db, 1, buf, &n, c[i++])},
      {"WriteDB", WriteDB(db, 1, buf, 0, c[i++])},
      {"VaccumDB", VaccumDB(db, 1, c[i++])},
      {"SaveVekFile", SaveVekFile(w, vek, 0, nullptr, nullptr, c[i++])},
      {"SaveVekFileOld", SaveVekFileOld(w, vek, 0, nullptr, nullptr, c[i++])},
      {"SaveVekFileEx", SaveVekFileEx(w, vek, c[i++])},
      {"SaveVekFileExOld", SaveVekFileExOld(w, vek, c[i++])},
  };
  int k = 0;
  for (const Case& cs : cases) {
    EXPECT_EQ(cs.result, 0) << cs.name;
    EXPECT_EQ(Code(c[k]).size(), 9u) << cs.name;
    ++k;
  }
}

}  // namespace
