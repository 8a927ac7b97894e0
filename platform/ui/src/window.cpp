#include "platform/ui/window.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimerEvent>
#include <QUrl>

#include <algorithm>

#include "internal.h"
#include "platform/files.h"
#include "platform/ui/application.h"
#include "qt_painter.h"
#include "qt_text.h"

namespace platform::ui {

using detail::WindowAccess;
using detail::WindowImpl;
using detail::WindowWidget;

namespace detail {

namespace {

std::vector<std::string> LocalFiles(const QMimeData* mime) {
  std::vector<std::string> paths;
  if (!mime) return paths;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) paths.push_back(FromQt(url.toLocalFile()));
  }
  return paths;
}

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace

WindowWidget::WindowWidget(Window* window, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), owner(window) {}

void WindowWidget::paintEvent(QPaintEvent*) {
  if (!owner) return;
  QPainter qp(this);
  WindowImpl& impl = WindowAccess::Impl(*owner);
  if (impl.dialog) {
    ControlColors colours;
    WindowAccess::OnCtlColor(*impl.dialog, 0, CtlColorType::Dialog, colours);
    Colour c = colours.brush.value_or(kFaceColour);
    qp.fillRect(rect(), QColor(c.r, c.g, c.b));
  } else if (parentWidget()) {
    qp.fillRect(rect(), Qt::white);
  } else {
    qp.fillRect(rect(), QColor(kFaceColour.r, kFaceColour.g, kFaceColour.b));
  }
  QtPainter painter(qp);
  WindowAccess::OnPaint(*owner, painter);
}

void WindowWidget::mousePressEvent(QMouseEvent* event) {
  if (owner && event->button() == Qt::LeftButton) {
    QPoint p = event->position().toPoint();
    WindowAccess::OnLButtonDown(*owner, p.x(), p.y());
  }
  event->accept();
}

void WindowWidget::timerEvent(QTimerEvent* event) {
  if (owner) FireQtTimer(*owner, event->timerId());
}

void WindowWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (owner && WindowAccess::Impl(*owner).acceptFiles && !LocalFiles(event->mimeData()).empty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void WindowWidget::dragMoveEvent(QDragMoveEvent* event) {
  if (owner && WindowAccess::Impl(*owner).acceptFiles) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void WindowWidget::dropEvent(QDropEvent* event) {
  if (!owner || !WindowAccess::Impl(*owner).acceptFiles) {
    event->ignore();
    return;
  }
  std::vector<std::string> paths = LocalFiles(event->mimeData());
  event->acceptProposedAction();
  if (!paths.empty()) WindowAccess::OnDropFiles(*owner, paths);
}

void WindowWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!owner) return;
  WindowImpl& impl = WindowAccess::Impl(*owner);
  if (impl.dialog) {
    WindowAccess::Impl(*impl.dialog).Command(kIdCancel, 0);
  } else {
    owner->Destroy();
  }
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
  // The dialog's own keys: Enter presses the focused push button or the default one, Esc cancels.
  Dialog* dialog = owner ? WindowAccess::Impl(*owner).dialog : nullptr;
  if (!dialog) {
    QWidget::keyPressEvent(event);
    return;
  }
  DialogImpl& d = WindowAccess::Impl(*dialog);
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    int id = kIdOk;
    ControlRecord* focused = d.FindWidget(QApplication::focusWidget());
    if (focused && focused->kind == ControlKind::Button) {
      id = focused->id;
    } else {
      for (auto& c : d.controls) {
        if (c->kind == ControlKind::Button && (c->style & kDefaultButton)) id = c->id;
      }
    }
    ControlRecord* target = d.Find(id);
    if (!target || target->widget->isEnabled()) d.Command(id, 0);
    event->accept();
  } else if (event->key() == Qt::Key_Escape) {
    d.Command(kIdCancel, 0);
    event->accept();
  } else {
    QWidget::keyPressEvent(event);
  }
}

Window* WindowOf(const QWidget* w) {
  for (; w; w = w->parentWidget()) {
    if (auto* ww = dynamic_cast<const WindowWidget*>(w)) return ww->owner;
  }
  return nullptr;
}

QWidget* WidgetOf(const Window& window) { return WindowAccess::Impl(window).widget.data(); }

bool AttachWidget(Window& window, Window* parent, QWidget* parentWidget, Qt::WindowFlags flags, const Rect& rect) {
  WindowImpl& impl = WindowAccess::Impl(window);
  if (impl.widget) return false;
  auto* w = new WindowWidget(&window, parentWidget, flags);
  w->setGeometry(ToQRect(rect));
  w->setAcceptDrops(impl.acceptFiles);
  impl.widget = w;
  impl.parent = parent;
  impl.destroying = false;
  if (parent) WindowAccess::Impl(*parent).children.push_back(&window);
  return true;
}

void DetachWidget(Window& window) {
  WindowImpl& impl = WindowAccess::Impl(window);
  KillAllTimers(window);
  if (impl.dialog) WindowAccess::Impl(*impl.dialog).Release();
  if (impl.parent) {
    auto& siblings = WindowAccess::Impl(*impl.parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), &window), siblings.end());
    impl.parent = nullptr;
  }
  if (WindowWidget* w = impl.widget.data()) {
    w->owner = nullptr;
    w->hide();
    // Later, so that a widget whose own event is running when its window goes is not deleted under it.
    w->deleteLater();
  }
  impl.widget.clear();
}

void Teardown(Window& window) {
  WindowImpl& impl = WindowAccess::Impl(window);
  // Windows inside it lose their widgets with it; their objects stay their owners'.
  std::vector<Window*> children = impl.children;
  for (Window* child : children) child->Destroy();
  if (impl.widget) DetachWidget(window);
}

}  // namespace detail

Window::Window() : impl_(std::make_unique<WindowImpl>()) { impl_->self = this; }

Window::~Window() { detail::Teardown(*this); }

bool Window::CreateTopLevel(const std::string& caption, const Rect& rect) {
  EnsureApplication();
  if (!detail::AttachWidget(*this, nullptr, nullptr, Qt::Window, rect)) return false;
  impl_->widget->setWindowTitle(detail::ToQt(caption));
  if (WindowAccess::OnCreate(*this) == -1) {
    detail::DetachWidget(*this);
    return false;
  }
  return true;
}

bool Window::CreateChild(Window& parent, const Rect& rect, bool visible) {
  QWidget* parentWidget = detail::WidgetOf(parent);
  if (!parentWidget) return false;
  if (!detail::AttachWidget(*this, &parent, parentWidget, Qt::Widget, rect)) return false;
  if (WindowAccess::OnCreate(*this) == -1) {
    detail::DetachWidget(*this);
    return false;
  }
  impl_->widget->setVisible(visible);
  return true;
}

void Window::Destroy() {
  if (!impl_->widget || impl_->destroying) return;
  impl_->destroying = true;
  WindowAccess::OnDestroy(*this);
  std::vector<Window*> children = impl_->children;
  for (Window* child : children) child->Destroy();
  detail::DetachWidget(*this);
  impl_->destroying = false;
}

bool Window::IsCreated() const { return impl_->widget && !impl_->destroying; }

Window* Window::Parent() const { return impl_->parent; }

std::vector<Window*> Window::Children() const { return impl_->children; }

void Window::Show(bool show) {
  QWidget* w = impl_->widget.data();
  if (!w) return;
  w->setVisible(show);
  if (show && w->isWindow()) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
  }
}

bool Window::IsVisible() const {
  QWidget* w = impl_->widget.data();
  if (!w) return false;
  return w->parentWidget() ? w->isVisibleTo(w->parentWidget()) : w->isVisible();
}

void Window::Enable(bool enable) {
  if (impl_->widget) impl_->widget->setEnabled(enable);
}

bool Window::IsEnabled() const { return impl_->widget && impl_->widget->isEnabled(); }

void Window::Move(const Rect& rect) {
  if (impl_->widget) impl_->widget->setGeometry(detail::ToQRect(rect));
}

Rect Window::WindowRect() const {
  if (!impl_->widget) return {};
  QRect g = impl_->widget->geometry();
  return RectAt(g.x(), g.y(), g.width(), g.height());
}

Rect Window::ClientRect() const {
  if (!impl_->widget) return {};
  return RectAt(0, 0, impl_->widget->width(), impl_->widget->height());
}

void Window::SetText(const std::string& text) {
  if (impl_->widget) impl_->widget->setWindowTitle(detail::ToQt(text));
}

std::string Window::Text() const {
  return impl_->widget ? detail::FromQt(impl_->widget->windowTitle()) : std::string();
}

void Window::Focus() {
  QWidget* w = impl_->widget.data();
  if (!w) return;
  QApplication::setActiveWindow(w->window());
  w->setFocus(Qt::OtherFocusReason);
}

void Window::Invalidate(bool) {
  if (!impl_->widget) return;
  // A dialog's controls are painted again with it, in the colours it gives now.
  if (impl_->dialog) WindowAccess::Impl(*impl_->dialog).ApplyAllColours();
  impl_->widget->update();
}

void Window::InvalidateRect(const Rect& rect, bool) {
  if (!impl_->widget) return;
  if (impl_->dialog) WindowAccess::Impl(*impl_->dialog).ApplyAllColours();
  impl_->widget->update(detail::ToQRect(rect));
}

void Window::Paint(Painter& painter) { WindowAccess::OnPaint(*this, painter); }

bool Window::SaveScreenshot(const std::string& path) {
  QWidget* w = impl_->widget.data();
  if (!w) return false;
  // What the parents leave of the window, in its own coordinates.
  QRect visible = w->rect();
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    visible &= QRect(w->mapFrom(p, QPoint(0, 0)), p->size());
    if (p->isWindow()) break;
  }
  if (visible.isEmpty()) return false;
  QImage image = w->grab(visible).toImage();
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return false;
  return platform::WriteFile(path, png.constData(), static_cast<std::size_t>(png.size()));
}

bool Window::SetTimer(int id, unsigned elapseMs) { return detail::SetWindowTimer(*this, id, elapseMs); }

bool Window::KillTimer(int id) { return detail::KillWindowTimer(*this, id); }

void Window::DragAcceptFiles(bool accept) {
  impl_->acceptFiles = accept;
  if (impl_->widget) impl_->widget->setAcceptDrops(accept);
}

void Window::SetPreviewKeys(bool preview) { impl_->previewKeys = preview; }

bool Window::PreTranslateMessage(const KeyMessage&) { return false; }

int Window::OnCreate() { return 0; }
void Window::OnPaint(Painter&) {}
void Window::OnTimer(int) {}
void Window::OnLButtonDown(int, int) {}
void Window::OnDropFiles(const std::vector<std::string>&) {}

}  // namespace platform::ui
