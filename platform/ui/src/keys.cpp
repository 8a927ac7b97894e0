#include "keys.h"

#include <utility>

#include "platform/ui/types.h"

namespace platform::ui::detail {

namespace {

constexpr std::pair<int, int> kKeys[] = {
    {Qt::Key_Backspace, vk::kBack}, {Qt::Key_Tab, vk::kTab},       {Qt::Key_Return, vk::kReturn},
    {Qt::Key_Enter, vk::kReturn},   {Qt::Key_Shift, vk::kShift},   {Qt::Key_Control, vk::kControl},
    {Qt::Key_Alt, vk::kMenu},       {Qt::Key_Escape, vk::kEscape}, {Qt::Key_Space, vk::kSpace},
    {Qt::Key_PageUp, vk::kPrior},   {Qt::Key_PageDown, vk::kNext}, {Qt::Key_End, vk::kEnd},
    {Qt::Key_Home, vk::kHome},      {Qt::Key_Left, vk::kLeft},     {Qt::Key_Up, vk::kUp},
    {Qt::Key_Right, vk::kRight},    {Qt::Key_Down, vk::kDown},     {Qt::Key_Insert, vk::kInsert},
    {Qt::Key_Delete, vk::kDelete},
};

}  // namespace

int VirtualKeyOf(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return vk::kF1 + (qtKey - Qt::Key_F1);
  for (auto [qt, code] : kKeys) {
    if (qt == qtKey) return code;
  }
  return 0;
}

int QtKeyOf(int code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return code;
  if (code >= vk::kF1 && code < vk::kF1 + 12) return Qt::Key_F1 + (code - vk::kF1);
  for (auto [qt, c] : kKeys) {
    if (c == code) return qt;
  }
  return Qt::Key_unknown;
}

}  // namespace platform::ui::detail
