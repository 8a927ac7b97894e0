#include "fake_browser.h"

#include <gtest/gtest.h>

#include "web_test_support.h"

namespace {

using platform::web::FakeBrowser;
using web_test::Event;

TEST(FakeBrowser, RecordsEveryNavigation) {
  FakeBrowser browser;
  browser.Navigate2("http://server/cgi", 0, "", platform::web::PostData{'a', '\0', 'b'}, "Content-Type: text/html;\r\n");
  browser.Navigate2("http://server/page", 2, "frame", std::nullopt, "");
  ASSERT_EQ(browser.navigations().size(), 2u);
  const auto& first = browser.navigations()[0];
  EXPECT_EQ(first.url, "http://server/cgi");
  ASSERT_TRUE(first.postData);
  EXPECT_EQ(*first.postData, (platform::web::PostData{'a', '\0', 'b'}));
  EXPECT_EQ(first.headers, "Content-Type: text/html;\r\n");
  const auto& second = browser.navigations()[1];
  EXPECT_EQ(second.flags, 2);
  EXPECT_EQ(second.targetFrame, "frame");
  EXPECT_FALSE(second.postData);
}

TEST(FakeBrowser, DeliversWhatTheTestPlays) {
  FakeBrowser browser;
  web_test::Recorder rec;
  rec.cancelErrors = true;
  browser.SetEvents(&rec);
  browser.SetDownloadHandler(&rec);
  EXPECT_EQ(browser.GetDocument()->BodyInnerHtml(), "");

  browser.DeliverProgressChange(50);
  browser.DeliverDocumentComplete("<body>SENDOK<input type=hidden name=CGI_ID value=X1></body>", "http://s/");
  EXPECT_TRUE(browser.DeliverNavigateError("http://s/", 404));
  browser.DeliverDownloadOffer({"http://s/f", "f.vek", "application/octet-stream", "data"});

  EXPECT_EQ(rec.Order(), "P C E D");
  EXPECT_EQ(rec.events[0].value, 50);
  EXPECT_EQ(rec.events[0].max, platform::web::kProgressMax);
  EXPECT_EQ(rec.events[1].url, "http://s/");
  EXPECT_EQ(rec.events[2].value, 404);
  EXPECT_EQ(browser.GetDocument()->BodyInnerHtml(), "SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"X1\">");
  EXPECT_EQ(browser.GetDocument()->Item("CGI_ID")->value, "X1");
  ASSERT_EQ(rec.offers.size(), 1u);
  EXPECT_EQ(rec.offers[0].fileName, "f.vek");
}

}  // namespace
