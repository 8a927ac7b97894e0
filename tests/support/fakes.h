// Fakes of the host's clock and environment, and scopes that install them for one test.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/env.h"

namespace testing_support {

// A clock standing at a set time. Sleeping is recorded and moves the ticks on; with sleepMovesTime it moves the
// local time on too.
class FakeClock : public platform::Clock {
 public:
  platform::LocalTime now{2024, 5, 1, 9, 30, 0, 123, 3};
  bool readable = true;  // false: Now fails
  bool sleepMovesTime = false;
  std::uint64_t ticks = 1000;
  std::vector<unsigned> sleeps;

  bool Now(platform::LocalTime& out) override;
  void Sleep(unsigned milliseconds) override;
  std::uint64_t TickMilliseconds() override { return ticks; }
  // Moves ticks and local time on (the local time through the process's time zone).
  void Advance(unsigned milliseconds);
};

// An environment whose every answer is a field; the registry is a table of (key, value) -> data, keys found
// without regard to ASCII case and to one trailing "\", a key's default value named "" or "@".
class FakeEnvironment : public platform::Environment {
 public:
  std::string tempFolder = "/tmp";
  std::string profileFolder = "/home/user";
  std::string hostProgramFolder = "/opt/host";
  int processId = 4242;
  int osMajor = 10, osMinor = 0, osBuild = 19045;
  int dpiX = 96, dpiY = 96;
  std::map<platform::SpecialFolder, std::string> specialFolders;
  std::map<std::pair<std::string, std::string>, std::string> registry;

  void SetRegistry(const std::string& key, const std::string& value, const std::string& data) {
    registry[{key, value}] = data;
  }

  std::string TempFolder() override { return tempFolder; }
  std::string ProfileFolder() override { return profileFolder; }
  int ProcessId() override { return processId; }
  void OsVersion(int& major, int& minor, int& build) override {
    major = osMajor;
    minor = osMinor;
    build = osBuild;
  }
  int ScreenDpiX() override { return dpiX; }
  int ScreenDpiY() override { return dpiY; }
  std::string GetSpecialFolder(platform::SpecialFolder which) override;
  bool ReadRegistry(const std::string& key, const std::string& value, std::string& out) override;
  std::string HostProgramFolder() override { return hostProgramFolder; }
};

// Installs a fake clock for the life of the object.
class FakeClockScope {
 public:
  FakeClockScope() { platform::SetClock(&clock); }
  ~FakeClockScope() { platform::SetClock(nullptr); }
  FakeClockScope(const FakeClockScope&) = delete;
  FakeClockScope& operator=(const FakeClockScope&) = delete;
  FakeClock clock;
};

// Installs a fake environment for the life of the object.
class FakeEnvironmentScope {
 public:
  FakeEnvironmentScope() { platform::SetEnvironment(&env); }
  ~FakeEnvironmentScope() { platform::SetEnvironment(nullptr); }
  FakeEnvironmentScope(const FakeEnvironmentScope&) = delete;
  FakeEnvironmentScope& operator=(const FakeEnvironmentScope&) = delete;
  FakeEnvironment env;
};

// Sets (or, with a null value, removes) a variable of the process environment for the life of the object.
class EnvVarScope {
 public:
  EnvVarScope(const char* name, const char* value);
  ~EnvVarScope();
  EnvVarScope(const EnvVarScope&) = delete;
  EnvVarScope& operator=(const EnvVarScope&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// Runs in a fixed time zone (a TZ value such as "JST-9") for the life of the object.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz);
  ~TimeZoneScope();
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  std::optional<EnvVarScope> tz_;
};

}  // namespace testing_support
