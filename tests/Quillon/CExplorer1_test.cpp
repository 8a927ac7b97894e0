#include "CExplorer1.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/com/variant.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/services.h"
#include "platform/web/browser_control.h"
#include "fake_browser.h"
#include "test_support.h"

namespace {

namespace com = platform::com;
namespace ui = platform::ui;
namespace web = platform::web;
using quillon::CExplorer1;

struct SinkEvent {
  int id;
  com::DISPID dispid;
  std::vector<com::Variant> args;
};

// A window with an event sink, as the dialogs are, hosting one browser on a fake.
class Host : public ui::Window, public quillon::ControlEventSink {
 public:
  Host() {
    ui::EnsureApplication(true);
    EXPECT_TRUE(CreateTopLevel("host", ui::RectAt(0, 0, 200, 100)));
    EXPECT_TRUE(browser->Create(ui::kHidden, ui::RectAt(0, 0, 1, 1), *this, 1003));
  }
  ~Host() override { Destroy(); }

  void OnControlEvent(int id, com::DISPID dispid, const std::vector<com::Variant>& args) override {
    events.push_back({id, dispid, args});
    if (then) then();
  }

  web::FakeBrowser* fake = nullptr;
  web::BrowserMakerScope maker{[this] {
    auto b = std::make_unique<web::FakeBrowser>();
    fake = b.get();
    return b;
  }};
  std::unique_ptr<CExplorer1> browser = std::make_unique<CExplorer1>();
  std::vector<SinkEvent> events;
  std::function<void()> then;
};

com::Variant Bytes(std::string_view s) { return com::Variant::Bytes(std::vector<std::uint8_t>(s.begin(), s.end())); }

TEST(CExplorer1, IsTheWebBrowserControlAndStaysHidden) {
  Host host;
  EXPECT_EQ(CExplorer1::GetClsid(), com::MakeGuid("{8856F961-340A-11D0-A96B-00C04FD705A2}"));
  EXPECT_TRUE(host.browser->IsCreated());
  EXPECT_FALSE(host.browser->IsVisible());
  EXPECT_EQ(host.browser->GetDlgCtrlID(), 1003);
  ASSERT_NE(host.fake, nullptr);
  EXPECT_FALSE(CExplorer1().GetDocument());  // nothing before Create
}

TEST(CExplorer1, Navigate2HandsTheFiveArgumentsToTheBrowser) {
  Host host;
  auto bytes = std::make_shared<const std::vector<std::uint8_t>>(std::vector<std::uint8_t>{'a', 0, 'b'});
  host.browser->Navigate2(com::Variant::Text("http://127.0.0.1/登録"), com::Variant(), com::Variant(),
                          com::Variant::Bytes(bytes), com::Variant::Text("Content-Type: text/html;\r\n"));
  host.browser->Navigate2(com::Variant::Text("http://127.0.0.1/get"), com::Variant::I4(2),
                          com::Variant::Text("frame"), com::Variant(), com::Variant());
  ASSERT_EQ(host.fake->navigations().size(), 2u);
  const auto& post = host.fake->navigations()[0];
  EXPECT_EQ(post.url, "http://127.0.0.1/登録");
  EXPECT_EQ(post.flags, 0);
  EXPECT_EQ(post.targetFrame, "");
  ASSERT_TRUE(post.postData);
  EXPECT_EQ(post.postData.get(), bytes.get());  // handed on, not copied (a body can be hundreds of MB)
  EXPECT_EQ(post.headers, "Content-Type: text/html;\r\n");
  const auto& get = host.fake->navigations()[1];
  EXPECT_FALSE(get.postData);
  EXPECT_EQ(get.flags, 2);
  EXPECT_EQ(get.targetFrame, "frame");
  EXPECT_EQ(get.headers, "");
}

TEST(CExplorer1, ArgumentsOfTheWrongTypeAreRefusedByDispatch) {
  com::ComPtr<com::IDispatch> control;
  ASSERT_EQ(web::CreateBrowserControl(std::make_unique<web::FakeBrowser>(), com::IDispatch::kIid, control.PutVoid()),
            com::S_OK);
  const com::Variant url = com::Variant::Text("http://x/");
  struct Case {
    const char* name;
    std::vector<com::Variant> args;
    com::HRESULT hr;
  } cases[] = {
      {"four arguments", {url, {}, {}, {}}, com::DISP_E_BADPARAMCOUNT},
      {"URL not text", {com::Variant::I4(1), {}, {}, {}, {}}, com::DISP_E_TYPEMISMATCH},
      {"post data as text", {url, {}, {}, com::Variant::Text("a=b"), {}}, com::DISP_E_TYPEMISMATCH},
      {"headers as a number", {url, {}, {}, {}, com::Variant::I4(3)}, com::DISP_E_TYPEMISMATCH},
      {"flags as text of a number", {url, com::Variant::Text("4"), {}, {}, {}}, com::S_OK},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(control->Invoke(web::dispid::kNavigate2, com::DISPATCH_METHOD, c.args, nullptr), c.hr) << c.name;
  }
  com::DISPID id = 0;
  EXPECT_EQ(control->GetIDsOfNames("navigate2", &id), com::S_OK);
  EXPECT_EQ(id, 500);
  EXPECT_EQ(control->GetIDsOfNames("Document", &id), com::S_OK);
  EXPECT_EQ(id, 203);
  EXPECT_EQ(control->Invoke(203, com::DISPATCH_METHOD, {}, nullptr), com::DISP_E_MEMBERNOTFOUND);
}

TEST(CExplorer1, EventsReachTheSinkWithTheControlIdAndDispid) {
  Host host;
  host.browser->Navigate2(com::Variant::Text("http://s/u"), {}, {}, Bytes("x"), {});
  host.fake->DeliverProgressChange(2500);
  host.fake->DeliverNavigateError("http://s/u", static_cast<std::int32_t>(0x800C0004u), "top");
  host.fake->DeliverDocumentComplete("<body>error</body>", "http://s/u");
  ASSERT_EQ(host.events.size(), 3u);
  for (const SinkEvent& e : host.events) EXPECT_EQ(e.id, 1003);

  EXPECT_EQ(host.events[0].dispid, 108);
  ASSERT_EQ(host.events[0].args.size(), 2u);
  EXPECT_EQ(host.events[0].args[0].AsI4(), 2500);
  EXPECT_EQ(host.events[0].args[1].AsI4(), web::kProgressMax);

  EXPECT_EQ(host.events[1].dispid, 271);
  ASSERT_EQ(host.events[1].args.size(), 5u);
  EXPECT_NE(host.events[1].args[0].AsDispatch(), nullptr);
  EXPECT_EQ(host.events[1].args[1].AsText(), "http://s/u");
  EXPECT_EQ(host.events[1].args[2].AsText(), "top");
  EXPECT_EQ(host.events[1].args[3].AsI4(), static_cast<std::int32_t>(0x800C0004u));
  EXPECT_EQ(host.events[1].args[4].Type(), com::VT_BOOL);
  EXPECT_FALSE(host.events[1].args[4].AsBool());

  EXPECT_EQ(host.events[2].dispid, 259);
  ASSERT_EQ(host.events[2].args.size(), 2u);
  EXPECT_EQ(host.events[2].args[0].AsDispatch(), host.events[1].args[0].AsDispatch());
  EXPECT_EQ(host.events[2].args[1].AsText(), "http://s/u");
}

TEST(CExplorer1, OneDocumentCompletePerNavigationReachesTheSink) {
  Host host;
  host.fake->DeliverDocumentComplete("<body>before any navigation</body>");
  EXPECT_TRUE(host.events.empty());
  host.browser->Navigate2(com::Variant::Text("http://s/1"), {}, {}, {}, {});
  host.fake->DeliverDocumentComplete("<body>page</body>", "http://s/1");
  host.fake->DeliverDocumentComplete("<body>again</body>", "http://s/again");
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0].args[1].AsText(), "http://s/1");
  // A navigation started by the handler of a completion gets its own.
  host.then = [&] {
    host.then = nullptr;
    host.browser->Navigate2(com::Variant::Text("http://s/2"), {}, {}, {}, {});
  };
  host.browser->Navigate2(com::Variant::Text("http://s/1"), {}, {}, {}, {});
  host.fake->DeliverDocumentComplete("<body>one</body>");
  host.fake->DeliverDocumentComplete("<body>two</body>");
  host.fake->DeliverDocumentComplete("<body>three</body>");
  EXPECT_EQ(host.events.size(), 3u);
}

TEST(CExplorer1, DocumentGivesThePageShown) {
  Host host;
  host.browser->Navigate2(com::Variant::Text("http://s/"), {}, {}, {}, {});
  host.fake->DeliverDocumentComplete("<body>SENDOK<input type=hidden name=CGI_ID value=\"C&amp;1\"></body>");
  com::ComPtr<com::IDispatch> document = host.browser->GetDocument();
  ASSERT_TRUE(document);
  com::ComPtr<web::IHtmlDocument> html;
  ASSERT_EQ(document.As(html), com::S_OK);
  std::shared_ptr<const web::Document> page = html->Page();
  EXPECT_EQ(page->BodyInnerHtml().substr(0, 6), "SENDOK");
  ASSERT_NE(page->Item("CGI_ID"), nullptr);
  EXPECT_EQ(page->Item("CGI_ID")->value, "C&1");
}

TEST(CExplorer1, TheSinkMayDestroyTheBrowserInAnEvent) {
  Host host;
  host.browser->Navigate2(com::Variant::Text("http://s/"), {}, {}, {}, {});
  host.then = [&] { host.browser.reset(); };
  host.fake->DeliverNavigateError("http://s/", 404);
  EXPECT_FALSE(host.browser);
  EXPECT_EQ(host.events.size(), 1u);
}

TEST(CExplorer1, AFileIsOfferedAndSavedWhereThePersonChose) {
  testing_support::TempFolder folder;
  Host host;
  ui::ScriptedServices services;
  ui::ServicesScope scope(services);
  services.QueuePath(folder / "saved.pdf");
  services.QueueCancel();
  web::DownloadOffer offer;
  offer.fileName = "見積.pdf";
  offer.data = "%PDF-1.4";
  host.fake->DeliverDownloadOffer(offer);
  host.fake->DeliverDownloadOffer(offer);
  ASSERT_EQ(services.Requests().size(), 2u);
  EXPECT_EQ(services.Requests()[0].download.fileName, "見積.pdf");
  EXPECT_EQ(services.Requests()[0].download.size, 8);
  EXPECT_EQ(testing_support::ReadRaw(folder / "saved.pdf"), "%PDF-1.4");
  EXPECT_TRUE(host.events.empty());
}

TEST(CExplorer1, AFileThatCannotBeSavedIsTold) {
  testing_support::TempFolder folder;
  Host host;
  ui::ScriptedServices services;
  ui::ServicesScope scope(services);
  services.QueuePath(folder / "missing/saved.pdf");
  web::DownloadOffer offer;
  offer.fileName = "a.pdf";
  offer.data = "x";
  host.fake->DeliverDownloadOffer(offer);
  ASSERT_EQ(services.Requests().size(), 2u);
  EXPECT_EQ(services.Requests()[1].kind, ui::ScriptedServices::Kind::MessageBox);
  EXPECT_EQ(services.Requests()[1].box.icon, ui::BoxIcon::Stop);
}

}  // namespace
