#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using platform::File;
using platform::OpenMode;

// The kernel copy (positions alike in their pages) and the copy through the buffer (positions unlike, or a
// destination opened to append) give the same bytes.
TEST(FileCopyFrom, CopiesTheStretchFromThePositionsInBothWays) {
  testing_support::TempFolder dir;
  std::string source;
  for (int i = 0; i < 300000; ++i) source += static_cast<char>(i * 7 + i / 251);
  testing_support::WriteRaw(dir / "src", source);
  struct Case {
    const char* name;
    OpenMode mode;
    std::int64_t from;
  } cases[] = {{"update, alike", OpenMode::Update, 4100},
               {"update, unlike", OpenMode::Update, 1000},
               {"append", OpenMode::Append, 4100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::WriteRaw(dir / "dst", "head");
    auto in = File::Open(dir / "src", OpenMode::Read);
    auto out = File::Open(dir / "dst", c.mode);
    ASSERT_TRUE(in && out);
    ASSERT_EQ(in->Seek(c.from, SEEK_SET), c.from);
    if (c.mode == OpenMode::Update) {
      ASSERT_EQ(out->Seek(0, SEEK_END), 4);
    }
    std::vector<char> buffer(4096);
    ASSERT_TRUE(out->CopyFrom(*in, 200000, buffer.data(), buffer.size()));
    ASSERT_TRUE(out->Close());
    EXPECT_EQ(testing_support::ReadRaw(dir / "dst"), "head" + source.substr(c.from, 200000));
  }
}

TEST(FileCopyFrom, FailsPastTheEndAndAtItsFaultPoints) {
  testing_support::TempFolder dir;
  testing_support::WriteRaw(dir / "src", std::string(100, 'x'));
  std::vector<char> buffer(16);
  auto in = File::Open(dir / "src", OpenMode::Read);
  auto out = File::Open(dir / "dst", OpenMode::Write);
  ASSERT_TRUE(in && out);
  EXPECT_FALSE(out->CopyFrom(*in, 101, buffer.data(), buffer.size()));
  for (platform::FileOp op : {platform::FileOp::Read, platform::FileOp::Write}) {
    platform::ClearFaults();
    platform::FailNthCall(op, 1);
    ASSERT_EQ(in->Seek(0, SEEK_SET), 0);
    EXPECT_FALSE(out->CopyFrom(*in, 10, buffer.data(), buffer.size()));
  }
  platform::ClearFaults();
}

}  // namespace
