#include "FileEntryList.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "fakes.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using quillon::FileEntry;
using quillon::FileEntryList;

// The file names of a list, in chain order, and a check that last and count agree with the chain.
std::vector<std::string> Names(const FileEntryList& list) {
  std::vector<std::string> names;
  const FileEntry* last = nullptr;
  for (const FileEntry* e = list.Head(); e; e = e->next.get()) {
    names.push_back(e->fileName);
    last = e;
  }
  EXPECT_EQ(list.Last(), last);
  EXPECT_EQ(list.Count(), static_cast<int>(names.size()));
  return names;
}

void Fill(FileEntryList& list, std::initializer_list<const char*> names) {
  for (const char* n : names) ASSERT_NE(list.AddPath(std::string("/p/") + n), nullptr);
}

TEST(FileEntryList, AtOutsideTheListGivesNone) {
  FileEntryList list;
  EXPECT_EQ(list.At(0), nullptr);
  Fill(list, {"a", "b"});
  EXPECT_EQ(list.At(-1), nullptr);
  EXPECT_EQ(list.At(2), nullptr);
  EXPECT_EQ(list.At(1)->fileName, "b");
  list.Mark(5);
  list.Mark(1);
  EXPECT_EQ(list.At(1)->mark, 1);
  EXPECT_EQ(list.At(0)->mark, 0);
}

TEST(FileEntryList, RemovalsAndSwapsKeepFirstAndLastRight) {
  struct Case {
    const char* name;
    void (*change)(FileEntryList&);
    std::vector<std::string> expected;
  } cases[] = {
      {"remove the last", [](FileEntryList& l) { l.RemoveAt(2); }, {"a", "b"}},
      {"remove the first", [](FileEntryList& l) { l.RemoveAt(0); }, {"b", "c"}},
      {"remove the middle", [](FileEntryList& l) { l.RemoveAt(1); }, {"a", "c"}},
      {"remove outside", [](FileEntryList& l) { l.RemoveAt(3); l.RemoveAt(-1); }, {"a", "b", "c"}},
      {"remove every one", [](FileEntryList& l) { l.RemoveAt(0); l.RemoveAt(0); l.RemoveAt(0); }, {}},
      {"swap the first two", [](FileEntryList& l) { l.SwapWithNext(0); }, {"b", "a", "c"}},
      {"swap the last two", [](FileEntryList& l) { l.SwapWithNext(1); }, {"a", "c", "b"}},
      {"swap past the end", [](FileEntryList& l) { l.SwapWithNext(2); l.SwapWithNext(-1); }, {"a", "b", "c"}},
      {"remove all", [](FileEntryList& l) { l.RemoveAll(); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileEntryList list;
    Fill(list, {"a", "b", "c"});
    c.change(list);
    EXPECT_EQ(Names(list), c.expected);
    // The list goes on working at its end.
    ASSERT_NE(list.AddPath("/p/z"), nullptr);
    EXPECT_EQ(list.Last()->fileName, "z");
  }
}

TEST(FileEntryList, EntriesFromPathsAndCopies) {
  FileEntryList list;
  FileEntry* bare = list.AddPath("no-delimiter.jpg");
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->fileName, "no-delimiter.jpg");
  EXPECT_EQ(bare->fullPath, "no-delimiter.jpg");
  EXPECT_EQ(bare->present, 0);
  EXPECT_EQ(bare->lastWriteKey, "");
  FileEntry* sjis = list.AddPath("/写真/表.jpg");  // 表 ends in the byte of "\"
  EXPECT_EQ(sjis->fileName, "表.jpg");
  sjis->group = "登録済画像";
  sjis->size = 1234;
  sjis->editable = 1;
  sjis->entryKey = "20240501093000";
  FileEntry* copy = list.AddCopy(*sjis);
  EXPECT_EQ(copy->fullPath, "/写真/表.jpg");
  EXPECT_EQ(copy->group, "登録済画像");
  EXPECT_EQ(copy->size, 1234);
  EXPECT_EQ(copy->editable, 1);
  EXPECT_EQ(copy->entryKey, "20240501093000");
  EXPECT_EQ(list.Count(), 3);
  int index = -1;
  EXPECT_EQ(list.FindPath("/写真/表.jpg", &index), sjis);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.FindPath("/写真/missing.jpg"), nullptr);
}

TEST(FileEntryList, FoundFilesCarryLocalTimeKeysAndTheirSize) {
  testing_support::TimeZoneScope tz("JST-9");
  testing_support::TempFolder dir;
  const std::string path = dir / "photo.jpg";
  ASSERT_TRUE(platform::WriteFile(path, "12345", 5));
  // 5 March 2009, 07:08:09 in Tokyo.
  platform::LocalTime local{2009, 3, 5, 7, 8, 9};
  platform::FileTime written;
  ASSERT_TRUE(platform::LocalToFileTime(local, written));
  ASSERT_TRUE(platform::SetFileTimes(path, nullptr, &written));
  quillon::FoundFile found;
  ASSERT_TRUE(quillon::FindFile(path, found));
  FileEntryList list;
  FileEntry* own = list.AddFound(found, 1, 99);
  FileEntry* given = list.AddFound(found, 2, 99);
  EXPECT_EQ(own->lastWriteKey, "20090305070809");
  EXPECT_EQ(own->creationKey.size(), 14u);
  EXPECT_EQ(own->fileName, "photo.jpg");
  EXPECT_EQ(own->group, "");
  EXPECT_EQ(own->present, 1);
  EXPECT_EQ(own->size, 5) << "kind 1 takes the file's own size";
  EXPECT_EQ(given->size, 99);
  EXPECT_EQ(given->kind, 2);
  EXPECT_FALSE(quillon::FindFile(dir / "missing.jpg", found));
}

}  // namespace
