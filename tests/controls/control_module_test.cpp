// The skeleton's about box, property page, type library and class table as each control makes them from its
// name, version and ids: the texts the controls have always shown and registered.
#include "ControlModule.h"

#include <gtest/gtest.h>

#include "Quillon/QuillonLib.h"
#include "Tamsel/TamselLib.h"
#include "test_support.h"

namespace {

namespace com = platform::com;
namespace ui = platform::ui;
using testing_support::Show;

struct Row {
  const char* name;
  controls::ControlIdentity identity;
  const char* aboutCaption;
  const char* aboutName;
  const char* aboutVersion;
  const char* progId;
  const char* pageProgId;
};

void PrintTo(const Row& c, std::ostream* os) { *os << c.name; }

const Row kRows[] = {
    {"Quillon", quillon::kQuillonIdentity, "Quillon のバージョン情報", "Quillon コントロール", "バージョン 1,1,4,0",
     "Quillon.QuillonCtrl.1", "Quillon.QuillonPropPage.1"},
    {"Tamsel", tamsel::kTamselIdentity, "Tamsel のバージョン情報", "Tamsel コントロール", "バージョン 1,1,2,0",
     "Tamsel.TamselCtrl.1", "Tamsel.TamselPropPage.1"},
};

class ControlModule : public testing::TestWithParam<Row> {};

TEST_P(ControlModule, AboutBoxShowsTheNameAndVersion) {
  const Row& row = GetParam();
  const ui::DialogTemplate t = controls::AboutBoxTemplate(row.identity);
  EXPECT_EQ(t.id, 1);
  EXPECT_EQ(Show(t.caption), Show(row.aboutCaption));
  EXPECT_EQ(Show(t.font), Show("ＭＳ Ｐゴシック"));
  EXPECT_EQ(t.fontSize, 9);
  EXPECT_EQ((std::vector<int>{t.x, t.y, t.cx, t.cy}), (std::vector<int>{0, 0, 200, 64}));
  ASSERT_EQ(t.controls.size(), 3u);
  EXPECT_EQ(Show(t.controls[0].caption), Show(row.aboutName));
  EXPECT_EQ(Show(t.controls[1].caption), Show(row.aboutVersion));
  EXPECT_EQ(t.controls[2].id, ui::kIdOk);
  EXPECT_EQ(t.controls[2].caption, "OK");
}

TEST_P(ControlModule, TypeLibraryAndClassesCarryTheName) {
  const Row& row = GetParam();
  const std::string name = row.name;
  const com::TypeLib lib = controls::ControlTypeLib(row.identity);
  EXPECT_EQ(lib.name, name + "Lib");
  EXPECT_EQ(lib.VersionText(), "1.0");
  ASSERT_EQ(lib.interfaces.size(), 2u);
  EXPECT_EQ(lib.interfaces[0].name, "_D" + name);
  EXPECT_EQ(lib.interfaces[1].name, "_D" + name + "Events");
  ASSERT_NE(lib.FindClass(row.identity.control), nullptr);
  EXPECT_EQ(lib.FindClass(row.identity.control)->name, name);

  const std::vector<controls::StringEntry> strings = {{1, row.name}, {2, "page"}};
  const com::ModuleInfo info = controls::ControlModuleInfo(row.identity, lib, strings, nullptr, nullptr);
  ASSERT_EQ(info.classes.size(), 2u);
  EXPECT_EQ(info.classes[0].progId, row.progId);
  EXPECT_EQ(info.classes[0].typeName, name);
  EXPECT_EQ(info.classes[0].miscStatus, 0x20191u);
  EXPECT_TRUE(info.classes[0].isControl);
  EXPECT_EQ(info.classes[1].progId, row.pageProgId);
  EXPECT_EQ(info.classes[1].typeName, "page");
  EXPECT_EQ(info.classes[1].threading, com::ThreadingModel::None);
  EXPECT_EQ(info.categories.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(BothControls, ControlModule, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST(ControlModule, PropertyPageIsCaptionedAndEmpty) {
  const ui::DialogTemplate& t = controls::PropPageTemplate();
  EXPECT_EQ(t.id, 200);
  EXPECT_EQ(Show(t.caption), Show("全般"));
  EXPECT_TRUE(t.controls.empty());
  EXPECT_EQ((std::vector<int>{t.cx, t.cy, t.fontSize}), (std::vector<int>{250, 62, 9}));
}

}  // namespace
