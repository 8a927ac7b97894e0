// What the layer's parts share about windows and dialogs: the Qt widget behind each window, the state behind
// each window and dialog, and the door to the handlers.
#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/window.h"

class QEventLoop;

namespace platform::ui::detail {

class WindowWidget;
class ControlEvents;

struct TimerState {
  unsigned elapse = 0;
  int qtId = 0;             // on the event loop's time
  std::uint64_t due = 0;    // on the test clock
  std::uint64_t serial = 0;
  bool onTestClock = false;
};

struct WindowImpl {
  Window* self = nullptr;
  QPointer<WindowWidget> widget;
  Window* parent = nullptr;
  std::vector<Window*> children;
  bool previewKeys = false;
  bool acceptFiles = false;
  bool destroying = false;
  std::map<int, TimerState> timers;
  Dialog* dialog = nullptr;  // the window is this dialog
};

// The widget of a window: its events become the window's handlers.
class WindowWidget : public QWidget {
 public:
  WindowWidget(Window* owner, QWidget* parent, Qt::WindowFlags flags);
  Window* owner = nullptr;  // null once the window is destroyed

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

struct ControlRecord {
  int id = kNoId;
  ControlKind kind = ControlKind::Static;
  unsigned style = 0;
  QWidget* widget = nullptr;
  Font font;
  bool hasFont = false;
  int editLimit = 0;
  QString lastText;          // multi-line edits: the text before a person's change, kept for the limit
  bool settingText = false;  // the program is setting the text
  std::vector<unsigned> rowStates;  // list views: the row states last reported
  int draggedColumn = -1;           // list views: the column a person is resizing
  bool headerPressed = false;
  bool batching = false;            // list views: a person's input is being taken
  // The colours last applied, so that asking again changes nothing when they stand.
  bool coloursApplied = false;
  ControlColors applied;
};

struct DialogImpl {
  Dialog* self = nullptr;
  int templateId = 0;
  Rect templateRect;  // pixels
  BaseUnits units;
  std::vector<ControlRecord*> controls;  // owned by events
  ControlEvents* events = nullptr;        // owned by the widget
  bool creating = false;            // notifications are held back while the controls are made
  bool modal = false;
  bool ended = false;
  int result = 0;
  QEventLoop* loop = nullptr;

  ControlRecord* Find(int id) const;
  ControlRecord* FindWidget(const QObject* widget) const;
  void Command(int id, int code);
  ControlColors ColoursOf(const ControlRecord& record);
  // Asks OnCtlColor for a control's colours (or every control's) and sets them where they changed.
  void ApplyColours(ControlRecord& record);
  void ApplyAllColours();
  void ListChanged(ControlRecord& record);  // reports the rows whose state changed
  void ListBaseline(ControlRecord& record);  // takes the row states as they are, reporting nothing
  // Cuts the controls' widgets off from the dialog when its window goes (they are deleted later).
  void Release();
};

// The handlers are the windows' own; the layer calls them through here.
struct WindowAccess {
  static WindowImpl& Impl(Window& w) { return *w.impl_; }
  static const WindowImpl& Impl(const Window& w) { return *w.impl_; }
  static DialogImpl& Impl(Dialog& d) { return *d.dimpl_; }
  static const DialogImpl& Impl(const Dialog& d) { return *d.dimpl_; }
  static int OnCreate(Window& w) { return w.OnCreate(); }
  static void OnDestroy(Window& w) { w.OnDestroy(); }
  static void OnPaint(Window& w, Painter& p) { w.OnPaint(p); }
  static void OnTimer(Window& w, int id) { w.OnTimer(id); }
  static void OnLButtonDown(Window& w, int x, int y) { w.OnLButtonDown(x, y); }
  static void OnMouseActivate(Window& w) { w.OnMouseActivate(); }
  static void OnDropFiles(Window& w, const std::vector<std::string>& paths) { w.OnDropFiles(paths); }
  static bool OnInitDialog(Dialog& d) { return d.OnInitDialog(); }
  static bool OnCommand(Dialog& d, int id, int code) { return d.OnCommand(id, code); }
  static void OnCtlColor(Dialog& d, int id, CtlColorType type, ControlColors& c) { d.OnCtlColor(id, type, c); }
  static void OnListNotify(Dialog& d, const ListNotification& n) { d.OnListNotify(n); }
  static bool OnListRowColour(Dialog& d, int id, int row, Colour& c) { return d.OnListRowColour(id, row, c); }
};

// The window whose widget is w or holds w; nullptr when none.
Window* WindowOf(const QWidget* w);
QWidget* WidgetOf(const Window& window);
// The widget of a dialog's control; nullptr when none.
QWidget* ItemWidget(const Dialog& dialog, int id);

// Builds the window's widget and links it to its parent; the creation steps before OnCreate.
bool AttachWidget(Window& window, Window* parent, QWidget* parentWidget, Qt::WindowFlags flags, const Rect& rect);
// Cuts the window off its widget and its parent (no OnDestroy); the widget is deleted later.
void DetachWidget(Window& window);
// What a destructor does to a window that still stands: destroys the windows inside, then detaches it.
void Teardown(Window& window);

// Timers (timers.cpp).
bool SetWindowTimer(Window& window, int id, unsigned elapseMs);
bool KillWindowTimer(Window& window, int id);
void KillAllTimers(Window& window);
void FireQtTimer(Window& window, int qtId);

// Fonts (qt_fonts.cpp): the Qt font of a font, and the font of a template at a DPI.
QFont QtFont(const Font& font);
QFont TemplateFont(const std::string& face, int points, int dpi);

// Dialog units (dialog_units.cpp): the base units of a font, and a control's place in pixels.
BaseUnits UnitsOf(const QFont& font);
Rect ItemPixels(int x, int y, int cx, int cy, BaseUnits base);

// The window's controls' colours: the system's for a type, filled in where the handler left them empty.
Colour DefaultBrush(CtlColorType type);

// Creates a dialog's controls (controls.cpp).
void CreateControls(Dialog& dialog, const DialogTemplate& dialogTemplate);

// Installs the application's key and mouse routing (router.cpp); once per application.
void InstallRouter();

// The modal dialogs running, innermost last (dialog.cpp).
const std::vector<Dialog*>& ModalDialogs();

}  // namespace platform::ui::detail
