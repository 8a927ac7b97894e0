#include "CBrowseFolderDlg.h"

#include <gtest/gtest.h>

#include "platform/ui/services.h"

namespace {

namespace ui = platform::ui;

TEST(BrowseFolder, AnswersAndTheirPaths) {
  ui::ScriptedServices services;
  ui::ServicesScope scope(services);
  controls::CBrowseFolderDlg picker(nullptr, 0);

  services.QueuePath("/data/見積");
  EXPECT_EQ(picker.DoModal("フォルダを選択してください。", "/start"), 1);
  EXPECT_EQ(picker.GetFolderPath(), "/data/見積");
  ASSERT_EQ(services.Requests().size(), 1u);
  EXPECT_EQ(services.Requests()[0].kind, ui::ScriptedServices::Kind::Folder);
  EXPECT_EQ(services.Requests()[0].folder.title, "フォルダを選択してください。");
  EXPECT_EQ(services.Requests()[0].folder.initialFolder, "/start");

  // Cancelled: 0, the chosen path as it was. Without an initial folder the one kept before stands.
  services.QueueCancel();
  EXPECT_EQ(picker.DoModal("t"), 0);
  EXPECT_EQ(picker.GetFolderPath(), "/data/見積");
  EXPECT_EQ(services.Requests()[1].folder.initialFolder, "/start");

  // A longer answer is cut to 259 bytes, never inside a double-byte character.
  const std::string longer = "/" + std::string(257, 'a') + "表示";
  services.QueuePath(longer);
  EXPECT_EQ(picker.DoModal("t", ""), 1);
  EXPECT_EQ(picker.GetFolderPath(), longer.substr(0, 258));
  EXPECT_EQ(services.Requests()[2].folder.initialFolder, "");
}

}  // namespace
