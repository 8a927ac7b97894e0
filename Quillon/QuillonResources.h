// The photo control's dialog templates.
#pragma once

#include "platform/ui/dialog_template.h"

namespace quillon {

inline constexpr int kIddFormDialog = 201;
inline constexpr int kIddUploadDialog = 204;

const platform::ui::DialogTemplate& QuillonAboutBoxTemplate();
const platform::ui::DialogTemplate& FormDialogTemplate();
const platform::ui::DialogTemplate& UploadDialogTemplate();

}  // namespace quillon
