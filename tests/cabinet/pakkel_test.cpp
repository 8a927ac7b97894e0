// Pakkel and Lunnet, loaded by name as their callers load them, checked against cabextract and gcab.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>

#include "Pakkel.h"
#include "cab_test_support.h"
#include "fakes.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/path.h"
#include "test_support.h"

namespace {

using cabtest::Quote;
using cabtest::Shell;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::Utf8;
using testing_support::WriteRaw;

class Pakkel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Local times in the cabinet are those of this zone; cabextract is run with it too.
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
  }

  void SetUp() override {
    pakkel_ = platform::LoadModule("Pakkel.dll");
    lunnet_ = platform::LoadModule("Lunnet.dll");
    ASSERT_TRUE(pakkel_ && lunnet_) << platform::ModuleError();
    compress_ = platform::GetFunctionAs<PakkelCompressFileFn>(pakkel_, "CompressFile");
    uncompress_ = platform::GetFunctionAs<UncompressFileFn>(pakkel_, "UncompressFile");
    lunnetCompress_ = platform::GetFunctionAs<LunnetCompressFileFn>(lunnet_, "CompressFile");
    lunnetUncompress_ = platform::GetFunctionAs<UncompressFileFn>(lunnet_, "UncompressFile");
    ASSERT_TRUE(compress_ && uncompress_ && lunnetCompress_ && lunnetUncompress_);
  }
  void TearDown() override {
    platform::ClearFaults();
    if (pakkel_) platform::FreeModule(pakkel_);
    if (lunnet_) platform::FreeModule(lunnet_);
  }

  // Files (CP932 paths) under root, written with their contents.
  std::vector<std::string> Write(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : files) {
      std::string path = root + "/" + name;
      std::filesystem::create_directories(std::filesystem::path(Utf8(path)).parent_path());
      WriteRaw(Utf8(path), bytes);
      paths.push_back(path);
    }
    return paths;
  }

  int Compress(const std::string& base, std::vector<std::string> paths, const std::string& cab) {
    std::vector<char*> argv;
    for (std::string& p : paths) argv.push_back(p.data());
    return compress_(static_cast<int>(argv.size()), base.c_str(), argv.data(), cab.c_str());
  }

  platform::ModuleHandle pakkel_ = nullptr, lunnet_ = nullptr;
  PakkelCompressFileFn compress_ = nullptr;
  UncompressFileFn uncompress_ = nullptr;
  LunnetCompressFileFn lunnetCompress_ = nullptr;
  UncompressFileFn lunnetUncompress_ = nullptr;
};

std::vector<std::pair<std::string, std::string>> Digests(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [name, bytes] : files) out.emplace_back(Utf8(name), cabtest::Digest(bytes));
  std::sort(out.begin(), out.end());
  return out;
}

const std::vector<std::pair<std::string, std::string>>& WorkFolder() {
  static const std::vector<std::pair<std::string, std::string>> files = {
      {"HeaderDt.ini", "[General]\r\nSignature=HEADERDT\r\n"},
      {"Image/P0001.jpg", "\xFF\xD8" + cabtest::RandomBytes(90000, 1) + "\xFF\xD9"},
      {"表/ソ.txt", "表ソ"},  // trail bytes 0x5C in folder and file name
      {"empty.dat", ""},
      {"block.bin", cabtest::RandomBytes(32768, 2)},
      {"a/b/c/d/e/f/g/h/i/j/deep.txt", cabtest::Text(5000, 3)},
  };
  return files;
}

TEST_F(Pakkel, WorkFolderRoundTripsWithTimesAndAttributes) {
  TempFolder t;
  const auto& files = WorkFolder();
  std::vector<std::string> paths = Write(t / "Work", files);
  // 2024-03-15 09:26:40 local time (even seconds: a DOS time holds two-second steps).
  platform::FileTime when;
  ASSERT_TRUE(platform::LocalToFileTime({2024, 3, 15, 9, 26, 40, 0, 0}, when));
  for (const std::string& p : paths) ASSERT_TRUE(platform::SetFileTimes(p, nullptr, &when));
  ASSERT_TRUE(platform::SetAttributes(paths[0], platform::kAttrHidden | platform::kAttrArchive));
  ASSERT_TRUE(platform::SetAttributes(paths[2], platform::kAttrReadOnly | platform::kAttrSystem));

  const std::string cab = t / "EstimateData.cab";
  ASSERT_EQ(Compress(t / "Work", paths, cab), 1);

  std::string log;
  EXPECT_EQ(Shell("cabextract -t " + Quote(cab), &log), 0) << log;
  ASSERT_EQ(Shell("TZ=Asia/Tokyo cabextract -l -e CP932 " + Quote(cab), &log), 0) << log;
  // cabextract shows the names as it would write them.
  EXPECT_NE(log.find("     90004 | 15.03.2024 09:26:40 | Image/P0001.jpg"), std::string::npos) << log;
  EXPECT_NE(log.find("         4 | 15.03.2024 09:26:40 | " + Utf8("表/ソ.txt")), std::string::npos) << log;
  ASSERT_EQ(Shell("gcab -l " + Quote(cab), &log), 0) << log;
  EXPECT_NE(log.find("\\HeaderDt.ini"), std::string::npos) << log;
  EXPECT_NE(log.find("\\Image\\P0001.jpg"), std::string::npos) << log;
  EXPECT_NE(log.find("\\表\\ソ.txt"), std::string::npos) << testing_support::Show(log);  // the CP932 bytes
  cabtest::RawCabinet raw;
  ASSERT_TRUE(cabtest::ReadRawCabinet(cab, raw));
  ASSERT_EQ(raw.entries.size(), files.size());
  EXPECT_EQ(raw.entries[2].name, "\\表\\ソ.txt");  // CP932 bytes, not flagged as UTF-8
  EXPECT_EQ(raw.entries[0].attribs, 0x22);
  EXPECT_EQ(raw.entries[2].attribs, 0x05);

  for (const char* dest : {"Out", "Out/"}) {
    SCOPED_TRACE(dest);
    std::filesystem::remove_all(t / "Out");
    std::filesystem::create_directories(t / "Out");
    ASSERT_EQ(uncompress_(cab.c_str(), (t / dest).c_str()), 1);
    EXPECT_EQ(cabtest::TreeOf(Utf8(t / "Out")), Digests(files));
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::string target = t / ("Out/" + files[i].first);
      platform::FileTime creation, lastWrite;
      ASSERT_TRUE(platform::GetFileTimes(target, &creation, &lastWrite));
      EXPECT_EQ(lastWrite.seconds, when.seconds) << testing_support::Show(target);
      EXPECT_EQ(creation.seconds, when.seconds) << testing_support::Show(target);
    }
    EXPECT_EQ(platform::GetAttributes(t / "Out/HeaderDt.ini"), platform::kAttrHidden | platform::kAttrArchive);
    EXPECT_EQ(platform::GetAttributes(t / "Out/表/ソ.txt"), platform::kAttrReadOnly | platform::kAttrSystem);
    EXPECT_EQ(platform::GetAttributes(t / "Out/empty.dat"), platform::kAttrNormal);
    platform::SetAttributes(t / "Out/表/ソ.txt", platform::kAttrNormal);
  }
}

TEST_F(Pakkel, StoredNames) {
  struct Case {
    const char* why;
    std::string base;  // relative to the test folder; "" as given
    std::string file;  // relative to the test folder
    std::string stored;
    bool lunnet = false;
  } cases[] = {
      {"inside the work folder", "Work", "Work/HeaderDt.ini", "\\HeaderDt.ini"},
      {"in a sub-folder", "Work", "Work/Image/P0001.jpg", "\\Image\\P0001.jpg"},
      {"prefix not in the path", "Elsewhere", "Work/Image/P0001.jpg", "P0001.jpg"},
      {"first occurrence", "W", "Work/W/x.txt", "ork\\W\\x.txt"},
      {"Lunnet stores the base name", "", "Work/Image/P0001.jpg", "P0001.jpg", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    std::vector<std::string> paths = Write(t.path(), {{c.file, "x"}});
    std::string cab = t / "n.cab";
    std::string base = t / c.base;
    if (c.base == "W") base = "W";  // a bare text, found inside the test folder's path too
    std::vector<char*> argv = {paths[0].data()};
    int r = c.lunnet ? lunnetCompress_(1, argv.data(), cab.c_str()) : compress_(1, base.c_str(), argv.data(), cab.c_str());
    ASSERT_EQ(r, 1);
    cabtest::RawCabinet raw;
    ASSERT_TRUE(cabtest::ReadRawCabinet(cab, raw));
    ASSERT_EQ(raw.entries.size(), 1u);
    if (c.base == "W") {
      // The first "W" of the whole path decides, wherever it is.
      std::string full = paths[0];
      EXPECT_EQ(raw.entries[0].name, platform::PathToStored(full.substr(full.find('W') + 1)));
    } else {
      EXPECT_EQ(raw.entries[0].name, c.stored);
    }
  }
}

TEST_F(Pakkel, EmptyBasePrefixStoresTheWholePath) {
  TempFolder t;
  std::vector<std::string> paths = Write(t.path(), {{"a.txt", "x"}});
  ASSERT_EQ(Compress("", paths, t / "w.cab"), 1);
  cabtest::RawCabinet raw;
  ASSERT_TRUE(cabtest::ReadRawCabinet(t / "w.cab", raw));
  EXPECT_EQ(raw.entries[0].name, platform::PathToStored(paths[0]));
}

TEST_F(Pakkel, LargeSetsRoundTrip) {
  struct Case {
    const char* why;
    std::function<std::vector<std::pair<std::string, std::string>>()> files;
    int minFolders;
  } cases[] = {
      {"more than 2 MB of text: several folders",
       [] {
         std::vector<std::pair<std::string, std::string>> f;
         for (int i = 0; i < 6; ++i) f.emplace_back("db/t" + std::to_string(i) + ".txt", cabtest::Text(500000, 10 + i));
         return f;
       },
       2},
      {"1000 files",
       [] {
         std::vector<std::pair<std::string, std::string>> f;
         for (int i = 0; i < 1000; ++i) {
           f.emplace_back("Image/P" + std::to_string(1000 + i) + ".jpg", cabtest::RandomBytes(i * 7 % 3000, i));
         }
         return f;
       },
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    auto files = c.files();
    ASSERT_EQ(Compress(t / "Work", Write(t / "Work", files), t / "big.cab"), 1);
    cabtest::RawCabinet raw;
    ASSERT_TRUE(cabtest::ReadRawCabinet(t / "big.cab", raw));
    EXPECT_GE(raw.folderCount, c.minFolders);
    std::string log;
    EXPECT_EQ(Shell("cabextract -t " + Quote(t / "big.cab") + " > /dev/null", &log), 0) << log;
    ASSERT_EQ(uncompress_((t / "big.cab").c_str(), (t / "Out").c_str()), 1);
    EXPECT_EQ(cabtest::TreeOf(t / "Out"), Digests(files));
  }
}

TEST_F(Pakkel, UnpackingOverALongerFileLeavesNoOldBytes) {
  TempFolder t;
  std::vector<std::string> paths = Write(t / "Work", {{"HeaderDt.ini", "short"}});
  ASSERT_EQ(Compress(t / "Work", paths, t / "s.cab"), 1);
  Write(t / "Out", {{"HeaderDt.ini", std::string(100000, 'o')}});
  ASSERT_EQ(uncompress_((t / "s.cab").c_str(), (t / "Out").c_str()), 1);
  EXPECT_EQ(ReadRaw(t / "Out/HeaderDt.ini"), "short");
}

// Links that stand in the destination at the names of unpacked files and folders are replaced, never followed:
// nothing outside the destination changes.
TEST_F(Pakkel, UnpackingWritesNothingThroughLinks) {
  TempFolder t, outside;
  WriteRaw(outside / "victim.txt", "outside");
  std::vector<std::string> paths =
      Write(t / "Work", {{"HeaderDt.ini", "header"}, {"Image/P0001.jpg", "jpeg"}, {"Image/Sub/x.txt", "x"}});
  ASSERT_EQ(Compress(t / "Work", paths, t / "s.cab"), 1);
  std::filesystem::create_directories(t / "Out");
  std::filesystem::create_symlink(outside / "victim.txt", t / "Out/HeaderDt.ini");
  std::filesystem::create_symlink(outside.path(), t / "Out/Image");
  ASSERT_EQ(uncompress_((t / "s.cab").c_str(), (t / "Out").c_str()), 1);
  EXPECT_EQ(ReadRaw(outside / "victim.txt"), "outside");
  EXPECT_EQ(cabtest::TreeOf(outside.path()), (std::vector<std::pair<std::string, std::string>>{
                                                  {"victim.txt", cabtest::Digest("outside")}}));
  EXPECT_FALSE(std::filesystem::is_symlink(t / "Out/HeaderDt.ini"));
  EXPECT_FALSE(std::filesystem::is_symlink(t / "Out/Image"));
  EXPECT_EQ(ReadRaw(t / "Out/Image/Sub/x.txt"), "x");
  EXPECT_EQ(ReadRaw(t / "Out/HeaderDt.ini"), "header");
}

// The temporary files of a packing are the owner's only, locked while it works, named after its process, and
// those of a packing whose process ended are removed by the next one.
TEST_F(Pakkel, PackingRemovesTheTemporaryFilesOfAGoneOwner) {
  TempFolder t;
  std::filesystem::create_directories(t / "tmp");
  const std::string dead = std::to_string(testing_support::DeadProcessId());
  WriteRaw(t / ("tmp/xxvek." + dead + ".tmp"), "debris");
  WriteRaw(t / ("tmp/xxvek." + dead + "-7.tmp"), "debris");
  WriteRaw(t / "tmp/xx12.tmp", "someone else's");
  testing_support::EnvVarScope tmpdir("TMPDIR", (t / "tmp").c_str());
  std::vector<std::string> paths = Write(t / "Work", {{"a.txt", cabtest::Text(5000, 1)}});
  ASSERT_EQ(Compress(t / "Work", paths, t / "f.cab"), 1);
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(t / "tmp")) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"xx12.tmp"});
}

// A file whose archived DOS date or time is no day or time of the calendar keeps the time it was written at.
TEST_F(Pakkel, AnImpossibleArchivedDateLeavesTheTimeAsWritten) {
  struct Case {
    const char* name;
    std::uint16_t date, time;
  } cases[] = {{"month 13", (44 << 9) | (13 << 5) | 1, 9 << 11},
               {"month 0", (44 << 9) | (0 << 5) | 1, 9 << 11},
               {"30 February", (44 << 9) | (2 << 5) | 30, 9 << 11},
               {"hour 24", (44 << 9) | (5 << 5) | 1, 24 << 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder t;
    std::vector<std::string> paths = Write(t / "Work", {{"a.txt", "abc"}});
    ASSERT_EQ(Compress(t / "Work", paths, t / "d.cab"), 1);
    // The first file record: its date and time, after the size, offset and folder index.
    std::string cab = ReadRaw(t / "d.cab");
    std::uint32_t files = 0;
    std::memcpy(&files, cab.data() + 16, 4);
    std::memcpy(cab.data() + files + 10, &c.date, 2);
    std::memcpy(cab.data() + files + 12, &c.time, 2);
    WriteRaw(t / "d.cab", cab);
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(uncompress_((t / "d.cab").c_str(), (t / "Out").c_str()), 1);
    platform::FileTime lastWrite;
    ASSERT_TRUE(platform::GetFileTimes(t / "Out/a.txt", nullptr, &lastWrite));
    EXPECT_GE(lastWrite.seconds, before - 5);
    EXPECT_LE(lastWrite.seconds, std::time(nullptr) + 5);
    EXPECT_EQ(ReadRaw(t / "Out/a.txt"), "abc");
  }
}

TEST_F(Pakkel, UnpacksCabinetsOfGcab) {
  const auto& files = WorkFolder();
  for (const char* flags : {"-c -z", "-c"}) {
    SCOPED_TRACE(flags);
    TempFolder t;
    Write(t / "in", files);
    std::string list;
    for (const auto& f : files) list += " " + Quote(Utf8(f.first));
    std::string log;
    ASSERT_EQ(Shell("cd " + Quote(t / "in") + " && gcab " + flags + " ../g.cab" + list, &log), 0) << log;
    ASSERT_EQ(uncompress_((t / "g.cab").c_str(), (t / "Out").c_str()), 1);
    EXPECT_EQ(cabtest::TreeOf(t / "Out"), Digests(files));
  }
}

TEST_F(Pakkel, EmptyCabinetPacksAndUnpacksToNothing) {
  TempFolder t;
  ASSERT_EQ(compress_(0, (t / "Work").c_str(), nullptr, (t / "e.cab").c_str()), 1);
  ASSERT_EQ(uncompress_((t / "e.cab").c_str(), (t / "Out").c_str()), 1);
  EXPECT_TRUE(cabtest::TreeOf(t / "Out").empty());
  EXPECT_FALSE(std::filesystem::exists(t / "Out"));
}

TEST_F(Pakkel, BadCabinetsGiveZeroAndCreateNothing) {
  struct Case {
    const char* why;
    std::function<void(const TempFolder&, std::string& cab)> make;
  } cases[] = {
      {"a flipped byte in a data block",
       [](const TempFolder&, std::string& cab) {
         std::string b = ReadRaw(cab);
         b[b.size() - 5000] ^= 0x20;
         WriteRaw(cab, b);
       }},
      {"truncated", [](const TempFolder&, std::string& cab) { WriteRaw(cab, ReadRaw(cab).substr(0, 30000)); }},
      {"not a cabinet", [](const TempFolder&, std::string& cab) { WriteRaw(cab, "[General]\r\nSignature=X\r\n"); }},
      {"missing", [](const TempFolder& t, std::string& cab) { cab = t / "none.cab"; }},
      {"a name with ..\\",
       [](const TempFolder&, std::string& cab) {
         std::string b = ReadRaw(cab);
         std::size_t at = b.find("\\Image\\");
         b.replace(at, 7, "\\..\\..\\");
         WriteRaw(cab, b);
       }},
      {"a name rooted at a share",
       [](const TempFolder&, std::string& cab) {
         std::string b = ReadRaw(cab);
         std::size_t at = b.find("\\Image\\");
         b.replace(at, 7, "\\\\Imag\\");
         WriteRaw(cab, b);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    ASSERT_EQ(Compress(t / "Work", Write(t / "Work", WorkFolder()), t / "b.cab"), 1);
    std::string cab = t / "b.cab";
    c.make(t, cab);
    std::filesystem::create_directories(t / "Out");
    EXPECT_EQ(uncompress_(cab.c_str(), (t / "Out").c_str()), 0);
    EXPECT_EQ(lunnetUncompress_(cab.c_str(), (t / "Out").c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_empty(t / "Out"));
  }
}

TEST_F(Pakkel, ArgumentsThatCannotWork) {
  TempFolder t;
  std::vector<std::string> paths = Write(t / "Work", {{"a", "1"}});
  ASSERT_EQ(Compress(t / "Work", paths, t / "a.cab"), 1);
  EXPECT_EQ(uncompress_((t / "a.cab").c_str(), nullptr), 0);
  EXPECT_EQ(uncompress_((t / "a.cab").c_str(), ""), 0);
  EXPECT_EQ(uncompress_(nullptr, (t / "Out").c_str()), 0);
  EXPECT_EQ(compress_(1, (t / "Work").c_str(), nullptr, (t / "x.cab").c_str()), 0);
  std::vector<char*> none = {nullptr};
  EXPECT_EQ(compress_(1, (t / "Work").c_str(), none.data(), (t / "x.cab").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(t / "x.cab"));
}

TEST_F(Pakkel, FailuresLeaveNoCabinetAndNoTemporaryFile) {
  struct Case {
    const char* why;
    std::function<void()> arrange;
    bool packing;
  } cases[] = {
      {"a file to pack is missing", [] {}, true},
      {"a write fails while packing", [] { platform::FailNthCall(platform::FileOp::Write, 3); }, true},
      {"opens fail while packing", [] { platform::FailFromCall(platform::FileOp::Open, 2); }, true},
      {"a write fails while unpacking", [] { platform::FailNthCall(platform::FileOp::Write, 1); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    std::vector<std::string> paths = Write(t / "Work", {{"a.txt", cabtest::Text(100000, 1)}, {"b", "2"}});
    std::filesystem::create_directories(t / "tmp");
    const char* old = getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", (t / "tmp").c_str(), 1);
    int r;
    if (c.packing) {
      if (std::string(c.why).find("missing") != std::string::npos) paths.push_back(t / "Work/none");
      c.arrange();
      r = Compress(t / "Work", paths, t / "f.cab");
      platform::ClearFaults();
      EXPECT_FALSE(std::filesystem::exists(t / "f.cab"));
    } else {
      ASSERT_EQ(Compress(t / "Work", paths, t / "f.cab"), 1);
      c.arrange();
      r = uncompress_((t / "f.cab").c_str(), (t / "Out").c_str());
      platform::ClearFaults();
    }
    if (old) {
      setenv("TMPDIR", saved.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(std::filesystem::is_empty(t / "tmp"));
  }
}

// A file system that fills up, or a disk that fails, in the middle of an unpacking: every open, read and write of
// it failing in turn (stored blocks copied as they are, compressed ones decoded). The call gives 0 and the file
// that was being written is gone; the files already whole stay.
TEST_F(Pakkel, AFileThatFailsHalfWayIsRemoved) {
  TempFolder t;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.txt", cabtest::Text(1000, 1)},
      {"Image/P0001.jpg", cabtest::RandomBytes(1 << 20, 2)},
      {"text.txt", cabtest::Text(700000, 3)}};
  const std::vector<std::string> paths = Write(t / "Work", files);
  ASSERT_EQ(Compress(t / "Work", paths, t / "f.cab"), 1);
  const auto whole = Digests(files);
  for (const auto& [name, uncompress] : {std::pair{"Pakkel", uncompress_}, std::pair{"Lunnet", lunnetUncompress_}}) {
    for (platform::FileOp op : {platform::FileOp::Open, platform::FileOp::Read, platform::FileOp::Write}) {
      std::filesystem::remove_all(t / "Out");
      platform::ClearFaults();
      ASSERT_EQ(uncompress((t / "f.cab").c_str(), (t / "Out").c_str()), 1);
      const int calls = platform::CallCount(op);
      int partly = 0;  // failures after some file was whole
      for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(std::string(name) + ", call " + std::to_string(n) + " of kind " + std::to_string(int(op)));
        std::filesystem::remove_all(t / "Out");
        platform::ClearFaults();
        platform::FailNthCall(op, n);
        const int r = uncompress((t / "f.cab").c_str(), (t / "Out").c_str());
        platform::ClearFaults();
        const auto left = cabtest::TreeOf(t / "Out");
        if (r == 1) {
          EXPECT_EQ(left, whole);
          continue;
        }
        EXPECT_LT(left.size(), whole.size());
        for (const auto& entry : left) {
          EXPECT_TRUE(std::find(whole.begin(), whole.end(), entry) != whole.end()) << entry.first << " is not whole";
        }
        partly += !left.empty();
      }
      if (op == platform::FileOp::Write) {
        EXPECT_GE(partly, 2);
      }
    }
  }
}

// The close of a file may be where the file system reports that it lost the data: that file goes too, even when
// the attributes it was given before the close made it read-only.
TEST_F(Pakkel, AFileWhoseCloseFailsIsRemovedReadOnlyOrNot) {
  TempFolder t;
  const std::vector<std::pair<std::string, std::string>> files = {{"a.txt", cabtest::Text(1000, 1)},
                                                                  {"b.txt", cabtest::Text(1000, 2)}};
  for (std::uint32_t attributes : {platform::kAttrReadOnly, platform::kAttrNormal}) {
    std::filesystem::remove_all(t / "Work");
    const std::vector<std::string> paths = Write(t / "Work", files);
    ASSERT_TRUE(platform::SetAttributes(paths[0], attributes));
    ASSERT_EQ(Compress(t / "Work", paths, t / "f.cab"), 1);
    platform::SetAttributes(paths[0], platform::kAttrNormal);
    for (const auto& [name, uncompress] : {std::pair{"Pakkel", uncompress_}, std::pair{"Lunnet", lunnetUncompress_}}) {
      SCOPED_TRACE(std::string(name) + ", attributes " + std::to_string(attributes));
      std::filesystem::remove_all(t / "Out");
      platform::ClearFaults();
      platform::FailWrittenFileCloses(true);
      const int r = uncompress((t / "f.cab").c_str(), (t / "Out").c_str());
      platform::ClearFaults();
      EXPECT_EQ(r, 0);
      EXPECT_TRUE(cabtest::TreeOf(t / "Out").empty()) << "the first file failed at its close";
    }
  }
}

// Pakkel copied with the platform layer into a folder without the cabinet library (or with a library
// of that name that lacks its functions), run in a child process that finds nothing else.
TEST_F(Pakkel, WithoutTheCabinetLibraryBothFunctionsGiveZero) {
  for (bool impostor : {false, true}) {
    SCOPED_TRACE(impostor ? "a library without the functions" : "no library");
    TempFolder t;
    std::string bin = t / "bin", lib = t / "lib", build = testing_support::BinaryDir();
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(lib);
    std::filesystem::copy_file(build + "/bin/pakkel_probe", bin + "/pakkel_probe");
    for (const char* f : {"libPakkel.so", "libLunnet.so", "libvekplatform.so"}) {
      std::filesystem::copy_file(build + "/lib/" + f, lib + "/" + f);
    }
    if (impostor) std::filesystem::copy_file(build + "/lib/libLunnet.so", lib + "/libCABINET.so");
    Write(t / "Work", {{"a", "1"}});
    std::string log;
    int rc = Shell("env -u VEK_MODULE_PATH LD_LIBRARY_PATH= " + Quote(bin + "/pakkel_probe") + " " +
                       Quote(lib) + " " + Quote(t / "Work") + " " + Quote(t / "Work/a") + " " + Quote(t / "x.cab"),
                   &log);
    EXPECT_EQ(rc, 0) << log;
    EXPECT_EQ(log, "Pakkel 0 0 Lunnet 0 0\n");
  }
}

}  // namespace
