#include "platform/ui/application.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFont>
#include <QTimer>

#include <vector>

#include "internal.h"

namespace platform::ui {

namespace {

int g_waitCount = 0;
std::vector<QEventLoop*> g_runLoops;
QApplication* g_ownApp = nullptr;

void Prepare(bool offscreen) {
  if (offscreen) qputenv("QT_QPA_PLATFORM", "offscreen");
}

void AfterCreation() {
  QFont font("IPAPGothic");
  font.setPixelSize(12);
  QApplication::setFont(font);
  detail::InstallRouter();
}

}  // namespace

void EnsureApplication(bool offscreen) {
  if (QCoreApplication::instance()) return;
  Prepare(offscreen);
  static int argc = 1;
  static char name[] = "vek";
  static char* argv[] = {name, nullptr};
  g_ownApp = new QApplication(argc, argv);
  AfterCreation();
}

ApplicationScope::ApplicationScope(int& argc, char** argv, bool offscreen) {
  if (QCoreApplication::instance()) return;
  Prepare(offscreen);
  g_ownApp = new QApplication(argc, argv);
  created_ = true;
  AfterCreation();
}

ApplicationScope::~ApplicationScope() {
  if (!created_) return;
  delete g_ownApp;
  g_ownApp = nullptr;
}

void DispatchPendingMessages() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  // Bounded, so that a timer of no elapse that keeps re-arming cannot hold the caller for ever.
  for (int round = 0; round < 1000; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bool handled = dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
    if (!handled) break;
  }
}

void PostTask(std::function<void()> fn) {
  QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
}

RunResult RunUntil(const std::function<bool()>& done, int timeoutMs) {
  if (done()) return RunResult::Done;
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) {
      loop.exit(0);
    } else if (timeoutMs >= 0 && clock.elapsed() >= timeoutMs) {
      loop.exit(1);
    }
  });
  poll.start();
  g_runLoops.push_back(&loop);
  int rc = loop.exec();
  g_runLoops.erase(std::find(g_runLoops.begin(), g_runLoops.end(), &loop));
  if (rc == 0) return RunResult::Done;
  return rc == 1 ? RunResult::TimedOut : RunResult::Quit;
}

void Run() { RunUntil([] { return false; }, -1); }

void Quit() {
  for (QEventLoop* loop : g_runLoops) loop->exit(2);
}

void BeginWaitCursor() {
  if (g_waitCount++ == 0) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void EndWaitCursor() {
  if (g_waitCount == 0) return;
  if (--g_waitCount == 0) QApplication::restoreOverrideCursor();
}

int WaitCursorCount() { return g_waitCount; }

}  // namespace platform::ui
