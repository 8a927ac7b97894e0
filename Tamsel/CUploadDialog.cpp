#include "CUploadDialog.h"

#include "CTamselCtrl.h"
#include "CVekSelectDialog.h"
#include "DialogColours.h"
#include "DialogCreation.h"
#include "TamselResources.h"
#include "VekExtractPath.h"

namespace tamsel {

namespace ui = platform::ui;

bool CUploadDialog::Create() {
  return controls::CreateDialogForDpi(*this, UploadDialogTemplate(), *m_pCtrl, m_pCtrl->ScreenDpiX(),
                                      m_pCtrl->ScreenDpiY());
}

bool CUploadDialog::OnInitDialog() {
  SetItemFont(kIdMessage, ui::Font{"ＭＳ Ｐゴシック", 24, 700});
  SetItemFont(kIdDetail, ui::Font{"ＭＳ Ｐゴシック", 16, 700});
  if (m_pCtrl->GetMode() == CTamselCtrl::kModeLoad) LoadTorvaneFile();
  return true;
}

void CUploadDialog::LoadTorvaneFile() {
  const std::string file = m_pCtrl->GetTorvaneFileName();
  const std::string name = FileNameOf(file);
  const std::string extractPath = ExtractPathOf(m_pCtrl->GetSystemFolder(), name);
  if (file.size() > kMaxPathBytes || extractPath.size() > kMaxPathBytes) {
    m_pCtrl->ShowMessage(1018, ui::BoxIcon::Stop, {name});
    m_pCtrl->SetSelectFlag("0");
    m_pCtrl->BuildRegist();
    return;
  }
  CVekSelectDialog* select = m_pCtrl->SelectDialog();
  if (select) select->SetChosenPath(file);
  if (!select || select->ApplySelectedFile() == -1) {
    m_pCtrl->SetSelectFlag("0");
    m_pCtrl->BuildRegist();
  }
}

void CUploadDialog::OnCtlColor(int id, ui::CtlColorType type, ui::ControlColors& colors) {
  Dialog::OnCtlColor(id, type, colors);
  controls::UseWhiteBrush(type, colors);
}

}  // namespace tamsel
