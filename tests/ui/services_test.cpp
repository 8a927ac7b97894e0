// The services that ask the person: the scripted form answers from its queues, takes a box's default button
// when nothing is queued, records every request and reports what it did not expect; the Qt form's filters.
#include <gtest/gtest.h>

#include "file_filter.h"
#include "platform/ui/services.h"
#include "test_support.h"

namespace {

using namespace platform::ui;
using testing_support::Show;

MessageBoxRequest Box(BoxButtons buttons, int defaultButton = 0) {
  MessageBoxRequest b;
  b.text = "保存されている画像ファイルの数が多すぎます。";
  b.title = "ヴィストレル";
  b.icon = BoxIcon::Exclamation;
  b.buttons = buttons;
  b.defaultButton = defaultButton;
  return b;
}

class ServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    s.onUnexpected = [this](const std::string& what) { unexpected.push_back(what); };
  }
  ScriptedServices s;
  std::vector<std::string> unexpected;
};

TEST_F(ServicesTest, MessageBoxesTakeQueuedAnswersThenTheirDefaultButton) {
  struct Case {
    const char* name;
    BoxButtons buttons;
    int defaultButton;
    BoxAnswer expected;
  };
  const Case unqueued[] = {
      {"ok", BoxButtons::Ok, 0, BoxAnswer::Ok},
      {"ok/cancel first", BoxButtons::OkCancel, 0, BoxAnswer::Ok},
      {"ok/cancel second", BoxButtons::OkCancel, 1, BoxAnswer::Cancel},
      {"yes/no first", BoxButtons::YesNo, 0, BoxAnswer::Yes},
      {"yes/no second", BoxButtons::YesNo, 1, BoxAnswer::No},
  };
  for (const Case& c : unqueued) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(s.ShowMessageBox(Box(c.buttons, c.defaultButton), nullptr), c.expected);
  }
  s.QueueAnswer(BoxAnswer::Yes);
  s.QueueAnswer(BoxAnswer::Cancel);
  EXPECT_EQ(s.ShowMessageBox(Box(BoxButtons::YesNo, 1), nullptr), BoxAnswer::Yes);
  EXPECT_EQ(s.ShowMessageBox(Box(BoxButtons::OkCancel), nullptr), BoxAnswer::Cancel);
  EXPECT_EQ(s.QueuedAnswers(), 0u);
  EXPECT_TRUE(unexpected.empty());
  ASSERT_EQ(s.Requests().size(), 7u);
  const ScriptedServices::Request& last = s.Requests().back();
  EXPECT_EQ(last.kind, ScriptedServices::Kind::MessageBox);
  EXPECT_EQ(Show(last.box.text), Show("保存されている画像ファイルの数が多すぎます。"));
  EXPECT_EQ(Show(last.box.title), Show("ヴィストレル"));
  EXPECT_EQ(last.box.icon, BoxIcon::Exclamation);
  EXPECT_EQ(last.answer, BoxAnswer::Cancel);
}

TEST_F(ServicesTest, WhatItCannotAnswerIsReportedNotWaitedFor) {
  // A queued answer that is no button of the box: reported, the default taken, the answer used up.
  s.QueueAnswer(BoxAnswer::Yes);
  EXPECT_EQ(s.ShowMessageBox(Box(BoxButtons::Ok), nullptr), BoxAnswer::Ok);
  ASSERT_EQ(unexpected.size(), 1u);
  EXPECT_EQ(Show(unexpected[0]), Show("message box \"保存されている画像ファイルの数が多すぎます。\" has no button for "
                                      "the queued answer"));
  // Boxes with nothing queued can be made unexpected too.
  s.SetDefaultWhenUnqueued(false);
  EXPECT_EQ(s.ShowMessageBox(Box(BoxButtons::YesNo, 1), nullptr), BoxAnswer::No);
  EXPECT_EQ(unexpected.size(), 2u);
  // A dialog with nothing queued is cancelled.
  std::string path = "unchanged";
  FolderRequest folder{"画像フォルダを選択してください。", "/data"};
  EXPECT_FALSE(s.ChooseFolder(folder, nullptr, path));
  EXPECT_EQ(path, "unchanged");
  ASSERT_EQ(unexpected.size(), 3u);
  EXPECT_EQ(Show(unexpected[2]), Show("folder picker \"画像フォルダを選択してください。\" with no answer queued"));
}

TEST_F(ServicesTest, FileDialogsPickersAndOffersTakeQueuedPathsOrCancel) {
  s.QueuePath("/home/user/見積.pdf");
  s.QueueCancel();
  s.QueuePath("/home/user/画像");
  s.QueuePath("/tmp/dl/見積.vek");
  FileDialogRequest open;
  open.filter = "すべてのファイル (*.*)|*.*|Acrobat PDFファイル (*.pdf)|*.pdf|";
  open.initialFolder = "/home/user";
  open.flags = kHideReadOnly | kNoChangeDir | kFileMustExist;
  FileDialogRequest save;
  save.save = true;
  save.fileName = "見積.vek";
  std::string path;
  ASSERT_TRUE(s.ChooseFile(open, nullptr, path));
  EXPECT_EQ(Show(path), Show("/home/user/見積.pdf"));
  path = "kept";
  EXPECT_FALSE(s.ChooseFile(save, nullptr, path));
  EXPECT_EQ(path, "kept");
  ASSERT_TRUE(s.ChooseFolder(FolderRequest{"フォルダを選択してください。", "/home"}, nullptr, path));
  EXPECT_EQ(Show(path), Show("/home/user/画像"));
  ASSERT_TRUE(s.OfferDownload(DownloadOffer{"見積.vek", 2048}, nullptr, path));
  EXPECT_EQ(Show(path), Show("/tmp/dl/見積.vek"));
  EXPECT_TRUE(unexpected.empty());
  ASSERT_EQ(s.Requests().size(), 4u);
  EXPECT_EQ(s.Requests()[0].kind, ScriptedServices::Kind::OpenFile);
  EXPECT_EQ(s.Requests()[0].file.flags, kHideReadOnly | kNoChangeDir | kFileMustExist);
  EXPECT_TRUE(s.Requests()[0].chosen);
  EXPECT_EQ(s.Requests()[1].kind, ScriptedServices::Kind::SaveFile);
  EXPECT_FALSE(s.Requests()[1].chosen);
  EXPECT_EQ(s.Requests()[2].kind, ScriptedServices::Kind::Folder);
  EXPECT_EQ(s.Requests()[3].kind, ScriptedServices::Kind::Download);
  EXPECT_EQ(s.Requests()[3].download.size, 2048);
}

TEST_F(ServicesTest, EachRequestIsToldAsItIsAnsweredAndTheScopeInstallsIt) {
  std::vector<BoxAnswer> told;
  s.onRequest = [&](const ScriptedServices::Request& r) { told.push_back(r.answer); };
  {
    ServicesScope scope(s);
    EXPECT_EQ(&CurrentServices(), &s);
    s.QueueAnswer(BoxAnswer::No);
    EXPECT_EQ(CurrentServices().ShowMessageBox(Box(BoxButtons::YesNo), nullptr), BoxAnswer::No);
  }
  EXPECT_EQ(&CurrentServices(), &QtDialogServices());
  EXPECT_EQ(told, std::vector<BoxAnswer>{BoxAnswer::No});
}

TEST(FileFilters, TheSystemsFiltersBecomeQtsFilters) {
  struct Case {
    const char* name;
    std::string filter;
    std::string qt;  // UTF-8
  };
  const Case cases[] = {
      {"every file", "すべてのファイル (*.*)|*.*|", "\xe3\x81\x99\xe3\x81\xb9\xe3\x81\xa6\xe3\x81\xae\xe3\x83\x95\xe3\x82\xa1"
                                                 "\xe3\x82\xa4\xe3\x83\xab (*)"},
      {"two", "Word (*.doc)|*.doc|PDF|*.pdf;*.PDF|", "Word (*.doc);;PDF (*.pdf *.PDF)"},
      {"without the last bar", "Text|*.txt", "Text (*.txt)"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(detail::QtFileFilter(c.filter), c.qt);
  }
  EXPECT_EQ(detail::QtDefaultSuffix("doc"), "doc");
  EXPECT_EQ(detail::QtDefaultSuffix(".pdf"), "pdf");
  EXPECT_EQ(detail::QtDefaultSuffix("*.doc|*.xls|*.pdf|*.*"), "");
  EXPECT_EQ(detail::QtDefaultSuffix("*.*"), "");
}

}  // namespace
