// Helpers of the library's tests: a fresh set of settings, a fake clock, the fixture generator.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "ZkSettings.h"
#include "platform/clock.h"
#include "test_support.h"

namespace dorvik_test {

// Forgets every setting of earlier tests (log, message file, retries, last backup name).
inline void ResetSettings() { ZkGetSettings() = ZkSettings{}; }

// A clock standing at a fixed time; sleeping moves its ticks on and is counted.
class FakeClock : public platform::Clock {
 public:
  platform::LocalTime now{2024, 5, 1, 9, 30, 0, 123, 3};
  bool readable = true;
  std::uint64_t ticks = 1000;
  std::vector<unsigned> sleeps;
  bool Now(platform::LocalTime& out) override {
    out = now;
    return readable;
  }
  void Sleep(unsigned ms) override {
    sleeps.push_back(ms);
    ticks += ms;
  }
  std::uint64_t TickMilliseconds() override { return ticks; }
};

// Installs a fake clock for the life of the object.
class ClockScope {
 public:
  ClockScope() { platform::SetClock(&clock); }
  ~ClockScope() { platform::SetClock(nullptr); }
  FakeClock clock;
};

using testing_support::MakeVek;

}  // namespace dorvik_test
