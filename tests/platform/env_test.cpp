#include "platform/env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "fakes.h"
#include "platform/clock.h"
#include "test_support.h"

namespace {

using testing_support::EnvVarScope;

const std::string kSettingsKey = "SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\";

TEST(Environment, RegistryFileComesFromTheEnvironment) {
  struct Case {
    const char* name;
    const char* registry;
    const char* xdg;
    const char* home;
    std::string file;
  } cases[] = {
      {"VariableWins", "/r/reg.ini", "/x", "/h", "/r/reg.ini"},
      {"ConfigHome", nullptr, "/x/", "/h", "/x/vek/registry.ini"},
      {"EmptyVariablesAreUnset", "", "", "/h", "/h/.config/vek/registry.ini"},
      {"None", nullptr, nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    EnvVarScope r("VEK_REGISTRY", c.registry), x("XDG_CONFIG_HOME", c.xdg), h("HOME", c.home);
    EXPECT_EQ(platform::RegistryFilePath(), c.file) << c.name;
  }
}

TEST(Environment, RegistryStandInReadsKeysAsSections) {
  testing_support::TempFolder dir;
  const std::string file = dir / "registry.ini";
  testing_support::WriteRaw(file,
                            "[SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\]\r\n"
                            "ApplicationPath=/opt/torv\r\n"
                            "Empty=\r\n"
                            "[SOFTWARE\\Other]\r\n"
                            "Name=見積\r\n"
                            "[SOFTWARE\\表\\]\r\n"
                            "Value=trail byte\r\n");
  EnvVarScope r("VEK_REGISTRY", file.c_str());
  struct Case {
    const char* name;
    std::string key;
    const char* value;
    bool found;
    std::string data;
  } cases[] = {
      {"AsWritten", kSettingsKey, "ApplicationPath", true, "/opt/torv"},
      {"WithoutTrailingSeparator", "SOFTWARE\\Kelmora\\Torvane\\Data\\Settings", "ApplicationPath", true, "/opt/torv"},
      {"WithoutCase", "software\\kelmora\\torvane\\data\\settings\\", "applicationpath", true, "/opt/torv"},
      {"EmptyValueIsThere", kSettingsKey, "Empty", true, ""},
      {"SectionWithoutSeparator", "SOFTWARE\\Other\\", "Name", true, "見積"},
      {"TrailByte5CIsNoSeparator", "SOFTWARE\\表", "Value", true, "trail byte"},
      {"MissingValue", kSettingsKey, "None", false, ""},
      {"MissingKey", "SOFTWARE\\None\\", "ApplicationPath", false, ""},
  };
  for (const Case& c : cases) {
    std::string out = "untouched";
    EXPECT_EQ(platform::CurrentEnvironment().ReadRegistry(c.key, c.value, out), c.found) << c.name;
    EXPECT_EQ(out, c.found ? c.data : "untouched") << c.name;
  }
  EnvVarScope missing("VEK_REGISTRY", (dir / "none.ini").c_str());
  std::string out;
  EXPECT_FALSE(platform::CurrentEnvironment().ReadRegistry(kSettingsKey, "ApplicationPath", out));
}

TEST(Environment, SystemAnswers) {
  platform::Environment& env = platform::CurrentEnvironment();
  {
    EnvVarScope t("TMPDIR", "/var/tmp/x/");
    EXPECT_EQ(env.TempFolder(), "/var/tmp/x");
  }
  {
    EnvVarScope t("TMPDIR", nullptr);
    EXPECT_EQ(env.TempFolder(), "/tmp");
  }
  {
    const std::string home = testing_support::Utf8("/home/見積");
    EnvVarScope h("HOME", home.c_str());
    EXPECT_EQ(env.ProfileFolder(), "/home/見積");
    EXPECT_EQ(env.GetSpecialFolder(platform::SpecialFolder::Profile), "/home/見積");
    EXPECT_EQ(env.GetSpecialFolder(platform::SpecialFolder::Personal), "/home/見積/Documents");
    EXPECT_EQ(env.GetSpecialFolder(platform::SpecialFolder::Windows), "");
  }
  {
    EnvVarScope h("HOME", "/home/\xFF");  // no CP932 form: no folder rather than a wrong one
    EXPECT_EQ(env.ProfileFolder(), "");
    EXPECT_EQ(env.GetSpecialFolder(platform::SpecialFolder::Desktop), "");
  }
  EXPECT_EQ(env.ProcessId(), static_cast<int>(getpid()));
  int major = 0, minor = -1, build = -1;
  env.OsVersion(major, minor, build);
  EXPECT_EQ(major, 10);
  EXPECT_EQ(minor, 0);
  EXPECT_EQ(env.ScreenDpiX(), 96);
  EXPECT_EQ(env.ScreenDpiY(), 96);
  EXPECT_FALSE(env.HostProgramFolder().empty());
}

TEST(Environment, AHostProgramSetsTheScreenDpi) {
  platform::Environment& env = platform::CurrentEnvironment();
  platform::SetScreenDpi(120);
  EXPECT_EQ(env.ScreenDpiX(), 120);
  EXPECT_EQ(env.ScreenDpiY(), 120);
  platform::SetScreenDpi(0);  // nonsense: the usual screen
  EXPECT_EQ(env.ScreenDpiX(), 96);
  EXPECT_EQ(env.ScreenDpiY(), 96);
}

TEST(Environment, FakesStandInForTheSystem) {
  platform::Environment* system = &platform::CurrentEnvironment();
  {
    testing_support::FakeEnvironmentScope fake;
    fake.env.tempFolder = "/fake/tmp";
    fake.env.SetRegistry(kSettingsKey, "ApplicationPath", "/fake/app");
    EXPECT_EQ(&platform::CurrentEnvironment(), &fake.env);
    EXPECT_EQ(platform::CurrentEnvironment().TempFolder(), "/fake/tmp");
    std::string out;
    EXPECT_TRUE(platform::CurrentEnvironment().ReadRegistry("software\\kelmora\\torvane\\data\\settings",
                                                           "ApplicationPath", out));
    EXPECT_EQ(out, "/fake/app");
    EXPECT_FALSE(platform::CurrentEnvironment().ReadRegistry(kSettingsKey, "Other", out));
  }
  EXPECT_EQ(&platform::CurrentEnvironment(), system);

  testing_support::FakeClockScope fake;
  fake.clock.now = {2024, 12, 31, 23, 59, 59, 900, 2};
  platform::LocalTime t;
  ASSERT_TRUE(platform::Now(t));
  EXPECT_EQ(t.second, 59);
  platform::Sleep(5000);
  EXPECT_EQ(fake.clock.sleeps, std::vector<unsigned>{5000});
  EXPECT_EQ(platform::TickMilliseconds(), 6000u);
  ASSERT_TRUE(platform::Now(t));
  EXPECT_EQ(t.year, 2024) << "sleeping leaves the time unless asked";
  fake.clock.sleepMovesTime = true;
  platform::Sleep(200);
  ASSERT_TRUE(platform::Now(t));
  EXPECT_EQ(t.year, 2025);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 100);
  fake.clock.readable = false;
  EXPECT_FALSE(platform::Now(t));
}

}  // namespace
