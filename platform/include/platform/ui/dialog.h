// Dialogs from templates: modeless inside a window or modal in a loop of their own, with their controls
// reached by id and the handlers the system's dialogs override. Texts are CP932.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/ui/dialog_template.h"
#include "platform/ui/window.h"

namespace platform::ui {

// Notification codes of OnCommand, numbered as the system numbers them.
namespace notify {
constexpr int kClicked = 0;         // a button, check box or link was clicked
constexpr int kSelChange = 1;       // a person chose another combo entry
constexpr int kEditSetFocus = 0x100;
constexpr int kEditKillFocus = 0x200;
constexpr int kEditChange = 0x300;  // a person changed the text, or the program set a single-line edit's text
}  // namespace notify

// What asks for its colours in OnCtlColor.
enum class CtlColorType {
  Dialog,   // the dialog's own background
  Static,   // labels, links, pictures, group boxes, check boxes and read-only edits
  Edit,
  Button,   // push buttons (colours are not used on them)
  ListBox,  // combo boxes
};

// The colours a control is painted with. Left empty, the system's: the face colour for dialogs and statics,
// white for edits and combo boxes, black text.
struct ControlColors {
  std::optional<Colour> brush;           // background
  std::optional<Colour> text;            // text colour
  bool transparent = false;              // text drawn without filling its cells
  std::optional<Colour> textBackground;  // fill of the text cells when not transparent (else the brush)
};

// State bits of a list-view row.
constexpr unsigned kRowFocused = 1;
constexpr unsigned kRowSelected = 2;

enum class ListEvent {
  ItemChanged,        // a row's state changed: row, oldState, newState
  Click,              // a click in the list: row (-1 for none)
  HeaderEndTrack,     // a person finished dragging a column's edge: column, width
  HeaderItemChanged,  // a column's width changed, by a person or the program: column, width
};

struct ListNotification {
  int id = 0;
  ListEvent event = ListEvent::ItemChanged;
  int row = -1;
  int column = -1;
  int width = 0;
  unsigned oldState = 0;
  unsigned newState = 0;
};

namespace detail {
struct DialogImpl;
}

class Dialog : public Window {
 public:
  Dialog();
  ~Dialog() override;

  // A modeless dialog inside parent at the template's position, shown when the template says so. Runs
  // OnCreate, creates the controls, then runs OnInitDialog. False when it stands already or OnCreate fails.
  bool Create(const DialogTemplate& dialogTemplate, Window& parent);
  // A modal dialog over owner (or none): runs until EndDialog and gives its result; -1 when it could not be
  // created. The dialog's window is destroyed before it returns.
  int DoModal(const DialogTemplate& dialogTemplate, Window* owner);
  // Ends a modal dialog with result (also from OnInitDialog, before it is shown); hides a modeless one.
  void EndDialog(int result);
  bool IsModal() const;  // a modal loop of this dialog is running
  int TemplateId() const;
  // Where the template puts the dialog, in pixels (its size is the dialog's natural size, whatever Move did
  // later); empty before its creation.
  Rect TemplateRect() const;

  // The template's base units and rectangles in pixels.
  BaseUnits Units() const;
  Rect MapDialogRect(const Rect& units) const;

  // Controls by id; an id without a control gives empty answers and changes nothing.
  bool HasItem(int id) const;
  ControlKind ItemKind(int id) const;  // Static for an id without a control
  void SetItemText(int id, const std::string& text);
  std::string ItemText(int id) const;  // a combo box: its chosen entry's text
  void EnableItem(int id, bool enable);
  bool IsItemEnabled(int id) const;
  void ShowItem(int id, bool show);
  bool IsItemVisible(int id) const;  // its own visible flag
  void CheckItem(int id, bool checked);
  bool IsItemChecked(int id) const;
  void FocusItem(int id);
  int FocusedItem() const;  // the control with the keyboard focus, 0 for none
  void MoveItem(int id, const Rect& rect);  // pixels, client coordinates of the dialog
  Rect ItemRect(int id) const;
  void SetItemFont(int id, const Font& font);
  Font ItemFont(int id) const;
  void InvalidateItem(int id);  // paints it again, asking OnCtlColor

  // Edits. Positions are CP932 byte offsets, -1 for the end.
  void SetEditLimit(int id, int bytes);  // the most a person can type; 0 for no limit
  void SetEditSelection(int id, int start, int end);

  // Combo boxes.
  void ComboReset(int id);
  int ComboAdd(int id, const std::string& text);  // its index, -1 when it is no combo box
  int ComboCount(int id) const;
  void ComboSelect(int id, int index);  // -1: none; sends no notification
  int ComboSelection(int id) const;     // -1: none
  std::string ComboText(int id, int index) const;

  // List views (report style). Rows and columns count from 0; texts are CP932.
  int ListInsertColumn(int id, int column, const std::string& caption, int width);
  int ListColumnCount(int id) const;
  void ListSetColumnWidth(int id, int column, int width);
  int ListColumnWidth(int id, int column) const;
  int ListInsertRow(int id, int row, const std::string& text);  // its index; row past the end appends
  void ListSetCell(int id, int row, int column, const std::string& text);
  std::string ListCell(int id, int row, int column) const;
  int ListRowCount(int id) const;
  void ListDeleteAllRows(int id);
  // Sets the bits of mask in row's state to those of state (kRowSelected, kRowFocused).
  void ListSetRowState(int id, int row, unsigned state, unsigned mask);
  unsigned ListRowState(int id, int row) const;
  int ListNextRow(int id, int after, unsigned state) const;  // the first row after `after` with those bits

  // Progress bars.
  void ProgressSetRange(int id, int low, int high);
  void ProgressSetPos(int id, int pos);
  int ProgressPos(int id) const;
  std::pair<int, int> ProgressRange(int id) const;  // low and high; (0, 0) for an id without a progress bar
  void ProgressSetBackground(int id, Colour colour);

 protected:
  virtual bool OnInitDialog() { return true; }
  // True when handled. An unhandled kIdOk or kIdCancel ends a modal dialog with that id.
  virtual bool OnCommand(int id, int notification);
  // id is 0 for the dialog itself.
  virtual void OnCtlColor(int id, CtlColorType type, ControlColors& colors);
  virtual void OnListNotify(const ListNotification& notification);
  // The text colour of a list-view row; false keeps the default.
  virtual bool OnListRowColour(int id, int row, Colour& text);

 private:
  friend struct detail::WindowAccess;
  std::unique_ptr<detail::DialogImpl> dimpl_;
};

}  // namespace platform::ui
