#include "platform/ui/driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QUrl>

#include <cstdio>
#include <deque>

#include "controls.h"
#include "internal.h"
#include "keys.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "qt_text.h"

namespace platform::ui::driver {

using detail::ControlRecord;
using detail::WindowAccess;

namespace {

bool Fail(std::string* error, const char* message) {
  if (error) *error = message;
  return false;
}

bool Fail(std::string* error, const char* format, int id) {
  if (error) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, id);
    *error = buf;
  }
  return false;
}

// The control a person could act on: there, shown and enabled.
ControlRecord* Reachable(Dialog& dialog, int id, std::string* error) {
  ControlRecord* r = WindowAccess::Impl(dialog).Find(id);
  if (!r) {
    Fail(error, "no control %d", id);
    return nullptr;
  }
  if (!r->widget->isVisible()) {
    Fail(error, "control %d is not visible", id);
    return nullptr;
  }
  if (!r->widget->isEnabled()) {
    Fail(error, "control %d is disabled", id);
    return nullptr;
  }
  return r;
}

void SendMouse(QWidget* target, QPoint local, QEvent::Type type, Qt::MouseButtons held) {
  QPointF global = target->mapToGlobal(QPointF(local));
  QPointF scene = target->window()->mapFromGlobal(global);
  QMouseEvent e(type, QPointF(local), scene, global, Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}

QPoint Centre(const QWidget* w) { return QPoint(w->width() / 2, w->height() / 2); }

void PressAndRelease(QWidget* target, QPoint local) {
  SendMouse(target, local, QEvent::MouseButtonPress, Qt::LeftButton);
  SendMouse(target, local, QEvent::MouseButtonRelease, Qt::NoButton);
}

// The widget a click at a point of w reaches, as the window system would find it.
void ClickAt(QWidget* w, QPoint local) {
  QWidget* top = w->window();
  QPoint inTop = w->mapTo(top, local);
  QWidget* hit = top->childAt(inTop);
  if (!hit) hit = top;
  PressAndRelease(hit, hit->mapFrom(top, inTop));
}

void SendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QKeyEvent e(type, key, modifiers, text);
  QApplication::sendEvent(target, &e);
}

}  // namespace

bool Click(Dialog& dialog, int id, std::string* error) {
  ControlRecord* r = Reachable(dialog, id, error);
  if (!r) return false;
  QWidget* w = r->widget;
  if (w->focusPolicy() != Qt::NoFocus) dialog.FocusItem(id);
  switch (r->kind) {
    case ControlKind::Edit:
    case ControlKind::ComboBox:
    case ControlKind::ListView:
      break;
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::Link:
      PressAndRelease(w, Centre(w));
      break;
    default:
      ClickAt(w, Centre(w));
      break;
  }
  DispatchPendingMessages();
  return true;
}

bool Type(Dialog& dialog, int id, const std::string& text, std::string* error) {
  ControlRecord* r = Reachable(dialog, id, error);
  if (!r) return false;
  if (r->kind != ControlKind::Edit) return Fail(error, "control %d is no edit", id);
  if (r->style & kReadOnly) return Fail(error, "edit %d is read-only", id);
  dialog.FocusItem(id);
  // What does not fit the limit is not taken, as the edit takes no more than that.
  std::string fitting = text;
  if (r->editLimit > 0) fitting.resize(CutLength(text, static_cast<std::size_t>(r->editLimit)));
  QString s = detail::ToQt(fitting);
  if (auto* line = qobject_cast<QLineEdit*>(r->widget)) {
    line->selectAll();
    if (s.isEmpty()) {
      line->del();
    } else {
      line->insert(s);
    }
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(r->widget)) {
    box->selectAll();
    box->insertPlainText(detail::ToEditText(s));
  }
  DispatchPendingMessages();
  return true;
}

bool Check(Dialog& dialog, int id, bool checked, std::string* error) {
  if (dialog.HasItem(id) && dialog.ItemKind(id) != ControlKind::CheckBox) {
    return Fail(error, "control %d is no check box", id);
  }
  if (dialog.HasItem(id) && dialog.IsItemChecked(id) == checked) return Reachable(dialog, id, error) != nullptr;
  return Click(dialog, id, error);
}

bool Select(Dialog& dialog, int id, int index, std::string* error) {
  ControlRecord* r = Reachable(dialog, id, error);
  if (!r) return false;
  if (auto* combo = qobject_cast<QComboBox*>(r->widget)) {
    if (index < 0 || index >= combo->count()) return Fail(error, "combo box %d has no such entry", id);
    dialog.FocusItem(id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  } else if (auto* table = qobject_cast<QTableWidget*>(r->widget)) {
    if (index < 0 || index >= table->rowCount()) return Fail(error, "list %d has no such row", id);
    dialog.FocusItem(id);
    QTableWidgetItem* item = table->item(index, 0);
    table->scrollToItem(item);
    PressAndRelease(table->viewport(), table->visualItemRect(item).center());
  } else {
    return Fail(error, "control %d is no combo box or list", id);
  }
  DispatchPendingMessages();
  return true;
}

bool DragColumn(Dialog& dialog, int id, int column, int width, std::string* error) {
  ControlRecord* r = Reachable(dialog, id, error);
  if (!r) return false;
  auto* table = qobject_cast<QTableWidget*>(r->widget);
  if (!table) return Fail(error, "control %d is no list", id);
  if (column < 0 || column >= table->columnCount()) return Fail(error, "list %d has no such column", id);
  QHeaderView* header = table->horizontalHeader();
  QWidget* port = header->viewport();
  int edge = header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
  int y = port->height() / 2;
  int to = edge + (width - header->sectionSize(column));
  SendMouse(port, QPoint(edge, y), QEvent::MouseButtonPress, Qt::LeftButton);
  SendMouse(port, QPoint(to, y), QEvent::MouseMove, Qt::LeftButton);
  SendMouse(port, QPoint(to, y), QEvent::MouseButtonRelease, Qt::NoButton);
  DispatchPendingMessages();
  return true;
}

bool PressKey(Window& window, int vk, bool ctrl, std::string* error) {
  QWidget* w = detail::WidgetOf(window);
  if (!w) return Fail(error, "the window does not stand");
  int key = detail::QtKeyOf(vk);
  if (key == Qt::Key_unknown) return Fail(error, "no key for virtual key %d", vk);
  QWidget* focus = QApplication::focusWidget();
  QWidget* target = focus && (focus == w || w->isAncestorOf(focus)) ? focus : (w->focusWidget() ? w->focusWidget() : w);
  QString text;
  if (!ctrl) {
    if (vk >= 'A' && vk <= 'Z') text = QChar(vk - 'A' + 'a');
    if ((vk >= '0' && vk <= '9') || vk == vk::kSpace) text = QChar(vk);
  }
  Qt::KeyboardModifiers held = ctrl ? Qt::ControlModifier : Qt::NoModifier;
  if (ctrl) SendKey(target, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, {});
  SendKey(target, QEvent::KeyPress, key, held, text);
  SendKey(target, QEvent::KeyRelease, key, held, text);
  if (ctrl) SendKey(target, QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, {});
  DispatchPendingMessages();
  return true;
}

bool DropFiles(Window& window, const std::vector<std::string>& paths, std::string* error) {
  QWidget* w = detail::WidgetOf(window);
  if (!w) return Fail(error, "the window does not stand");
  if (!WindowAccess::Impl(window).acceptFiles) return Fail(error, "the window takes no files");
  QMimeData mime;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(detail::ToQt(p)));
  mime.setUrls(urls);
  QPointF at = QPointF(Centre(w));
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &enter);
  if (!enter.isAccepted()) return Fail(error, "the window refused the files");
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &drop);
  DispatchPendingMessages();
  return true;
}

Dialog* VisibleDialog(Window& root) {
  const auto& modal = detail::ModalDialogs();
  for (auto it = modal.rbegin(); it != modal.rend(); ++it) {
    for (Window* w = *it; w; w = w->Parent()) {
      if (w == &root) return *it;
    }
  }
  std::deque<Window*> queue{&root};
  while (!queue.empty()) {
    Window* w = queue.front();
    queue.pop_front();
    if (w != &root && WindowAccess::Impl(*w).dialog && w->IsCreated() && w->IsVisible()) {
      return WindowAccess::Impl(*w).dialog;
    }
    for (Window* child : w->Children()) queue.push_back(child);
  }
  return nullptr;
}

}  // namespace platform::ui::driver
