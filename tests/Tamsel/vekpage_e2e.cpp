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

class VekpageTamselTest : public testing::Test {
 protected:
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

  VekpageRun Run(const std::string& page, const std::string& script) {
    testing_support::WriteRaw(folder / "page.html", page);
    testing_support::WriteRaw(folder / "script.txt", script);
    return RunVekpage(folder.path(), {"page.html", "--script", "script.txt", "--shots", shots},
                      folder / "registry.ini");
  }

  testing_support::TempFolder folder;
  // The control's system folder lies in the profile folder; the header library's work in the temporary one.
  testing_support::EnvVarScope home{"HOME", (folder / "home").c_str()};
  testing_support::EnvVarScope tmp{"TMPDIR", (folder / "tmp").c_str()};
  std::string shots = testing_support::BinaryDir() + "/tamsel-shots";
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
  ASSERT_EQ(run.exitCode, 0) << run.errors;
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
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  std::vector<std::string> f = RegistFields(run);
  ASSERT_EQ(f.size(), 23u);
  for (int i = 0; i < 22; ++i) EXPECT_EQ(f[i], "") << i;
  EXPECT_EQ(f[22], "0");
}

TEST_F(VekpageTamselTest, ModeFourLoadsWithoutAList) {
  VekpageRun run = Run(Page({{"FuncID", "4"}, {"Vek2Folder", Data()}, {"TorvaneFileName", Data() + "/r03.vek"}}),
                       "wait Tamsel1 OnStatusChanged 3\nwait Tamsel1 OnCallRegist\nquit\n");
  ASSERT_EQ(run.exitCode, 0) << run.errors;
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

}  // namespace
