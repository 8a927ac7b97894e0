// The window: a top-level window of a host or a child of another window, with the handlers the system's
// windows override. Everything runs on the thread of the event loop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/painter.h"
#include "platform/ui/types.h"

namespace platform::ui {

namespace detail {
struct WindowImpl;
struct WindowAccess;
}  // namespace detail

class Window {
 public:
  Window();
  // Destroys a window still standing without running OnDestroy (the derived object is already gone): a class
  // that needs its OnDestroy calls Destroy() in its own destructor.
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // A top-level window of the host with a caption and its client area at rect (pixels on the screen); hidden
  // until shown. False when it stands already or OnCreate returns -1 (the window is then gone again).
  bool CreateTopLevel(const std::string& caption, const Rect& rect);
  // A child window of parent at rect (pixels, the parent's client coordinates), shown unless visible is false.
  bool CreateChild(Window& parent, const Rect& rect, bool visible = true);
  // Runs OnDestroy, then destroys the child windows (each running its OnDestroy), then the window. A window
  // destroyed already or never created: nothing.
  void Destroy();
  bool IsCreated() const;

  Window* Parent() const;
  std::vector<Window*> Children() const;  // the windows of this layer directly inside, in creation order

  void Show(bool show);    // a top-level window is activated too
  bool IsVisible() const;  // its own visible flag, whatever its parents'
  void Enable(bool enable);
  bool IsEnabled() const;
  void Move(const Rect& rect);  // pixels, the parent's client coordinates (the screen's for a top-level window)
  Rect WindowRect() const;      // where it stands, as Move takes it
  Rect ClientRect() const;      // (0, 0, width, height)
  void SetText(const std::string& text);  // the caption, CP932
  std::string Text() const;
  void Focus();  // the keyboard focus; activates its top-level window

  // Marks the window (or a part of it, in client coordinates) for painting; it is painted when the loop runs.
  void Invalidate(bool erase = true);
  void InvalidateRect(const Rect& rect, bool erase = true);
  // Runs OnPaint on the given painter, e.g. a recording one.
  void Paint(Painter& painter);
  // Saves the window's picture, with its children, as a PNG file (CP932 path). Only the part that its parents
  // leave visible is taken (a child window moved far larger than its parent is cut there).
  bool SaveScreenshot(const std::string& path);

  // Timer id fires OnTimer(id) every elapseMs milliseconds (at least 10) until killed; setting an id that is
  // set restarts it. False when the window does not stand.
  bool SetTimer(int id, unsigned elapseMs);
  bool KillTimer(int id);  // false when it was not set

  // Files dropped on the window reach OnDropFiles.
  void DragAcceptFiles(bool accept);
  // The keys meant for this window or any window inside it reach PreTranslateMessage first; when it returns
  // true the key is consumed. The innermost previewing window is asked first.
  void SetPreviewKeys(bool preview);

  // Key routing: true when the key is handled and goes no further.
  virtual bool PreTranslateMessage(const KeyMessage& message);

 protected:
  virtual int OnCreate();  // 0 goes on, -1 fails the creation
  virtual void OnDestroy() {}
  virtual void OnPaint(Painter& painter);
  virtual void OnTimer(int id);
  virtual void OnLButtonDown(int x, int y);  // client coordinates
  virtual void OnMouseActivate() {}          // a mouse button was pressed in the window or a window inside it
  virtual void OnDropFiles(const std::vector<std::string>& paths);  // CP932 paths

 private:
  friend struct detail::WindowAccess;
  std::unique_ptr<detail::WindowImpl> impl_;
};

}  // namespace platform::ui
