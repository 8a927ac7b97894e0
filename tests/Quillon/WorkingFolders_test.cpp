#include "WorkingFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using testing_support::WriteRaw;

TEST(WorkingFolders, EmptyingDeletesFilesAndLeavesFolders) {
  testing_support::TempFolder root;
  const std::string folder = root / "ImageUploadTemp";
  std::filesystem::create_directories(folder + "/sub");
  WriteRaw(folder + "/a.jpg", "a");
  WriteRaw(folder + "/sub/b.jpg", "b");
  WriteRaw(folder + "/ro.jpg", "r");
  ASSERT_TRUE(platform::SetAttributes(folder + "/ro.jpg", platform::kAttrReadOnly | platform::kAttrHidden));
  EXPECT_TRUE(quillon::DeleteFolderFiles(folder));
  EXPECT_FALSE(platform::Exists(folder + "/a.jpg"));
  EXPECT_FALSE(platform::Exists(folder + "/ro.jpg"));
  EXPECT_TRUE(platform::IsFile(folder + "/sub/b.jpg")) << "sub-folders are left alone";
  EXPECT_TRUE(quillon::DeleteFolderFiles(folder)) << "an empty folder is emptied";
  EXPECT_FALSE(quillon::DeleteFolderFiles(root / "missing"));
  WriteRaw(folder + "/c.jpg", "c");
  platform::FailNthCall(platform::FileOp::Delete, 1);
  EXPECT_FALSE(quillon::DeleteFolderFiles(folder)) << "a file that stays fails the emptying";
  platform::ClearFaults();
  EXPECT_TRUE(quillon::RemoveFolderTree(folder));
  EXPECT_FALSE(platform::Exists(folder));
  EXPECT_TRUE(quillon::RemoveFolderTree(folder)) << "a folder that is gone is removed";
}

TEST(WorkingFolders, FoldersWithTheirAncestors) {
  testing_support::TempFolder root;
  EXPECT_TRUE(quillon::MakeFolderWithAncestors(root / "a/b/c"));
  EXPECT_TRUE(platform::IsFolder(root / "a/b/c"));
  EXPECT_TRUE(quillon::MakeFolderWithAncestors(root / "a/b/c")) << "one that stands is made";
  WriteRaw(root / "file", "x");
  EXPECT_FALSE(quillon::MakeFolderWithAncestors(root / "file/d"));
}

TEST(WorkingFolders, OneFormHoldsTheSystemFolder) {
  testing_support::TempFolder root;
  const std::string system = root.path() + "/";
  auto first = quillon::SystemFolderHold::Take(system);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(quillon::SystemFolderHold::Take(system), nullptr) << "another form of this process";
  EXPECT_EQ(quillon::SystemFolderHold::Take(root.path()), nullptr) << "named without its delimiter";
  first.reset();
  EXPECT_NE(quillon::SystemFolderHold::Take(system), nullptr);
  EXPECT_EQ(quillon::SystemFolderHold::Take(root / "missing"), nullptr);
}

}  // namespace
