// The colours the controls' dialogs share: a white background under their edits, statics and themselves.
#pragma once

#include "platform/ui/dialog.h"

namespace controls {

inline constexpr platform::ui::Colour kWhite = platform::ui::Rgb(255, 255, 255);

// The white brush for the dialog, its edits and its statics (scroll bars have none of their own here).
inline void UseWhiteBrush(platform::ui::CtlColorType type, platform::ui::ControlColors& colors) {
  using platform::ui::CtlColorType;
  if (type == CtlColorType::Edit || type == CtlColorType::Dialog || type == CtlColorType::Static) {
    colors.brush = kWhite;
  }
}

}  // namespace controls
