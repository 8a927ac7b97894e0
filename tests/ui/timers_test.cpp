// Window timers: by id on a window, on the event loop or on the test clock, which fires them without waiting.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/timers.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;

class TimerWindow : public Window {
 public:
  std::vector<std::string> fired;
  std::function<void(int)> onTimer;

 protected:
  void OnTimer(int id) override {
    fired.push_back(std::to_string(id));
    if (onTimer) onTimer(id);
  }
};

class TimersTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(w.CreateChild(host, RectAt(0, 0, 10, 10)));
  }
  TimerWindow w;
};

TEST_F(TimersTest, TheTestClockFiresDueTimersInTimeOrder) {
  TestTimerClock clock;
  ASSERT_TRUE(w.SetTimer(1, 3000));
  ASSERT_TRUE(w.SetTimer(2, 1000));
  clock.Advance(999);
  EXPECT_TRUE(w.fired.empty());
  clock.Advance(1);
  EXPECT_EQ(w.fired, std::vector<std::string>{"2"});
  clock.Advance(2000);  // 2 at 2000 and 3000, 1 at 3000 after it (set first, but due no sooner)
  EXPECT_EQ(w.fired, (std::vector<std::string>{"2", "2", "1", "2"}));
  EXPECT_EQ(clock.Now(), 3000u);
}

TEST_F(TimersTest, KillingAndSettingAgain) {
  TestTimerClock clock;
  // Killed in its own handler, as the form's timers are: it fires once.
  w.onTimer = [&](int id) { w.KillTimer(id); };
  ASSERT_TRUE(w.SetTimer(1, 3000));
  clock.Advance(10000);
  EXPECT_EQ(w.fired, std::vector<std::string>{"1"});
  EXPECT_FALSE(w.KillTimer(1));
  w.fired.clear();
  w.onTimer = nullptr;
  // Setting a running timer again starts its time anew.
  ASSERT_TRUE(w.SetTimer(2, 500));
  clock.Advance(400);
  ASSERT_TRUE(w.SetTimer(2, 500));
  clock.Advance(400);
  EXPECT_TRUE(w.fired.empty());
  clock.Advance(100);
  EXPECT_EQ(w.fired, std::vector<std::string>{"2"});
  // No elapse at all still waits the shortest the system allows.
  ASSERT_TRUE(w.SetTimer(3, 0));
  w.fired.clear();
  clock.Advance(9);
  EXPECT_TRUE(w.fired.empty());
  clock.Advance(1);
  EXPECT_EQ(w.fired, std::vector<std::string>{"3"});
  // The window going takes its timers with it.
  w.Destroy();
  w.fired.clear();
  clock.Advance(5000);
  EXPECT_TRUE(w.fired.empty());
  EXPECT_FALSE(w.SetTimer(1, 10));
}

TEST_F(TimersTest, WithoutTheTestClockTimersRunOnTheEventLoop) {
  ASSERT_TRUE(w.SetTimer(5, 10));
  EXPECT_EQ(RunUntil([&] { return w.fired.size() >= 2; }, 5000), RunResult::Done);
  EXPECT_TRUE(w.KillTimer(5));
  EXPECT_EQ(w.fired.front(), "5");
}

TEST_F(TimersTest, TimersLeftWhenTheTestClockGoesRunOnTheEventLoop) {
  {
    TestTimerClock clock;
    ASSERT_TRUE(w.SetTimer(6, 10));
  }
  EXPECT_EQ(RunUntil([&] { return !w.fired.empty(); }, 5000), RunResult::Done);
  w.KillTimer(6);
}

}  // namespace
