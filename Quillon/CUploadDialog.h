// The upload dialog: dialog 204, the control's second child, shown while a registration runs and for the
// messages that end one. It posts the two steps of a registration through its hidden browser, shows their
// progress, reads the image server's replies and tells the control how the registration went.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CExplorer1.h"
#include "ControlEventSink.h"
#include "MultipartPart.h"
#include "UploadError.h"
#include "UploadInputs.h"
#include "UploadProgress.h"
#include "UploadSet.h"
#include "platform/ui/dialog.h"

namespace quillon {

class CQuillonCtrl;

class CUploadDialog : public platform::ui::Dialog, public ControlEventSink {
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

  // Starts a registration with the control's upload set: builds and posts the first request. 1 when it was
  // sent; 0 when it failed (the message is shown) or the control went while the files were read.
  int StartStep1();

  // The browser's events (control 1003).
  void OnControlEvent(int id, platform::com::DISPID dispid, const std::vector<platform::com::Variant>& args) override;

  int GetStep() const { return m_nStep; }
  std::int32_t GetNavigateStatus() const { return m_nNavigateStatus; }
  const UploadCounters& GetCounters() const { return m_counters; }

 protected:
  bool OnInitDialog() override;
  void OnDestroy() override;
  bool OnCommand(int id, int notification) override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& colors) override;

  // The second step, from the reply to the first.
  void StartStep2();
  void OnProgressChange(std::int32_t progress, std::int32_t progressMax);
  void OnDocumentComplete();
  void OnNavigateError(const std::string& url, std::int32_t status);
  void OnButton();

  // Sets the progress to 0 and shows it in place of the button.
  void ShowProgress();
  // Hides the progress bar and shows the button, enabled, without giving it the focus.
  void ShowButton();
  void ShowFailure(const std::string& text, const char* caption);
  void BeginWait();
  void EndWait();
  // The control's session values and registered-file slots as they stand now.
  UploadInputs CollectInputs() const;
  // What reading a file into a body does after each chunk; its pump tells whether this dialog still stands.
  UploadPump MakePump();
  // Posts a built body, framed with boundary, to the server; the body is given up. False, with the failure
  // shown, when the browser did not take it.
  bool Post(RequestBody& body, const std::string& boundary);

  CQuillonCtrl* m_pCtrl;
  CExplorer1 m_browser;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
  std::int32_t m_nNavigateStatus = 0;
  UploadError m_error;
  UploadCounters m_counters;
  UploadSet m_uploadSet;  // the registration's set, taken at its start
  int m_nStep = 0;
  bool m_bWaitCursor = false;
  std::string m_strReturnButtonId;
  std::string m_strReturnButtonCaption;
};

}  // namespace quillon
