#include "CFormDialog.h"

#include "CQuillonCtrl.h"
#include "DialogCreation.h"
#include "QuillonResources.h"

namespace quillon {

bool CFormDialog::Create() {
  return controls::CreateDialogForDpi(*this, FormDialogTemplate(), *m_pCtrl, m_pCtrl->ScreenDpiX(),
                                      m_pCtrl->ScreenDpiY());
}

}  // namespace quillon
