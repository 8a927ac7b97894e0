// The process's window system: one application object, the event loop and the wait cursor.
#pragma once

#include <functional>

namespace platform::ui {

// Creates the application object when the process has none (with "offscreen" as its platform when asked, else
// the one $QT_QPA_PLATFORM or the system names). Later calls do nothing. Every other call of the layer needs it.
void EnsureApplication(bool offscreen = false);

// The application object for the life of the scope (a host's or a test's main): created when the process has
// none, destroyed with the scope when it created it.
class ApplicationScope {
 public:
  ApplicationScope(int& argc, char** argv, bool offscreen = false);
  ~ApplicationScope();
  ApplicationScope(const ApplicationScope&) = delete;
  ApplicationScope& operator=(const ApplicationScope&) = delete;

 private:
  bool created_ = false;
};

// Dispatches every pending window message (input, paints, posted calls, timers that are due, deferred
// deletions) until none is left. A handler may call it again.
void DispatchPendingMessages();

// Runs fn on the event loop, after what is pending now.
void PostTask(std::function<void()> fn);

enum class RunResult { Done, TimedOut, Quit };

// Runs the event loop until done() holds (checked now and every few milliseconds), timeoutMs milliseconds have
// passed (timeoutMs < 0: never) or Quit() is called.
RunResult RunUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the event loop until Quit().
void Run();
// Ends every RunUntil and Run that is running.
void Quit();

// The application's counted wait cursor: shown from the first Begin until the End that balances it.
void BeginWaitCursor();
void EndWaitCursor();  // without a Begin: nothing
int WaitCursorCount();

}  // namespace platform::ui
