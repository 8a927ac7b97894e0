// Dialogs created for the screen's resolution: the template's font becomes "ＭＳ Ｐゴシック" at 9 points when
// both DPI values exceed 96, else at 12, before the dialog is made from it.
#pragma once

#include "platform/ui/dialog.h"

namespace controls {

// The template with the font of the resolution rule.
platform::ui::DialogTemplate RefontTemplate(const platform::ui::DialogTemplate& dialogTemplate, int dpiX, int dpiY);

// A modeless dialog inside parent, made from the re-fonted template.
bool CreateDialogForDpi(platform::ui::Dialog& dialog, const platform::ui::DialogTemplate& dialogTemplate,
                        platform::ui::Window& parent, int dpiX, int dpiY);
// A modal dialog over owner, made from the re-fonted template; its result.
int DoModalForDpi(platform::ui::Dialog& dialog, const platform::ui::DialogTemplate& dialogTemplate,
                  platform::ui::Window* owner, int dpiX, int dpiY);

}  // namespace controls
