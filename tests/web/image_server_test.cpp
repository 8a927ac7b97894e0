// The image-server stand-in itself: what the tests read back from it must be what was sent.
#include "image_server.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/web/browser.h"
#include "web_test_support.h"

namespace {

using web_test::Event;

class ImageServerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok());
    browser->SetEvents(&rec);
  }
  void Post(std::string_view body, const char* path = "/upload") {
    browser->Navigate2(server.Url(path), 0, "", platform::web::PostData(body.begin(), body.end()),
                       "Content-Type: multipart/form-data; boundary=--------quArtzfeLdoN\r\n");
    ++completes;
    ASSERT_TRUE(web_test::RunLoopUntil([&] { return rec.Count(Event::Complete) == completes; }));
  }

  testing_support::ImageServer server;
  std::unique_ptr<platform::web::Browser> browser = platform::web::CreateBrowser({2000, 2000});
  web_test::Recorder rec;
  int completes = 0;
};

TEST_F(ImageServerTest, PartsComeBackByteForByte) {
  // An EUC-JP field name and file path, and file data holding CR LF, NUL and a delimiter-like line.
  const std::string data = std::string("a\r\n\0b\r\n--------quArtzfeLdoN-\r\n", 29) + "\xFF";
  const std::string body =
      "----------quArtzfeLdoN\r\n"
      "Content-Disposition: form-data; name=\"\xA4\xA2\"\r\n\r\n"
      "\xB0\xA1\r\n"
      "----------quArtzfeLdoN\r\n"
      "Content-Disposition: form-data; name=\"ImageFile1\"; filename=\"/home/\xA4\xA2/p.jpg\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\n" +
      data + "\r\n----------quArtzfeLdoN--\r\n";
  Post(body);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_TRUE(r.multipart);
  EXPECT_EQ(r.multipartError, "");
  ASSERT_EQ(r.parts.size(), 2u);
  EXPECT_FALSE(r.parts[0].isFile);
  EXPECT_EQ(r.parts[0].name, "\xA4\xA2");
  EXPECT_EQ(r.parts[0].data, "\xB0\xA1");
  EXPECT_TRUE(r.parts[1].isFile);
  EXPECT_EQ(r.parts[1].name, "ImageFile1");
  EXPECT_EQ(r.parts[1].fileName, "/home/\xA4\xA2/p.jpg");
  EXPECT_EQ(r.parts[1].contentType, "application/octet-stream");
  EXPECT_EQ(r.parts[1].data, data);
  EXPECT_EQ(r.body, body);
}

TEST_F(ImageServerTest, BrokenBodyIsReported) {
  Post("----------quArtzfeLdoN\r\nContent-Disposition: form-data; name=\"A\"\r\n\r\nv\r\n");
  Post("----------quArtzfeLdoN\r\nX-No-Disposition: 1\r\n\r\nv\r\n----------quArtzfeLdoN--\r\n");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[0].multipartError, "");
  EXPECT_NE(requests[1].multipartError, "");
}

TEST_F(ImageServerTest, StepsAreTakenInOrderThenSendOkEchoesTheCgiId) {
  ASSERT_TRUE(server.SendNg("/upload", "N1", "m", nullptr, nullptr));
  ASSERT_TRUE(server.SendOk("/upload", "K1"));
  const std::string body =
      "----------quArtzfeLdoN\r\nContent-Disposition: form-data; name=\"CGI_ID\"\r\n\r\nE1\r\n"
      "----------quArtzfeLdoN--\r\n";
  Post(body);
  EXPECT_EQ(browser->GetDocument()->BodyInnerHtml().substr(0, 6), "SENDNG");
  EXPECT_EQ(browser->GetDocument()->Item("BTN_ID"), nullptr);  // no return button
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "N1");
  Post(body);
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "K1");
  Post(body);
  EXPECT_EQ(browser->GetDocument()->BodyInnerHtml().substr(0, 6), "SENDOK");
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "E1");
  EXPECT_EQ(server.Requests().size(), 3u);
  // A reset forgets them, and the next request is the first again.
  ASSERT_TRUE(server.Reset());
  EXPECT_TRUE(server.Requests().empty());
  Post(body);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(browser->GetDocument()->Item("CGI_ID")->value, "E1");
}

TEST_F(ImageServerTest, ReplyCharsetWhereTheStepPutsIt) {
  const struct {
    const char* members;
  } cases[] = {
      {R"("kind": "page", "html": "日本", "charset": "shift_jis", "charset_in": "none")"},
      {R"("kind": "page", "html": "日本", "charset": "euc-jp", "charset_in": "meta")"},
      {R"("kind": "page", "html": "日本", "charset": "utf-8", "charset_in": "both")"},
      {R"("kind": "page", "html": "日本", "charset": "euc-jp", "charset_in": "header")"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(server.Step("/page", c.members));
    Post("", "/page");
    EXPECT_EQ(browser->GetDocument()->BodyInnerHtml(), "日本") << c.members;
  }
}

}  // namespace
