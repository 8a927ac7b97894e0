// Virtual-key codes <-> Qt's keys.
#pragma once

#include <Qt>

namespace platform::ui::detail {

int VirtualKeyOf(int qtKey);  // 0 when the system has no code for it
int QtKeyOf(int vk);          // Qt::Key_unknown when Qt has no key for it

}  // namespace platform::ui::detail
