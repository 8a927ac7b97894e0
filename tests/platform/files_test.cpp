#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fakes.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "test_support.h"

namespace {

using platform::FileOp;
using platform::RenameResult;
using testing_support::ReadRaw;
using testing_support::TimeZoneScope;
using testing_support::Show;
using testing_support::Utf8;
using testing_support::WriteRaw;
using Names = std::vector<std::string>;

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ClearFaults(); }

  // A CP932 path in the test's folder.
  std::string P(std::string_view name) const { return dir / name; }
  // Writes a file without the layer.
  void Make(std::string_view name, std::string_view bytes = "x") const { WriteRaw(Utf8(P(name)), bytes); }
  std::string Raw(std::string_view name) const { return ReadRaw(Utf8(P(name))); }
  bool OnDisk(std::string_view name) const {
    std::error_code ec;
    return std::filesystem::symlink_status(Utf8(P(name)), ec).type() != std::filesystem::file_type::not_found;
  }
  static Names Find(const std::string& pattern) {
    std::vector<platform::FindEntry> found;
    Names names;
    if (platform::FindFiles(pattern, found)) {
      for (const auto& e : found) names.push_back(e.name);
    }
    return names;
  }
  static std::string Joined(const Names& names) {
    std::string s;
    for (const std::string& n : names) s += Show(n) + " ";
    return s;
  }

  testing_support::TempFolder dir;
};

TEST_F(FilesTest, NamesWithTrailBytes5CAnd7C) {
  const std::string folder = P("表ソ");  // 95 5C 83 5C: both trail bytes are "\"
  ASSERT_TRUE(platform::MakeFolder(folder));
  const std::string file = folder + "/ポ|.txt";  // 83 7C and a "|" of its own
  ASSERT_TRUE(platform::WriteFile(file, "data", 4));
  EXPECT_EQ(ReadRaw(dir.path() + "/\xE8\xA1\xA8\xE3\x82\xBD/\xE3\x83\x9D|.txt"), "data") << "UTF-8 names on disk";
  EXPECT_EQ(Find(folder + "/*"), (Names{".", "..", "ポ|.txt"}));
  EXPECT_EQ(Find(P("*ソ")), Names{"表ソ"});
  EXPECT_EQ(Find(P("?ソ")), Names{"表ソ"}) << "? is one character";
  EXPECT_EQ(platform::FileSize(file), 4);
  std::string back;
  ASSERT_TRUE(platform::ReadFile(file, back));
  EXPECT_EQ(back, "data");
  EXPECT_EQ(platform::Rename(file, folder + "/表.txt"), RenameResult::Done);
  EXPECT_TRUE(platform::IsFile(folder + "/表.txt"));
  EXPECT_EQ(platform::ResolveName(P("表ソ/表.TXT")), P("表ソ/表.txt"));
  EXPECT_TRUE(platform::DeleteTree(folder));
  EXPECT_FALSE(platform::Exists(folder));
}

TEST_F(FilesTest, NameWithoutCp932FormIsSkipped) {
  Make("a.txt");
  WriteRaw(dir.path() + "/\xF0\x9F\x98\x80.txt", "emoji");
  EXPECT_EQ(Find(P("*")), (Names{".", "..", "a.txt"}));
}

TEST_F(FilesTest, PatternsMatchLikeTheSystemSearch) {
  for (const char* name : {"TEMP2.CAB", "temp10.cab", "EstimateData1.cab", "noext", "a.b.c", "表.txt"}) Make(name);
  ASSERT_TRUE(platform::MakeFolder(P("Sub")));
  const Names all = {".", "..", "a.b.c", "EstimateData1.cab", "noext", "Sub", "temp10.cab", "TEMP2.CAB", "表.txt"};
  struct Case {
    const char* name;
    const char* pattern;
    Names found;
  } cases[] = {
      {"ExactNameInOtherCase", "TEMP2.cab", {"TEMP2.CAB"}},
      {"StarWithoutCase", "temp*.CAB", {"temp10.cab", "TEMP2.CAB"}},
      {"QuestionIsOneCharacter", "TEMP?.CAB", {"TEMP2.CAB"}},
      {"QuestionOnADoubleByteCharacter", "?.TXT", {"表.txt"}},
      {"PrefixStar", "EstimateData*.cab", {"EstimateData1.cab"}},
      {"StarDotStarIsAll", "*.*", all},
      {"StarIsAll", "*", all},
      {"NameDotStarMatchesNoExtension", "noext.*", {"noext"}},
      {"LastDotCounts", "*.c", {"a.b.c"}},
      {"FolderByName", "sub", {"Sub"}},
      {"NothingMatches", "*.zip", {}},
      {"TrailingDelimiterFindsNothing", "Sub/", {}},
      {"EmptyFolderYieldsDots", "Sub/*", {".", ".."}},
      {"FolderInOtherCase", "SUB/*", {".", ".."}},
      {"MissingFolder", "None/*", {}},
  };
  for (const Case& c : cases) {
    Names found = Find(P(c.pattern));
    EXPECT_EQ(found, c.found) << c.name << ": " << Joined(found);
    EXPECT_EQ(platform::Exists(P(c.pattern)), !c.found.empty()) << c.name;
  }
  std::vector<platform::FindEntry> entries;
  ASSERT_TRUE(platform::FindFiles(P("s*"), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].isFolder);
  Make("TEMP2.CAB", "12345");
  ASSERT_TRUE(platform::FindFiles(P("temp2.cab"), entries));
  EXPECT_FALSE(entries[0].isFolder);
  EXPECT_EQ(entries[0].size, 5);
}

TEST_F(FilesTest, SearchOrderIsDotsThenUpperCasedByteOrder) {
  for (const char* name : {"b", "A", "a", "C", "_x", "表", ".hidden"}) Make(name);
  const Names expected = {".", "..", ".hidden", "A", "a", "b", "C", "_x", "表"};
  EXPECT_EQ(Find(P("*")), expected) << Joined(Find(P("*")));
  EXPECT_EQ(Find(P("*.*")), expected);
}

TEST_F(FilesTest, RenameNeverReplaces) {
  Make("a.txt", "A");
  Make("b.txt", "B");
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    RenameResult result;
  } cases[] = {
      {"OntoAnExistingFile", "a.txt", "b.txt", RenameResult::Exists},
      {"OntoACaseVariant", "a.txt", "B.TXT", RenameResult::Exists},
      {"MissingSource", "none.txt", "c.txt", RenameResult::Missing},
      {"IntoAMissingFolder", "a.txt", "none/c.txt", RenameResult::Failed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Rename(P(c.from), P(c.to)), c.result) << c.name;
    EXPECT_EQ(Raw("a.txt"), "A") << c.name;
    EXPECT_EQ(Raw("b.txt"), "B") << c.name;
    EXPECT_FALSE(OnDisk("c.txt")) << c.name;
  }
  // A source named in another case, and a read-only one, are renamed.
  ASSERT_TRUE(platform::SetAttributes(P("a.txt"), platform::kAttrReadOnly));
  EXPECT_EQ(platform::Rename(P("A.TXT"), P("c.txt")), RenameResult::Done);
  EXPECT_EQ(Raw("c.txt"), "A");
  EXPECT_FALSE(OnDisk("a.txt"));
  ASSERT_TRUE(platform::MakeFolder(P("f")));
  EXPECT_EQ(platform::Rename(P("f"), P("g")), RenameResult::Done);
  EXPECT_TRUE(platform::IsFolder(P("g")));
  // The replacing rename is the one that replaces.
  EXPECT_TRUE(platform::RenameReplacing(P("c.txt"), P("b.txt")));
  EXPECT_EQ(Raw("b.txt"), "A");
}

TEST_F(FilesTest, DeleteTreeDeletesReadOnlyEntriesAndNeverFollowsLinks) {
  testing_support::TempFolder outside;
  WriteRaw(outside / "keep.txt", "kept");
  const std::string tree = P("tree");
  ASSERT_TRUE(platform::MakeFolders(tree + "/sub/deeper"));
  ASSERT_TRUE(platform::WriteFile(tree + "/ro.txt", "r", 1));
  ASSERT_TRUE(platform::WriteFile(tree + "/sub/ro2.txt", "r", 1));
  ASSERT_TRUE(platform::SetAttributes(tree + "/ro.txt", platform::kAttrReadOnly | platform::kAttrHidden));
  ASSERT_TRUE(platform::SetAttributes(tree + "/sub/ro2.txt", platform::kAttrReadOnly));
  ASSERT_TRUE(platform::SetAttributes(tree + "/sub/deeper", platform::kAttrReadOnly));
  ASSERT_TRUE(platform::SetAttributes(tree + "/sub", platform::kAttrReadOnly));
  std::filesystem::create_directory_symlink(outside.path(), Utf8(tree + "/link"));
  std::filesystem::create_symlink(outside / "keep.txt", Utf8(tree + "/filelink"));
  std::filesystem::create_symlink(outside / "none", Utf8(tree + "/dangling"));
  ASSERT_TRUE(platform::IsFolder(tree + "/link"));
  ASSERT_TRUE(platform::IsSymbolicLink(tree + "/dangling"));

  EXPECT_TRUE(platform::DeleteTree(tree));
  EXPECT_FALSE(OnDisk("tree"));
  EXPECT_EQ(ReadRaw(outside / "keep.txt"), "kept");
  EXPECT_TRUE(std::filesystem::is_directory(outside.path()));

  EXPECT_FALSE(platform::DeleteTree(tree)) << "nothing to delete";
  Make("file.txt");
  EXPECT_TRUE(platform::DeleteTree(P("file.txt")));
  EXPECT_FALSE(OnDisk("file.txt"));
  // A link given itself is removed as a link.
  std::filesystem::create_directory_symlink(outside.path(), Utf8(P("top")));
  EXPECT_TRUE(platform::DeleteTree(P("top")));
  EXPECT_FALSE(OnDisk("top"));
  EXPECT_EQ(ReadRaw(outside / "keep.txt"), "kept");
}

TEST_F(FilesTest, FaultsReachEveryKindOfOperation) {
  struct Case {
    const char* name;
    FileOp op;
    std::function<bool()> act;
    std::function<bool()> unchanged;  // what the failed call must have left as it was
  };
  const std::string f = P("f.txt"), d = P("d");
  auto fileIsOld = [&] { return Raw("f.txt") == "old"; };
  auto folderIsThere = [&] { return platform::IsFolder(d); };
  platform::FileTime then{1600000000, 0};
  const Case cases[] = {
      {"OpenForReading", FileOp::Open, [&] { return platform::File::Open(f, platform::OpenMode::Read) != nullptr; },
       fileIsOld},
      {"OpenForWriting", FileOp::Open, [&] { return platform::WriteFile(f, "new", 3); }, fileIsOld},
      {"Read", FileOp::Read, [&] { std::string s; return platform::ReadFile(f, s) && s == "old"; }, fileIsOld},
      {"ReadPart", FileOp::Read, [&] { std::string s; return platform::ReadFilePart(f, 1, 2, s) && s == "ld"; },
       fileIsOld},
      {"Write", FileOp::Write, [&] { return platform::AppendFile(f, "+", 1); }, fileIsOld},
      {"WriteOfAnAtomicReplacement", FileOp::Write,
       [&] { return platform::ReplaceFileAtomically(f, "new", 3); }, fileIsOld},
      {"Rename", FileOp::Rename, [&] { return platform::Rename(f, P("g.txt")) == RenameResult::Done; },
       [&] { return fileIsOld() && !OnDisk("g.txt"); }},
      {"RenameReplacing", FileOp::Rename, [&] { return platform::RenameReplacing(f, P("g.txt")); },
       [&] { return fileIsOld() && !OnDisk("g.txt"); }},
      {"DeleteFile", FileOp::Delete, [&] { return platform::DeleteFile(f); }, fileIsOld},
      {"RemoveFolder", FileOp::Delete, [&] { return platform::RemoveFolder(d); }, folderIsThere},
      {"DeleteTree", FileOp::Delete, [&] { return platform::DeleteTree(d); }, folderIsThere},
      {"MakeFolder", FileOp::MakeFolder, [&] { return platform::MakeFolder(P("new")); },
       [&] { return !OnDisk("new"); }},
      {"MakeFolders", FileOp::MakeFolder, [&] { return platform::MakeFolders(P("new/deeper")); },
       [&] { return !OnDisk("new"); }},
      {"FileSize", FileOp::Size, [&] { return platform::FileSize(f) == 3; }, fileIsOld},
      {"SizeOfAnOpenFile", FileOp::Size,
       [&] {
         auto file = platform::File::Open(f, platform::OpenMode::Read);
         return file && file->Size() == 3;
       },
       fileIsOld},
      {"SetAttributes", FileOp::SetAttributes, [&] { return platform::SetAttributes(f, platform::kAttrReadOnly); },
       [&] { return platform::GetAttributes(f) == platform::kAttrNormal; }},
      {"SetFileTimes", FileOp::SetAttributes, [&] { return platform::SetFileTimes(f, nullptr, &then); },
       [&] {
         platform::FileTime w;
         return platform::GetFileTimes(f, nullptr, &w) && w.seconds != then.seconds;
       }},
      {"SetAttributesOfAnOpenFile", FileOp::SetAttributes,
       [&] {
         auto file = platform::File::Open(f, platform::OpenMode::Update);
         return file && file->SetAttributes(platform::kAttrReadOnly);
       },
       [&] { return platform::GetAttributes(f) == platform::kAttrNormal; }},
      {"SetTimesOfAnOpenFile", FileOp::SetAttributes,
       [&] {
         auto file = platform::File::Open(f, platform::OpenMode::Update);
         return file && file->SetTimes(nullptr, &then);
       },
       [&] {
         platform::FileTime w;
         return platform::GetFileTimes(f, nullptr, &w) && w.seconds != then.seconds;
       }},
  };
  for (const Case& c : cases) {
    std::error_code ec;
    std::filesystem::remove_all(Utf8(P("new")), ec);
    std::filesystem::remove(Utf8(P("g.txt")), ec);
    if (OnDisk("f.txt")) chmod(Utf8(f).c_str(), 0644);
    Make("f.txt", "old");
    std::filesystem::create_directories(Utf8(d));
    platform::ClearFaults();
    platform::FailNthCall(c.op, 1);
    platform::SetLastError(0);
    EXPECT_FALSE(c.act()) << c.name;
    EXPECT_EQ(platform::LastError(), EIO) << c.name;
    EXPECT_TRUE(c.unchanged()) << c.name;
    EXPECT_GE(platform::CallCount(c.op), 1) << c.name;
    EXPECT_TRUE(c.act()) << c.name << ": the fault fires once";
  }
}

TEST_F(FilesTest, FaultsCountCallsOfTheirKind) {
  platform::FailNthCall(FileOp::Write, 3);
  EXPECT_TRUE(platform::AppendFile(P("f.txt"), "1", 1));
  EXPECT_TRUE(platform::AppendFile(P("f.txt"), "2", 1));
  EXPECT_FALSE(platform::AppendFile(P("f.txt"), "3", 1));
  EXPECT_TRUE(platform::AppendFile(P("f.txt"), "4", 1));
  EXPECT_EQ(Raw("f.txt"), "124");
  EXPECT_EQ(platform::CallCount(FileOp::Write), 4);
  platform::FailFromCall(FileOp::Open, 2);
  EXPECT_TRUE(platform::File::Open(P("f.txt"), platform::OpenMode::Read));
  EXPECT_FALSE(platform::File::Open(P("f.txt"), platform::OpenMode::Read));
  EXPECT_FALSE(platform::File::Open(P("f.txt"), platform::OpenMode::Read));
  platform::FailNthCall(FileOp::Open, 0);
  EXPECT_TRUE(platform::File::Open(P("f.txt"), platform::OpenMode::Read));
  platform::ClearFaults();
  EXPECT_EQ(platform::CallCount(FileOp::Write), 0);
}

bool KeepsExtendedAttributes(const std::string& systemPath) {
  if (lsetxattr(systemPath.c_str(), "user.vek.probe", "1", 1, 0) != 0) return false;
  lremovexattr(systemPath.c_str(), "user.vek.probe");
  return true;
}

TEST_F(FilesTest, Attributes) {
  Make("f.txt", "old");
  const std::string f = P("f.txt");
  EXPECT_EQ(platform::GetAttributes(f), platform::kAttrNormal);
  EXPECT_EQ(platform::GetAttributes(P("F.TXT")), platform::kAttrNormal);
  EXPECT_EQ(platform::GetAttributes(P("none")), platform::kAttrInvalid);
  EXPECT_FALSE(platform::SetAttributes(P("none"), platform::kAttrNormal));
  EXPECT_EQ(platform::GetAttributes(dir.path()), platform::kAttrFolder);

  const bool kept = KeepsExtendedAttributes(Utf8(f));
  struct Case {
    const char* name;
    std::uint32_t set;
    bool needsExtendedAttributes;
  } cases[] = {
      {"ReadOnly", platform::kAttrReadOnly, false},
      {"Hidden", platform::kAttrHidden, true},
      {"System", platform::kAttrSystem, true},
      {"Archive", platform::kAttrArchive, true},
      {"Combined", platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrArchive, true},
  };
  for (const Case& c : cases) {
    if (c.needsExtendedAttributes && !kept) continue;
    ASSERT_TRUE(platform::SetAttributes(f, c.set)) << c.name;
    EXPECT_EQ(platform::GetAttributes(f), c.set) << c.name;
    ASSERT_TRUE(platform::SetAttributes(f, platform::kAttrNormal)) << c.name;
    EXPECT_EQ(platform::GetAttributes(f), platform::kAttrNormal) << c.name;
  }
  if (kept) {
    ASSERT_TRUE(platform::SetAttributes(dir.path(), platform::kAttrHidden));
    EXPECT_EQ(platform::GetAttributes(dir.path()), platform::kAttrFolder | platform::kAttrHidden);
    ASSERT_TRUE(platform::SetAttributes(dir.path(), platform::kAttrNormal));
    // A copy keeps them.
    ASSERT_TRUE(platform::SetAttributes(f, platform::kAttrReadOnly | platform::kAttrSystem));
    ASSERT_TRUE(platform::CopyFile(f, P("copy.txt"), true));
    EXPECT_EQ(platform::GetAttributes(P("copy.txt")), platform::kAttrReadOnly | platform::kAttrSystem);
    ASSERT_TRUE(platform::SetAttributes(f, platform::kAttrNormal));
  } else {
    std::printf("extended attributes not kept here: hidden, system and archive not checked\n");
  }
}

// The same through the handle of a file being written, as an unpacking sets them before it closes the file: a
// file made anew has no hidden, system or archive bits until they are set, one written over keeps its own until
// they are set otherwise.
TEST_F(FilesTest, AttributesAndTimesOfAnOpenFile) {
  using platform::kAttrArchive;
  using platform::kAttrHidden;
  using platform::kAttrNormal;
  using platform::kAttrReadOnly;
  using platform::kAttrSystem;
  const std::string f = P("f.txt");
  Make("probe.txt");
  const bool kept = KeepsExtendedAttributes(Utf8(P("probe.txt")));
  const platform::FileTime written{1714523400, 500000000}, created{1600000000, 250};
  struct Case {
    const char* name;
    bool existed;
    std::uint32_t before, set;
    bool needsExtendedAttributes;
  } cases[] = {
      {"made anew, read-only", false, 0, kAttrReadOnly, false},
      {"made anew, normal", false, 0, kAttrNormal, false},
      {"made anew, hidden and archive", false, 0, kAttrHidden | kAttrArchive, true},
      {"written over, its bits cleared", true, kAttrHidden | kAttrSystem, kAttrNormal, true},
      {"written over, read-only instead", true, kAttrArchive, kAttrReadOnly, true},
  };
  for (const Case& c : cases) {
    if (c.needsExtendedAttributes && !kept) continue;
    SCOPED_TRACE(c.name);
    if (OnDisk("f.txt")) {
      ASSERT_TRUE(platform::SetAttributes(f, kAttrNormal) && platform::DeleteFile(f));
    }
    if (c.existed) {
      Make("f.txt", "a longer old text");
      ASSERT_TRUE(platform::SetAttributes(f, c.before));
    }
    auto file = platform::File::Open(f, platform::OpenMode::Replace);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("new", 3));
    ASSERT_TRUE(file->SetTimes(&created, &written));
    ASSERT_TRUE(file->SetAttributes(c.set));
    ASSERT_TRUE(file->Close());
    EXPECT_EQ(platform::GetAttributes(f), c.set);
    EXPECT_EQ(Raw("f.txt"), "new");
    platform::FileTime creation, lastWrite;
    ASSERT_TRUE(platform::GetFileTimes(f, &creation, &lastWrite));
    EXPECT_EQ(lastWrite.seconds, written.seconds);
    EXPECT_EQ(lastWrite.nanoseconds, written.nanoseconds);
    EXPECT_EQ(creation.seconds, created.seconds);
  }
  platform::SetAttributes(f, kAttrNormal);
}

TEST_F(FilesTest, ReadOnlyFileCannotBeWrittenOrDeletedEvenByRoot) {
  Make("f.txt", "old");
  const std::string f = P("f.txt");
  ASSERT_TRUE(platform::SetAttributes(f, platform::kAttrReadOnly));
  for (platform::OpenMode mode : {platform::OpenMode::Write, platform::OpenMode::Update, platform::OpenMode::Append}) {
    platform::SetLastError(0);
    EXPECT_EQ(platform::File::Open(f, mode), nullptr) << static_cast<int>(mode);
    EXPECT_EQ(platform::LastError(), EACCES);
  }
  EXPECT_FALSE(platform::WriteFile(f, "new", 3));
  EXPECT_FALSE(platform::AppendFile(f, "new", 3));
  EXPECT_FALSE(platform::OverwriteFile(f, "new", 3));
  EXPECT_FALSE(platform::CopyFile(P("none"), f, false));
  Make("other.txt", "other");
  EXPECT_FALSE(platform::CopyFile(P("other.txt"), f, false));
  EXPECT_FALSE(platform::DeleteFile(f));
  EXPECT_EQ(platform::LastError(), EACCES);
  EXPECT_EQ(Raw("f.txt"), "old");
  std::string back;
  EXPECT_TRUE(platform::ReadFile(f, back)) << "reading is allowed";
  ASSERT_TRUE(platform::SetAttributes(f, platform::kAttrNormal));
  EXPECT_TRUE(platform::DeleteFile(f));
  EXPECT_FALSE(OnDisk("f.txt"));
}

TEST_F(FilesTest, FileTimes) {
  Make("f.txt");
  const std::string f = P("f.txt");
  platform::FileTime creation, lastWrite;
  ASSERT_TRUE(platform::GetFileTimes(f, &creation, &lastWrite));
  EXPECT_GT(creation.seconds, 0) << "birth time, or the last write where there is none";
  EXPECT_LE(creation.seconds, lastWrite.seconds + 1);
  const platform::FileTime written{1714523400, 500000000}, created{1600000000, 250};
  ASSERT_TRUE(platform::SetFileTimes(f, nullptr, &written));
  ASSERT_TRUE(platform::GetFileTimes(P("F.txt"), nullptr, &lastWrite));
  EXPECT_EQ(lastWrite.seconds, written.seconds);
  EXPECT_EQ(lastWrite.nanoseconds, written.nanoseconds);
  ASSERT_TRUE(platform::SetFileTimes(f, &created, nullptr));
  ASSERT_TRUE(platform::GetFileTimes(f, &creation, &lastWrite));
  EXPECT_EQ(creation.seconds, created.seconds);
  EXPECT_EQ(creation.nanoseconds, created.nanoseconds);
  EXPECT_EQ(lastWrite.seconds, written.seconds) << "setting one time leaves the other";
  // A copy keeps the last write.
  ASSERT_TRUE(platform::CopyFile(f, P("copy.txt"), true));
  ASSERT_TRUE(platform::GetFileTimes(P("copy.txt"), nullptr, &lastWrite));
  EXPECT_EQ(lastWrite.seconds, written.seconds);
  EXPECT_FALSE(platform::GetFileTimes(P("none"), &creation, &lastWrite));
  EXPECT_FALSE(platform::SetFileTimes(P("none"), nullptr, &written));
}

TEST_F(FilesTest, SearchEntriesCarryTheLastWrite) {
  Make("a.jpg");
  const platform::FileTime written{1236236889, 7000};
  ASSERT_TRUE(platform::SetFileTimes(P("a.jpg"), nullptr, &written));
  std::vector<platform::FindEntry> found;
  ASSERT_TRUE(platform::FindFiles(P("*.JPG"), found));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].lastWrite.seconds, written.seconds);
  EXPECT_EQ(found[0].lastWrite.nanoseconds, written.nanoseconds);
}

TEST(Clock, LocalTimeFileTimeAndDosDateTime) {
  {
    testing_support::TimeZoneScope zone("JST-9");
    platform::FileTime t;
    ASSERT_TRUE(platform::LocalToFileTime({2024, 5, 1, 9, 30, 0, 250, 0}, t));
    EXPECT_EQ(t.seconds, 1714523400);
    EXPECT_EQ(t.nanoseconds, 250000000);
    platform::LocalTime back;
    ASSERT_TRUE(platform::FileTimeToLocal(t, back));
    EXPECT_EQ(back.year, 2024);
    EXPECT_EQ(back.month, 5);
    EXPECT_EQ(back.day, 1);
    EXPECT_EQ(back.hour, 9);
    EXPECT_EQ(back.minute, 30);
    EXPECT_EQ(back.millisecond, 250);
    EXPECT_EQ(back.dayOfWeek, 3);
  }
  struct Case {
    const char* name;
    platform::LocalTime local;
    bool ok;
    std::uint16_t date, time;
    int secondBack;
  } cases[] = {
      {"Ordinary", {2024, 5, 1, 9, 30, 7}, true, (44 << 9) | (5 << 5) | 1, (9 << 11) | (30 << 5) | 3, 6},
      {"FirstDay", {1980, 1, 1, 0, 0, 0}, true, (1 << 5) | 1, 0, 0},
      {"LastDay", {2107, 12, 31, 23, 59, 59}, true, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29, 58},
      {"BeforeTheRange", {1979, 12, 31, 23, 59, 59}, false, 0, 0, 0},
      {"AfterTheRange", {2108, 1, 1, 0, 0, 0}, false, 0, 0, 0},
      {"NoSuchMonth", {2024, 13, 1, 0, 0, 0}, false, 0, 0, 0},
      {"NoSuchHour", {2024, 1, 1, 24, 0, 0}, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::uint16_t date = 0, time = 0;
    EXPECT_EQ(platform::LocalToDos(c.local, date, time), c.ok) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(date, c.date) << c.name;
    EXPECT_EQ(time, c.time) << c.name;
    platform::LocalTime back = platform::DosToLocal(date, time);
    EXPECT_EQ(back.year, c.local.year) << c.name;
    EXPECT_EQ(back.month, c.local.month) << c.name;
    EXPECT_EQ(back.day, c.local.day) << c.name;
    EXPECT_EQ(back.hour, c.local.hour) << c.name;
    EXPECT_EQ(back.minute, c.local.minute) << c.name;
    EXPECT_EQ(back.second, c.secondBack) << c.name << ": two-second steps";
  }
}

// Local times of a zone with summer time, against the system's own conversion; an hour that the change to summer
// time skips reads as that far after the change.
TEST(Clock, LocalTimesOfAZoneWithSummerTime) {
  TimeZoneScope zone("EST5EDT,M3.2.0,M11.1.0");
  struct Case {
    const char* name;
    platform::LocalTime local;
    std::int64_t expected;  // 0: as mktime gives it
  } cases[] = {
      {"winter", {2024, 1, 15, 12, 0, 0}, 0},
      {"summer", {2024, 7, 1, 12, 0, 0}, 0},
      {"the last minute before the change", {2024, 3, 10, 1, 59, 0}, 0},
      {"the first minute after the change", {2024, 3, 10, 3, 0, 0}, 0},
      {"inside the skipped hour", {2024, 3, 10, 2, 30, 0}, 1710055800},  // 03:30 summer time
      {"the day after the change back", {2024, 11, 4, 1, 30, 0}, 0},
  };
  for (const Case& c : cases) {
    platform::FileTime t;
    ASSERT_TRUE(platform::LocalToFileTime(c.local, t)) << c.name;
    std::int64_t expected = c.expected;
    if (expected == 0) {
      tm fields{};
      fields.tm_year = c.local.year - 1900;
      fields.tm_mon = c.local.month - 1;
      fields.tm_mday = c.local.day;
      fields.tm_hour = c.local.hour;
      fields.tm_min = c.local.minute;
      fields.tm_isdst = -1;
      expected = mktime(&fields);
    }
    EXPECT_EQ(t.seconds, expected) << c.name;
  }
}

// A local time that the calendar does not have is refused, never carried over into the next field.
TEST(Clock, ImpossibleLocalTimesDoNotConvert) {
  testing_support::TimeZoneScope zone("JST-9");
  struct Case {
    const char* name;
    platform::LocalTime local;
    bool ok;
  } cases[] = {
      {"month 0", {2024, 0, 10, 9, 0, 0}, false},          {"month 13", {2024, 13, 1, 9, 0, 0}, false},
      {"30 February", {2024, 2, 30, 9, 0, 0}, false},       {"29 February 2023", {2023, 2, 29, 9, 0, 0}, false},
      {"29 February 2024", {2024, 2, 29, 9, 0, 0}, true},   {"31 April", {2024, 4, 31, 0, 0, 0}, false},
      {"day 0", {2024, 4, 0, 0, 0, 0}, false},              {"hour 24", {2024, 1, 1, 24, 0, 0}, false},
      {"minute 60", {2024, 1, 1, 23, 60, 0}, false},        {"second 62 of DOS", {2024, 1, 1, 23, 59, 62}, false},
      {"last second of a year", {2024, 12, 31, 23, 59, 59}, true},
  };
  for (const Case& c : cases) {
    platform::FileTime t;
    EXPECT_EQ(platform::LocalToFileTime(c.local, t), c.ok) << c.name;
  }
}

TEST_F(FilesTest, FileSizeIsMinusOneWhenUnreadable) {
  Make("f.txt", "12345");
  Make("empty.txt", "");
  ASSERT_TRUE(platform::MakeFolder(P("d")));
  struct Case {
    const char* name;
    const char* path;
    bool fault;
    std::int64_t size;
  } cases[] = {
      {"File", "f.txt", false, 5},      {"Empty", "empty.txt", false, 0}, {"OtherCase", "F.TXT", false, 5},
      {"Missing", "none", false, -1},   {"Folder", "d", false, -1},       {"Fault", "f.txt", true, -1},
  };
  for (const Case& c : cases) {
    if (c.fault) platform::FailNthCall(FileOp::Size, 1);
    EXPECT_EQ(platform::FileSize(P(c.path)), c.size) << c.name;
  }
}

TEST_F(FilesTest, BadPathsFailWithoutHarm) {
  Make("f.txt", "old");
  const std::string good = P("f.txt");
  for (const std::string& bad : {std::string(), std::string("\x81\x20"), P("\x81\x20/f.txt"), P("a\xFF\x81")}) {
    const std::string shown = Show(bad);
    std::string out;
    std::vector<platform::FindEntry> found;
    platform::FileTime t{1, 0};
    EXPECT_EQ(platform::GetPathKind(bad), platform::PathKind::None) << shown;
    EXPECT_FALSE(platform::IsSymbolicLink(bad)) << shown;
    EXPECT_FALSE(platform::Exists(bad)) << shown;
    EXPECT_FALSE(platform::FindFiles(bad, found)) << shown;
    EXPECT_EQ(platform::FileSize(bad), -1) << shown;
    EXPECT_EQ(platform::File::Open(bad, platform::OpenMode::Write), nullptr) << shown;
    EXPECT_FALSE(platform::ReadFile(bad, out)) << shown;
    EXPECT_FALSE(platform::ReadFilePart(bad, 0, 1, out)) << shown;
    EXPECT_FALSE(platform::WriteFile(bad, "x", 1)) << shown;
    EXPECT_FALSE(platform::OverwriteFile(bad, "x", 1)) << shown;
    EXPECT_FALSE(platform::AppendFile(bad, "x", 1)) << shown;
    EXPECT_FALSE(platform::ReplaceFileAtomically(bad, "x", 1)) << shown;
    EXPECT_FALSE(platform::CopyFile(good, bad, false)) << shown;
    EXPECT_FALSE(platform::CopyFile(bad, P("copy"), false)) << shown;
    EXPECT_FALSE(platform::DeleteFile(bad)) << shown;
    EXPECT_FALSE(platform::RemoveFolder(bad)) << shown;
    EXPECT_FALSE(platform::MakeFolder(bad)) << shown;
    EXPECT_FALSE(platform::DeleteTree(bad)) << shown;
    EXPECT_EQ(platform::Rename(good, bad), RenameResult::Failed) << shown;
    EXPECT_EQ(platform::Rename(bad, good), RenameResult::Failed) << shown;
    EXPECT_FALSE(platform::RenameReplacing(good, bad)) << shown;
    EXPECT_FALSE(platform::SyncFolderOf(bad)) << shown;
    EXPECT_EQ(platform::GetAttributes(bad), platform::kAttrInvalid) << shown;
    EXPECT_FALSE(platform::SetAttributes(bad, platform::kAttrNormal)) << shown;
    EXPECT_FALSE(platform::GetFileTimes(bad, &t, &t)) << shown;
    EXPECT_FALSE(platform::SetFileTimes(bad, &t, &t)) << shown;
    EXPECT_EQ(platform::ResolveName(bad), bad) << shown;
  }
  EXPECT_FALSE(platform::MakeFolders("")) << "empty";
  EXPECT_FALSE(platform::MakeFolders("\x81\x20"));
  EXPECT_EQ(Raw("f.txt"), "old");
  EXPECT_EQ(Find(P("*")), (Names{".", "..", "f.txt"})) << "nothing was made";
}

TEST_F(FilesTest, FoldersAsTheSystemMakesThem) {
  ASSERT_TRUE(platform::MakeFolder(P("a")));
  EXPECT_FALSE(platform::MakeFolder(P("a"))) << "exists";
  EXPECT_EQ(platform::LastError(), EEXIST);
  EXPECT_FALSE(platform::MakeFolder(P("A"))) << "exists in another case";
  EXPECT_FALSE(platform::MakeFolder(P("none/b"))) << "no parent";
  EXPECT_TRUE(platform::MakeFolders(P("a/b/c")));
  EXPECT_TRUE(platform::MakeFolders(P("a/b/c"))) << "an existing folder is success";
  EXPECT_TRUE(platform::MakeFolders(P("A/B/d"))) << "existing parents in another case";
  EXPECT_TRUE(platform::IsFolder(P("a/b/d")));
  EXPECT_FALSE(OnDisk("A"));
  Make("f.txt");
  EXPECT_FALSE(platform::MakeFolders(P("f.txt/x")));
  EXPECT_FALSE(platform::MakeFolder(P("f.txt")));
  EXPECT_FALSE(platform::RemoveFolder(P("a/b"))) << "not empty";
  EXPECT_TRUE(platform::RemoveFolder(P("A/B/D")));
  EXPECT_FALSE(platform::DeleteFile(P("a"))) << "a folder is no file";
  EXPECT_FALSE(platform::DeleteFile(P("none")));
  EXPECT_TRUE(platform::DeleteFile(P("F.TXT")));
  EXPECT_FALSE(OnDisk("f.txt"));
  EXPECT_EQ(platform::ResolveName(P("A/B/C")), P("a/b/c"));
  EXPECT_EQ(platform::ResolveName(P("A/none")), P("a/none"));
  EXPECT_EQ(platform::GetPathKind(P("A/b/C")), platform::PathKind::Folder);
}

// Names found in a folder are kept between lookups; whatever another program makes, removes or renames in
// the folder afterwards is still seen. (The pause lets the folder's times move on where the file system
// stamps them by clock tick.)
TEST_F(FilesTest, CaseLookupSeesChangesMadeBehindTheLayer) {
  ASSERT_TRUE(platform::MakeFolder(P("w")));
  ASSERT_TRUE(platform::WriteFile(P("w/a1.txt"), "1", 1));
  EXPECT_EQ(platform::ResolveName(P("w/A1.TXT")), P("w/a1.txt")) << "a file the layer made";
  auto behind = [this](const std::function<void()>& change) {
    usleep(20000);
    change();
  };
  struct Step {
    const char* what;
    std::function<void()> change;  // behind the layer
    const char* asked;
    const char* resolved;
  } steps[] = {
      {"made", [&] { Make("w/B2.txt"); }, "w/b2.TXT", "w/B2.txt"},
      {"removed", [&] { std::filesystem::remove(Utf8(P("w/B2.txt"))); }, "w/b2.TXT", "w/b2.TXT"},
      {"renamed", [&] { std::filesystem::rename(Utf8(P("w/a1.txt")), Utf8(P("w/C3.txt"))); }, "w/c3.txt", "w/C3.txt"},
      {"renamed away", [] {}, "w/A1.TXT", "w/A1.TXT"},
      {"a smaller variant beside", [&] { Make("w/C3.TXT"); }, "w/c3.txt", "w/C3.TXT"},
  };
  for (const Step& s : steps) {
    behind(s.change);
    EXPECT_EQ(platform::ResolveName(P(s.asked)), P(s.resolved)) << s.what;
  }
  // A file written under another case of a name made behind the layer is that file.
  behind([&] { Make("w/D4.txt", "old"); });
  ASSERT_TRUE(platform::WriteFile(P("w/d4.TXT"), "new", 3));
  EXPECT_EQ(Raw("w/D4.txt"), "new");
  EXPECT_FALSE(OnDisk("w/d4.TXT"));
}

TEST_F(FilesTest, WholeAndPartialFiles) {
  const std::string f = P("f.txt");
  ASSERT_TRUE(platform::WriteFile(f, "abcdef", 6));
  ASSERT_TRUE(platform::OverwriteFile(f, "XY", 2));
  EXPECT_EQ(Raw("f.txt"), "XYcdef") << "over the start, not shortened";
  ASSERT_TRUE(platform::AppendFile(f, "gh", 2));
  EXPECT_EQ(Raw("f.txt"), "XYcdefgh");
  EXPECT_FALSE(platform::OverwriteFile(P("none"), "x", 1)) << "the file must exist";
  EXPECT_FALSE(OnDisk("none"));
  std::string part;
  ASSERT_TRUE(platform::ReadFilePart(f, 2, 3, part));
  EXPECT_EQ(part, "cde");
  EXPECT_FALSE(platform::ReadFilePart(f, 6, 3, part)) << "past the end";
  EXPECT_FALSE(platform::ReadFilePart(f, -1, 1, part));
  ASSERT_TRUE(platform::WriteFile(f, "", 0));
  EXPECT_EQ(platform::FileSize(f), 0);
  ASSERT_TRUE(platform::ReplaceFileAtomically(f, "new", 3));
  EXPECT_EQ(Raw("f.txt"), "new");
  ASSERT_TRUE(platform::ReplaceFileAtomically(P("fresh.txt"), "n", 1));
  EXPECT_EQ(Find(P("*")), (Names{".", "..", "f.txt", "fresh.txt"})) << "no temporary file left";

  EXPECT_EQ(platform::File::Open(f, platform::OpenMode::CreateNew), nullptr);
  EXPECT_EQ(platform::File::Open(P("none"), platform::OpenMode::Update), nullptr);
  EXPECT_EQ(platform::File::Open(dir.path(), platform::OpenMode::Read), nullptr);
  auto file = platform::File::Open(P("F.TXT"), platform::OpenMode::Update);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Seek(1, SEEK_SET), 1);
  ASSERT_TRUE(file->Write("E", 1));
  EXPECT_EQ(file->Seek(0, SEEK_SET), 0);
  char buf[8];
  EXPECT_EQ(file->Read(buf, sizeof buf), 3);
  EXPECT_FALSE(file->ReadAll(buf, 1)) << "at the end";
  EXPECT_EQ(file->Size(), 3);
  EXPECT_TRUE(file->Sync());
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(file->Read(buf, 1), -1) << "closed";
  EXPECT_EQ(Raw("f.txt"), "nEw");
}

TEST_F(FilesTest, CopyFile) {
  Make("a.txt", "A");
  Make("b.txt", "B");
  EXPECT_FALSE(platform::CopyFile(P("a.txt"), P("b.txt"), true)) << "fail if exists";
  EXPECT_EQ(Raw("b.txt"), "B");
  EXPECT_TRUE(platform::CopyFile(P("A.TXT"), P("b.txt"), false));
  EXPECT_EQ(Raw("b.txt"), "A");
  EXPECT_FALSE(platform::CopyFile(P("none"), P("c.txt"), false));
  EXPECT_FALSE(OnDisk("c.txt"));
  // Onto itself, by its name or another case of it: refused, and the file is not emptied.
  EXPECT_FALSE(platform::CopyFile(P("a.txt"), P("a.txt"), false));
  EXPECT_FALSE(platform::CopyFile(P("a.txt"), P("A.txt"), false));
  EXPECT_EQ(Raw("a.txt"), "A");
}

TEST_F(FilesTest, SymbolicLinks) {
  Make("target.txt", "t");
  std::filesystem::create_symlink(Utf8(P("target.txt")), Utf8(P("link.txt")));
  std::filesystem::create_symlink(Utf8(P("none")), Utf8(P("dangling")));
  std::filesystem::create_directory_symlink(dir.path(), Utf8(P("folderlink")));
  EXPECT_TRUE(platform::IsFile(P("link.txt")));
  EXPECT_TRUE(platform::IsSymbolicLink(P("link.txt")));
  EXPECT_FALSE(platform::IsSymbolicLink(P("target.txt")));
  EXPECT_EQ(platform::GetPathKind(P("dangling")), platform::PathKind::None);
  EXPECT_TRUE(platform::IsSymbolicLink(P("DANGLING")));
  EXPECT_TRUE(platform::IsFolder(P("folderlink")));
  std::vector<platform::FindEntry> found;
  ASSERT_TRUE(platform::FindFiles(P("folderlink"), found));
  EXPECT_TRUE(found[0].isFolder);
  EXPECT_TRUE(found[0].isSymlink);
  EXPECT_TRUE(platform::DeleteFile(P("link.txt"))) << "the link, not its target";
  EXPECT_EQ(Raw("target.txt"), "t");
}

}  // namespace
