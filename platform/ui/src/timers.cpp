#include "platform/ui/timers.h"

#include <set>

#include "internal.h"
#include "platform/ui/application.h"

namespace platform::ui {

namespace {

// The system never fires a timer sooner than this.
constexpr unsigned kMinimumElapse = 10;

bool g_testClock = false;
std::uint64_t g_now = 0;
std::uint64_t g_serial = 0;
std::set<detail::WindowImpl*> g_timed;  // windows with timers on the test clock

void StartOnLoop(detail::WindowImpl& impl, detail::TimerState& t) {
  t.onTestClock = false;
  t.qtId = impl.widget ? impl.widget->startTimer(static_cast<int>(t.elapse)) : 0;
}

void Stop(detail::WindowImpl& impl, detail::TimerState& t) {
  if (!t.onTestClock && t.qtId != 0 && impl.widget) impl.widget->killTimer(t.qtId);
  t.qtId = 0;
}

void Forget(detail::WindowImpl& impl) {
  for (auto& [id, t] : impl.timers) {
    if (t.onTestClock) return;
  }
  g_timed.erase(&impl);
}

}  // namespace

namespace detail {

bool SetWindowTimer(Window& window, int id, unsigned elapseMs) {
  WindowImpl& impl = WindowAccess::Impl(window);
  if (!impl.widget || impl.destroying) return false;
  auto found = impl.timers.find(id);
  if (found != impl.timers.end()) Stop(impl, found->second);
  TimerState& t = impl.timers[id];
  t.elapse = elapseMs < kMinimumElapse ? kMinimumElapse : elapseMs;
  t.serial = ++g_serial;
  if (g_testClock) {
    t.onTestClock = true;
    t.due = g_now + t.elapse;
    g_timed.insert(&impl);
  } else {
    StartOnLoop(impl, t);
  }
  return true;
}

bool KillWindowTimer(Window& window, int id) {
  WindowImpl& impl = WindowAccess::Impl(window);
  auto found = impl.timers.find(id);
  if (found == impl.timers.end()) return false;
  Stop(impl, found->second);
  impl.timers.erase(found);
  Forget(impl);
  return true;
}

void KillAllTimers(Window& window) {
  WindowImpl& impl = WindowAccess::Impl(window);
  for (auto& [id, t] : impl.timers) Stop(impl, t);
  impl.timers.clear();
  g_timed.erase(&impl);
}

void FireQtTimer(Window& window, int qtId) {
  WindowImpl& impl = WindowAccess::Impl(window);
  for (auto& [id, t] : impl.timers) {
    if (!t.onTestClock && t.qtId == qtId) {
      int fired = id;
      WindowAccess::OnTimer(window, fired);
      return;
    }
  }
}

}  // namespace detail

TestTimerClock::TestTimerClock() {
  g_testClock = true;
  g_now = 0;
}

TestTimerClock::~TestTimerClock() {
  g_testClock = false;
  std::set<detail::WindowImpl*> timed = g_timed;
  g_timed.clear();
  for (detail::WindowImpl* impl : timed) {
    for (auto& [id, t] : impl->timers) {
      if (t.onTestClock) StartOnLoop(*impl, t);
    }
  }
}

void TestTimerClock::Advance(unsigned ms) {
  const std::uint64_t target = g_now + ms;
  DispatchPendingMessages();
  for (;;) {
    // The earliest due timer; of two due at once the one set first.
    detail::WindowImpl* next = nullptr;
    int nextId = 0;
    const detail::TimerState* best = nullptr;
    for (detail::WindowImpl* impl : g_timed) {
      for (auto& [id, t] : impl->timers) {
        if (!t.onTestClock || t.due > target) continue;
        if (!best || t.due < best->due || (t.due == best->due && t.serial < best->serial)) {
          best = &t;
          next = impl;
          nextId = id;
        }
      }
    }
    if (!best) break;
    g_now = best->due;
    next->timers[nextId].due += best->elapse;
    detail::WindowAccess::OnTimer(*next->self, nextId);
    DispatchPendingMessages();
  }
  g_now = target;
}

std::uint64_t TestTimerClock::Now() const { return g_now; }

}  // namespace platform::ui
