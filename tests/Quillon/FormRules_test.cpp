#include "FormRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using testing_support::Show;

TEST(FormRules, AppendBackslash) {
  struct Case {
    const char* name;
    std::string path, expected;
  } cases[] = {
      {"empty stays empty", "", ""},
      {"a folder without one", "/photos", "/photos/"},
      {"a folder with one", "/photos/", "/photos/"},
      {"a name ending in a double-byte character", "/写真/表", "/写真/表/"},
      {"a lone lead byte at the end", std::string("/a\x82"), std::string("/a\x82/")},
  };
  for (const Case& c : cases) EXPECT_EQ(quillon::AppendBackslash(c.path), c.expected) << c.name;
}

TEST(FormRules, CutPathNeverSplitsACharacter) {
  const std::string ascii256(256, 'a');
  struct Case {
    const char* name;
    std::string text;
    std::size_t length;
  } cases[] = {
      {"256 bytes stay", ascii256, 256},
      {"257 bytes are cut to 256", ascii256 + "b", 256},
      {"a double-byte character over byte 256 goes whole", std::string(255, 'a') + "写", 255},
      {"a double-byte character ending at byte 256 stays", std::string(254, 'a') + "写真", 256},
  };
  for (const Case& c : cases) {
    std::string cut = quillon::CutPath(c.text);
    EXPECT_EQ(cut.size(), c.length) << c.name;
    EXPECT_EQ(cut, c.text.substr(0, c.length)) << c.name;
  }
}

TEST(FormRules, NamesTimesAndSizesAsShown) {
  EXPECT_EQ(quillon::DoubleAmpersands("a&b&&c"), "a&&b&&&&c");
  EXPECT_EQ(quillon::DoubleAmpersands("表&"), "表&&");
  EXPECT_EQ(quillon::KeyDisplayText("20090305070809"), "2009/03/05 07:08:09");
  EXPECT_EQ(quillon::KeyDisplayText("2009"), "2009// ::");
  EXPECT_EQ(quillon::KeyYear("19691231235959"), 1969);
  EXPECT_EQ(quillon::KeyYear(""), -1);
  EXPECT_EQ(quillon::KeyYear("20x9"), -1);
  struct Kb {
    std::int64_t bytes, kb;
  } sizes[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {2048, 2}, {10 * 1024 * 1024 + 1, 10241}};
  for (const Kb& s : sizes) EXPECT_EQ(quillon::KilobytesOf(s.bytes), s.kb) << s.bytes;
  EXPECT_EQ(quillon::FolderOfPath("/a/b.jpg"), "/a/");
  EXPECT_EQ(quillon::FolderOfPath("b.jpg"), "");
}

TEST(FormRules, LocalNamesFromThePage) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {{"P0001.jpg", true}, {"写真 1.jpg", true}, {"", false},       {"a/b.jpg", false},
               {"a\\b.jpg", false}, {"c:b.jpg", false},   {"..", false},    {"a..jpg", false},
               {"表.jpg", true}};  // 表 ends in the byte of "\", inside its character
  for (const Case& c : cases) EXPECT_EQ(quillon::IsSafeLocalName(c.name), c.safe) << Show(c.name);
}

TEST(FormRules, SortOrdersOfTheFolderPage) {
  using quillon::FolderFile;
  const std::vector<FolderFile> files = {
      {"/f/b.jpg", {200, 0}}, {"/f/a.jpg", {200, 0}}, {"/f/c.jpg", {100, 0}}, {"/f/\x81\x40.jpg", {300, 0}},
      {"/f/d.jpg", {200, 5}}};
  struct Case {
    const char* name;
    int order;
    std::vector<std::string> expected;
  } cases[] = {
      {"newest first, equal times by name", quillon::kNewestFirst,
       {"/f/\x81\x40.jpg", "/f/d.jpg", "/f/a.jpg", "/f/b.jpg", "/f/c.jpg"}},
      {"oldest first, equal times by name", quillon::kOldestFirst,
       {"/f/c.jpg", "/f/a.jpg", "/f/b.jpg", "/f/d.jpg", "/f/\x81\x40.jpg"}},
      {"name ascending, bytes unsigned", quillon::kNameAscending,
       {"/f/a.jpg", "/f/b.jpg", "/f/c.jpg", "/f/d.jpg", "/f/\x81\x40.jpg"}},
      {"name descending", quillon::kNameDescending,
       {"/f/\x81\x40.jpg", "/f/d.jpg", "/f/c.jpg", "/f/b.jpg", "/f/a.jpg"}},
      {"another value sorts newest first", 7, {"/f/\x81\x40.jpg", "/f/d.jpg", "/f/a.jpg", "/f/b.jpg", "/f/c.jpg"}},
  };
  for (const Case& c : cases) {
    std::vector<FolderFile> sorted = files;
    quillon::SortFolderFiles(sorted, c.order);
    std::vector<std::string> paths;
    for (const FolderFile& f : sorted) paths.push_back(f.path);
    EXPECT_EQ(paths, c.expected) << c.name;
  }
}

TEST(FormRules, ThumbnailInItsFrame) {
  struct Case {
    const char* name;
    int w, h, cw, ch;
    platform::ui::Rect expected;
  } cases[] = {
      {"wide: 100 x 50 in 60 x 60", 100, 50, 60, 60, platform::ui::RectAt(2, 16, 55, 27)},
      {"smaller both ways keeps its size", 50, 40, 60, 60, platform::ui::RectAt(5, 10, 50, 40)},
      {"as wide as the frame is scaled", 60, 30, 60, 60, platform::ui::RectAt(2, 16, 55, 27)},
      {"tall", 50, 100, 60, 60, platform::ui::RectAt(16, 2, 27, 55)},
      {"square in a square frame goes by height", 80, 80, 60, 60, platform::ui::RectAt(2, 2, 55, 55)},
      {"a line never loses its one pixel", 1000, 1, 60, 60, platform::ui::RectAt(2, 29, 55, 1)},
      {"a thumbnail of 194 x 145 in a cell frame", 194, 145, 198, 153, platform::ui::RectAt(2, 4, 194, 145)},
      {"no pixels, nothing drawn", 0, 10, 60, 60, platform::ui::Rect{}},
  };
  for (const Case& c : cases) EXPECT_EQ(quillon::FitThumbnail(c.w, c.h, c.cw, c.ch), c.expected) << c.name;
}

}  // namespace
