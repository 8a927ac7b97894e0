// The selection control's dialog templates.
#pragma once

#include "platform/ui/dialog_template.h"

namespace tamsel {

inline constexpr int kIddAboutBox = 1;
inline constexpr int kIddPropPage = 200;
inline constexpr int kIddUploadDialog = 204;
inline constexpr int kIddVekSelectDialog = 245;

// The version the dialogs show.
inline constexpr const char* kVersionText = "1,1,2,0";

const platform::ui::DialogTemplate& TamselAboutBoxTemplate();
const platform::ui::DialogTemplate& TamselPropPageTemplate();
const platform::ui::DialogTemplate& UploadDialogTemplate();
const platform::ui::DialogTemplate& VekSelectDialogTemplate();

}  // namespace tamsel
