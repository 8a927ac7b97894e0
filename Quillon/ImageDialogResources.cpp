// The image dialog's template, like a resource script; positions are dialog units. The dialog places its
// controls in pixels for the screen's resolution when it starts (CImageDialog::OnInitDialog); these are the
// places at 96 DPI.
#include "ImageDialogResources.h"

namespace quillon {

using namespace platform::ui;

const DialogTemplate& ImageDialogTemplate() {
  static const DialogTemplate t{
      kIddImageDialog, "画像編集", 0, 0, 0, 576, 235, "ＭＳ Ｐゴシック", 12,
      {
          {230, ControlKind::Picture, "", 0, 0, 0, 400, 235},
          {704, ControlKind::Picture, "", 0, 409, 0, 158, 150},
          {478, ControlKind::Static, "", 0, 413, 16, 150, 9},
          {711, ControlKind::Button, "右に90度回す", 0, 416, 78, 69, 13},
          {712, ControlKind::Button, "左に90度回す", 0, 491, 78, 69, 13},
          {292, ControlKind::Button, "推奨サイズ", 0, 416, 118, 69, 13},
          {714, ControlKind::Button, "変更確定", 0, 416, 215, 69, 13},
          {293, ControlKind::Button, "キャンセル", 0, 491, 215, 69, 13},
      }};
  return t;
}

}  // namespace quillon
