// Keys and mouse presses on their way to a widget: windows that preview keys see them first, and every window
// around a pressed widget hears of the press.
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include <vector>

#include "internal.h"
#include "keys.h"

namespace platform::ui::detail {

namespace {

// Windows around w, innermost first.
std::vector<Window*> WindowsAround(QWidget* w) {
  std::vector<Window*> out;
  for (; w; w = w->parentWidget()) {
    if (auto* ww = dynamic_cast<WindowWidget*>(w)) {
      if (ww->owner) out.push_back(ww->owner);
    }
  }
  return out;
}

bool IsAncestor(const QObject* maybe, const QObject* of) {
  for (const QObject* o = of ? of->parent() : nullptr; o; o = o->parent()) {
    if (o == maybe) return true;
  }
  return false;
}

// An event that a widget left goes on to its parent as the same object: that is not a new event.
struct Seen {
  const QEvent* event = nullptr;
  QPointer<QObject> receiver;
  bool Repeat(const QEvent* e, QObject* obj) {
    if (e == event && receiver && IsAncestor(obj, receiver)) return true;
    event = e;
    receiver = obj;
    return false;
  }
};

class Router : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    switch (e->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        if (!obj->isWidgetType() || keys_.Repeat(e, obj)) return false;
        return Preview(static_cast<QWidget*>(obj), static_cast<QKeyEvent*>(e));
      case QEvent::MouseButtonPress:
        if (obj->isWidgetType() && !mouse_.Repeat(e, obj)) Activate(static_cast<QWidget*>(obj));
        return false;
      default:
        return false;
    }
  }

 private:
  static bool Preview(QWidget* target, QKeyEvent* e) {
    int code = VirtualKeyOf(e->key());
    if (code == 0) return false;
    const bool down = e->type() == QEvent::KeyPress;
    // Ctrl itself is held from its own press to its release, whatever Qt says of the modifiers then.
    const bool ctrl = e->key() == Qt::Key_Control ? down : (e->modifiers() & Qt::ControlModifier) != 0;
    KeyMessage message{down, code, ctrl};
    for (Window* w : WindowsAround(target)) {
      if (!WindowAccess::Impl(*w).previewKeys) continue;
      if (w->PreTranslateMessage(message)) return true;
    }
    return false;
  }

  static void Activate(QWidget* target) {
    std::vector<Window*> around = WindowsAround(target);
    // The outermost hears first, as the system asks a window's parent before the window.
    for (auto it = around.rbegin(); it != around.rend(); ++it) WindowAccess::OnMouseActivate(**it);
  }

  Seen keys_;
  Seen mouse_;
};

}  // namespace

void InstallRouter() {
  static QPointer<Router> router;
  if (router && router->parent() == qApp) return;
  router = new Router(qApp);
  qApp->installEventFilter(router);
}

}  // namespace platform::ui::detail
