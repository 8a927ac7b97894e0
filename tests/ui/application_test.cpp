// The event loop: pending messages dispatched in one call (also from inside a handler), runs until a
// condition, a time-out or Quit, and the counted wait cursor.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/timers.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;

TEST(Application, DispatchRunsWhatIsPendingAndWhatThatPosts) {
  std::vector<int> order;
  PostTask([&] {
    order.push_back(1);
    PostTask([&] { order.push_back(3); });
    // A handler that pumps again, as the upload drains the queue between chunks.
    PostTask([&] { order.push_back(2); });
    DispatchPendingMessages();
    order.push_back(4);
  });
  DispatchPendingMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 4}));
  DispatchPendingMessages();  // nothing pending: returns at once
}

TEST(Application, RunUntilAConditionATimeOutOrQuit) {
  int n = 0;
  PostTask([&] { n = 1; });
  EXPECT_EQ(RunUntil([&] { return n == 1; }, 5000), RunResult::Done);
  EXPECT_EQ(RunUntil([] { return false; }, 30), RunResult::TimedOut);
  PostTask([] { Quit(); });
  EXPECT_EQ(RunUntil([] { return false; }, 5000), RunResult::Quit);
  PostTask([] { Quit(); });
  platform::ui::Run();
}

TEST(Application, TheWaitCursorCountsEveryBeginToItsEnd) {
  EXPECT_EQ(WaitCursorCount(), 0);
  BeginWaitCursor();
  BeginWaitCursor();
  EXPECT_EQ(WaitCursorCount(), 2);
  EndWaitCursor();
  EndWaitCursor();
  EndWaitCursor();  // one too many changes nothing
  EXPECT_EQ(WaitCursorCount(), 0);
  BeginWaitCursor();
  EXPECT_EQ(WaitCursorCount(), 1);
  EndWaitCursor();
}

}  // namespace
