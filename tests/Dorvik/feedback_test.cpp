// The feedback of an OvSvImge.ini edited by the mail program (on the SQLite image database and on the recording
// fakes of its back-end) and the removal of all image data of a work folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkWorkFolderAccess.h"
#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "dorvik_test_support.h"
#include "fake_outside.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/module.h"

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::TempFolder;
using testing_support::WriteRaw;

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

// What the image database holds, in list order: "ImageNo:DisplayOrder:FileName" and "ImageNo:Seq".
struct Lists {
  std::vector<std::string> images;
  std::vector<std::string> annotations;
  bool operator==(const Lists&) const = default;
};

std::string Describe(const Lists& l) {
  std::string out = "images";
  for (const auto& s : l.images) out += " " + Show(s);
  out += " / annotations";
  for (const auto& s : l.annotations) out += " " + s;
  return out;
}

dorvik_sql::Image ImageRecord(int no, int order, const std::string& name) {
  dorvik_sql::Image r{};
  r.ImageNo = no;
  r.DisplayOrder = order;
  name.copy(r.FileName, sizeof r.FileName);
  std::fill(std::begin(r.Data), std::end(r.Data), static_cast<std::uint8_t>(no));  // kept as written
  return r;
}

dorvik_sql::ImageAnnotation AnnotationRecord(int no, int seq) {
  dorvik_sql::ImageAnnotation a{};
  a.ImageNo = no;
  a.Seq = seq;
  std::fill(std::begin(a.Data), std::end(a.Data), static_cast<std::uint8_t>(no * 16 + seq));
  return a;
}

template <class Record>
std::string Bytes(const std::vector<Record>& records) {
  return std::string(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(Record));
}

// The SQLite back-end, called directly (build/lib through $VEK_MODULE_PATH).
class ImageDatabase {
 public:
  explicit ImageDatabase(std::string path) : path_(std::move(path)), module_(platform::LoadModule("DorvikSqlIg.dll")) {}
  ~ImageDatabase() {
    if (module_) platform::FreeModule(module_);
  }
  bool ok() const { return module_ != nullptr; }

  bool Write(const std::vector<dorvik_sql::Image>& images, const std::vector<dorvik_sql::ImageAnnotation>& notes) {
    return Call([&](char* code) {
      return Fn<dorvik_sql::WriteFunction>("WriteImage")(images.data(), static_cast<int>(images.size()), code) == 1 &&
             Fn<dorvik_sql::WriteFunction>("WriteImageAnnotation")(notes.data(), static_cast<int>(notes.size()),
                                                                   code) == 1;
    });
  }
  // The lists, and the records' own bytes in raw.
  Lists Read(std::string* raw = nullptr) {
    std::vector<dorvik_sql::Image> images;
    std::vector<dorvik_sql::ImageAnnotation> notes;
    bool read = Call([&](char* code) { return ReadTable("ReadImage", images, code) && ReadTable("ReadImageAnnotation", notes, code); });
    Lists l;
    if (!read) {
      l.images.push_back("<unreadable>");
      return l;
    }
    for (const auto& r : images) {
      l.images.push_back(std::to_string(r.ImageNo) + ":" + std::to_string(r.DisplayOrder) + ":" +
                         std::string(r.FileName, strnlen(r.FileName, sizeof r.FileName)));
    }
    for (const auto& a : notes) l.annotations.push_back(std::to_string(a.ImageNo) + ":" + std::to_string(a.Seq));
    if (raw) *raw = Bytes(images) + Bytes(notes);
    return l;
  }

 private:
  template <class F>
  F Fn(const char* name) {
    return platform::GetFunctionAs<F>(module_, name);
  }
  bool Call(const std::function<bool(char*)>& body) {
    if (!module_ || Fn<dorvik_sql::InitializeFunction>("Initialize")(path_.c_str(), "", 0) != 1) return false;
    char code[10] = {};
    bool ok = body(code);
    Fn<dorvik_sql::FinalizeFunction>("Finalize")();
    return ok;
  }
  template <class Record>
  bool ReadTable(const char* function, std::vector<Record>& out, char* code) {
    int n = 0;
    auto read = Fn<dorvik_sql::ReadFunction>(function);
    if (read(nullptr, &n, code) != 1) return false;
    out.resize(static_cast<std::size_t>(n));
    return n == 0 || read(out.data(), &n, code) == 1;
  }
  std::string path_;
  platform::ModuleHandle module_;
};

// One image of a hand-written OvSvImge.ini.
struct Entry {
  std::string no;
  std::string fileName;
  std::string modify;
};

// An OvSvImge.ini as the mail program leaves it.
std::string ImageIni(const std::vector<Entry>& entries, const std::string& modify = "1",
                     const std::string& signature = "VEKIMAGE") {
  std::string out = "[General]\r\nSignature=" + signature + "\r\nModify=" + modify + "\r\n[ImageSections]\r\n";
  for (std::size_t i = 0; i < entries.size(); ++i) out += "Image" + std::to_string(i + 1) + "=\r\n";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    out += "[Image" + std::to_string(i + 1) + "]\r\nNo=" + entries[i].no + "\r\nFileName=" + entries[i].fileName +
           "\r\nModify=" + entries[i].modify + "\r\n";
  }
  return out;
}

// Names under a folder (system path), "sub/" for a folder, sorted.
std::vector<std::string> Tree(const std::string& folder, const std::string& prefix = "") {
  std::vector<std::string> out;
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(folder + "/*", entries);
  for (const auto& e : entries) {
    if (e.name == "." || e.name == "..") continue;
    if (e.isFolder && !e.isSymlink) {
      out.push_back(prefix + e.name + "/");
      for (const auto& s : Tree(folder + "/" + e.name, prefix + e.name + "/")) out.push_back(s);
    } else {
      out.push_back(prefix + e.name);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

// A work folder with an image database of three photographs (a, b, c; two annotations on b), the three files
// and a fourth file d.jpg without a record, a sub-folder of Image, and a file beside the work folder.
class Feedback : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { platform::ClearFaults(); }
  // A fresh work folder.
  void Reset() {
    dorvik_test::ResetSettings();
    platform::ClearFaults();
    dir = std::make_unique<TempFolder>();
    w = *dir / "work";
    db = w + "/OvSvIg0001.sld";
    ASSERT_TRUE(platform::MakeFolders(w + "/Image/sub"));
    for (const char* f : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "sub/x.jpg"}) WriteRaw(w + "/Image/" + f, f);
    WriteRaw(*dir / "victim.jpg", "outside");
    WriteRaw(w + "/victim.jpg", "in the work folder");
    ImageDatabase database(db);
    ASSERT_TRUE(database.ok()) << platform::ModuleError();
    ASSERT_TRUE(database.Write({ImageRecord(1, 1, "a.jpg"), ImageRecord(2, 2, "b.jpg"), ImageRecord(3, 3, "c.jpg")},
                               {AnnotationRecord(1, 1), AnnotationRecord(2, 1), AnnotationRecord(2, 2),
                                AnnotationRecord(3, 1)}));
  }

  Lists Read(std::string* raw = nullptr) { return ImageDatabase(db).Read(raw); }
  int Apply(const std::string& ini, char* code) {
    WriteRaw(w + "/OvSvImge.ini", ini);
    return FeedbackMailLinkImageFile(w.c_str(), db.c_str(), code);
  }
  std::string Outside() const { return ReadRaw(*dir / "victim.jpg"); }

  std::unique_ptr<TempFolder> dir;
  std::string w;
  std::string db;
  const Lists initial{{"1:1:a.jpg", "2:2:b.jpg", "3:3:c.jpg"}, {"1:1", "2:1", "2:2", "3:1"}};
  const std::vector<std::string> allFiles{"OvSvIg0001.sld", "OvSvImge.ini", "victim.jpg", "Image/",
                                          "Image/a.jpg",    "Image/b.jpg",  "Image/c.jpg", "Image/d.jpg",
                                          "Image/sub/",     "Image/sub/x.jpg"};
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Edited lists that apply: the resulting lists and files, the same after a second application of the file.
TEST_F(Feedback, EditedListsApplyOnceAndForAll) {
  std::vector<std::string> all = Sorted(allFiles);
  std::vector<std::string> withoutB = all;
  std::erase(withoutB, "Image/b.jpg");
  std::vector<std::string> withoutAC = all;
  std::erase(withoutAC, "Image/a.jpg");
  std::erase(withoutAC, "Image/c.jpg");
  struct Case {
    const char* name;
    std::vector<Entry> entries;
    Lists lists;
    std::vector<std::string> files;
  } cases[] = {
      {"Unchanged", {{"1", "a.jpg", "0"}, {"2", "b.jpg", "0"}, {"3", "c.jpg", "0"}}, initial, all},
      {"Reordered",
       {{"2", "a.jpg", "1"}, {"3", "b.jpg", "0"}, {"1", "c.jpg", "1"}},
       {{"3:1:c.jpg", "1:2:a.jpg", "2:3:b.jpg"}, initial.annotations},
       all},
      {"RemovedWithModify9",
       {{"1", "a.jpg", "0"}, {"0", "b.jpg", "9"}, {"2", "c.jpg", "1"}},
       {{"1:1:a.jpg", "3:2:c.jpg"}, {"1:1", "3:1"}},
       withoutB},
      {"LeftOutOfTheFileStays",
       {{"1", "c.jpg", "1"}, {"2", "a.jpg", "1"}},
       {{"3:1:c.jpg", "1:2:a.jpg", "2:3:b.jpg"}, initial.annotations},
       all},
      {"AddedByTheMailProgram",
       {{"1", "a.jpg", "0"}, {"2", "d.jpg", "2"}, {"3", "b.jpg", "1"}, {"4", "c.jpg", "1"}},
       {{"1:1:a.jpg", "4:2:d.jpg", "2:3:b.jpg", "3:4:c.jpg"}, initial.annotations},
       all},
      {"NamesWithoutRegardToCase",
       {{"5", "A.JPG", "1"}, {"1", "C.jpg", "9"}, {"9", "b.JPG", "0"}},
       {{"1:5:a.jpg", "2:9:b.jpg"}, {"1:1", "2:1", "2:2"}},
       [&] {
         std::vector<std::string> v = all;
         std::erase(v, "Image/c.jpg");
         return v;
       }()},
      {"GapsInTheOrder",
       {{"10", "b.jpg", "1"}, {"30", "a.jpg", "1"}},
       {{"2:10:b.jpg", "1:30:a.jpg", "3:31:c.jpg"}, initial.annotations},
       all},
      {"Modify9ForAMissingFileWithNo0",
       {{"1", "a.jpg", "0"}, {"2", "b.jpg", "0"}, {"3", "c.jpg", "0"}, {"0", "gone.jpg", "9"}},
       initial,
       all},
      {"EveryImageRemoved",
       {{"0", "a.jpg", "9"}, {"0", "c.jpg", "9"}},
       {{"2:1:b.jpg"}, {"2:1", "2:2"}},
       withoutAC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    std::string ini = ImageIni(c.entries);
    char code[10] = {};
    ASSERT_EQ(Apply(ini, code), 1) << Code(code);
    EXPECT_EQ(Describe(Read()), Describe(c.lists));
    EXPECT_EQ(Tree(w), Sorted(c.files));
    std::string raw, again;
    Read(&raw);
    ASSERT_EQ(Apply(ini, code), 1) << Code(code);
    EXPECT_EQ(Describe(Read(&again)), Describe(c.lists));
    EXPECT_EQ(again, raw);  // the records' own bytes as well
    EXPECT_EQ(Tree(w), Sorted(c.files));
    EXPECT_EQ(ReadRaw(w + "/OvSvImge.ini"), ini);
    EXPECT_EQ(Outside(), "outside");
  }
}

// Files that ask for nothing, or fail their checks: nothing changes anywhere.
TEST_F(Feedback, RejectedOrUnchangedFilesChangeNothing) {
  const std::string longName(300, 'n');
  struct Case {
    const char* name;
    std::string ini;
    const char* code;  // empty: success
  } cases[] = {
      {"GeneralModify0", ImageIni({{"1", "a.jpg", "9"}}, "0"), ""},
      {"GeneralModifyNotANumber", ImageIni({{"1", "a.jpg", "9"}}, "abc"), ""},
      {"NoImageSections", "[General]\r\nSignature=VEKIMAGE\r\nModify=1\r\n", ""},
      {"EmptyImageSections", "[General]\r\nSignature=VEKIMAGE\r\nModify=1\r\n[ImageSections]\r\n", ""},
      {"Signature", ImageIni({{"1", "a.jpg", "9"}}, "1", "VEKIMAGX"), "E04001001"},
      {"SignatureLonger", ImageIni({{"1", "a.jpg", "9"}}, "1", "VEKIMAGE2"), "E04001001"},
      {"GeneralModify2", ImageIni({{"1", "a.jpg", "9"}}, "2"), "E04001001"},
      {"GeneralModifyNegative", ImageIni({{"1", "a.jpg", "9"}}, "-1"), "E04001001"},
      {"EmptyFileName", ImageIni({{"0", "b.jpg", "9"}, {"1", "", "0"}}), "E04001001"},
      {"EntryModify3", ImageIni({{"0", "b.jpg", "9"}, {"1", "a.jpg", "3"}}), "E04001001"},
      {"EntryModifyNegative", ImageIni({{"0", "b.jpg", "9"}, {"1", "a.jpg", "-1"}}), "E04001001"},
      {"MissingFile", ImageIni({{"0", "b.jpg", "9"}, {"1", "x.jpg", "0"}}), "E04001001"},
      {"No0", ImageIni({{"0", "b.jpg", "9"}, {"0", "a.jpg", "1"}}), "E04001001"},
      {"NoNegative", ImageIni({{"0", "b.jpg", "9"}, {"-3", "a.jpg", "1"}}), "E04001001"},
      {"DuplicateNo", ImageIni({{"0", "b.jpg", "9"}, {"1", "a.jpg", "0"}, {"1", "c.jpg", "0"}}), "E04001001"},
      {"DuplicateName", ImageIni({{"1", "a.jpg", "0"}, {"0", "A.JPG", "9"}}), "E04001001"},
      {"DotDotBackslash", ImageIni({{"0", "b.jpg", "9"}, {"0", "..\\victim.jpg", "9"}}), "E04001001"},
      {"DotDotSlash", ImageIni({{"0", "b.jpg", "9"}, {"0", "../../victim.jpg", "9"}}), "E04001001"},
      {"DotDot", ImageIni({{"0", "b.jpg", "9"}, {"0", "..", "9"}}), "E04001001"},
      {"Wildcard", ImageIni({{"0", "b.jpg", "9"}, {"0", "*", "9"}}), "E04001001"},
      {"WildcardPattern", ImageIni({{"0", "b.jpg", "9"}, {"0", "?.jpg", "9"}}), "E04001001"},
      {"SubFolder", ImageIni({{"0", "b.jpg", "9"}, {"0", "sub", "9"}}), "E04001001"},
      {"FileInSubFolder", ImageIni({{"0", "b.jpg", "9"}, {"0", "sub/x.jpg", "9"}}), "E04001001"},
      {"FileInSubFolderKept", ImageIni({{"1", "sub\\x.jpg", "0"}}), "E04001001"},
      {"DriveColon", ImageIni({{"0", "b.jpg", "9"}, {"0", "C:victim.jpg", "9"}}), "E04001001"},
      {"OverLongName", ImageIni({{"0", "b.jpg", "9"}, {"0", longName, "9"}}), "E04001001"},
      {"NameOf256", ImageIni({{"0", "b.jpg", "9"}, {"0", std::string(256, 'n'), "9"}}), "E04001001"},
  };
  std::string rawBefore;
  Read(&rawBefore);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char code[10] = {};
    EXPECT_EQ(Apply(c.ini, code), c.code[0] ? 0 : 1);
    EXPECT_EQ(Code(code), c.code);
    std::string raw;
    EXPECT_EQ(Describe(Read(&raw)), Describe(initial));
    EXPECT_EQ(raw, rawBefore);
    EXPECT_EQ(Tree(w), Sorted(allFiles));
    EXPECT_EQ(ReadRaw(w + "/OvSvImge.ini"), c.ini);
    EXPECT_EQ(Outside(), "outside");
  }
}

TEST_F(Feedback, LinkOutOfTheImageFolderIsRefused) {
  ASSERT_EQ(symlink((*dir / "victim.jpg").c_str(), (w + "/Image/link.jpg").c_str()), 0);
  for (const char* modify : {"9", "0"}) {
    char code[10] = {};
    EXPECT_EQ(Apply(ImageIni({{"1", "link.jpg", modify}}), code), 0) << modify;
    EXPECT_EQ(Code(code), "E04001001");
    EXPECT_TRUE(platform::IsSymbolicLink(w + "/Image/link.jpg"));
    EXPECT_EQ(Outside(), "outside");
  }
}

TEST_F(Feedback, NoIniFileOrNoFolder) {
  char code[10] = {};
  EXPECT_EQ(FeedbackMailLinkImageFile(w.c_str(), db.c_str(), code), 1);
  EXPECT_EQ(Code(code), "");
  EXPECT_EQ(Describe(Read()), Describe(initial));
  EXPECT_EQ(FeedbackMailLinkImageFile((*dir / "none").c_str(), db.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000001");
}

// The written file feeds back as it was written: the lists of the database come back in that order.
TEST_F(Feedback, WrittenListReadsBack) {
  std::vector<MailLinkImageEntry> entries(2);
  entries[0].No = 1;
  std::strcpy(entries[0].FileName, "c.jpg");
  entries[1].No = 2;
  std::strcpy(entries[1].FileName, "a.jpg");
  char code[10] = {};
  ASSERT_EQ(CreateMailLinkImageFile(w.c_str(), entries.data(), 2, code), 1);
  std::string ini = ReadRaw(w + "/OvSvImge.ini");
  // The mail program marks the list as changed.
  std::string edited = ini;
  edited.replace(edited.find("Modify=0"), 8, "Modify=1");
  ASSERT_EQ(Apply(edited, code), 1) << Code(code);
  EXPECT_EQ(Describe(Read()), Describe(Lists{{"3:1:c.jpg", "1:2:a.jpg", "2:3:b.jpg"}, initial.annotations}));
}

// ---- On the recording fakes: the back-end's answers and failures ----

class FeedbackFake : public Feedback {
 protected:
  void Load(fake_outside::Scenario& fakes) {
    fakes.SetTable("DorvikSqlIg", "Image",
                   Bytes(std::vector{ImageRecord(1, 1, "a.jpg"), ImageRecord(2, 2, "b.jpg"), ImageRecord(3, 3, "c.jpg")}));
    fakes.SetTable("DorvikSqlIg", "ImageAnnotation", Bytes(std::vector{AnnotationRecord(2, 1), AnnotationRecord(3, 1)}));
  }
  const std::string removeB = ImageIni({{"1", "a.jpg", "0"}, {"0", "b.jpg", "9"}, {"2", "c.jpg", "1"}});
};

TEST_F(FeedbackFake, CallsInOrder) {
  fake_outside::Scenario fakes(*dir / "fakes");
  Load(fakes);
  char code[10] = {};
  ASSERT_EQ(Apply(removeB, code), 1) << Code(code);
  EXPECT_EQ(fakes.CallTexts(), (std::vector<std::string>{
                                   "DorvikSqlIg.Initialize(" + db + ", , 0) = 1",
                                   "DorvikSqlIg.ReadImage(null, 0) = 1",
                                   "DorvikSqlIg.ReadImage(buffer, 3) = 1",
                                   "DorvikSqlIg.ReadImageAnnotation(null, 0) = 1",
                                   "DorvikSqlIg.ReadImageAnnotation(buffer, 2) = 1",
                                   "DorvikSqlIg.WriteImage(buffer, 2) = 1",
                                   "DorvikSqlIg.WriteImageAnnotation(buffer, 1) = 1",
                                   "DorvikSqlIg.Finalize() = 1",
                               }));
  EXPECT_FALSE(platform::Exists(w + "/Image/b.jpg"));
}

TEST_F(FeedbackFake, BackEndFailuresChangeNothing) {
  std::string images = Bytes(std::vector{ImageRecord(1, 1, "a.jpg"), ImageRecord(2, 2, "b.jpg"), ImageRecord(3, 3, "c.jpg")});
  std::string notes = Bytes(std::vector{AnnotationRecord(2, 1), AnnotationRecord(3, 1)});
  struct Case {
    const char* name;
    const char* variant;
    std::function<void(fake_outside::Scenario&)> setup;
    const char* code;
    std::vector<std::string> calls;  // the functions called, in order
  } cases[] = {
      {"Unloadable", "unloadable", [](auto&) {}, "E02000001", {}},
      {"WithoutWriteImageAnnotation", "without-WriteImageAnnotation", [](auto&) {}, "E02000002", {}},
      {"WithoutFinalize", "without-Finalize", [](auto&) {}, "E02000002", {}},
      {"InitializeFails", "normal", [](auto& f) { f.SetResult("DorvikSqlIg", "Initialize", 0); }, "E02000003",
       {"Initialize"}},
      {"ReadImageFails", "normal", [](auto& f) { f.SetResult("DorvikSqlIg", "ReadImage", 0, "E09990001"); },
       "E09990001", {"Initialize", "ReadImage", "Finalize"}},
      {"ReadImageCountNegative", "normal", [](auto& f) { f.SetCount("DorvikSqlIg", "ReadImage", -1); }, "E04001101",
       {"Initialize", "ReadImage", "Finalize"}},
      {"ReadImageCountHuge", "normal", [](auto& f) { f.SetCount("DorvikSqlIg", "ReadImage", 2000000000); },
       "E04001101", {"Initialize", "ReadImage", "Finalize"}},
      {"ReadAnnotationCountNegative", "normal",
       [](auto& f) { f.SetCount("DorvikSqlIg", "ReadImageAnnotation", -5); }, "E04001201",
       {"Initialize", "ReadImage", "ReadImage", "ReadImageAnnotation", "Finalize"}},
      {"ReadAnnotationCountHuge", "normal",
       [](auto& f) { f.SetCount("DorvikSqlIg", "ReadImageAnnotation", INT32_MAX); }, "E04001201",
       {"Initialize", "ReadImage", "ReadImage", "ReadImageAnnotation", "Finalize"}},
      {"WriteImageFails", "normal", [](auto& f) { f.SetResult("DorvikSqlIg", "WriteImage", 0, "E09990002"); },
       "E09990002",
       {"Initialize", "ReadImage", "ReadImage", "ReadImageAnnotation", "ReadImageAnnotation", "WriteImage",
        "Finalize"}},
      // The image list is written back as it was read, so the two lists agree.
      {"WriteAnnotationFails", "normal",
       [](auto& f) { f.SetResult("DorvikSqlIg", "WriteImageAnnotation", 0, "E09990003"); }, "E09990003",
       {"Initialize", "ReadImage", "ReadImage", "ReadImageAnnotation", "ReadImageAnnotation", "WriteImage",
        "WriteImageAnnotation", "WriteImage", "Finalize"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_outside::Scenario fakes(*dir / "fakes", c.variant);
    Load(fakes);
    c.setup(fakes);
    char code[10] = {};
    EXPECT_EQ(Apply(removeB, code), 0);
    EXPECT_EQ(Code(code), c.code);
    std::vector<std::string> called;
    for (const auto& call : fakes.Calls()) called.push_back(call.function);
    EXPECT_EQ(called, c.calls);
    EXPECT_EQ(fakes.Table("DorvikSqlIg", "Image"), images);
    EXPECT_EQ(fakes.Table("DorvikSqlIg", "ImageAnnotation"), notes);
    EXPECT_TRUE(platform::IsFile(w + "/Image/b.jpg"));
  }
}

// ---- DeleteAllImageData ----

class DeleteAll : public Feedback {};

TEST_F(DeleteAll, EmptyFolderSucceeds) {
  TempFolder empty;
  char code[10] = {};
  EXPECT_EQ(DeleteAllImageData(empty.path().c_str(), code), 1) << Code(code);
  EXPECT_TRUE(Tree(empty.path()).empty());
  EXPECT_EQ(DeleteAllImageData((empty / "none").c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000001");
}

TEST_F(DeleteAll, RemovesEveryImage) {
  HeaderData data{};
  std::memcpy(data.Signature, "VEK3", 4);
  HeaderInfo info{};
  info.ImageCount = 5;
  std::strcpy(info.CustomerName, "山田");
  char code[10] = {};
  ASSERT_EQ(CZkWorkFolderAccess(w.c_str()).WriteFileHeaderINI(&data, &info, code), 1);
  WriteRaw(w + "/OvSvImge.ini", ImageIni({{"1", "a.jpg", "0"}}));
  ASSERT_TRUE(platform::SetAttributes(db, platform::kAttrReadOnly));
  ASSERT_TRUE(platform::SetAttributes(w + "/Image/sub", platform::kAttrReadOnly));
  ASSERT_EQ(DeleteAllImageData(w.c_str(), code), 1) << Code(code);
  EXPECT_EQ(Tree(w), (std::vector<std::string>{"HeaderDt.ini", "OvSvImge.ini", "victim.jpg"}));
  EXPECT_EQ(ReadRaw(w + "/OvSvImge.ini"), "[General]\r\nSignature=VEKIMAGE\r\nModify=0\r\n");
  HeaderData data2{};
  HeaderInfo info2{};
  ASSERT_EQ(CZkWorkFolderAccess(w.c_str()).ReadFileHeaderINI(&data2, &info2, code), 1);
  EXPECT_EQ(info2.ImageCount, 0);
  EXPECT_STREQ(info2.CustomerName, "山田");
  // Once more: nothing left to remove.
  EXPECT_EQ(DeleteAllImageData(w.c_str(), code), 1) << Code(code);
}

TEST_F(DeleteAll, ImageDatabaseNameOutsideTheFolderIsRefused) {
  LatestDatabaseFile names{};
  std::memcpy(names.InformationDB, "OvSvIf0001.sld", 14);
  std::memcpy(names.EstimateDB, "OvSvEm0001.sld", 14);
  std::memcpy(names.ImageDB, "../victim.jpg", 13);
  char code[10] = {};
  ASSERT_EQ(WriteDBInfoINI(w.c_str(), &names, code), 1);
  EXPECT_EQ(DeleteAllImageData(w.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000018");
  EXPECT_EQ(Outside(), "outside");
  EXPECT_TRUE(platform::IsFolder(w + "/Image"));
}

TEST_F(DeleteAll, StopsAtTheFirstFailure) {
  char code[10] = {};
  WriteRaw(w + "/OvDBInfo.ini", "[General]\r\nSignature=OTHER\r\n");
  EXPECT_EQ(DeleteAllImageData(w.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000009");
  EXPECT_TRUE(platform::IsFile(db));
  std::remove((w + "/OvDBInfo.ini").c_str());

  // The database goes, then a file of the Image folder cannot be deleted: the database stays deleted.
  platform::FailNthCall(platform::FileOp::Delete, 2);
  EXPECT_EQ(DeleteAllImageData(w.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000017");
  platform::ClearFaults();
  EXPECT_FALSE(platform::Exists(db));
  EXPECT_TRUE(platform::IsFolder(w + "/Image"));

  WriteRaw(db, "db");
  platform::FailNthCall(platform::FileOp::Delete, 1);
  EXPECT_EQ(DeleteAllImageData(w.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000018");
}

}  // namespace
