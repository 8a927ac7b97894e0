// The photo-list form: dialog 201, a modeless child of the control, shown in mode 0.
#pragma once

#include "platform/ui/dialog.h"

namespace quillon {

class CQuillonCtrl;

class CFormDialog : public platform::ui::Dialog {
 public:
  explicit CFormDialog(CQuillonCtrl& ctrl) : m_pCtrl(&ctrl) {}
  ~CFormDialog() override { Destroy(); }

  // Creates the form inside the control from template 201, re-fonted for the control's screen resolution.
  bool Create();

 protected:
  CQuillonCtrl* m_pCtrl;
};

}  // namespace quillon
