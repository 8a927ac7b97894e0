#include "ParamValues.h"

#include <gtest/gtest.h>

#include "MessageText.h"
#include "fakes.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using testing_support::Show;

TEST(ParamToInt, ReadsLikeAtoiWithinTheRange) {
  struct Case {
    const char* name;
    const char* text;
    int expected;
  } cases[] = {
      {"empty", "", 0},           {"plain", "600", 600},
      {"trailing text", "12abc", 12}, {"leading blanks", " \t7", 7},
      {"negative", "-3", -3},     {"plus", "+5", 5},
      {"no digits", "abc", 0},    {"sign only", "-", 0},
      {"too large", "99999999999", 2147483647},
      {"too small", "-99999999999", -2147483647 - 1},
      {"the largest", "2147483647", 2147483647},
      {"the smallest", "-2147483648", -2147483647 - 1},
  };
  for (const Case& c : cases) EXPECT_EQ(controls::ParamToInt(c.text), c.expected) << c.name;
}

TEST(DialogPointSize, NineOnlyWhenBothResolutionsExceed96) {
  EXPECT_EQ(controls::DialogPointSize(96, 96), 12);
  EXPECT_EQ(controls::DialogPointSize(120, 120), 9);
  EXPECT_EQ(controls::DialogPointSize(120, 96), 12);
  EXPECT_EQ(controls::DialogPointSize(97, 97), 9);
}

TEST(SystemFolder, ProfileRule) {
  testing_support::TempFolder home;
  testing_support::FakeEnvironmentScope env;
  env.env.profileFolder = home.path();
  EXPECT_EQ(controls::ProfileSystemFolder(), home.path() + "/zentrovia/");
  ASSERT_TRUE(platform::MakeFolders(home.path() + "/AppData/LocalLow"));
  EXPECT_EQ(controls::ProfileSystemFolder(), home.path() + "/AppData/LocalLow/zentrovia/");
  env.env.profileFolder = home.path() + "/";
  EXPECT_EQ(controls::ProfileSystemFolder(), home.path() + "/AppData/LocalLow/zentrovia/");
  env.env.profileFolder.clear();
  EXPECT_EQ(controls::ProfileSystemFolder(), "");
}

TEST(SystemFolder, HostValueDriveNamesTheRoot) {
  struct Case {
    const char* param;
    const char* expected;
  } cases[] = {
      {"X:\\Data\\", "/Data/"}, {"d:\\", "/"}, {"C:", "/"}, {"C:Data\\", "/Data/"},
      {"/srv/Data/", "/srv/Data/"}, {"", ""}, {"Data", "Data"}, {"1:\\x", "1:\\x"},
      {"X:\\画像\\", "/画像/"},
  };
  for (const auto& c : cases) EXPECT_EQ(controls::HostSystemFolder(c.param), c.expected) << Show(c.param);
}

TEST(FormatMessageText, Arguments) {
  using controls::FormatMessageText;
  EXPECT_EQ(FormatMessageText("[%s][%d]", {"http://h/", 404}), "[http://h/][404]");
  EXPECT_EQ(FormatMessageText("[%s][%x]", {"u", -2147012889}), "[u][80072ee7]");
  EXPECT_EQ(FormatMessageText("%d枚", {9}), "9枚");
  EXPECT_EQ(FormatMessageText("100%% %s", {}), "100% ");
  EXPECT_EQ(FormatMessageText("%d", {"text"}), "0");
  EXPECT_EQ(FormatMessageText("%s", {12}), "12");
}

}  // namespace
