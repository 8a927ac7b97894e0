// The widgets behind a dialog's controls, where Qt's own do not behave as the system's controls do.
#pragma once

#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QValidator>
#include <QWidget>

#include "internal.h"

namespace platform::ui::detail {

// Statics, links and pictures: painted here, in the colours the dialog gives.
class Label : public QWidget {
 public:
  Label(DialogImpl* dialog, ControlRecord* record, QWidget* parent);
  QString text;
  void Detach() { dialog_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  DialogImpl* dialog_;
  ControlRecord* record_;
  bool pressed_ = false;
};

// The most bytes a person may type into a single-line edit.
class ByteLimit : public QValidator {
 public:
  ByteLimit(ControlRecord* record, QObject* parent) : QValidator(parent), record_(record) {}
  State validate(QString& input, int& pos) const override;

 private:
  ControlRecord* record_;
};

// Asks the dialog for each list-view row's text colour.
class RowColours : public QStyledItemDelegate {
 public:
  RowColours(DialogImpl* dialog, int id, QObject* parent) : QStyledItemDelegate(parent), dialog_(dialog), id_(id) {}
  void Detach() { dialog_ = nullptr; }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  DialogImpl* dialog_;
  int id_;
};

// Events of the controls that become notifications: focus of edits, colours before painting, the list
// views' clicks and header drags. It keeps the controls' records, which live as long as their widgets.
class ControlEvents : public QObject {
 public:
  ControlEvents(DialogImpl* dialog, QObject* parent) : QObject(parent), dialog_(dialog) {}
  void Detach() { dialog_ = nullptr; }
  std::vector<std::unique_ptr<ControlRecord>> records;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DialogImpl* dialog_;
};

// Multi-line edits keep "\r\n" between lines, as the system's do; Qt keeps "\n".
QString ToEditText(const QString& text);
QString FromEditText(const QString& text);

}  // namespace platform::ui::detail
