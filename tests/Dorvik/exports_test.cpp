// The frame of the exports: the size-query convention and the work this build does not hold yet.
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

// Work of later parts fails honestly: 0 with a code, never a pretended success.
TEST(Exports, WorkNotYetBuiltFailsWithACode) {
  dorvik_test::ResetSettings();
  testing_support::TempFolder dir;
  const char* w = dir.path().c_str();
  char buf[64] = {};
  int n = 0;
  struct Case {
    const char* name;
    int result;
  };
  char c[37][10] = {};
  int i = 0;
  const Case cases[] = {
      {"DeleteAllHistory", DeleteAllHistory("a.vek", c[i++])},
      {"DeleteAllHistoryOld", DeleteAllHistoryOld("a.vek", c[i++])},
      {"SettingAgreed", SettingAgreed("a.vek", "pw", c[i++])},
      {"ReleaseAgreed", ReleaseAgreed("a.vek", "pw", 0, c[i++])},
      {"OpenVekFile", OpenVekFile("a.vek", w, c[i++])},
      {"OpenVekFileOld", OpenVekFileOld("a.vek", w, c[i++])},
      {"ReadFileHeaderINI", ReadFileHeaderINI(w, buf, buf, c[i++])},
      {"ReadFileHistoryINI", ReadFileHistoryINI(w, buf, buf, &n, c[i++])},
      {"ReadDBInfoINI", ReadDBInfoINI(w, buf, c[i++])},
      {"WriteDBInfoINI", WriteDBInfoINI(w, buf, c[i++])},
      {"ReadDB", ReadDB("a.db", 1, buf, &n, c[i++])},
      {"WriteDB", WriteDB("a.db", 1, buf, 0, c[i++])},
      {"VaccumDB", VaccumDB("a.db", 1, c[i++])},
      {"CreateMailLinkHeaderFile", CreateMailLinkHeaderFile(w, buf, c[i++])},
      {"CreateMailLinkImageFile", CreateMailLinkImageFile(w, buf, 0, c[i++])},
      {"CreateVistrelLinkFile", CreateVistrelLinkFile(w, "a.vek", buf, c[i++])},
      {"GetImagePathName", GetImagePathName(w, nullptr, &n, c[i++])},
      {"GetMailLinkHeaderFileName", GetMailLinkHeaderFileName(w, nullptr, &n, c[i++])},
      {"GetMailLinkImageFileName", GetMailLinkImageFileName(w, nullptr, &n, c[i++])},
      {"GetVistrelLinkFileName", GetVistrelLinkFileName(w, "a.vek", nullptr, &n, c[i++])},
      {"FeedbackMailLinkImageFile", FeedbackMailLinkImageFile(w, "a.db", c[i++])},
      {"DeleteAllImageData", DeleteAllImageData(w, c[i++])},
      {"SaveVekFile", SaveVekFile(w, "a.vek", 0, nullptr, nullptr, c[i++])},
      {"SaveVekFileOld", SaveVekFileOld(w, "a.vek", 0, nullptr, nullptr, c[i++])},
      {"SaveVekFileEx", SaveVekFileEx(w, "a.vek", c[i++])},
      {"SaveVekFileExOld", SaveVekFileExOld(w, "a.vek", c[i++])},
  };
  int k = 0;
  for (const Case& cs : cases) {
    EXPECT_EQ(cs.result, 0) << cs.name;
    EXPECT_EQ(Code(c[k]).size(), 9u) << cs.name;
    ++k;
  }
}

}  // namespace
