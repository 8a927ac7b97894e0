// The browser as the control a window hosts, in place of the system's WebBrowser control: its members reached by
// dispatch id, its events fired through a connection point to the sinks its host advises.
//
//   Navigate2 (method, DISPID 500): URL (VT_BSTR), Flags, TargetFrameName, PostData (VT_ARRAY | VT_UI1, or
//     VT_EMPTY for a GET), Headers (VT_BSTR or VT_EMPTY). Flags and TargetFrameName may be VT_EMPTY; they are
//     not used (every page loads into this browser).
//   Document (property get, DISPID 203): the page shown, an IDispatch that answers IHtmlDocument.
// Events (kIidWebBrowserEvents), in the browser's order (browser.h), arguments in the order of their parameters:
//   ProgressChange (108): Progress (VT_I4), ProgressMax (VT_I4).
//   DocumentComplete (259): pDisp (VT_DISPATCH, the control), URL (VT_BSTR).
//   NavigateError (271): pDisp, URL (VT_BSTR), Frame (VT_BSTR), StatusCode (VT_I4), Cancel (VT_BOOL, false: a
//     sink cannot cancel, so the error page's DocumentComplete always follows).
#pragma once

#include <functional>
#include <memory>

#include "platform/com/dispatch.h"
#include "platform/com/guid.h"
#include "platform/web/browser.h"

namespace platform::web {

inline constexpr com::CLSID kClsidWebBrowser = com::MakeGuid("{8856F961-340A-11D0-A96B-00C04FD705A2}");
inline constexpr com::IID kIidWebBrowserEvents = com::MakeGuid("{34A715A0-6587-11D0-924A-0020AFC7AC4D}");

namespace dispid {
inline constexpr com::DISPID kDocument = 203;
inline constexpr com::DISPID kNavigate2 = 500;
inline constexpr com::DISPID kProgressChange = 108;
inline constexpr com::DISPID kDocumentComplete = 259;
inline constexpr com::DISPID kNavigateError = 271;
}  // namespace dispid

// The page behind the document's IDispatch (which answers no member by dispatch: the page is read here).
class IHtmlDocument : public com::IDispatch {
 public:
  static constexpr com::IID kIid = com::MakeGuid("{5C0E8A31-7B42-4F9D-A1C6-2D8E3F4B6A07}");
  using Interface = IHtmlDocument;
  virtual std::shared_ptr<const Document> Page() const = 0;
};

// What the hosting window sets on the control besides its dispatch members.
class IBrowserControl : public com::IUnknown {
 public:
  static constexpr com::IID kIid = com::MakeGuid("{9A4D2E6B-3C18-4B7F-8E05-6F1A2B9C7D34}");
  using Interface = IBrowserControl;
  // Where a reply that is a file goes (null: it is dropped).
  virtual void SetDownloadHandler(DownloadHandler* handler) = 0;
};

// A new browser control over browser; when browser is null, over the one the installed maker makes (CreateBrowser
// when no BrowserMakerScope stands). The object answers IDispatch, IConnectionPointContainer and IBrowserControl.
com::HRESULT CreateBrowserControl(std::unique_ptr<Browser> browser, const com::IID& iid, void** out);

using BrowserMaker = std::function<std::unique_ptr<Browser>()>;

// Installs the maker of the browsers of the controls created while it lives (tests hand out fake browsers), and
// restores the one before.
class BrowserMakerScope {
 public:
  explicit BrowserMakerScope(BrowserMaker maker);
  ~BrowserMakerScope();
  BrowserMakerScope(const BrowserMakerScope&) = delete;
  BrowserMakerScope& operator=(const BrowserMakerScope&) = delete;

 private:
  BrowserMaker previous_;
};

}  // namespace platform::web
