// The upload dialog: dialog 204, the control's second child, shown while a registration runs and for the
// messages that end one.
#pragma once

#include <string>

#include "platform/ui/dialog.h"

namespace quillon {

class CQuillonCtrl;

class CUploadDialog : public platform::ui::Dialog {
 public:
  // Kinds of ShowMessage: the button closes, or goes back to the photo-list form.
  static constexpr int kButtonBack = 0;
  static constexpr int kButtonClose = 1;

  static constexpr int kIdButton = 1001;
  static constexpr int kIdBrowser = 1003;
  static constexpr int kIdMessage = 1004;
  static constexpr int kIdProgress = 1005;

  explicit CUploadDialog(CQuillonCtrl& ctrl) : m_pCtrl(&ctrl) {}
  ~CUploadDialog() override { Destroy(); }

  // Creates the dialog inside the control from template 204, re-fonted for the control's screen resolution.
  bool Create();
  // Shows text in the message area with the button "閉じる" (kButtonClose) or "画像登録・削除画面へ".
  void ShowMessage(const std::string& text, int kind);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int notification) override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& colors) override;

  // Hides the progress bar and shows the button, without giving it the focus.
  void ShowButton();
  void OnButton();

  CQuillonCtrl* m_pCtrl;
  std::string m_strReturnButtonId;
  std::string m_strReturnButtonCaption;
};

}  // namespace quillon
