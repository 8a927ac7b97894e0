// The attachments' "ダウンロード" buttons and the reply pages and failed navigations of the form's browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CUploadDialog.h"
#include "FormIds.h"
#include "form_test_support.h"
#include "platform/ui/timers.h"

namespace {

using namespace form_test;
using namespace quillon::form_ids;
using quillon::CFormDialogTestAccess;
using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::TempFolder;

// A form whose first slot holds a registered attachment, and whose second slot stays empty.
Params RegisteredAttachment() {
  return Params{{"ServerURL", "http://server.example/cgi/dl"}, {"CGI_ID", "C7"}, {"SES_ID", "S1"},
                {"MAP_ID", "M2"}, {"BTN_ID2", "DLBTN"}, {"DBEstimateFileName1", "reg.vek"},
                {"DBEstimateFilePrtName1", "見積.vek"}, {"DBEstimateEntryTime1", "20240102030405"},
                {"DBEstimateFileSize1", "4096"}};
}

TEST(FormDownloadButtons, ARegisteredAttachmentIsAskedOfTheServer) {
  ui::TestTimerClock clock;
  FormPage page(RegisteredAttachment());
  CFormDialog& form = page.form();
  EXPECT_EQ(form.ItemText(kSlotNames[0]), "見積.vek");
  EXPECT_EQ(form.ItemText(kSlotInfos[0]), "(2024/01/02 03:04:05)");
  EXPECT_TRUE(form.IsItemVisible(kSlotDownloads[0]));
  EXPECT_FALSE(form.IsItemVisible(kSlotDownloads[1])) << "an empty slot has no button";
  EXPECT_EQ(form.TotalKB(), 4);
  page.Click(kSlotDownloads[0]);
  ASSERT_NE(page.browser, nullptr);
  ASSERT_EQ(page.browser->navigations().size(), 1u);
  const auto& n = page.browser->navigations()[0];
  EXPECT_EQ(n.url, "http://server.example/cgi/dl");
  EXPECT_EQ(n.headers, "Content-Type: text/html;\r\n");
  EXPECT_EQ(n.flags, 0);
  EXPECT_EQ(n.targetFrame, "");
  ASSERT_TRUE(n.postData);
  EXPECT_EQ(std::string(n.postData->begin(), n.postData->end()), "CGI_ID=C7&SES_ID=S1&MAP_ID=M2&DLBTN=1&I01=1");
  EXPECT_FALSE(form.IsItemEnabled(kSlotDownloads[0])) << "disabled while the request runs";
  form.EnableItem(kSlotDownloads[1], false);
  clock.Advance(2999);
  EXPECT_FALSE(form.IsItemEnabled(kSlotDownloads[0]));
  clock.Advance(1);
  EXPECT_TRUE(form.IsItemEnabled(kSlotDownloads[0]));
  EXPECT_FALSE(form.IsItemEnabled(kSlotDownloads[1])) << "timer 1 enables only the buttons of held slots";
  // The slot that is free tells so.
  CFormDialogTestAccess::DownloadButton(form, 1);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2011, {"2"})});
  EXPECT_EQ(page.browser->navigations().size(), 1u);
}

TEST(FormDownloadButtons, AnAddedAttachmentIsSavedWhereThePersonSays) {
  TempFolder docs, target;
  WriteBytes(docs / "doc.pdf", "the document");
  FormPage page(Params{});
  page.Type(kAttachEdit, docs / "doc.pdf");
  page.Click(kAttachAdd);
  page.Boxes();
  page.services().QueuePath(target / "copy.pdf");
  page.Click(kSlotDownloads[0]);
  auto requests = page.services().Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].file.save);
  EXPECT_EQ(requests[0].file.filter, "すべてのファイル (*.*)|*.*|");
  EXPECT_EQ(requests[0].file.defaultExtension, "*.*");
  EXPECT_EQ(requests[0].file.fileName, "doc.pdf");
  EXPECT_EQ(requests[0].file.initialFolder, docs.path() + "/");
  EXPECT_EQ(requests[0].file.flags, ui::kOverwritePrompt | ui::kNoChangeDir | ui::kFileMustExist);
  EXPECT_EQ(ReadRaw(target / "copy.pdf"), "the document");
  EXPECT_EQ(page.browser->navigations().size(), 0u);
  page.Boxes();
  // Saved over itself, the document would be lost: refused.
  page.services().QueuePath(docs / "doc.pdf");
  page.Click(kSlotDownloads[0]);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{"コピー元とコピー先が同じファイルです。"});
  EXPECT_EQ(ReadRaw(docs / "doc.pdf"), "the document");
  page.services().QueueCancel();
  page.Click(kSlotDownloads[0]);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
}

TEST(FormReplies, ReplyPagesEndTheWorkOrChangeNothing) {
  const std::string fatal = "続行不能なエラーが発生しました。最初から処理をやり直して下さい。";
  struct Case {
    const char* name;
    std::string html;
    std::string message;  // empty: the form stays
  } cases[] = {
      {"GESE and UE0002", "<html><body>GESE0001 UE0002</body></html>", fatal},
      {"LOUE and CER02003", "<html><body>LOUE CER02003</body></html>", Message(3000, {""})},
      {"UE0040", "<html><body><p>UE0040</p></body></html>", Message(2025, {""})},
      {"no marker", "<html><body><p>ok</p></body></html>", ""},
      {"an empty body", "<html><body></body></html>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormPage page(RegisteredAttachment());
    page.Click(kSlotDownloads[0]);
    ASSERT_FALSE(page.form().IsItemEnabled(kSlotDownloads[0]));
    page.browser->DeliverDocumentComplete(c.html);
    EXPECT_TRUE(page.form().IsItemEnabled(kSlotDownloads[0])) << "the buttons come back";
    if (c.message.empty()) {
      EXPECT_EQ(page.ctrl().GetMode(), 0);
    } else {
      EXPECT_EQ(page.ctrl().GetMode(), 5);
      EXPECT_EQ(Show(page.ctrl().UploadDialog()->ItemText(quillon::CUploadDialog::kIdMessage)), Show(c.message));
    }
  }
}

TEST(FormReplies, NavigationErrors) {
  struct Case {
    const char* name;
    std::int32_t status;
    std::string message;
    std::int32_t stored;
  } cases[] = {
      {"200 is no error", 200, "", 0},
      {"a system code in hexadecimal", -2146697212, Message(1015, {"http://server.example/cgi/dl", -2146697212}),
       -2146697212},
      {"404 in decimal", 404, Message(1014, {"http://server.example/cgi/dl", 404}), 404},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormPage page(RegisteredAttachment());
    // What the person did before the download stays: the comment typed and a document attached.
    TempFolder docs;
    WriteBytes(docs / "doc.pdf", "the document");
    page.Type(kAttachEdit, docs / "doc.pdf");
    page.Click(kAttachAdd);
    page.Type(713, "左前部");
    page.Boxes();
    page.Click(kSlotDownloads[0]);
    page.browser->DeliverNavigateError("http://server.example/cgi/dl", c.status);
    EXPECT_TRUE(page.form().IsItemEnabled(kSlotDownloads[0]));
    EXPECT_EQ(page.form().LastNavigationStatus(), c.stored);
    // Only the download failed: its message is shown and the form stays, as the person left it.
    EXPECT_EQ(page.ctrl().GetMode(), 0);
    EXPECT_EQ(page.ctrl().GetStatus(), 1u);
    EXPECT_EQ(page.Boxes(), c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    EXPECT_TRUE(page.form().IsItemVisible(kSlotDownloads[0]));
    EXPECT_EQ(page.form().ItemText(713), "左前部");
    EXPECT_EQ(page.form().Slot(1).path, docs / "doc.pdf");
    EXPECT_EQ(page.form().Slot(0).path, "reg.vek");
    if (c.message.empty()) continue;  // after a 200 the page that follows is read as any reply
    // The error page that follows says nothing more.
    page.browser->DeliverDocumentComplete("<html><body>CER02003</body></html>");
    EXPECT_EQ(page.ctrl().GetMode(), 0);
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  }
}

}  // namespace
