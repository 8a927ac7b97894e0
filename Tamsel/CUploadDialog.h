// The selection control's registration dialog: dialog 204, its second child, shown in mode 4, which loads the
// estimate named by TorvaneFileName without showing a list.
#pragma once

#include "platform/ui/dialog.h"

namespace tamsel {

class CTamselCtrl;

class CUploadDialog : public platform::ui::Dialog {
 public:
  static constexpr int kIdMessage = 1004;
  static constexpr int kIdDetail = 247;
  static constexpr int kIdVersion = 477;

  explicit CUploadDialog(CTamselCtrl& ctrl) : m_pCtrl(&ctrl) {}
  ~CUploadDialog() override { Destroy(); }

  // Creates the dialog inside the control from template 204, re-fonted for the control's screen resolution.
  bool Create();

 protected:
  bool OnInitDialog() override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& colors) override;

  // The load of mode 4; the registration string goes out with the selection flag "0" when it cannot be done.
  void LoadTorvaneFile();

  CTamselCtrl* m_pCtrl;
};

}  // namespace tamsel
