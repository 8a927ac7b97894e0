#include "UploadSize.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using namespace quillon;

UploadPhotoRow Row(std::string path, bool registered) {
  UploadPhotoRow row;
  row.path = std::move(path);
  row.registered = registered;
  return row;
}

class SumUploadSizeTest : public ::testing::Test {
 protected:
  testing_support::TempFolder root;
  UploadSet set;
  UploadError error;
};

TEST_F(SumUploadSizeTest, EstimateFilesAndNewPhotosOnly) {
  testing_support::WriteRaw(root / "a.xls", std::string(300, 'a'));
  testing_support::WriteRaw(root / "p1.jpg", std::string(20, 'p'));
  testing_support::WriteRaw(root / "p3.jpg", std::string(1, 'p'));
  set.estimateFiles = {root / "a.xls"};
  set.photos = {Row(root / "p1.jpg", false), Row(root / "registered-not-here.jpg", true),
                Row(root / "p3.jpg", false)};
  EXPECT_EQ(SumUploadSize(set, error), 321);
}

TEST_F(SumUploadSizeTest, NothingToSendIsZero) { EXPECT_EQ(SumUploadSize(set, error), 0); }

TEST_F(SumUploadSizeTest, TheFirstFileThatCannotBeOpenedIsNamed) {
  testing_support::WriteRaw(root / "p1.jpg", "p");
  set.estimateFiles = {root / "gone.xls"};
  set.photos = {Row(root / "gone.jpg", false)};
  EXPECT_EQ(SumUploadSize(set, error), -1);
  EXPECT_EQ(error.messageId, 1012);
  EXPECT_EQ(error.path, root / "gone.xls");
  EXPECT_EQ(error.cause, 2);
  set.estimateFiles.clear();
  set.photos = {Row(root / "p1.jpg", false), Row(root / "no-folder/p2.jpg", false)};
  EXPECT_EQ(SumUploadSize(set, error), -1);
  EXPECT_EQ(error.path, root / "no-folder/p2.jpg");
  EXPECT_EQ(error.cause, 3);
}

}  // namespace
