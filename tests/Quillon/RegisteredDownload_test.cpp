#include "RegisteredDownload.h"

#include <gtest/gtest.h>

#include <string>

#include "image_server.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using quillon::DownloadResult;
using testing_support::ReadRaw;
using testing_support::WriteRaw;

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 13 + i / 509);
  return s;
}

class RegisteredDownloadTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.ok()); }
  testing_support::ImageServer server;
  testing_support::TempFolder folder;
  platform::web::HttpSession session{{2000, 1000}};
};

TEST_F(RegisteredDownloadTest, TheLocalFileHoldsTheBodyOrNothing) {
  struct Case {
    const char* name;
    int status;
    std::size_t size;
    DownloadResult result;
  } cases[] = {
      {"empty body", 200, 0, DownloadResult::Stored},
      {"one byte", 200, 1, DownloadResult::Stored},
      {"short of a block", 200, 1023, DownloadResult::Stored},
      {"one block", 200, 1024, DownloadResult::Stored},
      {"a block and one", 200, 1025, DownloadResult::Stored},
      {"three blocks", 200, 3 * 1024, DownloadResult::Stored},
      {"a megabyte", 200, 1 << 20, DownloadResult::Stored},
      {"a final 302 is the file", 302, 50, DownloadResult::Stored},
      {"399 is the file", 399, 50, DownloadResult::Stored},
      {"400 fails", 400, 50, DownloadResult::Failed},
      {"404 fails", 404, 50, DownloadResult::Failed},
      {"500 fails", 500, 50, DownloadResult::Failed},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = "/img/f" + std::to_string(++n);
    const std::string bytes = Pattern(c.size);
    ASSERT_TRUE(server.AddFile(path, bytes, "image/jpeg", {}, c.status));
    const std::string local = folder / ("f" + std::to_string(n) + ".jpg");
    // A longer file left from before must not keep its tail.
    WriteRaw(local, std::string(c.size + 100, 'x'));
    EXPECT_EQ(quillon::DownloadRegisteredFile(session, server.Url(path), local), c.result) << c.name;
    EXPECT_EQ(ReadRaw(local), c.result == DownloadResult::Stored ? bytes : std::string()) << c.name;
  }
}

TEST_F(RegisteredDownloadTest, NoAnswerLeavesAnEmptyFile) {
  const std::string bytes = Pattern(3000);
  ASSERT_TRUE(server.Step("/img/stall", R"("kind": "stall", "stall_after": 1500, "seconds": 5, "data_b64": ")" +
                                            testing_support::Base64(bytes) + "\""));
  ASSERT_TRUE(server.Step("/img/drop", R"("kind": "drop")"));
  ASSERT_TRUE(server.Step("/img/hang", R"("kind": "hang", "seconds": 5)"));
  ASSERT_TRUE(server.AddFile("/img/chunk", bytes));
  struct Case {
    const char* name;
    std::string url;
    DownloadResult result;
  } cases[] = {
      // Silence for the session's stall limit is told apart: the start-up waits no more after it.
      {"a body that stops half way", server.Url("/img/stall"), DownloadResult::TimedOut},
      {"a server that never answers", server.Url("/img/hang"), DownloadResult::TimedOut},
      {"a dropped connection", server.Url("/img/drop"), DownloadResult::Failed},
      {"a server that is down", "http://127.0.0.1:1/img/a", DownloadResult::Failed},
  };
  for (const Case& c : cases) {
    const std::string local = folder / "photo.jpg";
    WriteRaw(local, "left over");
    EXPECT_EQ(quillon::DownloadRegisteredFile(session, c.url, local), c.result) << c.name;
    EXPECT_TRUE(platform::IsFile(local)) << c.name;
    EXPECT_EQ(ReadRaw(local), "") << c.name;
  }
}

}  // namespace
