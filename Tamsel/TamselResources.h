// The selection control's dialog templates.
#pragma once

#include "platform/ui/dialog_template.h"

namespace tamsel {

inline constexpr int kIddUploadDialog = 204;
inline constexpr int kIddVekSelectDialog = 245;

const platform::ui::DialogTemplate& TamselAboutBoxTemplate();
const platform::ui::DialogTemplate& UploadDialogTemplate();
const platform::ui::DialogTemplate& VekSelectDialogTemplate();

}  // namespace tamsel
