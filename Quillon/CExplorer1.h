// The window that hosts the browser control inside a dialog: its two members by dispatch id, and its events
// handed to the dialog's event sink.
#pragma once

#include <vector>

#include "ControlEventSink.h"
#include "platform/com/com_ptr.h"
#include "platform/com/connection.h"
#include "platform/com/dispatch.h"
#include "platform/com/guid.h"
#include "platform/ui/window.h"
#include "platform/web/browser_control.h"

namespace quillon {

class CExplorer1 : public platform::ui::Window, private platform::web::DownloadHandler {
 public:
  // The browser's events by DISPID, as the dialogs' event sinks receive them (platform/web/browser_control.h).
  static constexpr platform::com::DISPID kDispidProgressChange = platform::web::dispid::kProgressChange;
  static constexpr platform::com::DISPID kDispidDocumentComplete = platform::web::dispid::kDocumentComplete;
  static constexpr platform::com::DISPID kDispidNavigateError = platform::web::dispid::kNavigateError;

  CExplorer1() = default;
  ~CExplorer1() override;

  static const platform::com::CLSID& GetClsid();

  // Creates the window as a child of parent at rect (pixels; style ui::kHidden: not shown) with the browser
  // control inside. Its events reach parent's ControlEventSink, when parent is one, with id. False when the
  // window or the control cannot be made.
  bool Create(unsigned style, const platform::ui::Rect& rect, platform::ui::Window& parent, int id);
  int GetDlgCtrlID() const { return m_nId; }

  // Navigate2 (DISPID 500): URL, flags, target frame, post data (a byte array) and headers (VT_EMPTY for
  // none). Of what the browser completes for it, one DocumentComplete reaches the sink: the navigation's own.
  void Navigate2(platform::com::Variant URL, platform::com::Variant Flags, platform::com::Variant TargetFrameName,
                 platform::com::Variant PostData, platform::com::Variant Headers);
  // Document (DISPID 203): the page shown (an IDispatch that answers platform::web::IHtmlDocument); null before
  // Create.
  platform::com::ComPtr<platform::com::IDispatch> GetDocument();

 protected:
  void OnDestroy() override;

 private:
  void Relay(platform::com::DISPID dispid, const std::vector<platform::com::Variant>& args);
  void OfferDownload(const platform::web::DownloadOffer& offer) override;
  void ReleaseControl();

  int m_nId = 0;
  ControlEventSink* m_pSink = nullptr;
  platform::com::ComPtr<platform::com::IDispatch> m_pControl;
  platform::com::ComPtr<platform::com::EventSink> m_pEvents;
  std::uint32_t m_nCookie = 0;
  bool m_bDocumentPending = false;
};

}  // namespace quillon
