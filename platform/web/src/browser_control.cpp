#include "platform/web/browser_control.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/com/connection.h"
#include "platform/com/object.h"
#include "platform/text.h"

namespace platform::web {

namespace com = platform::com;

namespace {

BrowserMaker& InstalledMaker() {
  static BrowserMaker maker;
  return maker;
}

// The page as its document object.
class HtmlDocument final : public com::ComObject<HtmlDocument, IHtmlDocument> {
 public:
  explicit HtmlDocument(std::shared_ptr<const Document> page) : page_(std::move(page)) {}

  std::shared_ptr<const Document> Page() const override { return page_; }
  com::HRESULT GetIDsOfNames(std::string_view, com::DISPID* id) override {
    if (id) *id = com::DISPID_UNKNOWN;
    return com::DISP_E_UNKNOWNNAME;
  }
  com::HRESULT Invoke(com::DISPID, std::uint16_t, const std::vector<com::Variant>&, com::Variant*) override {
    return com::DISP_E_MEMBERNOTFOUND;
  }

 protected:
  com::HRESULT QueryOtherInterface(const com::IID& iid, void** out) override {
    if (!(iid == com::IDispatch::kIid)) return com::E_NOINTERFACE;
    AddRef();
    *out = static_cast<com::IDispatch*>(this);
    return com::S_OK;
  }

 private:
  std::shared_ptr<const Document> page_;
};

// Text of an optional text argument; false when it is neither empty nor text.
bool OptionalText(const com::Variant& v, std::string& out) {
  out.clear();
  if (v.Type() == com::VT_EMPTY) return true;
  if (v.Type() != com::VT_BSTR) return false;
  out = v.AsText();
  return true;
}

class BrowserControl final
    : public com::ComObject<BrowserControl, com::IDispatch, com::EventSource<BrowserControl>, IBrowserControl>,
      private BrowserEvents {
 public:
  static constexpr com::IID kEventIid = kIidWebBrowserEvents;

  explicit BrowserControl(std::unique_ptr<Browser> browser) : browser_(std::move(browser)) {
    browser_->SetEvents(this);
  }
  ~BrowserControl() override { browser_->SetEvents(nullptr); }

  com::HRESULT GetIDsOfNames(std::string_view name, com::DISPID* id) override {
    if (!id) return com::E_POINTER;
    if (platform::EqualsNoCaseAscii(name, "Navigate2")) {
      *id = dispid::kNavigate2;
    } else if (platform::EqualsNoCaseAscii(name, "Document")) {
      *id = dispid::kDocument;
    } else {
      *id = com::DISPID_UNKNOWN;
      return com::DISP_E_UNKNOWNNAME;
    }
    return com::S_OK;
  }

  // Written out rather than through a dispatch table, whose conversion of the arguments would copy them.
  com::HRESULT Invoke(com::DISPID id, std::uint16_t flags, const std::vector<com::Variant>& args,
                      com::Variant* result) override {
    if (result) *result = com::Variant();
    if (id == dispid::kNavigate2 && (flags & com::DISPATCH_METHOD)) return Navigate2(args);
    if (id == dispid::kDocument && (flags & com::DISPATCH_PROPERTYGET)) {
      if (!args.empty()) return com::DISP_E_BADPARAMCOUNT;
      com::ComPtr<HtmlDocument> document = com::MakeObject<HtmlDocument>(browser_->GetDocument());
      if (result) *result = com::Variant::Dispatch(document.Get());
      return com::S_OK;
    }
    return com::DISP_E_MEMBERNOTFOUND;
  }

  void SetDownloadHandler(DownloadHandler* handler) override { browser_->SetDownloadHandler(handler); }

 private:
  com::HRESULT Navigate2(const std::vector<com::Variant>& args) {
    if (args.size() != 5) return com::DISP_E_BADPARAMCOUNT;
    if (args[0].Type() != com::VT_BSTR) return com::DISP_E_TYPEMISMATCH;
    com::Variant flags;
    if (com::Failed(com::ChangeType(args[1], com::VT_I4, flags))) return com::DISP_E_TYPEMISMATCH;
    std::string frame, headers;
    if (!OptionalText(args[2], frame) || !OptionalText(args[4], headers)) return com::DISP_E_TYPEMISMATCH;
    SharedPostData post;
    if (args[3].Type() == com::VT_BYTES) {
      post = args[3].SharedBytes();
      if (!post) post = std::make_shared<const PostData>();
    } else if (args[3].Type() != com::VT_EMPTY) {
      return com::DISP_E_TYPEMISMATCH;
    }
    browser_->Navigate2(args[0].AsText(), flags.AsI4(), frame, std::move(post), headers);
    return com::S_OK;
  }

  // The sinks may release the last reference of the control: it stays whole until the event has gone round.
  void Fire(com::DISPID id, const std::vector<com::Variant>& args) {
    com::ComPtr<com::IDispatch> self(this);
    FireEvent(id, args);
  }

  void ProgressChange(std::int32_t progress, std::int32_t progressMax) override {
    Fire(dispid::kProgressChange, {com::Variant::I4(progress), com::Variant::I4(progressMax)});
  }
  void DocumentComplete(const std::string& url) override {
    Fire(dispid::kDocumentComplete, {com::Variant::Dispatch(this), com::Variant::Text(url)});
  }
  void NavigateError(const std::string& url, const std::string& frame, std::int32_t status, bool&) override {
    Fire(dispid::kNavigateError, {com::Variant::Dispatch(this), com::Variant::Text(url), com::Variant::Text(frame),
                                  com::Variant::I4(status), com::Variant::Bool(false)});
  }

  std::unique_ptr<Browser> browser_;
};

}  // namespace

com::HRESULT CreateBrowserControl(std::unique_ptr<Browser> browser, const com::IID& iid, void** out) {
  if (!out) return com::E_POINTER;
  *out = nullptr;
  try {
    if (!browser) browser = InstalledMaker() ? InstalledMaker()() : CreateBrowser();
    if (!browser) return com::E_FAIL;
    com::ComPtr<BrowserControl> control = com::MakeObject<BrowserControl>(std::move(browser));
    return control->QueryInterface(iid, out);
  } catch (const std::bad_alloc&) {
    return com::E_OUTOFMEMORY;
  }
}

BrowserMakerScope::BrowserMakerScope(BrowserMaker maker) : previous_(std::move(InstalledMaker())) {
  InstalledMaker() = std::move(maker);
}

BrowserMakerScope::~BrowserMakerScope() { InstalledMaker() = std::move(previous_); }

}  // namespace platform::web
