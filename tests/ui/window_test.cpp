// Windows: creation and destruction with their handlers, the flags a window keeps, keys previewed by a window
// around the focused one, and files dropped on a window.
#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "platform/ui/driver.h"
#include "qt_probe.h"
#include "test_support.h"
#include "ui_test_support.h"

namespace {

using namespace platform::ui;
using namespace ui_test;
using testing_support::Show;

// Logs its handlers into a shared log with its name.
class LoggingWindow : public Window {
 public:
  LoggingWindow(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  ~LoggingWindow() override { Destroy(); }
  int createResult = 0;
  bool consumeArrows = false;

  bool PreTranslateMessage(const KeyMessage& m) override {
    log_.push_back(name_ + (m.down ? " down " : " up ") + std::to_string(m.vk) + (m.ctrl ? " ctrl" : ""));
    return consumeArrows && m.vk >= vk::kEnd && m.vk <= vk::kDown;
  }

 protected:
  int OnCreate() override {
    log_.push_back(name_ + " create");
    return createResult;
  }
  void OnDestroy() override { log_.push_back(name_ + " destroy"); }
  void OnMouseActivate() override { log_.push_back(name_ + " activate"); }
  void OnDropFiles(const std::vector<std::string>& paths) override {
    std::string line = name_ + " drop";
    for (const std::string& p : paths) line += " " + p;
    log_.push_back(line);
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

class WindowTest : public UiTest {
 protected:
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(log);
    return out;
  }
  std::vector<std::string> log;
};

TEST_F(WindowTest, DestroyRunsOnDestroyOnceParentFirstAndIsHarmlessAgain) {
  LoggingWindow control("control", log);
  LoggingWindow inner("inner", log);
  ASSERT_TRUE(control.CreateChild(host, RectAt(10, 10, 400, 300)));
  ASSERT_TRUE(inner.CreateChild(control, RectAt(0, 0, 100, 100)));
  EXPECT_EQ(inner.Parent(), &control);
  EXPECT_EQ(control.Children(), std::vector<Window*>{&inner});
  control.Destroy();
  EXPECT_EQ(Take(), (std::vector<std::string>{"control create", "inner create", "control destroy", "inner destroy"}));
  EXPECT_FALSE(control.IsCreated());
  EXPECT_FALSE(inner.IsCreated());
  control.Destroy();
  inner.Destroy();
  LoggingWindow never("never", log);
  never.Destroy();
  EXPECT_EQ(Take(), std::vector<std::string>{});
  EXPECT_TRUE(host.Children().empty());
  // A window destroyed can be made again.
  ASSERT_TRUE(control.CreateChild(host, RectAt(0, 0, 10, 10)));
  EXPECT_EQ(Take(), std::vector<std::string>{"control create"});
}

TEST_F(WindowTest, ACreationThatOnCreateRefusesLeavesNoWindow) {
  LoggingWindow refused("refused", log);
  refused.createResult = -1;
  EXPECT_FALSE(refused.CreateChild(host, RectAt(0, 0, 10, 10)));
  EXPECT_FALSE(refused.IsCreated());
  EXPECT_TRUE(host.Children().empty());
  refused.Destroy();
  EXPECT_EQ(Take(), std::vector<std::string>{"refused create"});
  Window orphan;
  EXPECT_FALSE(orphan.CreateChild(refused, RectAt(0, 0, 1, 1)));  // its parent does not stand
  EXPECT_FALSE(orphan.SetTimer(1, 100));
}

TEST_F(WindowTest, ShowEnableMoveAndCaption) {
  Window w;
  ASSERT_TRUE(w.CreateChild(host, RectAt(5, 6, 70, 80), false));
  EXPECT_FALSE(w.IsVisible());
  w.Show(true);
  EXPECT_TRUE(w.IsVisible());
  w.Enable(false);
  EXPECT_FALSE(w.IsEnabled());
  w.Enable(true);
  w.Move(RectAt(0, 0, 8000, 18500));
  EXPECT_EQ(w.WindowRect(), RectAt(0, 0, 8000, 18500));
  EXPECT_EQ(w.ClientRect(), RectAt(0, 0, 8000, 18500));
  host.SetText("ヴィストレル");
  EXPECT_EQ(Show(host.Text()), Show("ヴィストレル"));
  host.Show(false);
  EXPECT_TRUE(w.IsVisible());  // its own flag, whatever its parent's
}

// A control that previews the keys of its dialog, as the photo control routes arrows to its form.
struct KeyCase {
  const char* name;
  int vk;
  bool ctrl;
  bool consume;
  std::vector<std::string> log;
  const char* editText;  // what reached the edit
};

TEST_F(WindowTest, AWindowAroundTheFocusSeesTheKeysFirst) {
  const KeyCase cases[] = {
      {"letter passes", 'A', false, false, {"control down 65", "control up 65"}, "a"},
      {"arrow consumed", vk::kLeft, false, true, {"control down 37", "control up 37"}, ""},
      {"ctrl held", 'C', true, false,
       {"control down 17 ctrl", "control down 67 ctrl", "control up 67 ctrl", "control up 17"}, ""},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoggingWindow control("control", log);
    ASSERT_TRUE(control.CreateChild(host, RectAt(0, 0, 800, 600)));
    control.SetPreviewKeys(true);
    control.consumeArrows = c.consume;
    LoggingDialog dlg;
    ASSERT_TRUE(dlg.Create(TestTemplate(), control));
    ASSERT_TRUE(driver::Click(dlg, kEdit));
    Take();
    ASSERT_TRUE(driver::PressKey(control, c.vk, c.ctrl));
    EXPECT_EQ(Take(), c.log);
    EXPECT_EQ(dlg.ItemText(kEdit), c.editText);
    dlg.Destroy();
    control.Destroy();
    Take();
  }
}

TEST_F(WindowTest, KeysGoToTheInnermostPreviewingWindowFirstAndOnlyOnce) {
  LoggingWindow outer("outer", log), inner("inner", log);
  ASSERT_TRUE(outer.CreateChild(host, RectAt(0, 0, 800, 600)));
  ASSERT_TRUE(inner.CreateChild(outer, RectAt(0, 0, 800, 600)));
  LoggingDialog dlg;
  ASSERT_TRUE(dlg.Create(TestTemplate(), inner));
  outer.SetPreviewKeys(true);
  inner.SetPreviewKeys(true);
  ASSERT_TRUE(driver::Click(dlg, kEdit));
  Take();
  inner.consumeArrows = true;
  ASSERT_TRUE(driver::PressKey(outer, vk::kRight));
  EXPECT_EQ(Take(), (std::vector<std::string>{"inner down 39", "inner up 39"}));
  ASSERT_TRUE(driver::PressKey(outer, 'B'));
  EXPECT_EQ(Take(), (std::vector<std::string>{"inner down 66", "outer down 66", "inner up 66", "outer up 66"}));
  // A window that does not preview keys is not asked.
  outer.SetPreviewKeys(false);
  ASSERT_TRUE(driver::PressKey(outer, 'C'));
  EXPECT_EQ(Take(), (std::vector<std::string>{"inner down 67", "inner up 67"}));
}

TEST_F(WindowTest, AMousePressTellsEveryWindowAroundIt) {
  LoggingWindow control("control", log);
  ASSERT_TRUE(control.CreateChild(host, RectAt(0, 0, 800, 600)));
  LoggingDialog dlg;
  ASSERT_TRUE(dlg.Create(TestTemplate(), control));
  Take();
  ASSERT_TRUE(driver::Click(dlg, kBrowse));
  EXPECT_EQ(Take(), std::vector<std::string>{"control activate"});
}

TEST_F(WindowTest, DroppedFilesArriveAsCp932Paths) {
  testing_support::TempFolder dir;
  LoggingWindow target("form", log);
  ASSERT_TRUE(target.CreateChild(host, RectAt(0, 0, 300, 300)));
  std::string why;
  const std::vector<std::string> paths = {dir / "写真1.jpg", dir / "ｼｬｼﾝ 2.JPG"};
  EXPECT_FALSE(driver::DropFiles(target, paths, &why));  // it takes no drops yet
  EXPECT_EQ(why, "the window takes no files");
  EXPECT_EQ(Take(), std::vector<std::string>{"form create"});
  target.DragAcceptFiles(true);
  ASSERT_TRUE(driver::DropFiles(target, paths, &why)) << why;
  EXPECT_EQ(Show(Take().at(0)), Show("form drop " + paths[0] + " " + paths[1]));
  target.DragAcceptFiles(false);
  EXPECT_FALSE(driver::DropFiles(target, paths));
}

}  // namespace
