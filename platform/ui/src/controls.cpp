#include "controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QTextOption>

#include "qt_text.h"

namespace platform::ui::detail {

namespace {

QColor ToQColor(Colour c) { return QColor(c.r, c.g, c.b); }

Qt::Alignment Horizontal(unsigned style) {
  if (style & kAlignCenter) return Qt::AlignHCenter;
  if (style & kAlignRight) return Qt::AlignRight;
  return Qt::AlignLeft;
}

// The system's report list makes each row one pixel higher than its font's characters, grid line included:
// a template's list holds as many rows as it does there.
void SetSystemRowHeight(QTableWidget* t) {
  t->verticalHeader()->setMinimumSectionSize(1);
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 1);
}

}  // namespace

QString ToEditText(const QString& text) {
  QString s = text;
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

QString FromEditText(const QString& text) {
  QString s = text;
  s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return s;
}

Label::Label(DialogImpl* dialog, ControlRecord* record, QWidget* parent)
    : QWidget(parent), dialog_(dialog), record_(record) {
  // Clicks on a static that reports none go to the window beneath it, as on the system.
  if (record->kind != ControlKind::Link) setAttribute(Qt::WA_TransparentForMouseEvents);
  if (record->kind == ControlKind::Link) setCursor(Qt::PointingHandCursor);
}

void Label::paintEvent(QPaintEvent*) {
  if (!dialog_) return;
  QPainter p(this);
  if (record_->kind == ControlKind::Picture) {
    // The dialog paints what lies inside.
    if (record_->style & kBorder) {
      p.setPen(QColor(160, 160, 160));
      p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    return;
  }
  ControlColors c = dialog_->ColoursOf(*record_);
  if (c.brush) p.fillRect(rect(), ToQColor(*c.brush));
  if (record_->style & kBorder) {
    p.setPen(QColor(160, 160, 160));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  int flags = static_cast<int>(Horizontal(record_->style)) | Qt::TextWordWrap;
  flags |= (record_->style & kCenterVertical) ? Qt::AlignVCenter : Qt::AlignTop;
  flags |= (record_->style & kNoPrefix) ? 0 : Qt::TextShowMnemonic;
  if (!c.transparent && c.textBackground) {
    QRect used = p.boundingRect(rect(), flags, text);
    p.fillRect(used, ToQColor(*c.textBackground));
  }
  p.setPen(isEnabled() ? ToQColor(c.text.value_or(Rgb(0, 0, 0))) : QColor(109, 109, 109));
  p.drawText(rect(), flags, text);
}

void Label::mousePressEvent(QMouseEvent* event) {
  pressed_ = record_->kind == ControlKind::Link && event->button() == Qt::LeftButton;
  event->accept();
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
  bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click && dialog_) dialog_->Command(record_->id, notify::kClicked);
}

QValidator::State ByteLimit::validate(QString& input, int&) const {
  if (record_->editLimit > 0 && FromQt(input).size() > static_cast<std::size_t>(record_->editLimit)) {
    return Invalid;
  }
  return Acceptable;
}

void RowColours::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  Colour c;
  if (dialog_ && dialog_->self && WindowAccess::OnListRowColour(*dialog_->self, id_, index.row(), c)) {
    option->palette.setColor(QPalette::Text, ToQColor(c));
  }
}

bool ControlEvents::eventFilter(QObject* watched, QEvent* event) {
  if (!dialog_ || !dialog_->self) return false;
  ControlRecord* r = dialog_->FindWidget(watched);
  if (!r) return false;
  switch (event->type()) {
    case QEvent::Paint:
      if (r->kind != ControlKind::Static && r->kind != ControlKind::Link && r->kind != ControlKind::Picture) {
        dialog_->ApplyColours(*r);
        // A multi-line edit's page was filled before its paint arrived: fill it in the colours now asked.
        auto* box = qobject_cast<QPlainTextEdit*>(r->widget);
        if (box && watched == box->viewport()) {
          QPainter(box->viewport()).fillRect(static_cast<QPaintEvent*>(event)->rect(), box->palette().color(QPalette::Base));
        }
      }
      return false;
    case QEvent::FontChange:
      if (r->kind == ControlKind::ListView && watched == r->widget) {
        SetSystemRowHeight(static_cast<QTableWidget*>(r->widget));
      }
      return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      if (r->kind == ControlKind::Edit && watched == r->widget) {
        dialog_->Command(r->id, event->type() == QEvent::FocusIn ? notify::kEditSetFocus : notify::kEditKillFocus);
      }
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress: {
      if (r->kind != ControlKind::ListView || r->batching) return false;
      auto* table = static_cast<QTableWidget*>(r->widget);
      if (watched == table->horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
          r->headerPressed = true;
          r->draggedColumn = -1;
        } else if (event->type() == QEvent::MouseButtonRelease) {
          int column = r->draggedColumn;
          r->headerPressed = false;
          r->draggedColumn = -1;
          if (column >= 0) {
            int width = table->columnWidth(column);
            ListNotification n{r->id, ListEvent::HeaderEndTrack, -1, column, width};
            DialogImpl* d = dialog_;
            WindowAccess::OnListNotify(*d->self, n);
            n.event = ListEvent::HeaderItemChanged;
            if (dialog_ && d->self) WindowAccess::OnListNotify(*d->self, n);
          }
        }
        return false;
      }
      // The view changes a row's selection and focus in steps; a person's one click or key is one change of
      // each row's state, so the view takes the input first and the rows are compared afterwards.
      r->batching = true;
      QApplication::sendEvent(watched, event);
      r->batching = false;
      if (!dialog_) return true;
      dialog_->ListChanged(*r);
      if (watched != table->viewport() || event->type() != QEvent::MouseButtonRelease) return true;
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton && dialog_ && dialog_->self) {
        ListNotification n{r->id, ListEvent::Click, table->rowAt(mouse->position().toPoint().y())};
        WindowAccess::OnListNotify(*dialog_->self, n);
      }
      return true;
    }
    default:
      return false;
  }
}

namespace {

// The system's check box takes a click anywhere in its rectangle. It and the group box fill their backgrounds
// themselves, after the colours were asked for.
class CheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
  void paintEvent(QPaintEvent* event) override {
    QPainter(this).fillRect(rect(), palette().color(QPalette::Window));
    QCheckBox::paintEvent(event);
  }
};

class GroupBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter(this).fillRect(rect(), palette().color(QPalette::Window));
    QGroupBox::paintEvent(event);
  }
};

QWidget* MakeEdit(DialogImpl* d, ControlRecord* r, QWidget* parent, const QString& caption) {
  const unsigned s = r->style;
  if (s & kMultiLine) {
    auto* e = new QPlainTextEdit(parent);
    e->setPlainText(ToEditText(caption));
    e->setReadOnly(s & kReadOnly);
    e->setTabChangesFocus(true);
    e->setVerticalScrollBarPolicy((s & kVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    QTextOption option = e->document()->defaultTextOption();
    option.setAlignment(Horizontal(s));
    e->document()->setDefaultTextOption(option);
    e->setAcceptDrops(false);
    r->lastText = e->toPlainText();
    QObject::connect(e, &QPlainTextEdit::textChanged, e, [d, r, e] {
      if (r->settingText) return;
      if (r->editLimit > 0 && FromQt(FromEditText(e->toPlainText())).size() > static_cast<std::size_t>(r->editLimit)) {
        // The person typed past the limit: the keystroke is refused.
        r->settingText = true;
        e->setPlainText(r->lastText);
        e->moveCursor(QTextCursor::End);
        r->settingText = false;
        return;
      }
      r->lastText = e->toPlainText();
      d->Command(r->id, notify::kEditChange);
    });
    return e;
  }
  auto* e = new QLineEdit(caption, parent);
  e->setReadOnly(s & kReadOnly);
  e->setAlignment(Horizontal(s) | Qt::AlignVCenter);
  e->setValidator(new ByteLimit(r, e));
  e->setAcceptDrops(false);
  QObject::connect(e, &QLineEdit::textEdited, e, [d, r] { d->Command(r->id, notify::kEditChange); });
  return e;
}

QWidget* MakeList(DialogImpl* d, ControlRecord* r, QWidget* parent) {
  const unsigned s = r->style;
  auto* t = new QTableWidget(parent);
  t->setColumnCount(0);
  t->verticalHeader()->hide();
  t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  SetSystemRowHeight(t);
  QHeaderView* header = t->horizontalHeader();
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionsClickable(!(s & kNoSortHeader));
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setMinimumSectionSize(0);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode((s & kSingleSelection) ? QAbstractItemView::SingleSelection
                                             : QAbstractItemView::ExtendedSelection);
  t->setShowGrid(s & kGridLines);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setWordWrap(false);
  t->setCornerButtonEnabled(false);
  t->setItemDelegate(new RowColours(d, r->id, t));
  if (s & kShowSelectionAlways) {
    QPalette p = t->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    t->setPalette(p);
  }
  QObject::connect(t->selectionModel(), &QItemSelectionModel::selectionChanged, t, [d, r] { d->ListChanged(*r); });
  QObject::connect(t->selectionModel(), &QItemSelectionModel::currentChanged, t, [d, r] { d->ListChanged(*r); });
  QObject::connect(header, &QHeaderView::sectionResized, t, [d, r](int column, int, int width) {
    if (d->creating || r->settingText || !d->self) return;
    if (r->headerPressed) r->draggedColumn = column;
    WindowAccess::OnListNotify(*d->self, ListNotification{r->id, ListEvent::HeaderItemChanged, -1, column, width});
  });
  header->viewport()->installEventFilter(d->events);
  t->viewport()->installEventFilter(d->events);
  // A list view that gets the focus focuses no row by itself, as the system's does not.
  t->setCurrentIndex(QModelIndex());
  return t;
}

QWidget* MakeWidget(DialogImpl* d, ControlRecord* r, QWidget* parent, const ControlTemplate& c) {
  const QString caption = ToQt(c.caption);
  switch (c.kind) {
    case ControlKind::Static:
    case ControlKind::Link:
    case ControlKind::Picture: {
      auto* l = new Label(d, r, parent);
      l->text = caption;
      return l;
    }
    case ControlKind::Edit:
      return MakeEdit(d, r, parent, caption);
    case ControlKind::Button: {
      auto* b = new QPushButton(caption, parent);
      b->setAutoDefault(false);
      b->setDefault(c.style & kDefaultButton);
      QObject::connect(b, &QPushButton::clicked, b, [d, r] { d->Command(r->id, notify::kClicked); });
      return b;
    }
    case ControlKind::CheckBox: {
      auto* b = new CheckBox(caption, parent);
      QObject::connect(b, &QCheckBox::clicked, b, [d, r] { d->Command(r->id, notify::kClicked); });
      return b;
    }
    case ControlKind::ComboBox: {
      auto* b = new QComboBox(parent);
      for (const std::string& item : c.items) b->addItem(ToQt(item));
      b->setCurrentIndex(-1);
      QObject::connect(b, &QComboBox::activated, b, [d, r] { d->Command(r->id, notify::kSelChange); });
      return b;
    }
    case ControlKind::ListView:
      return MakeList(d, r, parent);
    case ControlKind::Progress: {
      auto* b = new QProgressBar(parent);
      b->setRange(0, 100);
      b->setValue(0);
      b->setTextVisible(false);
      return b;
    }
    case ControlKind::GroupBox: {
      auto* g = new GroupBox(caption, parent);
      g->setAttribute(Qt::WA_TransparentForMouseEvents);
      return g;
    }
    case ControlKind::Browser: {
      auto* w = new QWidget(parent);
      w->setAttribute(Qt::WA_TransparentForMouseEvents);
      return w;
    }
  }
  return new QWidget(parent);
}

}  // namespace

void CreateControls(Dialog& dialog, const DialogTemplate& dialogTemplate) {
  DialogImpl& d = WindowAccess::Impl(dialog);
  QWidget* parent = WidgetOf(dialog);
  d.events = new ControlEvents(&d, parent);
  for (const ControlTemplate& c : dialogTemplate.controls) {
    auto record = std::make_unique<ControlRecord>();
    ControlRecord* r = record.get();
    r->id = c.id;
    r->kind = c.kind;
    r->style = c.style;
    d.events->records.push_back(std::move(record));
    d.controls.push_back(r);
    QWidget* w = MakeWidget(&d, r, parent, c);
    r->widget = w;
    Rect px = ItemPixels(c.x, c.y, c.cx, c.cy, d.units);
    int height = px.Height();
    // A drop-down list's template height holds its open list; the box itself is as high as its font needs.
    if (c.kind == ControlKind::ComboBox) height = std::min(height, w->sizeHint().height());
    w->setGeometry(px.left, px.top, px.Width(), height);
    w->setEnabled(!(c.style & kDisabled));
    w->setVisible(!(c.style & kHidden) && c.kind != ControlKind::Browser);
    w->installEventFilter(d.events);
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) e->viewport()->installEventFilter(d.events);
  }
}

}  // namespace platform::ui::detail
