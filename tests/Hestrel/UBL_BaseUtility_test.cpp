#include "UBL_BaseUtility.h"

#include <gtest/gtest.h>

#include "hestrel_test_support.h"

namespace {

using hestrel::kPlatformNT;
using hestrel::kPlatformWin9x;

TEST(OvVersionCode, Table) {
  struct Case {
    const char* name;
    int platformId, major, minor, code;
  } cases[] = {
      {"95", kPlatformWin9x, 4, 0, 1},  {"98", kPlatformWin9x, 4, 10, 3},  {"Me", kPlatformWin9x, 4, 90, 5},
      {"9x other", kPlatformWin9x, 4, 20, 0}, {"NT 4", kPlatformNT, 4, 0, 2}, {"2000", kPlatformNT, 5, 0, 4},
      {"XP", kPlatformNT, 5, 1, 6},      {"5.2", kPlatformNT, 5, 2, 0},      {"Vista", kPlatformNT, 6, 0, 7},
      {"7", kPlatformNT, 6, 1, 8},       {"8", kPlatformNT, 6, 2, 9},        {"8.1", kPlatformNT, 6, 3, 10},
      {"6.4", kPlatformNT, 6, 4, 0},     {"10", kPlatformNT, 10, 0, 11},     {"later", kPlatformNT, 11, 3, 11},
      {"other platform", 3, 10, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(hestrel::OvVersionCode(c.platformId, c.major, c.minor), c.code) << c.name;
}

TEST(OvSettleVersionCode, OnlyCodesAboveEightAreSettled) {
  struct Case {
    const char* name;
    int code;
    bool failed;
    int major, minor, settled;
  } cases[] = {
      {"8 kept", 8, false, 10, 0, 8},          {"9 as 6.2", 9, false, 6, 2, 9},   {"9 really 6.3", 9, false, 6, 3, 10},
      {"9 really 6.4", 9, false, 6, 4, 11},    {"9 really 10.0", 9, false, 10, 0, 11},
      {"failed call keeps", 9, true, 10, 0, 9}, {"other major keeps", 10, false, 5, 1, 10},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hestrel::OvSettleVersionCode(c.code, c.failed, c.major, c.minor), c.settled) << c.name;
  }
}

class BaseUtilityTest : public hestrel_test::HestrelTest {};

TEST_F(BaseUtilityTest, FoldersFollowTheSystemVersion) {
  env.osMajor = 10;
  int code = hestrel::OvGetWindowsVersion();
  EXPECT_EQ(code, 11);
  EXPECT_EQ(hestrel::OvLogFolder(code), Documents() + "/Kelmora/Torv7/Bin/Log/");
  EXPECT_EQ(hestrel::OvOptionFile(code), Documents() + "/Kelmora/Torv7/Data/OvOption.ini");
  env.osMajor = 5;
  env.osMinor = 2;
  code = hestrel::OvGetWindowsVersion();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(hestrel::OvLogFolder(code), "./Log/");
  EXPECT_EQ(hestrel::OvOptionFile(code), "../Data/OvOption.ini");
  Documents().clear();  // unknown documents folder: relative to the current folder
  EXPECT_EQ(hestrel::OvLogFolder(11), "Kelmora/Torv7/Bin/Log/");
}

TEST_F(BaseUtilityTest, ApplicationPathFitsItsBuffer) {
  std::string out;
  EXPECT_FALSE(hestrel::OvReadApplicationPath(out));
  SetApplicationPath(std::string("/app\0junk", 9));
  ASSERT_TRUE(hestrel::OvReadApplicationPath(out));
  EXPECT_EQ(out, "/app");
  SetApplicationPath(std::string(255, 'a'));
  EXPECT_TRUE(hestrel::OvReadApplicationPath(out));
  SetApplicationPath(std::string(256, 'a'));
  EXPECT_FALSE(hestrel::OvReadApplicationPath(out));
}

}  // namespace
