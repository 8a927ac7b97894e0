#include "UBL_ComFileCtrl.h"

#include <gtest/gtest.h>

#include "hestrel_test_support.h"
#include "platform/fault.h"

namespace {

using testing_support::WriteRaw;

class ComFileCtrlTest : public hestrel_test::HestrelTest {};

TEST_F(ComFileCtrlTest, DirectoryDelete) {
  EXPECT_EQ(hestrel::OvDirectoryDelete(nullptr), -1);
  EXPECT_EQ(hestrel::OvDirectoryDelete((root / "none").c_str()), 0);
  platform::MakeFolders(root / "w/sub");
  WriteRaw(root / "w/sub/a", "a");
  WriteRaw(root / "w/ro", "r");
  platform::SetAttributes(root / "w/ro", platform::kAttrReadOnly);
  EXPECT_EQ(hestrel::OvDirectoryDelete((root / "w/").c_str()), 0);  // one trailing delimiter removed
  EXPECT_FALSE(platform::IsFolder(root / "w"));
}

TEST_F(ComFileCtrlTest, DirectoryDeleteThatFailsIsReported) {
  platform::MakeFolder(root / "w");
  WriteRaw(root / "w/a", "a");
  platform::FailFromCall(platform::FileOp::Delete, 1);
  EXPECT_NE(hestrel::OvDirectoryDelete((root / "w").c_str()), 0);
  platform::ClearFaults();
  EXPECT_TRUE(platform::IsFolder(root / "w"));
}

TEST_F(ComFileCtrlTest, FileExistsAndForceDelete) {
  WriteRaw(root / "f", "x");
  platform::SetAttributes(root / "f", platform::kAttrReadOnly);
  EXPECT_TRUE(hestrel::OvFileExists(root / "f"));
  EXPECT_FALSE(hestrel::OvFileExists(root / "cwd"));  // a folder is no file
  EXPECT_EQ(hestrel::OvForceFileDelete(""), -2);
  EXPECT_EQ(hestrel::OvForceFileDelete(root / "none"), -3);
  EXPECT_EQ(hestrel::OvForceFileDelete(root / "f"), 0);
  EXPECT_FALSE(hestrel::OvFileExists(root / "f"));
}

}  // namespace
