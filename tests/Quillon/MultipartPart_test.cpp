#include "MultipartPart.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "test_support.h"

namespace {

using namespace quillon;

std::string Text(const RequestBody& body) { return std::string(body.begin(), body.end()); }
RequestBody Body(std::string_view text) { return RequestBody(text.begin(), text.end()); }

TEST(WriteTextPart, FramingAndValueInEuc) {
  RequestBody body = Body("before");
  WriteTextPart(body, "BB", "名", "ｱ\x87\x40");
  EXPECT_EQ(Text(body), "before--BB\r\nContent-Disposition: form-data; name=\"\xCC\xBE\"\r\n\r\n\x8E\xB1\xAD\xA1\r\n");
}

TEST(WriteClosingLine, DelimiterWithTwoDashes) {
  RequestBody body;
  WriteClosingLine(body, kBoundary);
  EXPECT_EQ(Text(body), "----------quArtzfeLdoN--\r\n");
}

class WriteFilePartTest : public ::testing::Test {
 protected:
  testing_support::TempFolder root;
  UploadCounters counters{5000, 0};
  std::vector<int> positions;
  int pumps = 0;
  UploadPump pump{[this](int p) { positions.push_back(p); }, [this] { return ++pumps, true; }};
  RequestBody body;
  UploadError error;
};

TEST_F(WriteFilePartTest, ChunksOf2048WithProgressAndAPumpAfterEach) {
  std::string content(5000, 'x');
  content[0] = '\0';
  content[4999] = '\xFF';
  testing_support::WriteRaw(testing_support::Utf8(root / "写真.jpg"), content);
  ASSERT_EQ(WriteFilePart(body, "BB", "ImageFile1", root / "写真.jpg", counters, pump, error), BuildResult::Built);
  // The filename is the full path, converted like the rest of the header (写真 in EUC-JP).
  const std::string header = "--BB\r\nContent-Disposition: form-data; name=\"ImageFile1\"; filename=\"" + root.path() +
                             "/\xBC\xCC\xBF\xBF.jpg\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  EXPECT_EQ(Text(body), header + content + "\r\n");
  EXPECT_EQ(counters.sent, 5000u);
  EXPECT_EQ(positions, (std::vector<int>{40, 81, 100}));  // 2048, 4096, 5000 of 5000
  EXPECT_EQ(pumps, 3);
}

TEST_F(WriteFilePartTest, AnEmptyFileNeedsNoPump) {
  testing_support::WriteRaw(root / "empty", "");
  ASSERT_EQ(WriteFilePart(body, "BB", "E", root / "empty", counters, pump, error), BuildResult::Built);
  EXPECT_EQ(Text(body).substr(body.size() - 4), "\r\n\r\n");
  EXPECT_EQ(pumps, 0);
}

TEST_F(WriteFilePartTest, AMissingFileLeavesTheBodyAsItWas) {
  body = Body("so far");
  EXPECT_EQ(WriteFilePart(body, "BB", "E", root / "none.jpg", counters, pump, error), BuildResult::Failed);
  EXPECT_EQ(Text(body), "so far");
  EXPECT_EQ(error.messageId, 1012);
  EXPECT_EQ(error.path, root / "none.jpg");
  EXPECT_EQ(error.cause, 2);
}

TEST_F(WriteFilePartTest, APumpThatReportsTheControlGoneEndsThePart) {
  testing_support::WriteRaw(root / "big", std::string(5000, 'y'));
  pump.pumpMessages = [this] { return ++pumps < 2; };
  EXPECT_EQ(WriteFilePart(body, "BB", "E", root / "big", counters, pump, error), BuildResult::Destroyed);
  EXPECT_EQ(pumps, 2);
  EXPECT_EQ(counters.sent, 4096u);
}

// A body given room for exactly its part is filled in place, whatever the file's size against the blocks read.
TEST_F(WriteFilePartTest, ABodySizedToItsPartNeverMoves) {
  const std::string header = "--BB\r\nContent-Disposition: form-data; name=\"E\"; filename=\"" + root / "f" +
                             "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  for (std::size_t size : {0, 1, 2047, 2048, 2049, 65536, 65537, 200000}) {
    SCOPED_TRACE(size);
    const std::string content(size, 'z');
    testing_support::WriteRaw(root / "f", content);
    RequestBody exact;
    exact.reserve(header.size() + size + 2);
    const std::uint8_t* data = exact.data();
    const std::size_t capacity = exact.capacity();
    ASSERT_EQ(WriteFilePart(exact, "BB", "E", root / "f", counters, pump, error), BuildResult::Built);
    EXPECT_EQ(Text(exact), header + content + "\r\n");
    EXPECT_EQ(exact.data(), data);
    EXPECT_EQ(exact.capacity(), capacity);
  }
}

TEST(ProgressPosition, SixtyFourBitPercentages) {
  struct Case {
    const char* name;
    std::uint64_t total, sent;
    int position;
  } cases[] = {
      {"start", 1, 0, 0},
      {"half", 200, 100, 50},
      {"rounds down", 3, 2, 66},
      {"past 42 MB", 100'000'000, 50'000'000, 50},  // 32-bit sent * 100 wraps here
      {"past 4 GB", 10'000'000'000ull, 9'000'000'000ull, 90},
      {"more read than counted", 10, 12, 100},
      {"no total", 0, 5, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressPosition({c.total, c.sent}), c.position) << c.name;
}

}  // namespace
