#include "CExplorer1.h"

#include <utility>

#include "platform/files.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/services.h"

namespace quillon {

namespace com = platform::com;
namespace ui = platform::ui;
namespace web = platform::web;

CExplorer1::~CExplorer1() {
  Destroy();
  ReleaseControl();
}

const com::CLSID& CExplorer1::GetClsid() {
  static const com::CLSID clsid = web::kClsidWebBrowser;
  return clsid;
}

bool CExplorer1::Create(unsigned style, const ui::Rect& rect, ui::Window& parent, int id) {
  if (IsCreated() || m_pControl) return false;
  com::ComPtr<com::IDispatch> control;
  if (com::Failed(web::CreateBrowserControl(nullptr, com::IDispatch::kIid, control.PutVoid()))) return false;
  if (!CreateChild(parent, rect, (style & ui::kHidden) == 0)) return false;
  m_nId = id;
  m_pSink = dynamic_cast<ControlEventSink*>(&parent);
  m_pControl = control;
  m_pEvents = com::MakeObject<com::EventSink>(
      web::kIidWebBrowserEvents,
      [this](com::DISPID dispid, const std::vector<com::Variant>& args) { Relay(dispid, args); });
  com::Advise(m_pControl.Get(), web::kIidWebBrowserEvents, m_pEvents.Get(), &m_nCookie);
  com::ComPtr<web::IBrowserControl> host;
  if (com::Succeeded(m_pControl.As(host))) host->SetDownloadHandler(this);
  return true;
}

void CExplorer1::Navigate2(com::Variant URL, com::Variant Flags, com::Variant TargetFrameName,
                           com::Variant PostData, com::Variant Headers) {
  if (!m_pControl) return;
  std::vector<com::Variant> args;
  args.reserve(5);
  args.push_back(std::move(URL));
  args.push_back(std::move(Flags));
  args.push_back(std::move(TargetFrameName));
  args.push_back(std::move(PostData));
  args.push_back(std::move(Headers));
  m_bDocumentPending = true;
  m_pControl->Invoke(web::dispid::kNavigate2, com::DISPATCH_METHOD, args, nullptr);
}

com::ComPtr<com::IDispatch> CExplorer1::GetDocument() {
  com::ComPtr<com::IDispatch> document;
  if (!m_pControl) return document;
  com::Variant result;
  if (com::Succeeded(m_pControl->Invoke(web::dispid::kDocument, com::DISPATCH_PROPERTYGET, {}, &result))) {
    document = result.AsDispatch();
  }
  return document;
}

void CExplorer1::OnDestroy() { ReleaseControl(); }

void CExplorer1::ReleaseControl() {
  if (!m_pControl) return;
  com::ComPtr<web::IBrowserControl> host;
  if (com::Succeeded(m_pControl.As(host))) host->SetDownloadHandler(nullptr);
  if (m_nCookie) com::Unadvise(m_pControl.Get(), web::kIidWebBrowserEvents, m_nCookie);
  m_nCookie = 0;
  m_pSink = nullptr;
  m_pEvents.Reset();
  m_pControl.Reset();
}

void CExplorer1::Relay(com::DISPID dispid, const std::vector<com::Variant>& args) {
  // A page with frames completes each frame too; the dialogs act on the navigation's own completion only.
  if (dispid == kDispidDocumentComplete) {
    if (!m_bDocumentPending) return;
    m_bDocumentPending = false;
  }
  // Last: the sink may destroy this window.
  if (m_pSink) m_pSink->OnControlEvent(m_nId, dispid, args);
}

void CExplorer1::OfferDownload(const web::DownloadOffer& offer) {
  ui::DownloadOffer request;
  request.fileName = offer.fileName;
  request.size = static_cast<std::int64_t>(offer.data.size());
  std::string path;
  if (!ui::CurrentServices().OfferDownload(request, Parent(), path)) return;
  if (platform::WriteFile(path, offer.data.data(), offer.data.size())) return;
  ui::MessageBoxRequest box;
  box.text = "ファイルを保存できませんでした。\n[" + path + "]";
  box.title = offer.fileName;
  box.icon = ui::BoxIcon::Stop;
  ui::CurrentServices().ShowMessageBox(box, Parent());
}

}  // namespace quillon
