// The photo-list form's browser: the reply page of an attachment's download request, failed navigations, and a
// reply that is the file itself.
#include "CFormDialog.h"
#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "FormReply.h"
#include "QuillonStrings.h"
#include "platform/files.h"
#include "platform/ui/services.h"
#include "platform/web/document.h"

namespace quillon {

namespace ui = platform::ui;

void CFormDialog::ProgressChange(std::int32_t, std::int32_t) {}

void CFormDialog::DocumentComplete(const std::string&) {
  EnableDownloadButtons();
  // The error page that follows a failed navigation says nothing the failure has not said.
  if (m_nNavigationStatus != 0) return;
  std::shared_ptr<const platform::web::Document> document = m_pBrowser ? m_pBrowser->GetDocument() : nullptr;
  const std::string body = document ? document->BodyInnerHtml() : std::string();
  if (std::optional<std::string> text = FormReplyMessage(body)) FatalError(*text);
}

void CFormDialog::NavigateError(const std::string& url, const std::string&, std::int32_t status, bool&) {
  m_nNavigationStatus = status;
  EnableDownloadButtons();
  if (status == 200) {
    m_nNavigationStatus = 0;
    return;
  }
  if (std::optional<std::string> text = FormNavigateErrorMessage(url, status)) FatalError(*text);
}

void CFormDialog::OfferDownload(const platform::web::DownloadOffer& offer) {
  ui::DownloadOffer request{offer.fileName, static_cast<std::int64_t>(offer.data.size())};
  std::string path;
  if (!ui::CurrentServices().OfferDownload(request, this, path)) return;
  if (!platform::WriteFile(path, offer.data.data(), offer.data.size())) {
    m_pCtrl->ShowMessage(1011, ui::BoxIcon::Stop, {path});
  }
}

void CFormDialog::FatalError(const std::string& text) { m_pCtrl->ShowFatalError(text); }

}  // namespace quillon
