// The log of every export at level 4, line for line, on one estimate file and one work folder, against the
// recorded lines in export_logs.txt: its frame, the frames of the workers it calls, their steps and failures.
// Time, process id, source line, pointer values and the test's folder are written as T, P, L, A and <dir>.
// VEK_RECORD_EXPORT_LOGS=1 writes the file anew from what the library logs now (read the diff before keeping it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "fake_outside.h"
#include "vek_fixture.h"

using testing_support::ReadRaw;
using testing_support::Utf8;
using testing_support::WriteRaw;
using vek_fixture::Quoted;
using vek_fixture::Shell;

namespace {

// One line of the log with what varies from run to run replaced.
std::string Normalize(std::string line, const std::string& dir) {
  std::size_t timeEnd = line.find("],[");
  std::size_t pidEnd = timeEnd == std::string::npos ? timeEnd : line.find("],", timeEnd + 3);
  if (line.rfind("[", 0) == 0 && pidEnd != std::string::npos) line = "[T],[P]" + line.substr(pidEnd + 1);
  std::size_t close = line.find(")],");
  std::size_t open = close == std::string::npos ? close : line.rfind('(', close);
  if (open != std::string::npos) line.replace(open + 1, close - open - 1, "L");
  for (std::size_t at = line.find("Address:"); at != std::string::npos; at = line.find("Address:", at + 9)) {
    std::size_t end = line.find_first_of(",\"", at + 8);
    line.replace(at + 8, end - at - 8, "A");
  }
  for (std::size_t at = line.find(dir); at != std::string::npos; at = line.find(dir, at)) line.replace(at, dir.size(), "<dir>");
  return line;
}

// A folder whose path is as long in every run, so that the sizes of paths in the log are the same too.
class FixedLengthFolder {
 public:
  FixedLengthFolder() {
    char name[] = "/tmp/vek-export-logs-XXXXXX";
    if (mkdtemp(name)) path_ = name;
  }
  ~FixedLengthFolder() {
    if (!path_.empty()) Shell("rm -rf " + Quoted(path_));
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ExportLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    dorvik_test::ResetSettings();
    const std::string source = dir / "source";
    vek_fixture::MakeWorkTree(source, 3000);
    const std::string cab = dir / "peer.cab";
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    vek = dir / "e.vek";
    work = dir / "work";
    into = dir / "into";
    db = dir / "work/OvSvIg0001.sld";
    ASSERT_TRUE(vek_fixture::Write(dir / "e.vek.kept", vek_fixture::WithEntries(2), ReadRaw(cab)));
    Shell("mkdir " + Quoted(dir / "work.kept") + " && cp -a " + Quoted(source) + "/. " + Quoted(dir / "work.kept"));
    WriteRaw(dir / "msg.ini", "[General]\r\nSignature=ACSFLDLLMSGSTR\r\n[MessageID]\r\nE03000001=missing\r\n");
  }

  // The estimate file, the work folder (with its header INI files) and an empty folder to open into.
  void Restore() {
    Shell("rm -rf " + Quoted(vek) + " " + Quoted(work) + " " + Quoted(into) + " && cp -a " +
          Quoted(dir / "e.vek.kept") + " " + Quoted(vek) + " && cp -a " + Quoted(dir / "work.kept") + " " +
          Quoted(work) + " && mkdir " + Quoted(into));
    char code[10] = {};
    ASSERT_EQ(OpenVekFile(vek.c_str(), work.c_str(), code), 1) << vek_fixture::Code(code);
  }

  FixedLengthFolder dir;
  std::string vek, work, into, db;
};

TEST_F(ExportLogTest, EveryExportLogsAsRecorded) {
  fake_outside::Scenario fakes(dir / "fakes");
  setenv("VEK_MODULE_PATH", (fake_outside::FakesFolder("normal") + ":" + SAVE_PAKKEL_DIR).c_str(), 1);
  testing_support::FakeClockScope clock;
  const char* v = vek.c_str();
  const char* w = work.c_str();
  const std::string missingVek = dir / "none.vek", missingWork = dir / "none";
  const char* mv = missingVek.c_str();
  const char* mw = missingWork.c_str();
  char code[10] = {};
  char text[512] = {};
  int size = 0;
  HeaderData headerData{};
  HeaderInfo headerInfo{};
  HistoryData historyData{};
  HistoryInfo entries[8] = {};
  LatestDatabaseFile dbInfo{};
  MailLinkHeader mailHeader{};
  MailLinkImageEntry images[1] = {};
  VistrelLinkRecord link{};
  char records[4096] = {};
  // Text exports: the size query, then the text with the size it gave.
  auto sized = [&](const std::function<int(char*, int*)>& call) {
    size = 0;
    call(nullptr, &size);
    call(text, &size);
  };
  struct Case {
    const char* name;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"Initialize", [&] { Initialize(1, dir.path().c_str(), "x.log", 4, (dir / "msg.ini").c_str()); }},
      {"Finalize", [&] { Finalize(); }},
      {"SetCompressRetry", [&] { SetCompressRetry(2, -5); }},
      {"GetErrorMessage", [&] { GetErrorMessage("E03000001", text, sizeof text); }},
      {"GetErrorMessage unknown code", [&] { GetErrorMessage("E09999999", text, sizeof text); }},
      {"GetErrorDetail", [&] { GetErrorDetail("E03000016", text, sizeof text); }},
      {"ReadFileSignature", [&] { ReadFileSignature(v, text, text + 4, code); }},
      {"ReadFileSignature missing", [&] { ReadFileSignature(mv, text, text + 4, code); }},
      {"ReadFileHeaderData", [&] { ReadFileHeaderData(v, &headerData, code); }},
      {"ReadFileHeaderData missing", [&] { ReadFileHeaderData(mv, &headerData, code); }},
      {"ReadFileHeaderInfo", [&] { ReadFileHeaderInfo(v, &headerInfo, code); }},
      {"ReadFileHeaderInfo missing", [&] { ReadFileHeaderInfo(mv, &headerInfo, code); }},
      {"WriteFileHeaderInfo", [&] { WriteFileHeaderInfo(v, &headerInfo, code); }},
      {"WriteFileHeaderInfo missing", [&] { WriteFileHeaderInfo(mv, &headerInfo, code); }},
      {"ReadFileHistoryData", [&] { ReadFileHistoryData(v, &historyData, code); }},
      {"ReadFileHistoryData missing", [&] { ReadFileHistoryData(mv, &historyData, code); }},
      {"ReadFileHistoryInfo",
       [&] {
         size = 0;
         ReadFileHistoryInfo(v, nullptr, &size, code);
         ReadFileHistoryInfo(v, entries, &size, code);
       }},
      {"ReadFileHistoryInfo wrong count", [&] { size = 7, ReadFileHistoryInfo(v, entries, &size, code); }},
      {"DeleteAllHistory", [&] { DeleteAllHistory(v, code); }},
      {"DeleteAllHistory missing", [&] { DeleteAllHistory(mv, code); }},
      {"DeleteAllHistoryOld", [&] { DeleteAllHistoryOld(v, code); }},
      {"DeleteAllHistoryOld missing", [&] { DeleteAllHistoryOld(mv, code); }},
      {"SettingAgreed", [&] { SettingAgreed(v, "Secret", code); }},
      {"SettingAgreed too long", [&] { SettingAgreed(v, "12345678901234567", code); }},
      {"ReleaseAgreed", [&] { ReleaseAgreed(v, "", 0, code); }},
      {"ReleaseAgreed wrong password", [&] { ReleaseAgreed(v, "wrong", 0, code); }},
      {"ReleaseAgreed forced", [&] { ReleaseAgreed(v, "wrong", 1, code); }},
      {"OpenVekFile", [&] { OpenVekFile(v, into.c_str(), code); }},
      {"OpenVekFile missing", [&] { OpenVekFile(mv, into.c_str(), code); }},
      {"OpenVekFileOld", [&] { OpenVekFileOld(v, into.c_str(), code); }},
      {"OpenVekFileOld missing folder", [&] { OpenVekFileOld(v, mw, code); }},
      {"ReadFileHeaderINI", [&] { ReadFileHeaderINI(w, &headerData, &headerInfo, code); }},
      {"ReadFileHeaderINI missing", [&] { ReadFileHeaderINI(into.c_str(), &headerData, &headerInfo, code); }},
      {"ReadFileHistoryINI",
       [&] {
         size = 0;
         ReadFileHistoryINI(w, &historyData, nullptr, &size, code);
         ReadFileHistoryINI(w, &historyData, entries, &size, code);
       }},
      {"ReadFileHistoryINI missing folder", [&] { size = 0, ReadFileHistoryINI(mw, &historyData, nullptr, &size, code); }},
      {"ReadDBInfoINI", [&] { ReadDBInfoINI(w, &dbInfo, code); }},
      {"ReadDBInfoINI missing folder", [&] { ReadDBInfoINI(mw, &dbInfo, code); }},
      {"WriteDBInfoINI",
       [&] {
         ReadDBInfoINI(w, &dbInfo, code);
         WriteDBInfoINI(w, &dbInfo, code);
       }},
      {"ReadDB",
       [&] {
         size = 0;
         ReadDB(db.c_str(), 1, nullptr, &size, code);
       }},
      {"WriteDB", [&] { WriteDB(db.c_str(), 1, records, 0, code); }},
      {"VaccumDB", [&] { VaccumDB(db.c_str(), 3, code); }},
      {"ReadDB unknown table", [&] { size = 0, ReadDB(db.c_str(), 999, nullptr, &size, code); }},
      {"CreateMailLinkHeaderFile", [&] { CreateMailLinkHeaderFile(w, &mailHeader, code); }},
      {"CreateMailLinkHeaderFile missing folder", [&] { CreateMailLinkHeaderFile(mw, &mailHeader, code); }},
      {"CreateMailLinkImageFile",
       [&] {
         std::strcpy(images[0].FileName, "P0001.jpg");
         CreateMailLinkImageFile(w, images, 1, code);
       }},
      {"CreateVistrelLinkFile", [&] { CreateVistrelLinkFile(w, v, &link, code); }},
      {"GetImagePathName", [&] { sized([&](char* b, int* s) { return GetImagePathName(w, b, s, code); }); }},
      {"GetImagePathName missing folder",
       [&] { sized([&](char* b, int* s) { return GetImagePathName(mw, b, s, code); }); }},
      {"GetMailLinkHeaderFileName",
       [&] { sized([&](char* b, int* s) { return GetMailLinkHeaderFileName(w, b, s, code); }); }},
      {"GetMailLinkImageFileName",
       [&] { sized([&](char* b, int* s) { return GetMailLinkImageFileName(w, b, s, code); }); }},
      {"GetVistrelLinkFileName",
       [&] { sized([&](char* b, int* s) { return GetVistrelLinkFileName(w, v, b, s, code); }); }},
      {"FeedbackMailLinkImageFile", [&] { FeedbackMailLinkImageFile(w, db.c_str(), code); }},
      {"FeedbackMailLinkImageFile missing folder", [&] { FeedbackMailLinkImageFile(mw, db.c_str(), code); }},
      {"DeleteAllImageData", [&] { DeleteAllImageData(w, code); }},
      {"DeleteAllImageData missing folder", [&] { DeleteAllImageData(mw, code); }},
      {"SaveVekFile",
       [&] {
         HistoryInfo entry = vek_fixture::EntryRecord(3);
         SaveVekFile(w, v, 0, nullptr, &entry, code);
       }},
      {"SaveVekFile new estimate", [&] { SaveVekFile(w, mv, 1, &headerInfo, &entries[0], code); }},
      {"SaveVekFile missing folder", [&] { SaveVekFile(mw, v, 0, nullptr, nullptr, code); }},
      {"SaveVekFileOld",
       [&] {
         HistoryInfo entry = vek_fixture::EntryRecord(3);
         SaveVekFileOld(w, v, 0, nullptr, &entry, code);
       }},
      {"SaveVekFileOld missing folder", [&] { SaveVekFileOld(mw, v, 0, nullptr, nullptr, code); }},
      {"SaveVekFileEx", [&] { SaveVekFileEx(w, v, code); }},
      {"SaveVekFileExOld", [&] { SaveVekFileExOld(w, v, code); }},
  };
  std::string recorded;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dorvik_test::ResetSettings();
    Restore();
    if (std::strcmp(c.name, "Initialize") != 0) {
      Initialize(1, dir.path().c_str(), "x.log", 4, (dir / "msg.ini").c_str());
      std::remove((dir / "x.log").c_str());
    }
    std::memset(code, 0, sizeof code);
    c.run();
    recorded += std::string("## ") + c.name + "\n";
    std::string log = ReadRaw(dir / "x.log");
    for (std::size_t start = 0; start < log.size();) {
      std::size_t end = log.find('\n', start);
      if (end == std::string::npos) end = log.size();
      recorded += Utf8(Normalize(log.substr(start, end - start), dir.path())) + "\n";
      start = end + 1;
    }
  }
  const std::string file = testing_support::SourceDir() + "/tests/Dorvik/export_logs.txt";
  if (const char* record = std::getenv("VEK_RECORD_EXPORT_LOGS"); record && std::string(record) == "1") {
    WriteRaw(file, recorded);
  }
  const std::string expected = ReadRaw(file);
  ASSERT_FALSE(expected.empty()) << file << " is missing";
  // Compared case by case, so that a failure names the export and the first line that differs.
  auto sections = [](const std::string& all) {
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t at = 0; at < all.size();) {
      std::size_t next = all.find("\n## ", at);
      next = next == std::string::npos ? all.size() : next + 1;
      std::string section = all.substr(at, next - at);
      std::size_t nl = section.find('\n');
      out.emplace_back(section.substr(0, nl), section.substr(nl + 1));
      at = next;
    }
    return out;
  };
  auto want = sections(expected), got = sections(recorded);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i].first, want[i].first);
    EXPECT_EQ(got[i].second, want[i].second) << got[i].first;
  }
}

}  // namespace
