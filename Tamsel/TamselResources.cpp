// The selection control's dialog templates, like a resource script: the about box (1), the registration dialog
// (204) and the estimate-file selection dialog (245). Positions are dialog units.
#include "TamselResources.h"

#include "TamselLib.h"

namespace tamsel {

using namespace platform::ui;

const DialogTemplate& TamselAboutBoxTemplate() {
  static const DialogTemplate t = controls::AboutBoxTemplate(kTamselIdentity);
  return t;
}

const DialogTemplate& UploadDialogTemplate() {
  static const DialogTemplate t{
      kIddUploadDialog, "", kChildDialog, 0, 0, 350, 195, "ＭＳ Ｐゴシック", 12,
      {
          {1004, ControlKind::Edit, "", kReadOnly | kAlignCenter, 20, 60, 310, 20},
          {247, ControlKind::Edit, "", kReadOnly | kAlignCenter, 20, 88, 310, 14},
          {kNoId, ControlKind::Static, "Ver.", 0, 290, 165, 20, 8},
          {477, ControlKind::Static, kTamselIdentity.version, 0, 315, 165, 35, 8},
      }};
  return t;
}

const DialogTemplate& VekSelectDialogTemplate() {
  constexpr unsigned kList = kSingleSelection | kShowSelectionAlways | kNoSortHeader | kGridLines | kFullRowSelect;
  static const DialogTemplate t{
      kIddVekSelectDialog, "", kChildDialog, 0, 0, 350, 195, "ＭＳ Ｐゴシック", 12,
      {
          // The frame comes first, so that it lies beneath the others once it covers the whole dialog.
          {335, ControlKind::Picture, "", 0, 334, 7, 16, 10},
          {326, ControlKind::Static, "フォルダ参照：", 0, 26, 10, 47, 8},
          {247, ControlKind::Edit, "", kReadOnly, 74, 7, 213, 14},
          {205, ControlKind::Button, "参照", 0, 293, 6, 26, 15},
          {kNoId, ControlKind::Static, "ファイル数：", 0, 0, 35, 38, 8},
          {327, ControlKind::Static, "0", kAlignRight, 38, 35, 20, 8},
          {kNoId, ControlKind::Static, "件", 0, 62, 35, 8, 8},
          // The page statics hold four digits each ("1000 / 1000ページ" whole), so the "前へ" buttons stand a
          // little further left.
          {328, ControlKind::Button, "前へ", 0, 247, 33, 17, 11},
          {469, ControlKind::Static, "0", kAlignRight, 265, 35, 18, 8},
          {461, ControlKind::Static, "/", kAlignCenter, 284, 35, 6, 8},
          {470, ControlKind::Static, "0", 0, 290, 35, 18, 8},
          {462, ControlKind::Static, "ページ", 0, 309, 35, 21, 8},
          {1001, ControlKind::Button, "次へ", 0, 330, 33, 17, 11},
          {325, ControlKind::ListView, "", kList, 0, 44, 347, 99},
          {329, ControlKind::Button, "前へ", 0, 247, 143, 17, 11},
          {463, ControlKind::Static, "0", kAlignRight, 265, 145, 18, 8},
          {467, ControlKind::Static, "/", kAlignCenter, 284, 145, 6, 8},
          {466, ControlKind::Static, "0", 0, 290, 145, 18, 8},
          {468, ControlKind::Static, "ページ", 0, 309, 145, 21, 8},
          {1002, ControlKind::Button, "次へ", 0, 330, 143, 17, 11},
          {kIdCancel, ControlKind::Button, "キャンセル", 0, 118, 161, 50, 14},
          {kIdOk, ControlKind::Button, "読込", 0, 176, 161, 50, 14},
          {kNoId, ControlKind::Static, "Ver.", 0, 290, 165, 20, 8},
          {477, ControlKind::Static, kTamselIdentity.version, 0, 315, 165, 35, 8},
      }};
  return t;
}

}  // namespace tamsel
