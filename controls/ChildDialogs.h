// The child dialogs a control owns: made inside its window at a place, and ended with their windows.
#pragma once

#include <memory>

#include "platform/ui/types.h"

namespace controls {

// Makes the dialog's window (its own Create) and moves it to rect; nothing for a dialog that was never allocated.
template <class D>
void CreateChildDialog(const std::unique_ptr<D>& dialog, const platform::ui::Rect& rect) {
  if (dialog && dialog->Create()) dialog->Move(rect);
}

// Destroys the dialog's window and frees the dialog.
template <class D>
void DestroyChildDialog(std::unique_ptr<D>& dialog) {
  if (!dialog) return;
  dialog->Destroy();
  dialog.reset();
}

}  // namespace controls
