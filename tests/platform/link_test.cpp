#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::Utf8;
using testing_support::WriteRaw;

namespace {

class LinkFileTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ClearFaults(); }
  TempFolder dir;
};

TEST_F(LinkFileTest, SecondNameSharesTheFileAndTheFirstStays) {
  const std::string from = dir / "見積.vek", to = dir / "20240501093000-バックアップ見積.vek";
  WriteRaw(Utf8(from), "old bytes");
  ASSERT_EQ(platform::LinkFile(from, to), platform::LinkResult::Done);
  EXPECT_EQ(ReadRaw(Utf8(from)), "old bytes");
  EXPECT_EQ(ReadRaw(Utf8(to)), "old bytes");
  struct stat a, b;
  ASSERT_EQ(stat(Utf8(from).c_str(), &a), 0);
  ASSERT_EQ(stat(Utf8(to).c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_EQ(a.st_nlink, 2u);
}

TEST_F(LinkFileTest, NeverReplacesATarget) {
  struct Case {
    const char* name;
    const char* existing;  // already in the folder
    const char* target;
  } cases[] = {{"same name", "b.vek", "b.vek"}, {"other case", "B.VEK", "b.vek"}};
  for (const Case& c : cases) {
    TempFolder d;
    WriteRaw(Utf8(d / "a.vek"), "new");
    WriteRaw(Utf8(d / c.existing), "taken");
    EXPECT_EQ(platform::LinkFile(d / "a.vek", d / c.target), platform::LinkResult::Exists) << c.name;
    EXPECT_EQ(ReadRaw(Utf8(d / c.existing)), "taken") << c.name;
  }
}

TEST_F(LinkFileTest, MissingSourceFolderSourceAndInjectedFault) {
  EXPECT_EQ(platform::LinkFile(dir / "none.vek", dir / "x.vek"), platform::LinkResult::Missing);
  ASSERT_TRUE(platform::MakeFolder(dir / "sub"));
  EXPECT_EQ(platform::LinkFile(dir / "sub", dir / "x"), platform::LinkResult::Failed);
  WriteRaw(Utf8(dir / "a.vek"), "a");
  platform::FailNthCall(platform::FileOp::Rename, 1);
  EXPECT_EQ(platform::LinkFile(dir / "a.vek", dir / "x.vek"), platform::LinkResult::Failed);
  EXPECT_FALSE(platform::Exists(dir / "x.vek"));
  EXPECT_EQ(platform::CallCount(platform::FileOp::Rename), 1);
}

}  // namespace
