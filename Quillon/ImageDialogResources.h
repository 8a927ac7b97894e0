// The image dialog's template (dialog 202), apart from the other templates of the control.
#pragma once

#include "platform/ui/dialog_template.h"

namespace quillon {

inline constexpr int kIddImageDialog = 202;

const platform::ui::DialogTemplate& ImageDialogTemplate();

}  // namespace quillon
