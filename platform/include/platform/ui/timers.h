// A clock for window timers in tests: while one is installed, the timers that windows set run on it and fire
// when the test moves it on, without waiting.
#pragma once

#include <cstdint>

namespace platform::ui {

class TestTimerClock {
 public:
  TestTimerClock();   // installs it; timers set from now on run on it (one clock at a time)
  ~TestTimerClock();  // the timers still set go back to the event loop's time
  TestTimerClock(const TestTimerClock&) = delete;
  TestTimerClock& operator=(const TestTimerClock&) = delete;

  // Moves the clock on by ms, firing every timer that falls due, in time order (each as often as its elapse
  // passes), and dispatching the pending messages after each.
  void Advance(unsigned ms);
  std::uint64_t Now() const;  // milliseconds since it was installed
};

}  // namespace platform::ui
