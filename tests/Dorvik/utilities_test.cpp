#include "ZkUtilities.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/module.h"

using testing_support::Show;
using U = CZkUtilities;

namespace {

class UtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override { dorvik_test::ResetSettings(); }
  void TearDown() override { platform::ClearFaults(); }
  testing_support::TempFolder dir;
};

struct TextCase {
  const char* name;
  std::string (*op)(const std::string&);
  std::string in;
  std::string out;
};

TEST(UtilitiesText, TrimAndNormalize) {
  const TextCase cases[] = {
      {"TrimLeftFullWidthSpaceAndBlank", U::TrimLeft, "\x81\x40 abc", "abc"},
      {"TrimLeftControls", U::TrimLeft, "\t\r\n\x7F" "abc ", "abc "},
      {"TrimLeftKeepsOtherDoubleByte", U::TrimLeft, "\x83\x40x", "\x83\x40x"},
      {"TrimRightKeepsTrail40", U::TrimRight, "abc\x83\x40", "abc\x83\x40"},
      {"TrimRightFullWidthSpace", U::TrimRight, "abc\x81\x40 \x81\x40", "abc"},
      {"TrimRightInnerRunKept", U::TrimRight, "a b ", "a b"},
      {"TrimRightLoneLeadByteKept", U::TrimRight, "a\x81", "a\x81"},
      {"TrimBoth", U::Trim, " \x81\x40x y\t", "x y"},
      {"NormalizeQuotedWithSeparator", U::NormalizePath, "  \"/work/est/\"  ", "/work/est"},
      {"NormalizeBackslash", U::NormalizePath, "C:\\Work\\", "C:\\Work"},
      {"NormalizeKeeps5CTrailByte", U::NormalizePath, "/work/\x95\x5C", "/work/\x95\x5C"},
      {"NormalizeOneSeparatorOnly", U::NormalizePath, "/a//", "/a/"},
      {"NormalizeRootStays", U::NormalizePath, "/", "/"},
      {"NormalizeLoneQuote", U::NormalizePath, "\"", "\""},
      {"NormalizeQuoteAfterLeadIsNoQuote", U::NormalizePath, "\"a\x81\"", "\"a\x81\""},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(c.op(c.in), c.out) << c.name << ": " << Show(c.op(c.in));
  }
}

TEST(UtilitiesText, FileAndFolderNames) {
  struct Case {
    const char* name;
    std::string path;
    int withExtension;
    std::string file;
    std::string folder;
  } cases[] = {
      {"DotInFolderOnly", "C:\\a.b\\file", 1, "", "C:\\a.b\\file"},
      {"TwoDotsWithoutExtension", "C:\\x\\est.data.vek", 0, "est.data", "C:\\x"},
      {"WithExtension", "/work/a.vek", 1, "a.vek", "/work"},
      {"Wildcard", "/work/*", 0, "*", "/work"},
      {"WildcardAndDot", "/work/*.cab", 0, "*", "/work"},
      {"FolderOnly", "/work/Sub", 1, "", "/work/Sub"},
      {"NoFolder", "a.vek", 1, "a.vek", ""},
      {"AtRoot", "/a.vek", 1, "a.vek", "/"},
      {"TrailByte5CIsNoSeparator", "/w/\x95\x5C.vek", 1, "\x95\x5C.vek", "/w"},
      {"TrailByte5CInFolder", "/w\x95\x5C/x.vek", 1, "x.vek", "/w\x95\x5C"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U::GetFileName(c.path, c.withExtension), c.file) << c.name;
    EXPECT_EQ(U::GetFolderName(c.path), c.folder) << c.name;
  }
  EXPECT_EQ(U::GetFolderName("/w/\x95\x5C.vek"), "/w");
}

TEST(UtilitiesText, FormatAndTimeStamp) {
  EXPECT_EQ(U::FormatText("Image%04d", 7), "Image0007");
  EXPECT_EQ(U::FormatText(std::string(300, 'x').c_str(), 1).size(), 300u);
  EXPECT_EQ(U::ToText(-42), "-42");
  dorvik_test::ClockScope clock;
  EXPECT_EQ(U::GetTimeStamp(), "20240501093000");
  clock.clock.readable = false;
  EXPECT_EQ(U::GetTimeStamp(), "");
}

TEST_F(UtilitiesTest, BackupNames) {
  dorvik_test::ClockScope clock;
  EXPECT_EQ(U::MakeBackupFileName("/w/est.vek"), "/w/20240501093000-バックアップest.vek");
  EXPECT_EQ(U::GetLastBackupFileName(), "/w/20240501093000-バックアップest.vek");
  // Without a folder the backup stays in the current folder.
  EXPECT_EQ(U::MakeBackupFileName("est.vek"), "20240501093000-バックアップest.vek");
  EXPECT_EQ(U::MakeBackupFileName("/w/見積.vek"), "/w/20240501093000-バックアップ見積.vek");
  clock.clock.readable = false;
  EXPECT_EQ(U::MakeBackupFileName("/x/y.vek"), "");
  EXPECT_EQ(U::GetLastBackupFileName(), "/w/20240501093000-バックアップ見積.vek");
}

TEST_F(UtilitiesTest, ExistenceAndSize) {
  testing_support::WriteRaw(dir / "TEMP2.CAB", "abc");
  EXPECT_EQ(U::IsExistFile(dir / "TEMP2.CAB"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "TEMP2.cab"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "*.cab"), 1);
  EXPECT_EQ(U::IsExistFile(dir.path()), 1);
  EXPECT_EQ(U::IsExistFile(dir / "none"), 0);
  EXPECT_EQ(U::IsExistFile(""), 0);
  EXPECT_EQ(U::GetFileSize(dir / "TEMP2.CAB"), 3);
  EXPECT_EQ(U::GetFileSize(dir / "none"), -1);
  EXPECT_EQ(U::GetFileSize(dir.path()), -1);
}

TEST_F(UtilitiesTest, PartialReads) {
  std::string f = dir / "f.bin";
  testing_support::WriteRaw(f, "0123456789");
  struct Case {
    const char* name;
    std::int64_t offset, length;
    int result;
    std::string data;
  } cases[] = {
      {"Middle", 2, 3, 1, "234"},
      {"LengthPastEnd", 7, 100, 1, "789"},
      {"LengthZeroReadsToEnd", 4, 0, 1, "456789"},
      {"LengthNegativeReadsToEnd", 8, -5, 1, "89"},
      {"OffsetAtEnd", 10, 5, 1, ""},
      {"OffsetPastEnd", 11, 5, 1, ""},
      {"NegativeOffset", -1, 5, 0, ""},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> out{1};
    EXPECT_EQ(U::ReadBinaryData(f, c.offset, c.length, out), c.result) << c.name;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.data) << c.name;
  }
  std::vector<unsigned char> out;
  EXPECT_EQ(U::ReadBinaryData(dir / "none", 0, 1, out), 0);
  platform::FailNthCall(platform::FileOp::Read, 1);
  EXPECT_EQ(U::ReadBinaryData(f, 0, 4, out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(U::ReadBinaryDataOld(f, out), 1);
  EXPECT_EQ(out.size(), 10u);
  testing_support::WriteRaw(dir / "empty", "");
  EXPECT_EQ(U::ReadBinaryDataOld(dir / "empty", out), 0);
}

TEST_F(UtilitiesTest, WritesAndOverwrites) {
  std::string f = dir / "w.bin";
  EXPECT_EQ(U::WriteBinaryData(f, "x", 0), 0);
  EXPECT_EQ(U::OverwriteBinaryData(f, "abc", 3), 0) << "no file to write over";
  EXPECT_EQ(U::WriteBinaryData(f, "abcdef", 6), 1);
  EXPECT_EQ(U::OverwriteBinaryData(f, "XY", 2), 1);
  EXPECT_EQ(testing_support::ReadRaw(f), "XYcdef");
  EXPECT_EQ(U::WriteBinaryData(f, "q", 1), 1);
  EXPECT_EQ(testing_support::ReadRaw(f), "q");
  platform::FailNthCall(platform::FileOp::Write, 1);
  EXPECT_EQ(U::OverwriteBinaryData(f, "z", 1), 0);
}

TEST_F(UtilitiesTest, CopyFilesAppendsTheTailInChunks) {
  std::string src = dir / "src.bin", dst = dir / "dst.bin";
  std::string data(20 * 1024 * 1024 + 363, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  testing_support::WriteRaw(src, data);
  testing_support::WriteRaw(dst, "head");
  platform::ClearFaults();
  EXPECT_EQ(U::CopyFiles(363, src, dst), 1);
  EXPECT_EQ(platform::CallCount(platform::FileOp::Read), 3) << "8 MiB, 8 MiB and the rest";
  EXPECT_TRUE(testing_support::ReadRaw(dst) == "head" + data.substr(363));
  EXPECT_EQ(U::CopyFiles(static_cast<std::int64_t>(data.size()), src, dir / "untouched"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "untouched"), 0);
  EXPECT_EQ(U::CopyFiles(0, dir / "none", dst), 0);
}

TEST_F(UtilitiesTest, RemoveAndRename) {
  std::string a = dir / "a.txt", b = dir / "b.txt";
  testing_support::WriteRaw(a, "A");
  testing_support::WriteRaw(b, "B");
  EXPECT_EQ(U::RenameFile(b, a), -2);
  EXPECT_EQ(testing_support::ReadRaw(a), "A");
  EXPECT_EQ(testing_support::ReadRaw(b), "B");
  EXPECT_EQ(U::RenameFile(dir / "c.txt", dir / "none"), 0);
  chmod(a.c_str(), 0444);
  EXPECT_EQ(U::RenameFile(dir / "c.txt", a), 1);
  EXPECT_EQ(testing_support::ReadRaw(dir / "c.txt"), "A");
  chmod(b.c_str(), 0444);
  EXPECT_EQ(U::RemoveFile(b), 1) << "read-only files are deleted";
  EXPECT_EQ(U::RemoveFile(b), 0);
  EXPECT_EQ(U::RemoveFile(dir.path()), 0) << "a folder is no file";
}

TEST_F(UtilitiesTest, FileAndFolderListsNeverEnterLinks) {
  testing_support::TempFolder outside;
  testing_support::WriteRaw(outside / "keep.txt", "keep");
  mkdir((dir / "b").c_str(), 0755);
  mkdir((dir / "b/inner").c_str(), 0755);
  mkdir((dir / "empty").c_str(), 0755);
  testing_support::WriteRaw(dir / "a.txt", "1");
  testing_support::WriteRaw(dir / "b/c.txt", "2");
  testing_support::WriteRaw(dir / "b/inner/d.txt", "3");
  ASSERT_EQ(symlink(outside.path().c_str(), (dir / "link").c_str()), 0);
  std::vector<std::string> files, folders;
  ASSERT_EQ(U::GetFileList(dir / "*", files), 1);
  ASSERT_EQ(U::GetFolderList(dir / "*", folders), 1);
  EXPECT_EQ(files, (std::vector<std::string>{dir / "a.txt", dir / "b/c.txt", dir / "b/inner/d.txt", dir / "link"}));
  EXPECT_EQ(folders, (std::vector<std::string>{dir / "b", dir / "b/inner", dir / "empty"}));
  std::vector<std::string> none;
  EXPECT_EQ(U::GetFileList(dir / "*.none", none), 0);
  EXPECT_EQ(U::GetFileList("", none), 0);

  EXPECT_EQ(U::ForceDeleteFolder(dir.path() + "/"), 1);
  EXPECT_EQ(U::IsExistFile(dir.path()), 0);
  EXPECT_EQ(testing_support::ReadRaw(outside / "keep.txt"), "keep") << "the link's target is left alone";
  mkdir(dir.path().c_str(), 0755);  // for the TempFolder
}

TEST_F(UtilitiesTest, ForceDeleteFolderTakesReadOnlyEntries) {
  mkdir((dir / "w").c_str(), 0755);
  mkdir((dir / "w/ro").c_str(), 0755);
  testing_support::WriteRaw(dir / "w/ro/a.txt", "1");
  chmod((dir / "w/ro/a.txt").c_str(), 0444);
  chmod((dir / "w/ro").c_str(), 0555);
  EXPECT_EQ(U::ForceDeleteFolder(dir / "w"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "w"), 0);
}

TEST_F(UtilitiesTest, ForceDeleteFolderFailures) {
  EXPECT_EQ(U::ForceDeleteFolder(dir / "none"), 0);
  mkdir((dir / "w").c_str(), 0755);
  testing_support::WriteRaw(dir / "w/a.txt", "1");
  platform::FailNthCall(platform::FileOp::Delete, 1);
  EXPECT_EQ(U::ForceDeleteFolder(dir / "w"), 0);
  EXPECT_EQ(U::IsExistFile(dir / "w/a.txt"), 1);
  testing_support::TempFolder outside;
  testing_support::WriteRaw(outside / "keep.txt", "keep");
  ASSERT_EQ(symlink(outside.path().c_str(), (dir / "wl").c_str()), 0);
  EXPECT_EQ(U::ForceDeleteFolder(dir / "wl"), 1) << "a link to a folder is removed as a link";
  EXPECT_EQ(testing_support::ReadRaw(outside / "keep.txt"), "keep");
}

TEST_F(UtilitiesTest, DeleteFilesAndTempCabinets) {
  EXPECT_EQ(U::DeleteFiles(dir / "*.none"), 0);
  EXPECT_EQ(U::DeleteTempCabinetFiles(dir / "x.vek"), 1) << "no TEMP*.CAB files";
  EXPECT_EQ(U::DeleteTempCabinetFiles(dir / "none/x.vek"), 0);
  testing_support::WriteRaw(dir / "TEMP2.CAB", "1");
  testing_support::WriteRaw(dir / "temp3.cab", "1");
  testing_support::WriteRaw(dir / "keep.cab", "1");
  EXPECT_EQ(U::DeleteTempCabinetFiles(dir / "x.vek"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "TEMP2.CAB") + U::IsExistFile(dir / "temp3.cab"), 0);
  EXPECT_EQ(U::DeleteFiles(dir / "*.cab"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "keep.cab"), 0);
}

TEST_F(UtilitiesTest, DeleteByShellDeletesExactlyTheNamedEntry) {
  testing_support::WriteRaw(dir / "a1.jpg", "1");
  testing_support::WriteRaw(dir / "a2.jpg", "2");
  mkdir((dir / "Image").c_str(), 0755);
  testing_support::WriteRaw(dir / "Image/p.jpg", "3");
  std::string longPath = dir.path() + "/" + std::string(300, 'x');
  struct Case {
    const char* name;
    std::string path;
    bool ok;
  } cases[] = {
      {"Wildcard", dir / "a*.jpg", false},
      {"Dot", dir / "Image/.", false},
      {"DotDot", dir / "Image/..", false},
      {"Empty", "", false},
      {"TooLong", longPath, false},
      {"Missing", dir / "none.jpg", false},
      {"File", dir / "a1.jpg", true},
      {"FolderTree", dir / "Image", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U::DeleteFileByShell(c.path) == 0, c.ok) << c.name;
  }
  EXPECT_EQ(U::IsExistFile(dir / "a2.jpg"), 1);
  EXPECT_EQ(U::IsExistFile(dir / "a1.jpg"), 0);
  EXPECT_EQ(U::IsExistFile(dir / "Image"), 0);
}

TEST_F(UtilitiesTest, ForceDeleteFolderPollsUntilItsTimeOut) {
  // The removed folder's name still finds its case variant, as a removal the system has not finished.
  mkdir((dir / "cabtemp").c_str(), 0755);
  mkdir((dir / "CABTEMP").c_str(), 0755);
  dorvik_test::ClockScope clock;
  EXPECT_EQ(U::ForceDeleteFolder(dir / "cabtemp"), 0);
  EXPECT_EQ(clock.clock.sleeps, std::vector<unsigned>(10, 100));
}

TEST_F(UtilitiesTest, BitOperationsRefuseNullAndOverlongShifts) {
  unsigned char src[2] = {0x81, 0x00}, dst[2] = {};
  EXPECT_EQ(U::BufferBitShift(3, dst, nullptr, 2, U::kTowardsEnd), 0);
  EXPECT_EQ(U::BufferBitShift(3, nullptr, src, 2, U::kTowardsEnd), 0);
  EXPECT_EQ(U::BufferBitShift(17, dst, src, 2, U::kTowardsEnd), 0);
  EXPECT_EQ(U::BufferBitShift(-1, dst, src, 2, U::kTowardsEnd), 0);
  EXPECT_EQ(U::BufferBitShift(16, dst, src, 2, U::kTowardsEnd), 1);
  EXPECT_EQ(dst[0], 0x81);
  EXPECT_EQ(U::BufferBitReverse(src, src, 2), 1) << "in place";
  EXPECT_EQ(src[0], 0x7E);
  EXPECT_EQ(src[1], 0xFF);
  EXPECT_EQ(U::BufferBitReverse(dst, nullptr, 2), 0);
  EXPECT_EQ(U::BufferBitReverse(nullptr, src, 2), 0);
}

// ---- Pakkel ----

class PakkelTest : public UtilitiesTest {
 protected:
  void SetUp() override {
    UtilitiesTest::SetUp();
    const char* old = std::getenv("VEK_MODULE_PATH");
    saved_ = old ? old : "";
    setenv("VEK_MODULE_PATH", FAKE_PAKKEL_DIR, 1);
    // Held open here, so the counters live on while the library under test loads and frees it.
    fake_ = platform::LoadModule(std::string(FAKE_PAKKEL_DIR) + "/libPakkel.so");
    ASSERT_NE(fake_, nullptr) << platform::ModuleError();
    set_ = platform::GetFunctionAs<void (*)(int, int)>(fake_, "FakePakkelSet");
    calls_ = platform::GetFunctionAs<void (*)(int*, int*)>(fake_, "FakePakkelCalls");
    last_ = platform::GetFunctionAs<const char* (*)()>(fake_, "FakePakkelLast");
    mkdir((dir / "work").c_str(), 0755);
    mkdir((dir / "work/Image").c_str(), 0755);
    testing_support::WriteRaw(dir / "work/OvDBInfo.ini", "x");
    testing_support::WriteRaw(dir / "work/Image/P0001.jpg", "y");
  }
  void TearDown() override {
    if (fake_) platform::FreeModule(fake_);
    setenv("VEK_MODULE_PATH", saved_.c_str(), 1);
    UtilitiesTest::TearDown();
  }
  int CompressCalls() {
    int c = 0, u = 0;
    calls_(&c, &u);
    return c;
  }
  int UncompressCalls() {
    int c = 0, u = 0;
    calls_(&c, &u);
    return u;
  }

  std::string saved_;
  platform::ModuleHandle fake_ = nullptr;
  void (*set_)(int, int) = nullptr;
  void (*calls_)(int*, int*) = nullptr;
  const char* (*last_)() = nullptr;
};

TEST_F(PakkelTest, CompressHandsTheListedFilesOver) {
  set_(1, 1);
  EXPECT_EQ(U::CompressFile(dir / "work/*", dir / "out.cab"), 1);
  EXPECT_EQ(CompressCalls(), 1);
  EXPECT_EQ(std::string(last_()), "2|" + dir / "work" + "|" + dir / "out.cab" + "|" + dir / "work/Image/P0001.jpg" +
                                      "|" + dir / "work/OvDBInfo.ini");
  EXPECT_EQ(U::CompressFile(dir / "work/*.none", dir / "out.cab"), 0) << "nothing matches";
  EXPECT_EQ(U::CompressFile(dir / "work/*", dir / "none/out.cab"), 0) << "no cabinet folder";
  EXPECT_EQ(CompressCalls(), 1);
}

TEST_F(PakkelTest, CompressRetriesAsSetAndSleepsBeforeEachRepeat) {
  struct Case {
    const char* name;
    int retries, interval;
    int calls;
    std::vector<unsigned> sleeps;
  } cases[] = {
      {"Default", 0, 0, 1, {}},
      {"TwoRetries", 2, 500, 3, {500, 500}},
  };
  for (const Case& c : cases) {
    dorvik_test::ClockScope clock;
    set_(0, 1);
    ZkGetSettings().compressRetryCount = c.retries;
    ZkGetSettings().compressRetryInterval = c.interval;
    EXPECT_EQ(U::CompressFile(dir / "work/*", dir / "out.cab"), 0) << c.name;
    EXPECT_EQ(CompressCalls(), c.calls) << c.name;
    EXPECT_EQ(clock.clock.sleeps, c.sleeps) << c.name;
  }
}

TEST_F(PakkelTest, Uncompress) {
  testing_support::WriteRaw(dir / "in.cab", "MSCF");
  set_(1, 1);
  EXPECT_EQ(U::UncompressFile(" " + dir / "work/ ", dir / "in.cab"), 1);
  EXPECT_EQ(std::string(last_()), dir / "in.cab" + "|" + dir / "work");
  set_(1, 0);
  EXPECT_EQ(U::UncompressFile(dir / "work", dir / "in.cab"), 0);
  EXPECT_EQ(UncompressCalls(), 1) << "no retry";
  EXPECT_EQ(U::UncompressFile(dir / "work", dir / "none.cab"), 0);
  EXPECT_EQ(U::UncompressFile(dir / "nowhere", dir / "in.cab"), 0);
  EXPECT_EQ(UncompressCalls(), 1);
}

// Without the fake held open: a loaded library of the same name would be found by its name.
class PakkelMissingTest : public UtilitiesTest {
 protected:
  void SetUp() override {
    UtilitiesTest::SetUp();
    const char* old = std::getenv("VEK_MODULE_PATH");
    saved_ = old ? old : "";
    mkdir((dir / "work").c_str(), 0755);
    testing_support::WriteRaw(dir / "work/a.ini", "x");
    testing_support::WriteRaw(dir / "in.cab", "MSCF");
    ZkGetSettings().compressRetryCount = 3;
    ZkGetSettings().compressRetryInterval = 100;
  }
  void TearDown() override {
    setenv("VEK_MODULE_PATH", saved_.c_str(), 1);
    UtilitiesTest::TearDown();
  }
  std::string saved_;
};

TEST_F(PakkelMissingTest, WithoutItsFunctionsNothingIsCalled) {
  setenv("VEK_MODULE_PATH", FAKE_PAKKEL_BARE_DIR, 1);
  dorvik_test::ClockScope clock;
  EXPECT_EQ(U::CompressFile(dir / "work/*", dir / "out.cab"), 0);
  EXPECT_EQ(U::UncompressFile(dir / "work", dir / "in.cab"), 0);
  EXPECT_TRUE(clock.clock.sleeps.empty());
}

// Whichever folders the loader would search: the module cannot be had.
TEST_F(PakkelMissingTest, WithoutPakkelNothingIsRetried) {
  platform::FailModuleLoads(true);
  dorvik_test::ClockScope clock;
  EXPECT_EQ(U::CompressFile(dir / "work/*", dir / "out.cab"), 0);
  EXPECT_EQ(U::UncompressFile(dir / "work", dir / "in.cab"), 0);
  EXPECT_TRUE(clock.clock.sleeps.empty());
  // Beside the platform library stands the real one, which packs.
  platform::FailModuleLoads(false);
  EXPECT_EQ(U::CompressFile(dir / "work/*", dir / "out.cab"), 1) << "the module is there again";
}

}  // namespace
