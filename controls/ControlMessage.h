// The message boxes of the controls: a string-table text formatted with its arguments, titled with the
// product name (string 57344), asked through the window layer's services.
#pragma once

#include <string>
#include <vector>

#include "MessageText.h"
#include "platform/ui/services.h"

namespace platform::ui {
class Window;
}

namespace controls {

inline constexpr int kIdsMessageTitle = 57344;

// Shows message id of table with its arguments; gives the person's answer.
platform::ui::BoxAnswer ShowTableMessage(const std::vector<StringEntry>& table, int id, platform::ui::BoxIcon icon,
                                         const std::vector<MessageArg>& args = {},
                                         platform::ui::BoxButtons buttons = platform::ui::BoxButtons::Ok,
                                         int defaultButton = 0, platform::ui::Window* owner = nullptr);

// Shows a text of its own under the table's title.
platform::ui::BoxAnswer ShowTextMessage(const std::vector<StringEntry>& table, const std::string& text,
                                        platform::ui::BoxIcon icon,
                                        platform::ui::BoxButtons buttons = platform::ui::BoxButtons::Ok,
                                        int defaultButton = 0, platform::ui::Window* owner = nullptr);

}  // namespace controls
