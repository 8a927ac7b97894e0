// Registrations end to end: the photo control's upload dialog posting through the real browser to the
// image-server stand-in, which parses every body with Werkzeug and answers as each test scripts it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_server.h"
#include "platform/ui/driver.h"
#include "upload_page.h"

namespace {

using namespace quillon_test;
using quillon::CUploadDialog;
using testing_support::ClosedPort;
using testing_support::ImageServer;
using testing_support::ReceivedRequest;
namespace ui = platform::ui;

using Statuses = std::vector<std::pair<unsigned, std::string>>;

// Registered at start-up and by ShowMode(2).
const Statuses kStarted = {{1, ""}, {3, ""}};

Statuses Plus(Statuses a, const Statuses& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

int Count(const std::vector<RelayBrowser::Seen>& seen, char kind) {
  int n = 0;
  for (const auto& s : seen) n += s.kind == kind;
  return n;
}

// Runs the loop until the browser has completed count pages (an error page counts), then a little longer, so
// that anything that would still follow has come.
bool RunUntilCompleted(UploadPage& p, int count) {
  bool done = ui::RunUntil([&] { return Count(p.seen, 'C') >= count; }, 20000) == ui::RunResult::Done;
  ui::RunUntil([] { return false; }, 100);
  return done;
}

std::string PartData(const ReceivedRequest& r, const std::string& name) {
  const auto* part = r.Part(name);
  return part ? part->data : "(missing)";
}

class Registration : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.ok()); }
  ImageServer server;
};

TEST_F(Registration, TwoAcceptedStepsEndWithStatusFourAndTheRepliesCgiId) {
  ASSERT_TRUE(server.SendOk("/upload", "C1"));
  ASSERT_TRUE(server.SendOk("/upload", "C2"));
  UploadPage p(server.Url("/upload"), UploadPage::Kind::Real);
  const quillon::UploadSet set = p.TypicalSet();
  p.Start(set);
  ASSERT_TRUE(RunUntilCompleted(p, 2));

  EXPECT_EQ(p.StatusEvents(), Plus(kStarted, {{4, "C2"}}));
  EXPECT_EQ(p.ctrl().GetStatus(), 4u);
  EXPECT_EQ(p.ctrl().GetCGI_ID(), "C2");
  EXPECT_EQ(p.Message(), "只今、サーバに情報を登録しています。しばらくお待ちください。");
  EXPECT_EQ(ui::WaitCursorCount(), 0);

  const std::vector<ReceivedRequest> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const ReceivedRequest& r : requests) {
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.multipartError, "");
    EXPECT_EQ(PartData(r, "GRP_CD"), "G01");
    EXPECT_EQ(PartData(r, "MAP_ID"), "M01");
    EXPECT_EQ(PartData(r, "BTN_ID"), "");
    EXPECT_EQ(PartData(r, "B01"), "");
    EXPECT_EQ(PartData(r, "SES_ID"), "S123");
    ASSERT_NE(r.Part("S123_R72"), nullptr);
    EXPECT_EQ(r.Part("S123_R72")->fileName, p.staging + "/S123_R72");
    EXPECT_EQ(r.Part("S123_R72")->data, testing_support::ReadRaw(p.staging + "/S123_R72"));
  }
  // Step 2 carries the CGI id of step 1's reply, the estimate file and the new photo (row 1) only.
  EXPECT_EQ(PartData(requests[0], "CGI_ID"), "C0");
  EXPECT_EQ(PartData(requests[1], "CGI_ID"), "C1");
  EXPECT_EQ(requests[0].Part("ImageFile1"), nullptr);
  EXPECT_EQ(PartData(requests[1], "EstimateFile1"), testing_support::ReadRaw(testing_support::Utf8(set.estimateFiles[0])));
  EXPECT_EQ(PartData(requests[1], "ImageFile1"), testing_support::ReadRaw(set.photos[0].path));
  EXPECT_EQ(requests[1].Part("ImageFile2"), nullptr);
}

// Each row of the reply table, as the reply to the step named; then what the button does.
TEST_F(Registration, ReplyTable) {
  enum class Click { None, Close, Back, Return };
  struct Row {
    const char* name;
    int step;
    std::string members;  // the stand-in's step for the reply
    Statuses statuses;    // after those of the start
    std::string message;  // empty: not checked
    const char* caption;  // null: the button stays hidden
    const char* box;      // the message box's text, null for none
    int mode;
    Click click;
  };
  const std::string kPreparing = "只今、サーバに登録する情報を準備しています。しばらくお待ちください。";
  const Row rows[] = {
      {"refused without a return button", 1,
       R"("kind": "sendng", "cgi_id": "N1", "err_msg": "一行目<BR>二行目")", {{10, "N1"}, {1, ""}}, kPreparing,
       nullptr, "一行目\r\n二行目", 0, Click::None},
      {"refused with a return button, in step 2", 2,
       R"("kind": "sendng", "cgi_id": "N2", "err_msg": "a<BR>b", "btn_id": "RET", "btn_nm": "戻る")", {}, "a\r\nb",
       "戻る", nullptr, 2, Click::Return},
      {"service closed, before the other markers", 1, R"("kind": "page", "html": "CER02002 UE0016")", {},
       TableMessage(2025), "閉じる", nullptr, 2, Click::Close},
      {"system error with the server's code", 1, R"("kind": "page", "html": "err GESE12345678")", {},
       TableMessage(1000, {"GESE1234"}), "閉じる", nullptr, 2, Click::Close},
      {"bad transition", 2, R"("kind": "page", "html": "CER02002")", {}, TableMessage(3000), "閉じる", nullptr, 2,
       Click::Close},
      {"not logged in", 1, R"("kind": "page", "html": "CER02003")", {}, TableMessage(3001), "閉じる", nullptr, 2,
       Click::Close},
      {"anything else", 1, R"("kind": "page", "html": "<p>maintenance</p>")", {}, TableMessage(2026),
       "画像登録・削除画面へ", nullptr, 2, Click::Back},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(server.Reset());
    if (row.step == 2) {
      ASSERT_TRUE(server.SendOk("/upload", "C1"));
    }
    ASSERT_TRUE(server.Step("/upload", row.members));
    UploadPage p(server.Url("/upload"), UploadPage::Kind::Real);
    p.Start();
    ASSERT_TRUE(RunUntilCompleted(p, row.step));
    EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(row.step));

    EXPECT_EQ(p.StatusEvents(), Plus(kStarted, row.statuses));
    EXPECT_EQ(p.ctrl().GetMode(), row.mode);
    if (!row.message.empty()) {
      EXPECT_EQ(p.Message(), row.message);
    }
    EXPECT_EQ(p.ButtonShown(), row.caption != nullptr);
    if (row.caption) {
      EXPECT_EQ(p.Caption(), row.caption);
      EXPECT_TRUE(p.ButtonEnabled());
      EXPECT_FALSE(p.ProgressShown());
    }
    const auto& requests = p.page->services.Requests();
    if (row.box) {
      ASSERT_EQ(requests.size(), 1u);
      EXPECT_EQ(requests[0].box.text, row.box);
      EXPECT_EQ(requests[0].box.title, "ヴィストレル");
      EXPECT_EQ(requests[0].box.icon, ui::BoxIcon::Exclamation);
      EXPECT_EQ(requests[0].box.buttons, ui::BoxButtons::Ok);
    } else {
      EXPECT_TRUE(requests.empty());
    }
    EXPECT_EQ(ui::WaitCursorCount(), 0);

    if (row.click == Click::None) continue;
    const std::size_t before = p.page->events.size();
    ASSERT_TRUE(ui::driver::Click(p.dialog(), CUploadDialog::kIdButton));
    std::vector<Event> after(p.page->events.begin() + static_cast<std::ptrdiff_t>(before), p.page->events.end());
    ASSERT_EQ(after.size(), 1u);
    switch (row.click) {
      case Click::Close:
        EXPECT_EQ(after[0].id, 2);
        EXPECT_EQ(after[0].args.at(0).AsUI4(), 9u);
        EXPECT_EQ(after[0].args.at(1).AsText(), "");
        break;
      case Click::Back:
        EXPECT_EQ(p.ctrl().GetMode(), 0);
        EXPECT_EQ(after[0].args.at(0).AsUI4(), 1u);
        break;
      case Click::Return:
        EXPECT_EQ(after[0].id, 4);  // OnClickedReturnBtn
        EXPECT_EQ(after[0].args.at(0).AsText(), "N2");
        EXPECT_EQ(after[0].args.at(1).AsText(), "RET.x");
        EXPECT_FALSE(p.ButtonEnabled());
        break;
      case Click::None:
        break;
    }
  }
}

// A failed navigation shows 1015 (a system code, in hexadecimal) or 1014 (an HTTP status); the error page's
// completion that follows changes nothing.
TEST_F(Registration, NavigationErrors) {
  struct Case {
    const char* name;
    bool closedPort;
    int step;
    std::string members;
    int message;
    std::string code;
  } cases[] = {
      {"connection refused", true, 1, "", 1015, "800c0004"},
      {"not found", false, 1, R"("kind": "status", "status": 404)", 1014, "404"},
      {"server error in step 2", false, 2, R"("kind": "status", "status": 500)", 1014, "500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server.Reset());
    if (c.step == 2) {
      ASSERT_TRUE(server.SendOk("/upload", "C1"));
    }
    if (!c.members.empty()) {
      ASSERT_TRUE(server.Step("/upload", c.members));
    }
    const std::string url =
        c.closedPort ? "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/upload" : server.Url("/upload");
    UploadPage p(url, UploadPage::Kind::Real);
    p.Start();
    ASSERT_TRUE(RunUntilCompleted(p, c.step));
    ASSERT_GE(p.seen.size(), 2u);
    EXPECT_EQ(p.seen[p.seen.size() - 2].kind, 'E');
    EXPECT_EQ(p.seen.back().kind, 'C');  // the error page, after the error

    EXPECT_EQ(p.Message(), TableMessage(c.message, {url, static_cast<int>(p.dialog().GetNavigateStatus())}));
    EXPECT_NE(p.Message().find("[" + url + "][" + c.code + "]"), std::string::npos);
    EXPECT_EQ(p.Caption(), "画像登録・削除画面へ");
    EXPECT_TRUE(p.ButtonShown());
    EXPECT_TRUE(p.ButtonEnabled());
    EXPECT_EQ(p.StatusEvents(), kStarted);
    EXPECT_EQ(p.dialog().GetStep(), c.step);
    EXPECT_EQ(ui::WaitCursorCount(), 0);
  }
}

// Files of several megabytes: the browser reports the transfer as it goes, in its range.
TEST_F(Registration, LargeFilesGiveProgress) {
  ASSERT_TRUE(server.KeepBodies(false));
  ASSERT_TRUE(server.SendOk("/upload", "C1"));
  ASSERT_TRUE(server.SendOk("/upload", "C2"));
  UploadPage p(server.Url("/upload"), UploadPage::Kind::Real);
  quillon::UploadSet set = p.TypicalSet(4000000);
  set.photos.push_back({p.AddFile("P3.jpg", 4000000), false, "P3.jpg", 800, 600, "20240305101112", ""});
  p.Start(set);
  ASSERT_TRUE(RunUntilCompleted(p, 2));
  EXPECT_EQ(p.StatusEvents(), Plus(kStarted, {{4, "C2"}}));
  int between = 0;
  for (const auto& s : p.seen) {
    if (s.kind != 'P') continue;
    EXPECT_EQ(s.max, web::kProgressMax);
    between += s.value > 0 && s.value < s.max;
  }
  EXPECT_GT(between, 0);
  EXPECT_EQ(p.dialog().ProgressRange(CUploadDialog::kIdProgress), (std::pair<int, int>(0, web::kProgressMax)));
  EXPECT_EQ(p.dialog().ProgressPos(CUploadDialog::kIdProgress), web::kProgressMax);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_GT(requests[1].bodySize, 8000000);
  EXPECT_EQ(requests[1].multipartError, "");
}

}  // namespace
