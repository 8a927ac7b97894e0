// The selection control end to end in vekpage: a page of the control over a data folder of 25 real estimates,
// driven by scripts as a person would; what the page receives, and screenshots of the dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "fakes.h"
#include "real_estimates.h"
#include "test_support.h"
#include "vekpage_process.h"

namespace {

using pagehost_test::RunVekpage;
using pagehost_test::VekpageRun;
using tamsel_test::RealEstimate;
using tamsel_test::TwentyFiveEstimates;

std::string Utf8(const std::string& cp932) {
  std::string out;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, out));
  return out;
}

// The JSON strings of a line's "args" array (numbers are skipped), decoded.
std::vector<std::string> TextArgs(const std::string& line) {
  std::vector<std::string> out;
  std::size_t at = line.find("\"args\":[");
  if (at == std::string::npos) return out;
  at += 8;
  while (at < line.size() && line[at] != ']') {
    if (line[at] != '"') {
      ++at;
      continue;
    }
    std::string text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] != '\\') {
        text += line[at];
        continue;
      }
      const char e = line[++at];
      if (e == 't') text += '\t';
      else if (e == 'n') text += '\n';
      else if (e == 'r') text += '\r';
      else if (e == 'u') {
        const unsigned code = static_cast<unsigned>(std::stoul(line.substr(at + 1, 4), nullptr, 16));
        at += 4;
        if (code < 0x80) text += static_cast<char>(code);  // the writer escapes control characters only
      } else {
        text += e;
      }
    }
    ++at;
    out.push_back(text);
  }
  return out;
}

// The fields of the first OnCallRegist the page received (UTF-8), and the place of that line among the
// lines.
std::vector<std::string> RegistFields(const VekpageRun& run, std::size_t* line = nullptr) {
  for (std::size_t i = 0; i < run.lines.size(); ++i) {
    if (run.lines[i].find("\"event\":\"OnCallRegist\"") == std::string::npos) continue;
    std::vector<std::string> args = TextArgs(run.lines[i]);
    EXPECT_EQ(args.size(), 2u) << run.lines[i];
    if (args.size() != 2) return {};
    EXPECT_EQ(args[0], "\t");
    if (line) *line = i;
    std::vector<std::string> fields(1);
    for (char c : args[1]) {
      if (c == '\t') {
        fields.emplace_back();
      } else {
        fields.back() += c;
      }
    }
    return fields;
  }
  ADD_FAILURE() << "no OnCallRegist";
  return {};
}

// What vekpage said, for a failure's message.
std::string Said(const VekpageRun& run) {
  std::string out = run.errors;
  for (const std::string& line : run.lines) out += line + "\n";
  return out;
}

class VekpageTamselTest : public testing::Test {
 protected:
  // Made once for the program, before any test points the temporary folder into a folder of its own (which
  // goes with the test).
  static void SetUpTestSuite() { tamsel_test::SharedEstimates::Get(); }
  void SetUp() override {
    const std::string& blocker = tamsel_test::SharedEstimates::Get().blocker;
    if (!blocker.empty()) FAIL() << blocker;
    platform::MakeFolders(folder / "home");
    platform::MakeFolders(folder / "tmp");
  }
  static std::string Data() { return tamsel_test::SharedEstimates::Get().data; }

  // A page of the selection control with its params (UTF-8).
  static std::string Page(const std::vector<std::pair<std::string, std::string>>& params) {
    std::string page = "<html><head><meta charset=\"utf-8\"></head><body>\n"
                       "<object id=\"Tamsel1\" classid=\"clsid:94E256C8-26C8-41C0-B698-BC6C97F35128\" width=800 "
                       "height=440>\n";
    for (const auto& [name, value] : params) page += "<param name=\"" + name + "\" value=\"" + value + "\">\n";
    return page + "</object>\n</body></html>\n";
  }

  VekpageRun Run(const std::string& page, const std::string& script, const std::vector<std::string>& extra = {}) {
    testing_support::WriteRaw(folder / "page.html", page);
    testing_support::WriteRaw(folder / "script.txt", script);
    std::vector<std::string> args{"page.html", "--script", "script.txt", "--shots", shots, "--timeout", "10"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunVekpage(folder.path(), args, folder / "registry.ini");
  }
  // The control's extract folder, under the profile folder that vekpage is given.
  std::string ExtractFolder() const { return folder / "zentrovia/VekExtractTemp"; }
  // A copy of one of the 25 estimates, last written at seconds.
  static void CopyEstimate(const std::string& name, const std::string& to, std::int64_t seconds = 1714550000) {
    ASSERT_TRUE(platform::CopyFile(Data() + "/" + name, to, false)) << to;
    platform::FileTime time{seconds, 0};
    ASSERT_TRUE(platform::SetFileTimes(to, nullptr, &time));
  }

  testing_support::TempFolder folder;
  // The control's system folder lies in the profile folder; the header library's work in the temporary one.
  testing_support::EnvVarScope home{"HOME", (folder / "home").c_str()};
  testing_support::EnvVarScope tmp{"TMPDIR", (folder / "tmp").c_str()};
  std::string shots = testing_support::ShotsFolder("tamsel");
};

TEST_F(VekpageTamselTest, PagesThroughAndLoadsTheChosenEstimate) {
  // Newest first: page 2 shows r15 to r06, r13 (damaged) grey at its row 2, r12 at its row 3.
  VekpageRun run = Run(Page({{"FuncID", "3"}, {"Vek2Folder", Data()}, {"Owner", "ホスト"}}),
                       "wait Tamsel1 OnStatusChanged 1\n"
                       "shot Tamsel1 tamsel-page1\n"
                       "click Tamsel1 1001\n"
                       "click Tamsel1 1002\n"
                       "click Tamsel1 329\n"
                       "select Tamsel1 325 2\n"
                       "select Tamsel1 325 3\n"
                       "shot Tamsel1 tamsel-page2\n"
                       "click Tamsel1 1\n"
                       "wait Tamsel1 OnCallRegist\n"
                       "invoke Tamsel1 GetStatus\n"
                       "quit\n");
  ASSERT_EQ(run.exitCode, 0) << Said(run);
  std::vector<std::string> f = RegistFields(run);
  ASSERT_EQ(f.size(), 23u);
  const RealEstimate e = TwentyFiveEstimates()[11];
  EXPECT_EQ(f[0], Utf8(e.linkCustomer));  // VisitorName, from the photo-link file
  EXPECT_EQ(f[1], Utf8(e.adjuster));
  EXPECT_EQ(f[2], e.acceptNo);            // ReceptNo, from the header summary
  EXPECT_EQ(f[3], "2024/04/30");
  EXPECT_EQ(f[4], e.ticketNo);
  EXPECT_EQ(f[5], Utf8(e.linkCarNo));
  EXPECT_EQ(f[6], Utf8(e.linkCarName));
  EXPECT_EQ(f[10], Utf8(e.owner));
  EXPECT_EQ(f[12], "2024/05/01");
  EXPECT_EQ(f[21], Data() + "/r12.vek");
  EXPECT_EQ(f[22], "1");
  EXPECT_EQ(run.lines.back(), "{\"result\":1}");
  // No message box came up on the way.
  for (const std::string& line : run.lines) EXPECT_EQ(line.find("\"box\""), std::string::npos) << line;
  EXPECT_GT(testing_support::ReadRaw(shots + "/tamsel-page1.png").size(), 1000u);
  EXPECT_GT(testing_support::ReadRaw(shots + "/tamsel-page2.png").size(), 1000u);
}

TEST_F(VekpageTamselTest, CancelSendsEmptyValues) {
  VekpageRun run = Run(Page({{"Vek2Folder", Data()}, {"VisitorName", "ホスト"}}),
                       "click Tamsel1 2\nwait Tamsel1 OnCallRegist\nquit\n");
  ASSERT_EQ(run.exitCode, 0) << Said(run);
  std::vector<std::string> f = RegistFields(run);
  ASSERT_EQ(f.size(), 23u);
  for (int i = 0; i < 22; ++i) EXPECT_EQ(f[i], "") << i;
  EXPECT_EQ(f[22], "0");
}

TEST_F(VekpageTamselTest, ModeFourLoadsWithoutAList) {
  VekpageRun run = Run(Page({{"FuncID", "4"}, {"Vek2Folder", Data()}, {"TorvaneFileName", Data() + "/r03.vek"}}),
                       "wait Tamsel1 OnStatusChanged 3\nwait Tamsel1 OnCallRegist\nquit\n");
  ASSERT_EQ(run.exitCode, 0) << Said(run);
  std::size_t regist = 0;
  std::vector<std::string> f = RegistFields(run, &regist);
  ASSERT_EQ(f.size(), 23u);
  EXPECT_EQ(f[0], Utf8(TwentyFiveEstimates()[2].linkCustomer));
  EXPECT_EQ(f[21], Data() + "/r03.vek");
  EXPECT_EQ(f[22], "1");
  // The registration string comes before the status of mode 4.
  std::size_t status = run.lines.size();
  for (std::size_t i = 0; i < run.lines.size(); ++i) {
    if (run.lines[i] == "{\"object\":\"Tamsel1\",\"event\":\"OnStatusChanged\",\"args\":[3,\"\"]}") status = i;
  }
  EXPECT_LT(regist, status);
}

// What the arrow keys highlight is what "読込" loads; a grey row reached by the keys cannot be loaded, and the
// keys go on past it. Page 2 holds r15 to r06 with r13 (damaged) at its row 2.
TEST_F(VekpageTamselTest, KeysChooseTheHighlightedRow) {
  const std::string page = Page({{"Vek2Folder", Data()}});
  const std::string start = "wait Tamsel1 OnStatusChanged 1\n";
  const struct {
    const char* name;
    std::string keys;
    std::string loaded;  // empty: "読込" cannot be pressed
  } cases[] = {
      {"down twice from the first row", "select Tamsel1 325 0\nkey Tamsel1 40\nkey Tamsel1 40\n", "r23.vek"},
      {"onto the grey row", "click Tamsel1 1001\nselect Tamsel1 325 0\nkey Tamsel1 40\nkey Tamsel1 40\n"
                            "shot Tamsel1 tamsel-grey-by-key\n", ""},
      {"past the grey row", "click Tamsel1 1001\nselect Tamsel1 325 0\nkey Tamsel1 40\nkey Tamsel1 40\n"
                            "key Tamsel1 40\n", "r12.vek"},
      {"up again", "select Tamsel1 325 3\nkey Tamsel1 38\n", "r23.vek"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VekpageRun run = Run(page, start + c.keys + "click Tamsel1 1\nwait Tamsel1 OnCallRegist\nquit\n");
    if (c.loaded.empty()) {
      EXPECT_EQ(run.exitCode, 3) << Said(run);
      EXPECT_EQ(run.lines.back(), "{\"error\":\"line 7: click Tamsel1: control 1 is disabled\"}");
      for (const std::string& line : run.lines) EXPECT_EQ(line.find("OnCallRegist"), std::string::npos) << line;
      continue;
    }
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    std::vector<std::string> f = RegistFields(run);
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(f[21], Data() + "/" + c.loaded);
    EXPECT_EQ(f[22], "1");
  }
}

// The dialog at either screen resolution, a page of ten rows whole; the pictures stay in the build.
TEST_F(VekpageTamselTest, ThePagesAtEitherResolution) {
  for (const char* dpi : {"96", "120"}) {
    SCOPED_TRACE(dpi);
    const std::string name = std::string("tamsel-select-") + dpi;
    VekpageRun run = Run(Page({{"Vek2Folder", Data()}}),
                         "wait Tamsel1 OnStatusChanged 1\nshot Tamsel1 " + name + "\nclick Tamsel1 1001\n"
                         "select Tamsel1 325 9\nshot Tamsel1 " + name + "-page2\nclick Tamsel1 1001\n"
                         "shot Tamsel1 " + name + "-page3\nquit\n",
                         {"--dpi", dpi});
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    for (const char* suffix : {"", "-page2", "-page3"}) {
      EXPECT_GT(testing_support::ReadRaw(shots + "/" + name + suffix + ".png").size(), 1000u) << suffix;
    }
  }
}

// 1001 files make 101 pages: the last but one shows "100 / 101ページ" whole (seen in the picture).
TEST_F(VekpageTamselTest, AHundredPages) {
  const std::string many = folder / "many";
  platform::MakeFolders(many);
  for (int i = 0; i < 1001; ++i) testing_support::WriteRaw(many + "/m" + std::to_string(10000 + i) + ".vek", "x");
  std::string script = "wait Tamsel1 OnStatusChanged 1\n";
  for (int i = 0; i < 99; ++i) script += "click Tamsel1 1001\n";
  script += "shot Tamsel1 tamsel-page100\nquit\n";
  VekpageRun run = Run(Page({{"Vek2Folder", many}, {"MaxViewFileNum", "2000"}}), script);
  ASSERT_EQ(run.exitCode, 0) << Said(run);
  EXPECT_GT(testing_support::ReadRaw(shots + "/tamsel-page100.png").size(), 1000u);
}

// TAB, CR and LF inside values come to the page as spaces: always 23 fields on one line. An estimate whose
// path holds one cannot be chosen.
TEST_F(VekpageTamselTest, ValuesWithTabsAndLineEndsKeep23Fields) {
  const std::string odd = folder / "odd";
  platform::MakeFolders(odd);
  RealEstimate e = TwentyFiveEstimates()[0];
  e.name = "tabs.vek";
  e.customerName = "山田\\t太郎";  // JSON escapes: the fixture generator makes them the characters
  e.carName = "カローラ\\r\\nＧ";
  ASSERT_EQ(tamsel_test::MakeRealEstimate(odd, e), "");
  CopyEstimate("r01.vek", odd + "/a\tb.vek", e.time + 60);  // newer: the first row
  const std::string page = Page({{"Vek2Folder", odd}});
  {
    VekpageRun run = Run(page, "wait Tamsel1 OnStatusChanged 1\nshot Tamsel1 tamsel-tabs\nselect Tamsel1 325 1\n"
                               "click Tamsel1 1\nwait Tamsel1 OnCallRegist\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    std::size_t line = 0;
    std::vector<std::string> f = RegistFields(run, &line);
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(f[0], Utf8("山田 太郎"));  // VisitorName from the header summary
    EXPECT_EQ(f[6], Utf8("カローラ  Ｇ"));  // Form
    EXPECT_EQ(f[21], odd + "/tabs.vek");
    EXPECT_EQ(run.lines[line].find("\\r"), std::string::npos);
    EXPECT_EQ(run.lines[line].find("\\n"), std::string::npos);
  }
  {
    VekpageRun run = Run(page, "wait Tamsel1 OnStatusChanged 1\nselect Tamsel1 325 0\nclick Tamsel1 1\nquit\n");
    EXPECT_EQ(run.exitCode, 3) << "the row of a path with a TAB is grey";
    EXPECT_NE(run.lines.back().find("control 1 is disabled"), std::string::npos) << run.lines.back();
  }
  {
    VekpageRun run = Run(Page({{"FuncID", "4"}, {"Vek2Folder", odd}, {"TorvaneFileName", odd + "/a&#9;b.vek"},
                               {"VisitorName", Utf8("ホ&#9;スト&#13;&#10;様")}, {"Owner", "&#10;"}}),
                         "wait Tamsel1 OnCallRegist\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    std::vector<std::string> f = RegistFields(run);
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(f[0], Utf8("ホ スト  様"));
    EXPECT_EQ(f[10], " ");
    EXPECT_EQ(f[22], "0");
    bool told = false;
    for (const std::string& l : run.lines) told = told || l.find(Utf8("見積ファイルの解凍に失敗しました")) != std::string::npos;
    EXPECT_TRUE(told) << "message 1017";
  }
}

// A FIFO named like an estimate neither freezes the page nor can be chosen: a grey row in mode 3, message
// 1017 in mode 4.
TEST_F(VekpageTamselTest, AFifoAmongTheEstimates) {
  const std::string odd = folder / "fifo";
  platform::MakeFolders(odd);
  CopyEstimate("r03.vek", odd + "/good.vek");
  ASSERT_EQ(std::system(("mkfifo '" + odd + "/x.vek'").c_str()), 0);  // newer: the first row
  const std::string page = Page({{"Vek2Folder", odd}});
  {
    VekpageRun run = Run(page, "wait Tamsel1 OnStatusChanged 1\nshot Tamsel1 tamsel-fifo\nselect Tamsel1 325 0\n"
                               "select Tamsel1 325 1\nclick Tamsel1 1\nwait Tamsel1 OnCallRegist\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    std::vector<std::string> f = RegistFields(run);
    ASSERT_EQ(f.size(), 23u);
    EXPECT_EQ(f[21], odd + "/good.vek");
    EXPECT_EQ(f[22], "1");
  }
  {
    VekpageRun run = Run(page, "wait Tamsel1 OnStatusChanged 1\nselect Tamsel1 325 0\nclick Tamsel1 1\nquit\n");
    EXPECT_EQ(run.exitCode, 3) << "the FIFO's row is grey";
    EXPECT_NE(run.lines.back().find("control 1 is disabled"), std::string::npos) << run.lines.back();
  }
  {
    VekpageRun run = Run(Page({{"FuncID", "4"}, {"Vek2Folder", odd}, {"TorvaneFileName", odd + "/x.vek"}}),
                         "wait Tamsel1 OnCallRegist\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    ASSERT_GE(run.lines.size(), 2u);
    EXPECT_NE(run.lines[0].find(Utf8("見積ファイルの解凍に失敗しました")), std::string::npos) << run.lines[0];
    EXPECT_EQ(RegistFields(run).at(22), "0");
  }
}

// The control empties its extract folder before a load: as the data folder, it or a folder inside it is
// refused before anything is listed, and every estimate there stays, also after a load from elsewhere.
TEST_F(VekpageTamselTest, TheExtractFolderIsNoDataFolder) {
  const std::string refused =
      Utf8("見積ファイルの展開用フォルダとその中のフォルダは参照先にできません。変更してください。");
  for (const std::string& data : {ExtractFolder(), ExtractFolder() + "/keep"}) {
    SCOPED_TRACE(data);
    platform::MakeFolders(data);
    std::vector<std::string> kept;
    for (const char* name : {"r01.vek", "r02.vek", "r03.vek"}) {
      kept.push_back(data + "/" + name);
      CopyEstimate(name, kept.back());
    }
    VekpageRun run = Run(Page({{"Vek2Folder", data}}), "wait Tamsel1 OnStatusChanged 1\nshot Tamsel1 tamsel-refused\n"
                                                       "file " + Data() + "\nclick Tamsel1 205\n"
                                                       "select Tamsel1 325 0\nclick Tamsel1 1\n"
                                                       "wait Tamsel1 OnCallRegist\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << Said(run);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_NE(run.lines[0].find("\"box\":{\"text\":\"" + refused + "\""), std::string::npos) << run.lines[0];
    EXPECT_NE(run.lines[0].find("\"icon\":\"exclamation\""), std::string::npos) << run.lines[0];
    EXPECT_EQ(RegistFields(run).at(21), Data() + "/r25.vek");
    // The load empties the extract folder of its own files only; a folder it did not make keeps its own.
    if (data != ExtractFolder()) {
      for (const std::string& file : kept) EXPECT_TRUE(platform::IsFile(file)) << file;
    }
  }
  // Refused before anything is listed: there is no row to load, so the estimates in the extract folder itself
  // stay too (a load of one would empty the folder, the estimate first).
  platform::MakeFolders(ExtractFolder());
  CopyEstimate("r01.vek", ExtractFolder() + "/r01.vek");
  VekpageRun run = Run(Page({{"Vek2Folder", ExtractFolder()}}),
                       "wait Tamsel1 OnStatusChanged 1\nselect Tamsel1 325 0\nclick Tamsel1 1\nquit\n");
  EXPECT_EQ(run.exitCode, 3) << Said(run);
  ASSERT_FALSE(run.lines.empty());
  EXPECT_NE(run.lines.back().find("\"error\":\"line 2: select Tamsel1"), std::string::npos) << Said(run);
  EXPECT_TRUE(platform::IsFile(ExtractFolder() + "/r01.vek"));
}

}  // namespace
