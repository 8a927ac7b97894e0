// Driving windows as a person would, for tests and the page host. Each step is refused, with the reason in
// *error (CP932), when a person could not do it: a missing, hidden or disabled control, a window that does
// not stand or does not take drops.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/dialog.h"

namespace platform::ui::driver {

// A click: the focus moves to the control first (to those that take it); buttons and check boxes are pressed
// and released, a check box toggles; on a picture frame the left button is pressed at its centre, which
// reaches whatever window lies there (the dialog, for a frame it paints itself).
bool Click(Dialog& dialog, int id, std::string* error = nullptr);
// Replaces an edit's text as typed (a change notification; the edit's limit holds).
bool Type(Dialog& dialog, int id, const std::string& text, std::string* error = nullptr);
// Clicks a check box when its state differs.
bool Check(Dialog& dialog, int id, bool checked, std::string* error = nullptr);
// Chooses a combo entry (a selection-change notification) or clicks a list-view row.
bool Select(Dialog& dialog, int id, int index, std::string* error = nullptr);
// Drags the right edge of a list-view column until the column is width pixels wide.
bool DragColumn(Dialog& dialog, int id, int column, int width, std::string* error = nullptr);
// A key press: Ctrl down first when ctrl is set, then the key down and up, to the focused widget inside the
// window (the window itself when nothing in it has the focus).
bool PressKey(Window& window, int vk, bool ctrl = false, std::string* error = nullptr);
// Drops files (CP932 paths) on the window, at its centre.
bool DropFiles(Window& window, const std::vector<std::string>& paths, std::string* error = nullptr);

// The dialog a person sees in root: the innermost modal dialog running over it, else the first visible dialog
// inside it; nullptr when none.
Dialog* VisibleDialog(Window& root);

}  // namespace platform::ui::driver
