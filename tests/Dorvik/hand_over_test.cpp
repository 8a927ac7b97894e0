// The hand-over files of a work folder (OvSvMail.ini, OvSvImge.ini, the photo-link XML file) and the four path
// queries, through the exports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/ini.h"

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::TempFolder;
using testing_support::WriteRaw;

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

template <std::size_t N>
void Put(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  text.copy(field, N);
}

std::string Golden(const char* name) {
  return ReadRaw(testing_support::SourceDir() + "/tests/fixtures/handover/" + name);
}

bool HaveXmllint() { return std::system("xmllint --version > /dev/null 2>&1") == 0; }

// xmllint's verdict on a file (system path); output: what it printed.
int Xmllint(const std::string& args, const std::string& path, std::string* output = nullptr) {
  std::string out = path + ".xmllint";
  int rc = std::system(("xmllint " + args + " '" + path + "' > '" + out + "' 2>&1").c_str());
  if (output) *output = ReadRaw(out);
  std::remove(out.c_str());
  return rc;
}

// Each line of a file, without its CR LF; false when a line does not end in CR LF.
bool CrLfLines(const std::string& text, std::vector<std::string>& lines) {
  lines.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string::npos || lf == start || text[lf - 1] != '\r') return false;
    lines.push_back(text.substr(start, lf - 1 - start));
    start = lf + 1;
  }
  return true;
}

const std::string kFullWidth30 = "株式会社テスト自動車販売所です";  // 30 bytes, no NUL

MailLinkHeader SampleHeader() {
  MailLinkHeader h{};
  Put(h.CustomerName, kFullWidth30);
  Put(h.CarNoDepartment, "品川");
  Put(h.CarNoDivision, "300");
  Put(h.CarNoBusiness, "さ");
  Put(h.CarNoSerial, "12-34");
  Put(h.TicketNo, "T&<>001");
  Put(h.AcceptNo, "A0001-見積");
  h.AccidentDate = {2024, 5, 1};
  Put(h.AgreedName, "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮX\x82");  // 30 bytes ending in a lone lead byte
  Put(h.CarName, " プリウス ");
  return h;
}

std::vector<MailLinkImageEntry> SampleImages() {
  std::vector<MailLinkImageEntry> e(3);
  e[0].No = 1;
  Put(e[0].FileName, "写真0001.jpg");
  e[1].No = 2;
  Put(e[1].FileName, "表&<>.JPG");
  e[2].Reserved = -1;
  e[2].No = 7;
  Put(e[2].FileName, std::string(255, 'a') + ".jpeg");  // 260 bytes, no NUL: 256 are taken
  return e;
}

VistrelLinkRecord SampleVistrel() {
  VistrelLinkRecord r{};
  Put(r.CustomerName1, kFullWidth30);
  Put(r.CustomerName2, "山田&<太郎>");
  Put(r.AdjusterName, "鈴木　一郎");
  Put(r.AcceptNo, "A0001");
  r.AccidentDate = {2024, 5, 1};
  Put(r.TicketNo, "T-1\r\n2");
  Put(r.Note1, "メモ\x81<1");
  Put(r.Note3, "a&amp;b");
  Put(r.CarNo, "品川 300 さ 12-34");
  Put(r.CarName, "プリウス");
  Put(r.CarMouldNo, "ＡＢ\x82");
  Put(r.CarKindNo, "1234");
  Put(r.ColorCode, "202");
  Put(r.OwnerName, "表ソ能");
  Put(r.UserName, "ﾃｽﾄ");
  r.CreatedDate = {2024, 4, 30};
  r.GarageInDate = {2024, 5, 2};
  Put(r.CarSerialNo, "ZVW30\t1234567");
  r.CarTermEraDate = {2026, 5, 1};
  Put(r.Kilometrage, "123456");
  r.CarRegistedDate = {2019, 4};
  Put(r.ii_CustomerName, "山田");
  r.ii_PresenceDate = {2024, 5, 3};
  r.ii_AgreedDate = {2024, 5, 10};
  Put(r.ii_RepairDays, "5");
  Put(r.ii_TimePrice, "7000");
  Put(r.MakerName, "トヨタ");
  Put(r.CarNameName, "プリウス");
  Put(r.ModelName, "DAA-ZVW30");
  Put(r.CarYearName, "平成21年");
  Put(r.BodyName, "セダン");
  Put(r.FVariationNameByUser, "S\"ツーリング'");
  Put(r.GradeName, "S");
  Put(r.ThoriumCode, "X1");
  Put(r.Total, "123456789");
  return r;
}

class HandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    platform::ClearFaults();
  }
  void TearDown() override { platform::ClearFaults(); }
  TempFolder dir;
  std::string w = dir.path();
  char code[10] = {};
};

TEST_F(HandOver, FilesMatchTheGoldenFixtures) {
  MailLinkHeader header = SampleHeader();
  std::vector<MailLinkImageEntry> images = SampleImages();
  VistrelLinkRecord vistrel = SampleVistrel();
  ASSERT_EQ(CreateMailLinkHeaderFile(w.c_str(), &header, code), 1) << Code(code);
  ASSERT_EQ(CreateMailLinkImageFile(w.c_str(), images.data(), 3, code), 1) << Code(code);
  ASSERT_EQ(CreateVistrelLinkFile(w.c_str(), "/elsewhere/見積.test.vek", &vistrel, code), 1) << Code(code);
  EXPECT_EQ(Show(ReadRaw(dir / "OvSvMail.ini")), Show(Golden("OvSvMail.ini")));
  EXPECT_EQ(Show(ReadRaw(dir / "OvSvImge.ini")), Show(Golden("OvSvImge.ini")));
  std::string xmlPath = dir / testing_support::Utf8("見積.test.xml");
  std::string xml = ReadRaw(xmlPath);
  EXPECT_EQ(Show(xml), Show(Golden("vistrel_link.xml")));
  std::vector<std::string> lines;
  ASSERT_TRUE(CrLfLines(xml, lines));
  EXPECT_EQ(lines.size(), 41u);

  // The readers see the values as they were given (INI through the profile layer, XML through a peer).
  EXPECT_EQ(platform::IniGetString("Torvane2", "CarName", "", dir / "OvSvMail.ini"), " プリウス ");
  EXPECT_EQ(platform::IniGetString("Torvane2", "TicketNo", "", dir / "OvSvMail.ini"), "T&<>001");
  if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
  std::string out;
  EXPECT_EQ(Xmllint("--noout", xmlPath, &out), 0) << out;
  struct Read {
    const char* element;
    const char* value;
  } reads[] = {{"CustomerName2", "山田&<太郎>"}, {"Note3", "a&amp;b"}, {"OwnerName", "表ソ能"}};
  for (const Read& r : reads) {
    EXPECT_EQ(Xmllint(std::string("--xpath 'string(//Svef/") + r.element + ")'", xmlPath, &out), 0) << r.element;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    EXPECT_EQ(out, testing_support::Utf8(r.value)) << r.element;  // xmllint prints UTF-8
  }
}

// Values that would break the document or its one-element-a-line layout, each in CustomerName1.
TEST_F(HandOver, PhotoLinkValuesStayWellFormed) {
  struct Case {
    const char* name;
    std::string value;
    std::string written;
    bool shiftJis = true;  // only characters that JIS X 0208 has: xmllint's Shift_JIS reads them
  } cases[] = {
      {"Markup", "<a href=\"x\">&</a>", "&lt;a href=\"x\"&gt;&amp;&lt;/a&gt;"},
      {"LineEnds", "上\r\n下\r中\n", "上  下 中 "},
      {"Controls", std::string("a\x01\x1f" "b\x7f", 5), "a  b\x7f"},
      {"CutAtWidth", std::string(28, 'x') + "\x88", std::string(28, 'x')},
      {"LeadBeforeMarkup", "\x88<\x88&\x88>", "?&lt;?&amp;?&gt;"},
      {"NoShiftJisByte", "a\x80" "b\xa0" "c\xfd" "d\xff", "a?b?c?d?"},
      {"UnassignedPairs", "\x85\x40" "x\xeb\x9f" "y\x81\x7f", "?x?y?\x7f"},
      // NEC and IBM characters of CP932 (①, 纊), which a reader of the narrower Shift_JIS refuses.
      {"ExtendedCharacters", "\x87\x40\xed\x40", "\x87\x40\xed\x40", false},
      {"TrailBytes5C", "ソ表能\\", "ソ表能\\"},
      {"FullWidth", kFullWidth30, kFullWidth30},
  };
  for (const Case& c : cases) {
    VistrelLinkRecord r{};
    Put(r.CustomerName1, c.value);
    ASSERT_EQ(CreateVistrelLinkFile(w.c_str(), "case.vek", &r, code), 1) << c.name;
    std::string xml = ReadRaw(dir / "case.xml");
    std::vector<std::string> lines;
    ASSERT_TRUE(CrLfLines(xml, lines)) << c.name;
    ASSERT_EQ(lines.size(), 41u) << c.name;
    EXPECT_EQ(Show(lines[2]), Show("    <CustomerName1>" + c.written + "</CustomerName1>")) << c.name;
    if (HaveXmllint() && c.shiftJis) {
      std::string out;
      EXPECT_EQ(Xmllint("--noout", dir / "case.xml", &out), 0) << c.name << ": " << out;
    }
  }
  if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed: no peer read the files";
}

TEST_F(HandOver, PhotoLinkFileIsNamedAfterTheEstimateFile) {
  struct Case {
    const char* vek;
    const char* xml;
  } cases[] = {
      {"abc.def.vek", "abc.def.xml"},
      {"abc", ".xml"},
      {"/data/見積/山田.vek", "山田.xml"},
      {"C:\\data\\山田.vek", "山田.xml"},
      {nullptr, ".xml"},
  };
  VistrelLinkRecord r = SampleVistrel();
  for (const Case& c : cases) {
    ASSERT_EQ(CreateVistrelLinkFile(w.c_str(), c.vek, &r, code), 1) << c.xml;
    EXPECT_TRUE(platform::IsFile(w + "/" + c.xml)) << Show(c.xml);
    int size = 0;
    ASSERT_EQ(GetVistrelLinkFileName(w.c_str(), c.vek, nullptr, &size, code), 1);
    std::vector<char> name(static_cast<std::size_t>(size));
    ASSERT_EQ(GetVistrelLinkFileName(w.c_str(), c.vek, name.data(), &size, code), 1);
    EXPECT_EQ(Show(name.data()), Show(w + "/" + c.xml));
  }
}

TEST_F(HandOver, ImageListWithoutEntriesHoldsOnlyGeneral) {
  ASSERT_EQ(CreateMailLinkImageFile(w.c_str(), nullptr, 0, code), 1);
  EXPECT_EQ(ReadRaw(dir / "OvSvImge.ini"), "[General]\r\nSignature=VEKIMAGE\r\nModify=0\r\n");
  std::vector<MailLinkImageEntry> images = SampleImages();
  ASSERT_EQ(CreateMailLinkImageFile(w.c_str(), images.data(), 3, code), 1);
  // A rewrite with fewer entries keeps none of the earlier sections.
  ASSERT_EQ(CreateMailLinkImageFile(w.c_str(), images.data(), -4, code), 1);
  EXPECT_EQ(ReadRaw(dir / "OvSvImge.ini"), "[General]\r\nSignature=VEKIMAGE\r\nModify=0\r\n");
}

// Every writer: the folder must exist, a record must be given, an old read-only file is replaced, and a file
// that cannot be written fails with the file's code and leaves the old file.
TEST_F(HandOver, WritersReportEveryFailure) {
  MailLinkHeader header = SampleHeader();
  std::vector<MailLinkImageEntry> images = SampleImages();
  VistrelLinkRecord vistrel = SampleVistrel();
  struct Writer {
    const char* name;
    std::string file;
    const char* code;
    std::function<int(const char*, bool, char*)> write;  // work folder, with a record
  } writers[] = {
      {"MailHeader", "OvSvMail.ini", "E04000019",
       [&](const char* wp, bool with, char* c) { return CreateMailLinkHeaderFile(wp, with ? &header : nullptr, c); }},
      {"MailImage", "OvSvImge.ini", "E04000020",
       [&](const char* wp, bool with, char* c) {
         return CreateMailLinkImageFile(wp, with ? images.data() : nullptr, 3, c);
       }},
      {"Vistrel", "v.xml", "E04000022",
       [&](const char* wp, bool with, char* c) {
         return CreateVistrelLinkFile(wp, "v.vek", with ? &vistrel : nullptr, c);
       }},
  };
  for (const Writer& wr : writers) {
    std::string path = dir / wr.file;
    std::string missing = dir / "missing";
    char c[10] = {};
    EXPECT_EQ(wr.write(missing.c_str(), true, c), 0) << wr.name;
    EXPECT_EQ(Code(c), "E04000001") << wr.name;
    EXPECT_EQ(wr.write(w.c_str(), false, c), 0) << wr.name;
    EXPECT_EQ(Code(c), "E01000001") << wr.name;
    EXPECT_FALSE(platform::Exists(path)) << wr.name;

    WriteRaw(path, "old");
    ASSERT_TRUE(platform::SetAttributes(path, platform::kAttrReadOnly));
    ASSERT_EQ(wr.write(w.c_str(), true, c), 1) << wr.name << " " << Code(c);
    std::string good = ReadRaw(path);
    EXPECT_NE(good, "old") << wr.name;

    for (platform::FileOp op : {platform::FileOp::Open, platform::FileOp::Write, platform::FileOp::Rename}) {
      std::memset(c, 0, sizeof c);
      platform::FailNthCall(op, 1);
      EXPECT_EQ(wr.write(w.c_str(), true, c), 0) << wr.name << " op " << static_cast<int>(op);
      EXPECT_EQ(Code(c), wr.code) << wr.name;
      EXPECT_EQ(ReadRaw(path), good) << wr.name;
      platform::ClearFaults();
    }
    platform::FailNthCall(platform::FileOp::SetAttributes, 1);
    EXPECT_EQ(wr.write(w.c_str(), true, c), 0) << wr.name;
    EXPECT_EQ(Code(c), std::string(wr.name) == "Vistrel" ? "E04000021" : wr.code) << wr.name;
    platform::ClearFaults();
  }
}

// The four path queries by the size-query convention.
TEST_F(HandOver, PathQueriesFollowTheSizeConvention) {
  using Query = std::function<int(const char*, char*, int*, char*)>;
  struct Case {
    const char* name;
    std::string path;
    Query query;
  } cases[] = {
      {"Image", w + "/Image", [](const char* wp, char* b, int* s, char* c) { return GetImagePathName(wp, b, s, c); }},
      {"MailHeader", w + "/OvSvMail.ini",
       [](const char* wp, char* b, int* s, char* c) { return GetMailLinkHeaderFileName(wp, b, s, c); }},
      {"MailImage", w + "/OvSvImge.ini",
       [](const char* wp, char* b, int* s, char* c) { return GetMailLinkImageFileName(wp, b, s, c); }},
      {"Vistrel", w + "/見積.xml",
       [](const char* wp, char* b, int* s, char* c) { return GetVistrelLinkFileName(wp, "見積.vek", b, s, c); }},
  };
  for (const Case& c : cases) {
    const int size = static_cast<int>(c.path.size()) + 1;
    char cd[10] = {};
    int n = 0;
    ASSERT_EQ(c.query(w.c_str(), nullptr, &n, cd), 1) << c.name;
    EXPECT_EQ(n, size) << c.name;
    EXPECT_EQ(Code(cd), "") << c.name;

    std::vector<char> buffer(static_cast<std::size_t>(size) + 4, '#');
    ASSERT_EQ(c.query(w.c_str(), buffer.data(), &n, cd), 1) << c.name;
    EXPECT_EQ(std::string(buffer.data(), static_cast<std::size_t>(size)), c.path + '\0') << c.name;
    EXPECT_EQ(buffer[static_cast<std::size_t>(size)], '#') << c.name;

    for (int wrong : {size + 1, size - 1}) {
      std::fill(buffer.begin(), buffer.end(), '#');
      n = wrong;
      EXPECT_EQ(c.query(w.c_str(), buffer.data(), &n, cd), 0) << c.name << " " << wrong;
      EXPECT_EQ(Code(cd), "E01000001") << c.name;
      EXPECT_EQ(buffer[0], '#') << c.name;
    }
    n = size;
    EXPECT_EQ(c.query(w.c_str(), nullptr, &n, cd), 0) << c.name;  // a null buffer is never written
    EXPECT_EQ(Code(cd), "E01000001") << c.name;

    std::memset(cd, 0, sizeof cd);
    n = 0;
    EXPECT_EQ(c.query((dir / "missing").c_str(), nullptr, &n, cd), 0) << c.name;
    EXPECT_EQ(Code(cd), "E04000001") << c.name;
    EXPECT_EQ(n, 0) << c.name;
  }
  // None of them looks whether the file is there; the Image folder alone is made.
  EXPECT_TRUE(platform::IsFolder(w + "/Image"));
  EXPECT_FALSE(platform::Exists(w + "/OvSvMail.ini"));
  EXPECT_FALSE(platform::Exists(dir / "missing"));
}

TEST_F(HandOver, ImageFolderIsMadeByTheSizeQuery) {
  int n = 0;
  ASSERT_EQ(GetImagePathName(w.c_str(), nullptr, &n, code), 1);
  EXPECT_TRUE(platform::IsFolder(w + "/Image"));
  ASSERT_TRUE(platform::RemoveFolder(w + "/Image"));
  platform::FailNthCall(platform::FileOp::MakeFolder, 1);
  n = 0;
  EXPECT_EQ(GetImagePathName(w.c_str(), nullptr, &n, code), 0);
  EXPECT_EQ(Code(code), "E04000016");
  EXPECT_EQ(n, 0);
}

}  // namespace
