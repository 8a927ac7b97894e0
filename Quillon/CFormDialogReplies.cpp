// The photo-list form's browser: the reply page of an attachment's download request and failed navigations.
// A reply that is the file itself is offered to the person by the browser's window. A server's marker page ends
// the session in the fatal display; a download that failed (the server not reached, or an HTTP error status) is
// told in a box, and the form stays with everything the person did on it.
#include "CFormDialog.h"
#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "FormIds.h"
#include "FormReply.h"
#include "QuillonStrings.h"
#include "platform/web/browser_control.h"
#include "platform/web/document.h"

namespace quillon {

namespace com = platform::com;
namespace web = platform::web;

void CFormDialog::OnControlEvent(int id, com::DISPID dispid, const std::vector<com::Variant>& args) {
  if (id != form_ids::kBrowser) return;
  if (dispid == CExplorer1::kDispidDocumentComplete) {
    OnDocumentComplete();
  } else if (dispid == CExplorer1::kDispidNavigateError && args.size() >= 4) {
    OnNavigateError(args[1].AsText(), args[3].AsI4());
  }
}

void CFormDialog::OnDocumentComplete() {
  EnableDownloadButtons();
  // The error page that follows a failed navigation says nothing the failure has not said.
  if (m_nNavigationStatus != 0) return;
  std::shared_ptr<const web::Document> page;
  com::ComPtr<com::IDispatch> document = m_browser.GetDocument();
  com::ComPtr<web::IHtmlDocument> html;
  if (document && com::Succeeded(document.As(html))) page = html->Page();
  const std::string body = page ? page->BodyInnerHtml() : std::string();
  if (std::optional<std::string> text = FormReplyMessage(body)) FatalError(*text);
}

void CFormDialog::OnNavigateError(const std::string& url, std::int32_t status) {
  m_nNavigationStatus = status;
  EnableDownloadButtons();
  if (status == 200) {
    m_nNavigationStatus = 0;
    return;
  }
  // Only the download failed: the message says so and the form stays as the person left it.
  if (std::optional<std::string> text = FormNavigateErrorMessage(url, status)) {
    controls::ShowTextMessage(StringTable(), *text, platform::ui::BoxIcon::Stop, platform::ui::BoxButtons::Ok, 0,
                              m_pCtrl);
  }
}

void CFormDialog::FatalError(const std::string& text) { m_pCtrl->ShowFatalError(text); }

}  // namespace quillon
