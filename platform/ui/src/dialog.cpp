#include "platform/ui/dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

#include <algorithm>

#include "controls.h"
#include "internal.h"
#include "platform/env.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "qt_text.h"

namespace platform::ui {

using detail::ControlRecord;
using detail::DialogImpl;
using detail::FromQt;
using detail::ToQt;
using detail::WindowAccess;

namespace detail {

namespace {

std::vector<Dialog*> g_modal;

QColor ToQColor(Colour c) { return QColor(c.r, c.g, c.b); }

CtlColorType ColorTypeOf(const ControlRecord& r) {
  switch (r.kind) {
    case ControlKind::Edit:
      return (r.style & kReadOnly) ? CtlColorType::Static : CtlColorType::Edit;
    case ControlKind::Button:
      return CtlColorType::Button;
    case ControlKind::ComboBox:
    case ControlKind::ListView:
      return CtlColorType::ListBox;
    default:
      return CtlColorType::Static;
  }
}

bool SameColours(const ControlColors& a, const ControlColors& b) {
  return a.brush == b.brush && a.text == b.text && a.transparent == b.transparent &&
         a.textBackground == b.textBackground;
}

}  // namespace

const std::vector<Dialog*>& ModalDialogs() { return g_modal; }

ControlRecord* DialogImpl::Find(int id) const {
  for (ControlRecord* r : controls) {
    if (r->id == id) return r;
  }
  return nullptr;
}

QWidget* ItemWidget(const Dialog& dialog, int id) {
  ControlRecord* r = WindowAccess::Impl(dialog).Find(id);
  return r ? r->widget : nullptr;
}

ControlRecord* DialogImpl::FindWidget(const QObject* widget) const {
  for (const QObject* o = widget; o; o = o->parent()) {
    for (ControlRecord* r : controls) {
      if (r->widget == o) return r;
    }
    if (events && o == events->parent()) break;
  }
  return nullptr;
}

void DialogImpl::Command(int id, int code) {
  if (!self || creating || !WindowAccess::Impl(static_cast<Window&>(*self)).widget) return;
  bool handled = WindowAccess::OnCommand(*self, id, code);
  if (!handled && code == notify::kClicked && (id == kIdOk || id == kIdCancel) && modal) self->EndDialog(id);
}

ControlColors DialogImpl::ColoursOf(const ControlRecord& record) {
  ControlColors c;
  CtlColorType type = ColorTypeOf(record);
  if (self && record.kind != ControlKind::ListView) WindowAccess::OnCtlColor(*self, record.id, type, c);
  if (!c.brush) c.brush = DefaultBrush(type);
  if (!c.text) c.text = Rgb(0, 0, 0);
  return c;
}

void DialogImpl::ApplyColours(ControlRecord& r) {
  if (r.kind == ControlKind::Button || r.kind == ControlKind::ListView || r.kind == ControlKind::Progress ||
      r.kind == ControlKind::Browser) {
    return;
  }
  ControlColors c = ColoursOf(r);
  if (r.coloursApplied && SameColours(c, r.applied)) return;
  r.coloursApplied = true;
  r.applied = c;
  QPalette p = r.widget->palette();
  QColor brush = ToQColor(*c.brush), text = ToQColor(*c.text);
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(g, QPalette::Window, brush);
    p.setColor(g, QPalette::Base, brush);
    p.setColor(g, QPalette::Button, brush);
    p.setColor(g, QPalette::WindowText, text);
    p.setColor(g, QPalette::Text, text);
    p.setColor(g, QPalette::ButtonText, text);
  }
  p.setColor(QPalette::Disabled, QPalette::Window, brush);
  p.setColor(QPalette::Disabled, QPalette::Base, brush);
  r.widget->setPalette(p);
}

void DialogImpl::ApplyAllColours() {
  for (ControlRecord* r : controls) ApplyColours(*r);
}

namespace {

unsigned RowState(QTableWidget* t, int row) {
  unsigned state = 0;
  if (t->selectionModel()->isRowSelected(row, QModelIndex())) state |= kRowSelected;
  if (t->selectionModel()->currentIndex().isValid() && t->selectionModel()->currentIndex().row() == row) {
    state |= kRowFocused;
  }
  return state;
}

}  // namespace

void DialogImpl::ListChanged(ControlRecord& r) {
  if (creating || r.settingText || r.batching || !self) return;
  auto* t = static_cast<QTableWidget*>(r.widget);
  const int rows = t->rowCount();
  std::vector<unsigned> now(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) now[static_cast<std::size_t>(row)] = RowState(t, row);
  std::vector<unsigned> before = r.rowStates;
  before.resize(now.size(), 0);
  r.rowStates = now;
  for (int row = 0; row < rows; ++row) {
    unsigned was = before[static_cast<std::size_t>(row)], is = now[static_cast<std::size_t>(row)];
    if (was == is || !self) continue;
    ListNotification n{r.id, ListEvent::ItemChanged, row, -1, 0, was, is};
    WindowAccess::OnListNotify(*self, n);
  }
}

void DialogImpl::ListBaseline(ControlRecord& r) {
  auto* t = static_cast<QTableWidget*>(r.widget);
  r.rowStates.assign(static_cast<std::size_t>(t->rowCount()), 0);
  for (int row = 0; row < t->rowCount(); ++row) r.rowStates[static_cast<std::size_t>(row)] = RowState(t, row);
}

void DialogImpl::Release() {
  if (loop) loop->exit(0);
  ended = true;
  for (ControlRecord* r : controls) {
    QWidget* w = r->widget;
    if (auto* label = dynamic_cast<Label*>(w)) label->Detach();
    if (auto* table = qobject_cast<QTableWidget*>(w)) {
      if (auto* rows = dynamic_cast<RowColours*>(table->itemDelegate())) rows->Detach();
      QObject::disconnect(table->selectionModel(), nullptr, nullptr, nullptr);
      QObject::disconnect(table->horizontalHeader(), nullptr, nullptr, nullptr);
    }
    QObject::disconnect(w, nullptr, nullptr, nullptr);
  }
  controls.clear();
  if (events) events->Detach();
  events = nullptr;
}

}  // namespace detail

Dialog::Dialog() : dimpl_(std::make_unique<DialogImpl>()) {
  dimpl_->self = this;
  WindowAccess::Impl(static_cast<Window&>(*this)).dialog = this;
}

Dialog::~Dialog() {
  detail::Teardown(*this);
  WindowAccess::Impl(static_cast<Window&>(*this)).dialog = nullptr;
}

namespace {

// The creation steps that modeless and modal dialogs share: the window, OnCreate, the controls, OnInitDialog.
bool Build(Dialog& dialog, const DialogTemplate& t, Window* parent, QWidget* parentWidget, Qt::WindowFlags flags) {
  DialogImpl& d = WindowAccess::Impl(dialog);
  Environment& env = CurrentEnvironment();
  QFont font = detail::TemplateFont(t.font, t.fontSize, env.ScreenDpiY());
  d.units = detail::UnitsOf(font);
  d.templateId = t.id;
  d.ended = false;
  d.result = 0;
  Rect r = detail::ItemPixels(t.x, t.y, t.cx, t.cy, d.units);
  d.templateRect = r;
  if (!detail::AttachWidget(dialog, parent, parentWidget, flags, r)) return false;
  QWidget* w = detail::WidgetOf(dialog);
  w->hide();
  w->setFont(font);
  w->setWindowTitle(ToQt(t.caption));
  if (WindowAccess::OnCreate(dialog) == -1) {
    detail::DetachWidget(dialog);
    return false;
  }
  d.creating = true;
  detail::CreateControls(dialog, t);
  d.creating = false;
  bool focusFirst = WindowAccess::OnInitDialog(dialog);
  d.ApplyAllColours();
  if (focusFirst && d.modal) {
    for (ControlRecord* c : d.controls) {
      if (c->widget->focusPolicy() != Qt::NoFocus && c->widget->isEnabled() && !c->widget->isHidden()) {
        c->widget->setFocus(Qt::OtherFocusReason);
        break;
      }
    }
  }
  return true;
}

}  // namespace

bool Dialog::Create(const DialogTemplate& dialogTemplate, Window& parent) {
  QWidget* parentWidget = detail::WidgetOf(parent);
  if (!parentWidget || IsCreated()) return false;
  dimpl_->modal = false;
  if (!Build(*this, dialogTemplate, &parent, parentWidget, Qt::Widget)) return false;
  if ((dialogTemplate.style & kVisible) && IsCreated()) Show(true);
  return true;
}

int Dialog::DoModal(const DialogTemplate& dialogTemplate, Window* owner) {
  if (IsCreated()) return -1;
  EnsureApplication();
  QWidget* ownerWidget = owner ? detail::WidgetOf(*owner) : nullptr;
  dimpl_->modal = true;
  detail::g_modal.push_back(this);
  auto leave = [this] {
    detail::g_modal.erase(std::remove(detail::g_modal.begin(), detail::g_modal.end(), this), detail::g_modal.end());
    dimpl_->modal = false;
  };
  if (!Build(*this, dialogTemplate, ownerWidget ? owner : nullptr, ownerWidget, Qt::Dialog)) {
    leave();
    return -1;
  }
  QWidget* w = detail::WidgetOf(*this);
  if (!dimpl_->ended && w) {
    QWidget* over = ownerWidget ? ownerWidget->window() : nullptr;
    QRect area = over ? over->geometry() : (QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry()
                                                                            : QRect(0, 0, 1024, 768));
    w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
    w->setWindowModality(Qt::ApplicationModal);
    w->show();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QEventLoop loop;
    dimpl_->loop = &loop;
    if (!dimpl_->ended) loop.exec();
    dimpl_->loop = nullptr;
  }
  int result = dimpl_->result;
  Destroy();
  leave();
  return result;
}

void Dialog::EndDialog(int result) {
  if (dimpl_->modal) {
    dimpl_->result = result;
    dimpl_->ended = true;
    if (dimpl_->loop) dimpl_->loop->exit(0);
  } else {
    Show(false);
  }
}

bool Dialog::IsModal() const { return dimpl_->modal; }

int Dialog::TemplateId() const { return dimpl_->templateId; }

Rect Dialog::TemplateRect() const { return dimpl_->templateRect; }

BaseUnits Dialog::Units() const { return dimpl_->units; }

Rect Dialog::MapDialogRect(const Rect& units) const { return DialogUnitsToPixels(units, dimpl_->units); }

// --- controls by id ---

namespace {

template <class W>
W* As(const DialogImpl& d, int id) {
  ControlRecord* r = d.Find(id);
  return r ? qobject_cast<W*>(r->widget) : nullptr;
}

}  // namespace

bool Dialog::HasItem(int id) const { return dimpl_->Find(id) != nullptr; }

ControlKind Dialog::ItemKind(int id) const {
  ControlRecord* r = dimpl_->Find(id);
  return r ? r->kind : ControlKind::Static;
}

void Dialog::SetItemText(int id, const std::string& text) {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return;
  QString s = ToQt(text);
  if (auto* label = dynamic_cast<detail::Label*>(r->widget)) {
    label->text = s;
    label->update();
  } else if (auto* line = qobject_cast<QLineEdit*>(r->widget)) {
    line->setText(s);
    // A single-line edit reports the program's change as a person's.
    if (!dimpl_->creating) dimpl_->Command(id, notify::kEditChange);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(r->widget)) {
    r->settingText = true;
    box->setPlainText(detail::ToEditText(s));
    r->lastText = box->toPlainText();
    r->settingText = false;
  } else if (auto* button = qobject_cast<QAbstractButton*>(r->widget)) {
    button->setText(s);
  } else if (auto* group = qobject_cast<QGroupBox*>(r->widget)) {
    group->setTitle(s);
  } else {
    r->widget->setWindowTitle(s);
  }
}

std::string Dialog::ItemText(int id) const {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return {};
  if (auto* label = dynamic_cast<detail::Label*>(r->widget)) return FromQt(label->text);
  if (auto* line = qobject_cast<QLineEdit*>(r->widget)) return FromQt(line->text());
  if (auto* box = qobject_cast<QPlainTextEdit*>(r->widget)) return FromQt(detail::FromEditText(box->toPlainText()));
  if (auto* button = qobject_cast<QAbstractButton*>(r->widget)) return FromQt(button->text());
  if (auto* group = qobject_cast<QGroupBox*>(r->widget)) return FromQt(group->title());
  if (auto* combo = qobject_cast<QComboBox*>(r->widget)) return FromQt(combo->currentText());
  return FromQt(r->widget->windowTitle());
}

void Dialog::EnableItem(int id, bool enable) {
  if (ControlRecord* r = dimpl_->Find(id)) r->widget->setEnabled(enable);
}

bool Dialog::IsItemEnabled(int id) const {
  ControlRecord* r = dimpl_->Find(id);
  return r && r->widget->isEnabled();
}

void Dialog::ShowItem(int id, bool show) {
  if (ControlRecord* r = dimpl_->Find(id)) r->widget->setVisible(show);
}

bool Dialog::IsItemVisible(int id) const {
  ControlRecord* r = dimpl_->Find(id);
  return r && r->widget->isVisibleTo(r->widget->parentWidget());
}

void Dialog::CheckItem(int id, bool checked) {
  if (auto* b = As<QAbstractButton>(*dimpl_, id)) b->setChecked(checked);
}

bool Dialog::IsItemChecked(int id) const {
  auto* b = As<QAbstractButton>(*dimpl_, id);
  return b && b->isChecked();
}

void Dialog::FocusItem(int id) {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return;
  QApplication::setActiveWindow(r->widget->window());
  r->widget->setFocus(Qt::OtherFocusReason);
}

int Dialog::FocusedItem() const {
  ControlRecord* r = dimpl_->FindWidget(QApplication::focusWidget());
  return r ? r->id : 0;
}

void Dialog::MoveItem(int id, const Rect& rect) {
  if (ControlRecord* r = dimpl_->Find(id)) r->widget->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

Rect Dialog::ItemRect(int id) const {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return {};
  QRect g = r->widget->geometry();
  return RectAt(g.x(), g.y(), g.width(), g.height());
}

void Dialog::SetItemFont(int id, const Font& font) {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return;
  r->font = font;
  r->hasFont = true;
  r->widget->setFont(detail::QtFont(font));
}

Font Dialog::ItemFont(int id) const {
  ControlRecord* r = dimpl_->Find(id);
  return r && r->hasFont ? r->font : Font{};
}

void Dialog::InvalidateItem(int id) {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return;
  dimpl_->ApplyColours(*r);
  r->widget->update();
  if (auto* box = qobject_cast<QAbstractScrollArea*>(r->widget)) box->viewport()->update();
}

// --- edits ---

void Dialog::SetEditLimit(int id, int bytes) {
  ControlRecord* r = dimpl_->Find(id);
  if (r && r->kind == ControlKind::Edit) r->editLimit = bytes < 0 ? 0 : bytes;
}

void Dialog::SetEditSelection(int id, int start, int end) {
  ControlRecord* r = dimpl_->Find(id);
  if (!r) return;
  std::string text = ItemText(id);
  auto position = [&](int bytes) {
    if (bytes < 0 || static_cast<std::size_t>(bytes) >= text.size()) return static_cast<int>(ToQt(text).size());
    return static_cast<int>(ToQt(std::string_view(text).substr(0, CutLength(text, static_cast<std::size_t>(bytes)))).size());
  };
  int from = position(start), to = position(end);
  if (auto* line = qobject_cast<QLineEdit*>(r->widget)) {
    line->setSelection(from, to - from);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(r->widget)) {
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
  }
}

// --- combo boxes ---

void Dialog::ComboReset(int id) {
  if (auto* c = As<QComboBox>(*dimpl_, id)) c->clear();
}

int Dialog::ComboAdd(int id, const std::string& text) {
  auto* c = As<QComboBox>(*dimpl_, id);
  if (!c) return -1;
  int was = c->currentIndex();
  c->addItem(ToQt(text));
  // Adding to an empty box chooses nothing, as the system's boxes do.
  if (was == -1) c->setCurrentIndex(-1);
  return c->count() - 1;
}

int Dialog::ComboCount(int id) const {
  auto* c = As<QComboBox>(*dimpl_, id);
  return c ? c->count() : 0;
}

void Dialog::ComboSelect(int id, int index) {
  auto* c = As<QComboBox>(*dimpl_, id);
  if (!c) return;
  c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
}

int Dialog::ComboSelection(int id) const {
  auto* c = As<QComboBox>(*dimpl_, id);
  return c ? c->currentIndex() : -1;
}

std::string Dialog::ComboText(int id, int index) const {
  auto* c = As<QComboBox>(*dimpl_, id);
  if (!c || index < 0 || index >= c->count()) return {};
  return FromQt(c->itemText(index));
}

// --- list views ---

int Dialog::ListInsertColumn(int id, int column, const std::string& caption, int width) {
  ControlRecord* r = dimpl_->Find(id);
  auto* t = r ? qobject_cast<QTableWidget*>(r->widget) : nullptr;
  if (!t) return -1;
  int at = std::clamp(column, 0, t->columnCount());
  r->settingText = true;
  t->insertColumn(at);
  auto* head = new QTableWidgetItem(ToQt(caption));
  head->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  t->setHorizontalHeaderItem(at, head);
  t->setColumnWidth(at, width);
  for (int row = 0; row < t->rowCount(); ++row) {
    auto* item = new QTableWidgetItem();
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    t->setItem(row, at, item);
  }
  r->settingText = false;
  return at;
}

int Dialog::ListColumnCount(int id) const {
  auto* t = As<QTableWidget>(*dimpl_, id);
  return t ? t->columnCount() : 0;
}

void Dialog::ListSetColumnWidth(int id, int column, int width) {
  auto* t = As<QTableWidget>(*dimpl_, id);
  if (t && column >= 0 && column < t->columnCount()) t->setColumnWidth(column, width);
}

int Dialog::ListColumnWidth(int id, int column) const {
  auto* t = As<QTableWidget>(*dimpl_, id);
  return t && column >= 0 && column < t->columnCount() ? t->columnWidth(column) : 0;
}

int Dialog::ListInsertRow(int id, int row, const std::string& text) {
  ControlRecord* r = dimpl_->Find(id);
  auto* t = r ? qobject_cast<QTableWidget*>(r->widget) : nullptr;
  if (!t) return -1;
  int at = std::clamp(row, 0, t->rowCount());
  r->settingText = true;
  t->insertRow(at);
  // Cells only for the columns there are: the table neither keeps nor frees an item set outside them.
  for (int column = 0; column < t->columnCount(); ++column) {
    auto* item = new QTableWidgetItem(column == 0 ? ToQt(text) : QString());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    t->setItem(at, column, item);
  }
  r->settingText = false;
  dimpl_->ListBaseline(*r);
  return at;
}

void Dialog::ListSetCell(int id, int row, int column, const std::string& text) {
  auto* t = As<QTableWidget>(*dimpl_, id);
  if (!t || row < 0 || row >= t->rowCount() || column < 0 || column >= t->columnCount()) return;
  if (QTableWidgetItem* item = t->item(row, column)) item->setText(ToQt(text));
}

std::string Dialog::ListCell(int id, int row, int column) const {
  auto* t = As<QTableWidget>(*dimpl_, id);
  if (!t) return {};
  QTableWidgetItem* item = t->item(row, column);
  return item ? FromQt(item->text()) : std::string();
}

int Dialog::ListRowCount(int id) const {
  auto* t = As<QTableWidget>(*dimpl_, id);
  return t ? t->rowCount() : 0;
}

void Dialog::ListDeleteAllRows(int id) {
  ControlRecord* r = dimpl_->Find(id);
  auto* t = r ? qobject_cast<QTableWidget*>(r->widget) : nullptr;
  if (!t) return;
  r->settingText = true;
  t->setRowCount(0);
  t->selectionModel()->clear();
  t->setCurrentIndex(QModelIndex());
  // As the system's: the rows that come next show from the first on.
  t->scrollToTop();
  r->settingText = false;
  dimpl_->ListBaseline(*r);
}

void Dialog::ListSetRowState(int id, int row, unsigned state, unsigned mask) {
  auto* t = As<QTableWidget>(*dimpl_, id);
  if (!t || row < -1 || row >= t->rowCount()) return;
  QItemSelectionModel* model = t->selectionModel();
  ControlRecord* r = dimpl_->Find(id);
  int first = row == -1 ? 0 : row, last = row == -1 ? t->rowCount() - 1 : row;
  // One report per row that changed, after the change.
  r->batching = true;
  for (int at = first; at <= last; ++at) {
    QModelIndex index = t->model()->index(at, 0);
    if (mask & kRowSelected) {
      // A list of single selection keeps one selected row, whoever selects it.
      QItemSelectionModel::SelectionFlags select = (r->style & kSingleSelection) ? QItemSelectionModel::ClearAndSelect
                                                                                 : QItemSelectionModel::Select;
      model->select(index, ((state & kRowSelected) ? select : QItemSelectionModel::Deselect) |
                               QItemSelectionModel::Rows);
    }
    if (mask & kRowFocused) {
      if (state & kRowFocused) {
        model->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
      } else if (model->currentIndex().row() == at) {
        model->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
      }
    }
  }
  r->batching = false;
  dimpl_->ListChanged(*r);
}

unsigned Dialog::ListRowState(int id, int row) const {
  auto* t = As<QTableWidget>(*dimpl_, id);
  if (!t || row < 0 || row >= t->rowCount()) return 0;
  return detail::RowState(t, row);
}

int Dialog::ListNextRow(int id, int after, unsigned state) const {
  int rows = ListRowCount(id);
  for (int row = std::max(after + 1, 0); row < rows; ++row) {
    if ((ListRowState(id, row) & state) == state) return row;
  }
  return -1;
}

// --- progress bars ---

void Dialog::ProgressSetRange(int id, int low, int high) {
  if (auto* p = As<QProgressBar>(*dimpl_, id)) p->setRange(low, high);
}

void Dialog::ProgressSetPos(int id, int pos) {
  if (auto* p = As<QProgressBar>(*dimpl_, id)) p->setValue(std::clamp(pos, p->minimum(), p->maximum()));
}

int Dialog::ProgressPos(int id) const {
  auto* p = As<QProgressBar>(*dimpl_, id);
  return p ? p->value() : 0;
}

std::pair<int, int> Dialog::ProgressRange(int id) const {
  auto* p = As<QProgressBar>(*dimpl_, id);
  return p ? std::pair<int, int>(p->minimum(), p->maximum()) : std::pair<int, int>(0, 0);
}

void Dialog::ProgressSetBackground(int id, Colour colour) {
  auto* p = As<QProgressBar>(*dimpl_, id);
  if (!p) return;
  QPalette palette = p->palette();
  palette.setColor(QPalette::Base, detail::ToQColor(colour));
  palette.setColor(QPalette::Window, detail::ToQColor(colour));
  p->setPalette(palette);
}

// --- handlers' defaults ---

bool Dialog::OnCommand(int, int) { return false; }
void Dialog::OnCtlColor(int, CtlColorType, ControlColors&) {}
void Dialog::OnListNotify(const ListNotification&) {}
bool Dialog::OnListRowColour(int, int, Colour&) { return false; }

}  // namespace platform::ui
