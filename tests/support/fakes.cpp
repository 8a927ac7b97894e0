#include "fakes.h"

#include <cstdlib>
#include <ctime>

#include "platform/path.h"
#include "platform/text.h"

namespace testing_support {

bool FakeClock::Now(platform::LocalTime& out) {
  if (!readable) return false;
  out = now;
  return true;
}

void FakeClock::Sleep(unsigned milliseconds) {
  sleeps.push_back(milliseconds);
  if (sleepMovesTime) {
    Advance(milliseconds);
  } else {
    ticks += milliseconds;
  }
}

void FakeClock::Advance(unsigned milliseconds) {
  ticks += milliseconds;
  platform::FileTime t;
  if (!platform::LocalToFileTime(now, t)) return;
  std::int64_t ms = static_cast<std::int64_t>(t.nanoseconds / 1000000) + milliseconds;
  t.seconds += ms / 1000;
  t.nanoseconds = static_cast<std::int32_t>(ms % 1000) * 1000000;
  platform::FileTimeToLocal(t, now);
}

std::string FakeEnvironment::GetSpecialFolder(platform::SpecialFolder which) {
  auto it = specialFolders.find(which);
  return it == specialFolders.end() ? std::string() : it->second;
}

namespace {

std::string WithoutTrailingSeparator(std::string key) {
  while (!key.empty() && platform::FindLastChar(key, platform::kStoredSeparator) == key.size() - 1) key.pop_back();
  return key;
}

// A key's default value is named "" or "@", as in the registry stand-in.
std::string ValueName(const std::string& name) { return name.empty() ? "@" : name; }

}  // namespace

bool FakeEnvironment::ReadRegistry(const std::string& key, const std::string& value, std::string& out) {
  std::string wanted = WithoutTrailingSeparator(key);
  for (const auto& [name, data] : registry) {
    if (platform::EqualsNoCaseAscii(WithoutTrailingSeparator(name.first), wanted) &&
        platform::EqualsNoCaseAscii(ValueName(name.second), ValueName(value))) {
      out = data;
      return true;
    }
  }
  return false;
}

EnvVarScope::EnvVarScope(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    old_ = old;
    had_ = true;
  }
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

EnvVarScope::~EnvVarScope() {
  if (had_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

TimeZoneScope::TimeZoneScope(const char* tz) {
  tz_.emplace("TZ", tz);
  tzset();
}

TimeZoneScope::~TimeZoneScope() {
  tz_.reset();
  tzset();
}

}  // namespace testing_support
