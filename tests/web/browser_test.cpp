#include "platform/web/browser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "image_server.h"
#include "platform/web/http_get.h"
#include "test_support.h"
#include "web_test_support.h"

namespace {

using platform::web::PostData;
using testing_support::Show;
using web_test::ClosedPort;
using web_test::Event;
using web_test::RunLoopFor;
using web_test::RunLoopUntil;

PostData Bytes(std::string_view s) { return PostData(s.begin(), s.end()); }

const std::string kMultipartHeaders = "Content-Type: multipart/form-data; boundary=--------quArtzfeLdoN\r\n";

// A body as the photo control frames it: one text part and the closing line.
const std::string kBody =
    "----------quArtzfeLdoN\r\n"
    "Content-Disposition: form-data; name=\"GRP_CD\"\r\n"
    "\r\n"
    "G01\r\n"
    "----------quArtzfeLdoN--\r\n";

class BrowserTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok());
    browser = platform::web::CreateBrowser({2000, 1000});
    browser->SetEvents(&rec);
    browser->SetDownloadHandler(&rec);
  }

  void Post(const std::string& path, std::string_view body = kBody, const std::string& headers = kMultipartHeaders) {
    browser->Navigate2(server.Url(path), 0, "", Bytes(body), headers);
  }
  bool WaitFor(Event::Kind kind, int count = 1) {
    return RunLoopUntil([&] { return rec.Count(kind) >= count; });
  }
  std::string Inner() const { return browser->GetDocument()->BodyInnerHtml(); }

  testing_support::ImageServer server;
  web_test::Recorder rec;
  std::unique_ptr<platform::web::Browser> browser;
};

TEST_F(BrowserTest, ReplyPageComesLaterAfterProgress) {
  ASSERT_TRUE(server.SendOk("/upload", "C1"));
  Post("/upload");
  EXPECT_TRUE(rec.events.empty());  // nothing is told from inside Navigate2
  ASSERT_TRUE(WaitFor(Event::Complete));
  RunLoopFor(100);
  EXPECT_EQ(rec.Order(), "P C");
  ASSERT_GE(rec.events.size(), 2u);
  const Event& last = rec.events[rec.events.size() - 2];
  EXPECT_EQ(last.value, platform::web::kProgressMax);
  EXPECT_EQ(last.max, platform::web::kProgressMax);
  EXPECT_EQ(rec.events.back().url, server.Url("/upload"));
  EXPECT_EQ(Inner().substr(0, 6), "SENDOK");
  ASSERT_NE(browser->GetDocument()->Item("CGI_ID"), nullptr);
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "C1");
}

TEST_F(BrowserTest, PostSendsTheBodyAndHeadersAsGiven) {
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Complete));
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.body, kBody);
  EXPECT_EQ(r.Header("Content-Type"), "multipart/form-data; boundary=--------quArtzfeLdoN");
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(kBody.size()));
  EXPECT_EQ(r.Header("Expect"), "");
  EXPECT_EQ(r.multipartError, "");
  ASSERT_NE(r.Part("GRP_CD"), nullptr);
  EXPECT_EQ(r.Part("GRP_CD")->data, "G01");
}

TEST_F(BrowserTest, WithoutPostDataItIsAGetAndEmptyPostDataAPost) {
  ASSERT_TRUE(server.SendOk("/page", "G"));
  browser->Navigate2(server.Url("/page"), 0, "", std::nullopt, "");
  ASSERT_TRUE(WaitFor(Event::Complete));
  browser->Navigate2(server.Url("/upload"), 0, "", PostData{}, "Content-Type: text/html;\r\n");
  ASSERT_TRUE(WaitFor(Event::Complete, 2));
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[1].method, "POST");
  EXPECT_EQ(requests[1].bodySize, 0);
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/html;");
}

TEST_F(BrowserTest, DownloadRequestBodyArrivesAsPairs) {
  const std::string body = "CGI_ID=C9&SES_ID=S1&MAP_ID=M1&BTN2=1&I01=見積.vek";
  Post("/download", body, "Content-Type: text/html;\r\n");
  ASSERT_TRUE(WaitFor(Event::Complete));
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body, body);
  ASSERT_EQ(requests[0].pairs.size(), 5u);
  EXPECT_EQ(requests[0].pairs[4].second, "見積.vek");
}

struct FailureCase {
  const char* name;
  const char* step;  // members of the server's step; null: no server at all
  std::int32_t status;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class BrowserFailure : public BrowserTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(BrowserFailure, NavigateErrorThenTheErrorPage) {
  const FailureCase& c = GetParam();
  std::string url;
  if (c.step) {
    ASSERT_TRUE(server.Step("/upload", c.step));
    url = server.Url("/upload");
  } else {
    url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/upload";
  }
  browser->Navigate2(url, 0, "", Bytes(kBody), kMultipartHeaders);
  ASSERT_TRUE(WaitFor(Event::Complete));
  RunLoopFor(100);
  EXPECT_EQ(rec.Order(), "P E C");
  ASSERT_EQ(rec.Count(Event::Error), 1);
  for (const Event& e : rec.events) {
    if (e.kind == Event::Error) {
      EXPECT_EQ(e.value, c.status) << std::hex << e.value;
      EXPECT_EQ(e.url, url);
    }
  }
  EXPECT_EQ(rec.events.back().url, url);
  // The error page carries none of the server's page.
  EXPECT_EQ(Inner().find("not found"), std::string::npos);
  EXPECT_EQ(Inner().find("SEND"), std::string::npos);
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrowserFailure,
    testing::Values(
        FailureCase{"RefusedConnection", nullptr, platform::web::kInetCannotConnect},
        FailureCase{"NotFound", R"("kind": "status", "status": 404, "html": "not found CER02003")", 404},
        FailureCase{"ServerError", R"("kind": "status", "status": 500)", 500},
        FailureCase{"DroppedConnection", R"("kind": "drop")", platform::web::kInetDownloadFailure},
        FailureCase{"ServerStopsAnswering", R"("kind": "hang", "seconds": 5)", platform::web::kInetConnectionTimeout},
        FailureCase{"ReplyStopsHalfWay",
                    R"("kind": "stall", "data_b64": "U0VORE9LIGhhbGY=", "stall_after": 4, "seconds": 5,
                       "content_type": "text/html")",
                    platform::web::kInetConnectionTimeout}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(BrowserTest, ErrorCodesAreNegativeAndReadInHex) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(platform::web::kInetCannotConnect));
  EXPECT_LT(platform::web::kInetCannotConnect, 0);
  EXPECT_STREQ(text, "800c0004");
}

TEST_F(BrowserTest, UnknownHostIsANameLookupFailure) {
  browser->Navigate2("http://no-such-host.invalid/upload", 0, "", Bytes(kBody), kMultipartHeaders);
  ASSERT_TRUE(WaitFor(Event::Complete));
  ASSERT_EQ(rec.Count(Event::Error), 1);
  for (const Event& e : rec.events) {
    if (e.kind == Event::Error) {
      EXPECT_EQ(e.value, platform::web::kInetResourceNotFound) << std::hex << e.value;
    }
  }
}

TEST_F(BrowserTest, CancelledErrorShowsNoErrorPage) {
  rec.cancelErrors = true;
  ASSERT_TRUE(server.Step("/upload", R"("kind": "status", "status": 404)"));
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Error));
  RunLoopFor(200);
  EXPECT_EQ(rec.Order(), "P E");
}

TEST_F(BrowserTest, RedirectsAreFollowedAsABrowserFollowsThem) {
  // 301, 302 and 303 turn the POST into a GET; 307 and 308 send the POST again.
  const struct {
    int status;
    const char* method;
  } cases[] = {{301, "GET"}, {302, "GET"}, {303, "GET"}, {307, "POST"}, {308, "POST"}};
  int n = 0;
  for (const auto& c : cases) {
    const std::string target = "/done" + std::to_string(c.status);
    ASSERT_TRUE(server.Step("/upload", R"("kind": "redirect", "status": )" + std::to_string(c.status) +
                                           R"(, "location": ")" + target + '"'));
    ASSERT_TRUE(server.SendOk(target, "D" + std::to_string(c.status)));
    Post("/upload");
    ASSERT_TRUE(WaitFor(Event::Complete, ++n)) << c.status;
    EXPECT_EQ(rec.Count(Event::Error), 0) << c.status;
    EXPECT_EQ(rec.events.back().url, server.Url(target)) << c.status;
    ASSERT_NE(browser->GetDocument()->Item("CGI_ID"), nullptr) << c.status;
    EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "D" + std::to_string(c.status));
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u * n) << c.status;
    const auto& followed = requests.back();
    EXPECT_EQ(followed.path, target);
    EXPECT_EQ(followed.method, c.method) << c.status;
    EXPECT_EQ(followed.body, followed.method == "POST" ? kBody : "") << c.status;
  }
}

TEST_F(BrowserTest, EndlessRedirectsFail) {
  for (int i = 0; i < 25; ++i) {
    ASSERT_TRUE(server.Step("/loop", R"("kind": "redirect", "location": "/loop")"));
  }
  Post("/loop");
  ASSERT_TRUE(WaitFor(Event::Complete));
  ASSERT_EQ(rec.Count(Event::Error), 1);
  EXPECT_EQ(rec.events[rec.events.size() - 2].value, platform::web::kInetRedirectFailed);
}

TEST_F(BrowserTest, CookiesAreSharedWithHttpGet) {
  ASSERT_TRUE(server.Step("/login", R"("kind": "sendok", "cgi_id": "L", "set_cookie": "BSID=b1; Path=/")"));
  ASSERT_TRUE(server.AddFile("/files/a.jpg", "jpeg"));
  ASSERT_TRUE(server.Step("/files/g.jpg", R"("kind": "page", "html": "g", "set_cookie": "GSID=g1; Path=/")"));
  Post("/login");
  ASSERT_TRUE(WaitFor(Event::Complete));
  platform::web::HttpSession session({2000, 1000});
  ASSERT_NE(session.OpenUrl(server.Url("/files/a.jpg")), nullptr);
  ASSERT_NE(session.OpenUrl(server.Url("/files/g.jpg")), nullptr);
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Complete, 2));
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[1].Cookie("BSID"), "b1");  // the browser's cookie on the GET
  EXPECT_EQ(requests[3].Cookie("BSID"), "b1");
  EXPECT_EQ(requests[3].Cookie("GSID"), "g1");  // the GET's cookie on the browser's POST
}

TEST_F(BrowserTest, AttachmentIsOfferedAndCompletesNoDocument) {
  ASSERT_TRUE(server.Step("/download", R"("kind": "attachment", "filename": "estimate.vek",
                                          "data_b64": "VkVLMwABAgM=")"));
  Post("/download", "CGI_ID=C&I01=estimate.vek", "Content-Type: text/html;\r\n");
  ASSERT_TRUE(WaitFor(Event::Download));
  RunLoopFor(200);
  EXPECT_EQ(rec.Order(), "P D");
  ASSERT_EQ(rec.offers.size(), 1u);
  EXPECT_EQ(rec.offers[0].fileName, "estimate.vek");
  EXPECT_EQ(rec.offers[0].data, std::string("VEK3\x00\x01\x02\x03", 8));
  EXPECT_EQ(rec.offers[0].contentType, "application/octet-stream");
  EXPECT_EQ(rec.offers[0].url, server.Url("/download"));
  EXPECT_EQ(Inner(), "");  // the page shown before stays
}

TEST_F(BrowserTest, OfferedNamesReachTheCallerAsCp932) {
  // An RFC 5987 name in UTF-8, a name with folders, and a reply that names no file.
  ASSERT_TRUE(server.Step("/d1", R"("kind": "attachment", "data_b64": "eA==",
                                    "disposition": "attachment; filename*=UTF-8''%E8%A6%8B%E7%A9%8D.vek")"));
  ASSERT_TRUE(server.Step("/d2", R"("kind": "attachment", "data_b64": "eA==",
                                    "disposition": "attachment; filename=\"..\\\\dir/x.vek\"")"));
  ASSERT_TRUE(server.AddFile("/files/photo.jpg", "jpeg", "image/jpeg"));
  Post("/d1");
  ASSERT_TRUE(WaitFor(Event::Download, 1));
  Post("/d2");
  ASSERT_TRUE(WaitFor(Event::Download, 2));
  browser->Navigate2(server.Url("/files/photo.jpg"), 0, "", std::nullopt, "");
  ASSERT_TRUE(WaitFor(Event::Download, 3));
  EXPECT_EQ(rec.offers[0].fileName, "見積.vek") << Show(rec.offers[0].fileName);
  EXPECT_EQ(rec.offers[1].fileName, "x.vek");
  EXPECT_EQ(rec.offers[2].fileName, "photo.jpg");
  EXPECT_EQ(rec.offers[2].contentType, "image/jpeg");
  EXPECT_EQ(rec.Count(Event::Complete), 0);
}

TEST_F(BrowserTest, PlainTextReplyIsAPage) {
  ASSERT_TRUE(server.Step("/upload", R"("kind": "page", "body_b64": "U0VORE5H", "content_type": "text/plain")"));
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Complete));
  EXPECT_EQ(Inner(), "<pre>SENDNG</pre>");
}

TEST_F(BrowserTest, ReplyInEucJpReachesTheCallerAsCp932) {
  ASSERT_TRUE(server.SendNg("/upload", "C5", "登録できません<BR>もう一度", "RET", "戻る"));
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Complete));
  auto doc = browser->GetDocument();
  EXPECT_EQ(doc->BodyInnerHtml().substr(0, 6), "SENDNG");
  ASSERT_NE(doc->Item("ERR_MSG"), nullptr);
  EXPECT_EQ(doc->Item("ERR_MSG")->value, "登録できません<BR>もう一度") << Show(doc->Item("ERR_MSG")->value);
  EXPECT_EQ(doc->Item("BTN_NM")->value, "戻る");
  EXPECT_EQ(doc->Item("BTN_ID")->value, "RET");
  EXPECT_EQ(doc->Item("CGI_ID")->value, "C5");
}

TEST_F(BrowserTest, NextStepNavigatesFromInsideDocumentComplete) {
  ASSERT_TRUE(server.SendOk("/upload", "C1"));
  ASSERT_TRUE(server.SendOk("/upload", "C2"));
  int completes = 0;
  rec.then = [&](const Event& e) {
    if (e.kind == Event::Complete && ++completes == 1) Post("/upload");
  };
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Complete, 2));
  RunLoopFor(200);
  EXPECT_EQ(rec.Order(), "P C P C");
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "C2");
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(BrowserTest, NewNavigationReplacesTheRunningOne) {
  ASSERT_TRUE(server.Step("/slow", R"("kind": "hang", "seconds": 4)"));
  ASSERT_TRUE(server.SendOk("/upload", "C3"));
  Post("/slow");
  ASSERT_TRUE(RunLoopUntil([&] { return server.Requests().size() == 1; }));
  Post("/upload");
  ASSERT_TRUE(WaitFor(Event::Complete));
  RunLoopFor(1500);  // past the stall time of the first
  EXPECT_EQ(rec.Count(Event::Complete), 1);
  EXPECT_EQ(rec.Count(Event::Error), 0);
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "C3");
}

TEST_F(BrowserTest, HandlerMayDestroyTheBrowser) {
  rec.then = [&](const Event& e) {
    if (e.kind == Event::Progress) browser.reset();
  };
  Post("/upload");
  ASSERT_TRUE(RunLoopUntil([&] { return browser == nullptr; }));
  RunLoopFor(300);
  EXPECT_EQ(rec.Count(Event::Complete), 0);
}

TEST_F(BrowserTest, LargeUploadReportsProgress) {
  std::string body = kBody;
  body.insert(body.size() - 28, std::string(8 << 20, 'x'));  // into the value, before its CR LF
  ASSERT_TRUE(server.KeepBodies(false));
  Post("/upload", body);
  ASSERT_TRUE(WaitFor(Event::Complete, 1));
  int progress = rec.Count(Event::Progress);
  EXPECT_GT(progress, 3);
  std::int32_t previous = -1;
  for (const Event& e : rec.events) {
    if (e.kind != Event::Progress) continue;
    EXPECT_GE(e.value, previous);
    EXPECT_EQ(e.max, platform::web::kProgressMax);
    previous = e.value;
  }
  EXPECT_EQ(previous, platform::web::kProgressMax);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].bodySize, static_cast<std::int64_t>(body.size()));
  EXPECT_EQ(requests[0].multipartError, "");
}

}  // namespace
