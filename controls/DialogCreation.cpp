#include "DialogCreation.h"

#include "ParamValues.h"

namespace controls {

namespace ui = platform::ui;

ui::DialogTemplate RefontTemplate(const ui::DialogTemplate& dialogTemplate, int dpiX, int dpiY) {
  ui::DialogTemplate refonted = dialogTemplate;
  refonted.font = "ＭＳ Ｐゴシック";
  refonted.fontSize = DialogPointSize(dpiX, dpiY);
  return refonted;
}

bool CreateDialogForDpi(ui::Dialog& dialog, const ui::DialogTemplate& dialogTemplate, ui::Window& parent, int dpiX,
                        int dpiY) {
  return dialog.Create(RefontTemplate(dialogTemplate, dpiX, dpiY), parent);
}

int DoModalForDpi(ui::Dialog& dialog, const ui::DialogTemplate& dialogTemplate, ui::Window* owner, int dpiX,
                  int dpiY) {
  return dialog.DoModal(RefontTemplate(dialogTemplate, dpiX, dpiY), owner);
}

}  // namespace controls
