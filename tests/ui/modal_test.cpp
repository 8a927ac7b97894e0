// Modal dialogs: a loop of their own until EndDialog, ended by a person's click, by Esc, by the dialog itself
// during its initialisation, or by the window closing.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/driver.h"
#include "qt_probe.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;

class ModalTest : public UiTest {
 protected:
  DialogTemplate About() {
    DialogTemplate t;
    t.id = 1;
    t.caption = "バージョン情報";
    t.cx = 180;
    t.cy = 60;
    t.font = "ＭＳ Ｐゴシック";
    t.fontSize = 9;
    t.controls = {{kLabel, ControlKind::Static, "Quillon 1.1.4.0", 0, 10, 10, 100, 8},
                  {kIdOk, ControlKind::Button, "OK", kDefaultButton, 120, 40, 50, 14},
                  {kBrowse, ControlKind::Button, "閉じる", 0, 10, 40, 50, 14}};
    return t;
  }
};

// Ends itself with 7 on button 301; OK and Cancel are left to the default.
class AboutDialog : public LoggingDialog {
 public:
  bool endInInit = false;

 protected:
  bool OnInitDialog() override {
    LoggingDialog::OnInitDialog();
    if (endInInit) EndDialog(42);
    return true;
  }
  bool OnCommand(int id, int notification) override {
    LoggingDialog::OnCommand(id, notification);
    if (id == kBrowse) {
      EndDialog(7);
      return true;
    }
    return false;
  }
};

TEST_F(ModalTest, APersonsClickEndsTheLoopWithTheResult) {
  struct Case {
    const char* name;
    std::function<void(AboutDialog&)> act;
    int result;
  };
  const Case cases[] = {
      {"own button", [](AboutDialog& d) { EXPECT_TRUE(driver::Click(d, kBrowse)); }, 7},
      {"OK by default", [](AboutDialog& d) { EXPECT_TRUE(driver::Click(d, kIdOk)); }, kIdOk},
      {"Esc", [](AboutDialog& d) { EXPECT_TRUE(driver::PressKey(d, vk::kEscape)); }, kIdCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AboutDialog about;
    bool seen = false;
    PostTask([&] {
      seen = true;
      EXPECT_TRUE(about.IsModal());
      EXPECT_TRUE(ui_probe::IsTopLevel(about));
      EXPECT_EQ(driver::VisibleDialog(host), &about);
      c.act(about);
    });
    EXPECT_EQ(about.DoModal(About(), &host), c.result);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(about.IsCreated());
    EXPECT_FALSE(about.IsModal());
    EXPECT_EQ(about.log.front(), "create");
    EXPECT_EQ(about.log.back(), "destroy");
    EXPECT_EQ(driver::VisibleDialog(host), nullptr);
  }
}

TEST_F(ModalTest, EndDialogDuringInitialisationNeverShowsIt) {
  AboutDialog about;
  about.endInInit = true;
  EXPECT_EQ(about.DoModal(About(), &host), 42);
  EXPECT_EQ(about.log, (std::vector<std::string>{"create", "init", "destroy"}));
}

TEST_F(ModalTest, ACreationThatFailsGivesMinusOne) {
  AboutDialog about;
  about.createResult = -1;
  EXPECT_EQ(about.DoModal(About(), &host), -1);
  EXPECT_FALSE(about.IsModal());
  EXPECT_EQ(about.log, std::vector<std::string>{"create"});
}

TEST_F(ModalTest, NestedLoopsEndInnermostFirstAndTheOwnerGoingEndsThem) {
  AboutDialog outer, inner;
  int innerResult = 0;
  PostTask([&] {
    PostTask([&] {
      EXPECT_EQ(driver::VisibleDialog(host), &inner);
      EXPECT_TRUE(driver::Click(inner, kIdOk));
    });
    innerResult = inner.DoModal(About(), &outer);
    // Back in the outer loop: its owner goes, which ends it too.
    host.Destroy();
  });
  EXPECT_EQ(outer.DoModal(About(), &host), 0);
  EXPECT_EQ(innerResult, kIdOk);
  EXPECT_EQ(outer.log.back(), "destroy");
}

}  // namespace
