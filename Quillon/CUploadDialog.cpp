#include "CUploadDialog.h"

#include "CQuillonCtrl.h"
#include "DialogColours.h"
#include "DialogCreation.h"
#include "QuillonResources.h"

namespace quillon {

namespace ui = platform::ui;

namespace {
constexpr const char* kCaptionClose = "閉じる";
constexpr const char* kCaptionBack = "画像登録・削除画面へ";
}  // namespace

bool CUploadDialog::Create() {
  return controls::CreateDialogForDpi(*this, UploadDialogTemplate(), *m_pCtrl, m_pCtrl->ScreenDpiX(),
                                      m_pCtrl->ScreenDpiY());
}

bool CUploadDialog::OnInitDialog() {
  ShowItem(kIdBrowser, false);
  ProgressSetBackground(kIdProgress, controls::kWhite);
  if (m_pCtrl->GetFuncID() == 5) {
    SetItemText(kIdMessage, "続行不能なエラーが発生しました。最初から処理をやり直して下さい。");
    SetItemText(kIdButton, kCaptionClose);
    ShowButton();
  }
  return true;
}

void CUploadDialog::ShowMessage(const std::string& text, int kind) {
  if (!IsCreated()) return;
  SetItemText(kIdMessage, text);
  SetItemText(kIdButton, kind == kButtonClose ? kCaptionClose : kCaptionBack);
  ShowButton();
}

void CUploadDialog::ShowButton() {
  ShowItem(kIdProgress, false);
  ShowItem(kIdButton, true);
}

bool CUploadDialog::OnCommand(int id, int notification) {
  if (id == kIdButton && notification == ui::notify::kClicked) {
    OnButton();
    return true;
  }
  return Dialog::OnCommand(id, notification);
}

void CUploadDialog::OnButton() {
  const std::string caption = ItemText(kIdButton);
  if (caption == kCaptionClose) {
    m_pCtrl->SetStatus(9, "");
  } else if (!m_strReturnButtonCaption.empty() && caption == m_strReturnButtonCaption) {
    EnableItem(kIdButton, false);
    m_pCtrl->NotifyReturnButton(m_strReturnButtonId);
  } else {
    m_pCtrl->ShowMode(0);
  }
}

void CUploadDialog::OnCtlColor(int id, ui::CtlColorType type, ui::ControlColors& colors) {
  Dialog::OnCtlColor(id, type, colors);
  controls::UseWhiteBrush(type, colors);
}

}  // namespace quillon
