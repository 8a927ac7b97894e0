// The window of a control: what a host embeds, in place of the system's in-place activation. A host creates the
// control, loads its PARAM values, then asks it for this interface to create its window inside one of its own.
#pragma once

#include "platform/com/unknown.h"

namespace platform::ui {
class Window;
struct Rect;
}  // namespace platform::ui

namespace platform::com {

class IControlWindow : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{6F1B7C42-3D9E-4A57-8C21-5E0D4B9A7F13}");
  using Interface = IControlWindow;

  // Creates the control's window as a child of parent at rect (pixels); E_FAIL when its creation fails or it
  // stands already.
  virtual HRESULT CreateControlWindow(platform::ui::Window& parent, const platform::ui::Rect& rect) = 0;
  // The control's window; nullptr before it is created and after it is destroyed.
  virtual platform::ui::Window* ControlWindow() = 0;
  // Destroys the window (with the control's own handling of its destruction); nothing when there is none.
  virtual HRESULT DestroyControlWindow() = 0;
};

inline constexpr const IID& IID_IControlWindow = IControlWindow::kIid;

}  // namespace platform::com
