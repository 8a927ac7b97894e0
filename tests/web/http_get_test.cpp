#include "platform/web/http_get.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "image_server.h"
#include "test_support.h"
#include "web_test_support.h"

namespace {

using platform::web::HttpFile;
using platform::web::HttpSession;
using web_test::ClosedPort;

class HttpGetTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.ok()); }
  testing_support::ImageServer server;
  HttpSession session{{2000, 1000}};
};

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

// The caller's loop: blocks of 1024 bytes until a read gives nothing; the reads' sizes in order.
std::vector<std::int64_t> ReadAll(HttpFile& file, std::string& body) {
  std::vector<std::int64_t> reads;
  char block[1024];
  while (true) {
    std::int64_t n = file.Read(block, sizeof block);
    reads.push_back(n);
    if (n <= 0) break;
    body.append(block, static_cast<std::size_t>(n));
  }
  return reads;
}

TEST_F(HttpGetTest, BodyIsReadInTheCallersBlocksToItsEnd) {
  const struct {
    const char* name;
    std::size_t size;
    std::vector<std::int64_t> reads;
  } cases[] = {
      {"Empty", 0, {0}},
      {"OneByte", 1, {1, 0}},
      {"ShortOfABlock", 1023, {1023, 0}},
      {"OneBlock", 1024, {1024, 0}},
      {"TwoBlocks", 2048, {1024, 1024, 0}},
      {"BlocksAndARest", 3000, {1024, 1024, 952, 0}},
  };
  for (const auto& c : cases) {
    const std::string path = std::string("/files/") + c.name;
    const std::string bytes = Pattern(c.size);
    ASSERT_TRUE(server.AddFile(path, bytes));
    std::int32_t error = 1;
    auto file = session.OpenUrl(server.Url(path), &error);
    ASSERT_NE(file, nullptr) << c.name;
    EXPECT_EQ(error, 0) << c.name;
    EXPECT_EQ(file->StatusCode(), 200) << c.name;
    std::string body;
    EXPECT_EQ(ReadAll(*file, body), c.reads) << c.name;
    EXPECT_EQ(body, bytes) << c.name;
  }
}

TEST_F(HttpGetTest, StatusOfTheFinalReply) {
  ASSERT_TRUE(server.AddFile("/files/missing", "<html>gone</html>", "text/html", {}, 404));
  ASSERT_TRUE(server.AddFile("/files/moved", "", "text/html", {}, 302));  // no Location: nothing to follow
  ASSERT_TRUE(server.AddFile("/files/odd", "odd", "text/plain", {}, 399));
  ASSERT_TRUE(server.AddFile("/files/target", "target"));
  ASSERT_TRUE(server.Step("/files/redirected", R"("kind": "redirect", "status": 302, "location": "/files/target")"));
  const struct {
    const char* path;
    int status;
    std::string body;
  } cases[] = {
      {"/files/missing", 404, "<html>gone</html>"},
      {"/files/moved", 302, ""},
      {"/files/odd", 399, "odd"},
      {"/files/redirected", 200, "target"},
  };
  for (const auto& c : cases) {
    auto file = session.OpenUrl(server.Url(c.path));
    ASSERT_NE(file, nullptr) << c.path;
    EXPECT_EQ(file->StatusCode(), c.status) << c.path;
    std::string body;
    ReadAll(*file, body);
    EXPECT_EQ(body, c.body) << c.path;
  }
}

TEST_F(HttpGetTest, NoReplyGivesNoFile) {
  ASSERT_TRUE(server.Step("/files/hang", R"("kind": "hang", "seconds": 5)"));
  ASSERT_TRUE(server.Step("/files/drop", R"("kind": "drop")"));
  const struct {
    const char* name;
    std::string url;
    std::int32_t error;
  } cases[] = {
      {"Refused", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/files/a", platform::web::kInetCannotConnect},
      {"ServerStopsAnswering", server.Url("/files/hang"), platform::web::kInetConnectionTimeout},
      {"Dropped", server.Url("/files/drop"), platform::web::kInetDownloadFailure},
  };
  for (const auto& c : cases) {
    std::int32_t error = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.OpenUrl(c.url, &error), nullptr) << c.name;
    EXPECT_EQ(error, c.error) << c.name << std::hex << " " << error;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << c.name;
  }
}

TEST_F(HttpGetTest, ReplyThatStallsHalfWayFailsAfterWhatCame) {
  const std::string bytes = Pattern(3000);
  ASSERT_TRUE(server.Step("/files/stall", R"("kind": "stall", "stall_after": 1500, "seconds": 5, "data_b64": ")" +
                                              testing_support::Base64(bytes) + "\""));
  std::int32_t error = 0;
  auto file = session.OpenUrl(server.Url("/files/stall"), &error);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(error, platform::web::kInetConnectionTimeout);
  EXPECT_EQ(file->StatusCode(), 200);
  std::string body;
  EXPECT_EQ(ReadAll(*file, body), (std::vector<std::int64_t>{1024, 476, -1}));
  EXPECT_EQ(body, bytes.substr(0, 1500));
}

// Slower than a byte a second, but never silent for the stall limit: the transfer goes on to its end.
TEST_F(HttpGetTest, AReplyThatKeepsMovingIsNeverCut) {
  ASSERT_TRUE(server.Step("/files/trickle", R"("kind": "trickle", "every": 1.5, "data_b64": ")" +
                                                testing_support::Base64("slow") + "\""));
  HttpSession patient{{2000, 3000}};
  std::int32_t error = 1;
  auto file = patient.OpenUrl(server.Url("/files/trickle"), &error);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(error, 0) << std::hex << error;
  std::string body;
  ReadAll(*file, body);
  EXPECT_EQ(body, "slow");
}

TEST_F(HttpGetTest, UrlBytesOutsideUrlsAreEscaped) {
  // The server's file names are appended to its address as they are: a space and CP932 bytes.
  const std::string name = "/files/画 像.jpg";
  ASSERT_TRUE(server.AddFile(name, "photo"));
  auto file = session.OpenUrl(server.Url(name));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->StatusCode(), 200);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, name) << testing_support::Show(requests[0].path);
}

TEST_F(HttpGetTest, OneSessionServesSeveralFiles) {
  for (int i = 1; i <= 9; ++i) ASSERT_TRUE(server.AddFile("/files/" + std::to_string(i), Pattern(i * 1000)));
  for (int i = 1; i <= 9; ++i) {
    auto file = session.OpenUrl(server.Url("/files/" + std::to_string(i)));
    ASSERT_NE(file, nullptr);
    std::string body;
    ReadAll(*file, body);
    EXPECT_EQ(body, Pattern(i * 1000));
  }
}

}  // namespace
