#include "ControlMessage.h"

namespace controls {

namespace ui = platform::ui;

ui::BoxAnswer ShowTextMessage(const std::vector<StringEntry>& table, const std::string& text, ui::BoxIcon icon,
                              ui::BoxButtons buttons, int defaultButton, ui::Window* owner) {
  ui::MessageBoxRequest box;
  box.text = text;
  const char* title = FindString(table, kIdsMessageTitle);
  box.title = title ? title : "";
  box.icon = icon;
  box.buttons = buttons;
  box.defaultButton = defaultButton;
  return ui::CurrentServices().ShowMessageBox(box, owner);
}

ui::BoxAnswer ShowTableMessage(const std::vector<StringEntry>& table, int id, ui::BoxIcon icon,
                               const std::vector<MessageArg>& args, ui::BoxButtons buttons, int defaultButton,
                               ui::Window* owner) {
  const char* format = FindString(table, id);
  return ShowTextMessage(table, FormatMessageText(format ? format : "", args), icon, buttons, defaultButton, owner);
}

}  // namespace controls
