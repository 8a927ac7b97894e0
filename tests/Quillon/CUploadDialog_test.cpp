// The upload dialog on a fake browser: what each step posts, and the states that the browser's events leave.
// The replies of a real server are played in upload_registration_test.cpp.
#include "CUploadDialog.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/control_window.h"
#include "platform/ui/driver.h"
#include "upload_page.h"

namespace {

using namespace quillon_test;
using quillon::CUploadDialog;
namespace ui = platform::ui;

const char kUrl[] = "http://127.0.0.1:9/upload";

std::string SendOk(const std::string& cgiId) {
  return "<html><body>SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"" + cgiId + "\"></body></html>";
}

std::string Posted(const web::FakeBrowser& fake, std::size_t i) {
  const auto& data = fake.navigations().at(i).postData;
  return data ? std::string(data->begin(), data->end()) : std::string("(none)");
}

// The value of a text part of a posted body.
std::string TextPart(const std::string& body, const std::string& name) {
  const std::string head = "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
  std::size_t at = body.find(head);
  if (at == std::string::npos) return "(missing)";
  at += head.size();
  return body.substr(at, body.find("\r\n", at) - at);
}

TEST(UploadDialog, StepOnePostsTheSessionAndTheRecord) {
  UploadPage p(kUrl);
  p.Start();
  ASSERT_NE(p.fake, nullptr);
  ASSERT_EQ(p.fake->navigations().size(), 1u);
  const auto& nav = p.fake->navigations()[0];
  EXPECT_EQ(nav.url, kUrl);
  EXPECT_EQ(nav.flags, 0);
  EXPECT_EQ(nav.targetFrame, "");
  EXPECT_EQ(nav.headers, "Content-Type: multipart/form-data; boundary=--------quArtzfeLdoN\r\n");
  const std::string body = Posted(*p.fake, 0);
  EXPECT_EQ(TextPart(body, "SES_ID"), "S123");
  EXPECT_EQ(TextPart(body, "CGI_ID"), "C0");
  EXPECT_NE(body.find("name=\"S123_R72\"; filename=\"" + p.staging + "/S123_R72\""), std::string::npos);
  EXPECT_EQ(body.substr(body.size() - 26), "----------quArtzfeLdoN--\r\n");  // no NUL sent
  EXPECT_EQ(body.find("ImageFile"), std::string::npos);

  const std::int64_t record = platform::FileSize(p.staging + "/S123_R72");
  ASSERT_GT(record, 0);
  EXPECT_EQ(p.dialog().GetCounters().total, 3000u + 2000u + 2 * static_cast<std::uint64_t>(record));
  EXPECT_EQ(p.dialog().GetCounters().sent, static_cast<std::uint64_t>(record));
  EXPECT_EQ(p.dialog().GetStep(), 1);
  EXPECT_EQ(p.Message(), "只今、サーバに登録する情報を準備しています。しばらくお待ちください。");
  EXPECT_TRUE(p.ProgressShown());
  EXPECT_FALSE(p.ButtonShown());
  EXPECT_EQ(ui::WaitCursorCount(), 1);  // until the reply
  EXPECT_EQ(p.StatusEvents(), (std::vector<std::pair<unsigned, std::string>>{{1, ""}, {3, ""}}));
}

TEST(UploadDialog, AFileThatCannotBeReadStopsStepOne) {
  UploadPage p(kUrl);
  quillon::UploadSet set = p.TypicalSet();
  const std::string missing = p.staging + "/gone.jpg";
  set.photos[0].path = missing;
  p.Start(set);
  EXPECT_TRUE(p.fake->navigations().empty());
  EXPECT_EQ(p.Message(), TableMessage(1012, {missing, 2}));
  EXPECT_EQ(p.Caption(), "画像登録・削除画面へ");
  EXPECT_TRUE(p.ButtonShown());
  EXPECT_TRUE(p.ButtonEnabled());
  EXPECT_FALSE(p.ProgressShown());
  EXPECT_EQ(ui::WaitCursorCount(), 0);
  EXPECT_FALSE(platform::Exists(p.staging + "/S123_R72"));  // the size is taken before the record is written
}

TEST(UploadDialog, AcceptedStepOneStartsStepTwoAndAcceptedStepTwoEndsOnce) {
  UploadPage p(kUrl);
  p.Start();
  p.fake->DeliverProgressChange(50, 50);
  EXPECT_EQ(p.dialog().ProgressRange(CUploadDialog::kIdProgress), (std::pair<int, int>(0, 50)));
  web::FakeBrowser* fake = p.fake;
  fake->DeliverDocumentComplete(SendOk("C1"));
  ASSERT_EQ(fake->navigations().size(), 2u);
  EXPECT_EQ(p.ctrl().GetCGI_ID(), "C1");
  const std::string body = Posted(*fake, 1);
  EXPECT_EQ(TextPart(body, "CGI_ID"), "C1");
  EXPECT_NE(body.find("name=\"EstimateFile1\""), std::string::npos);
  EXPECT_NE(body.find("name=\"ImageFile1\""), std::string::npos);
  EXPECT_EQ(p.dialog().GetStep(), 2);
  EXPECT_EQ(p.Message(), "只今、ファイルをアップロードしています。しばらくお待ちください。");
  // The files of step 2 are counted in percent again, whatever range the browser set.
  EXPECT_EQ(p.dialog().ProgressRange(CUploadDialog::kIdProgress), (std::pair<int, int>(0, 100)));
  EXPECT_EQ(p.dialog().ProgressPos(CUploadDialog::kIdProgress), 0);
  EXPECT_EQ(p.dialog().GetCounters().sent, p.dialog().GetCounters().total);
  EXPECT_EQ(ui::WaitCursorCount(), 0);

  fake->DeliverDocumentComplete(SendOk("C2"));
  fake->DeliverDocumentComplete(SendOk("C3"));  // a second completion of the same navigation (a frame's)
  EXPECT_EQ(p.StatusEvents(), (std::vector<std::pair<unsigned, std::string>>{{1, ""}, {3, ""}, {4, "C2"}}));
  EXPECT_EQ(p.Message(), "只今、サーバに情報を登録しています。しばらくお待ちください。");
}

TEST(UploadDialog, ProgressRangeIsTheLowSixteenBitsOfTheBrowsersMaximum) {
  UploadPage p(kUrl);
  p.Start();
  p.fake->DeliverProgressChange(3, 0x10005);
  EXPECT_EQ(p.dialog().ProgressRange(CUploadDialog::kIdProgress), (std::pair<int, int>(0, 5)));
  EXPECT_EQ(p.dialog().ProgressPos(CUploadDialog::kIdProgress), 3);
}

// The return button of a refusal belongs to that registration: pressed, it disables itself; a later
// registration that fails shows the button enabled and does not take the old caption for a return button.
TEST(UploadDialog, TheReturnButtonOfAnEarlierRefusalIsForgotten) {
  UploadPage p(kUrl);
  p.Start();
  p.fake->DeliverDocumentComplete(
      "<body>SENDNG<input type=hidden name=CGI_ID value=N1><input type=hidden name=ERR_MSG value=\"a&lt;BR&gt;b\">"
      "<input type=hidden name=BTN_ID value=RET><input type=hidden name=BTN_NM value=\"戻る\"></body>");
  EXPECT_EQ(p.Caption(), "戻る");
  EXPECT_EQ(p.Message(), "a\r\nb");
  ASSERT_TRUE(ui::driver::Click(p.dialog(), CUploadDialog::kIdButton));
  EXPECT_FALSE(p.ButtonEnabled());
  const Event* returned = p.LastEvent(4);
  ASSERT_NE(returned, nullptr);
  EXPECT_EQ(returned->args.at(0).AsText(), "N1");
  EXPECT_EQ(returned->args.at(1).AsText(), "RET.x");

  p.Start();
  p.fake->DeliverNavigateError(kUrl, 404);
  EXPECT_EQ(p.Caption(), "戻る");  // a navigation error keeps the caption
  EXPECT_TRUE(p.ButtonEnabled());
  p.page->events.clear();
  ASSERT_TRUE(ui::driver::Click(p.dialog(), CUploadDialog::kIdButton));
  EXPECT_EQ(p.LastEvent(4), nullptr);
  EXPECT_EQ(p.ctrl().GetMode(), 0);
  EXPECT_EQ(p.StatusEvents(), (std::vector<std::pair<unsigned, std::string>>{{1, ""}}));
}

// The host may destroy the control while files are read into a body (the window messages are dispatched after
// every chunk): building stops at once and nothing is posted.
TEST(UploadDialog, ControlDestroyedWhileABodyIsBuilt) {
  enum class How { Window, Release };
  struct Case {
    const char* name;
    How how;
    int step;
  } cases[] = {
      {"window destroyed in step 1", How::Window, 1},
      {"control released in step 1", How::Release, 1},
      {"window destroyed in step 2", How::Window, 2},
      {"control released in step 2", How::Release, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UploadPage p(kUrl);
    quillon::UploadSet set = p.TypicalSet(200000);
    auto destroy = [&p, how = c.how] {
      if (how == How::Window) {
        com::ComPtr<com::IControlWindow> window;
        ASSERT_EQ(p.page->dispatch.As(window), com::S_OK);
        window->DestroyControlWindow();
      } else {
        p.page->ctrl = nullptr;
        p.page->dispatch.Reset();
      }
    };
    if (c.step == 1) {
      ui::PostTask(destroy);
      p.Start(set);
    } else {
      p.Start(set);
      ASSERT_EQ(p.fake->navigations().size(), 1u);
      ui::PostTask(destroy);
      p.fake->DeliverDocumentComplete(SendOk("C1"));
    }
    if (c.how == How::Window) {
      ASSERT_NE(p.page->ctrl, nullptr);
      EXPECT_EQ(p.page->ctrl->UploadDialog(), nullptr);
    }
    EXPECT_EQ(p.fake->navigations().size(), static_cast<std::size_t>(c.step - 1));
    EXPECT_EQ(ui::WaitCursorCount(), 0);
  }
}

}  // namespace
