#include "ZkWorkFolderAccess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "platform/files.h"

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::WriteRaw;

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

using dorvik_test::Text;

template <std::size_t N>
void Put(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N);
}

// One line of a hand-written INI file.
struct Line {
  std::string section;
  std::string key;
  std::string value;
};

// The lines as a Windows program writes them: CR LF, a section header whenever the section changes.
std::string IniText(const std::vector<Line>& lines) {
  std::string out, section;
  for (const Line& l : lines) {
    if (l.section != section || out.empty()) {
      out += "[" + l.section + "]\r\n";
      section = l.section;
    }
    out += l.key.empty() ? l.value + "\r\n" : l.key + "=" + l.value + "\r\n";
  }
  return out;
}

void Remove(std::vector<Line>& lines, const std::string& key) {
  std::erase_if(lines, [&](const Line& l) { return l.key == key; });
}

void Replace(std::vector<Line>& lines, const std::string& key, const std::string& value) {
  for (Line& l : lines) {
    if (l.key == key) l.value = value;
  }
}

const std::string kAcceptNo37 = "受付２０２４０５０１－０００１ABCDEFG";  // 37 bytes
const std::string kCarName50 = "プリウス　ＺＶＷ５０型　ハイブリッド　Ｓツーリング";  // 50 bytes

std::vector<Line> HeaderLines() {
  return {
      {"General", "Signature", "HEADERDT"},
      {"HeaderData", "Signature", "VEK3"},
      {"HeaderData", "Version", "0010"},
      {"HeaderData", "HeaderInfoLength", "305"},
      {"HeaderData", "HistoryDataLength", "475"},
      {"HeaderInfo", "AcceptNo", kAcceptNo37},
      {"HeaderInfo", "GroupKey", "グループＡ"},
      {"HeaderInfo", "SelfName", "株式会社　見積工房"},
      {"HeaderInfo", "CustomerName", "山田　太郎"},
      {"HeaderInfo", "CarName", kCarName50},
      {"HeaderInfo", "GarageInDate", "20240501"},
      {"HeaderInfo", "GarageOutDate", "20240520"},
      {"HeaderInfo", "Progress", "3"},
      {"HeaderInfo", "ImageCount", "12"},
      {"HeaderInfo", "CreatedDate", "20240430"},
      {"HeaderInfo", "PartsPriceTotal", "123456.500000"},
      {"HeaderInfo", "WageTotal", "7890.250000"},
      {"HeaderInfo", "PaintTotal", "4321.000000"},
      {"HeaderInfo", "CostTotal", "99.750000"},
      {"HeaderInfo", "Total", "135767.500000"},
      {"HeaderInfo", "RCParts", "1"},
      {"HeaderInfo", "TaxKind", "2"},
      {"HeaderInfo", "History", "5"},
      {"HeaderInfo", "Agreed", "1"},
      {"HeaderInfo", "AgreedPassword", ""},
      {"HeaderInfo", "CarNoDepartment", "品川"},
      {"HeaderInfo", "CarNoDivision", "３３０"},
      {"HeaderInfo", "CarNoBusiness", "あ"},
      {"HeaderInfo", "CarNoSerial", "１２－３４"},
      {"HeaderInfo", "ai21_OrderNo", "ORD001"},
      {"HeaderInfo", "ai21_AdoptedDate", "20240602"},
  };
}

class WorkFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { dorvik_test::ResetSettings(); }
  void TearDown() override { platform::ClearFaults(); }
  std::string Path(const char* name) const { return dir / name; }
  testing_support::TempFolder dir;
};

// ---- HeaderDt.ini read from hand-written files ----

TEST_F(WorkFolderTest, HeaderIniFixturesReadIntoTheRecords) {
  using Check = std::function<void(const HeaderData&, const HeaderInfo&)>;
  struct Case {
    const char* name;
    std::function<void(std::vector<Line>&)> edit;
    int result;
    const char* code;
    Check check;
  };
  const Case cases[] = {
      {"every key", [](std::vector<Line>&) {}, 1, "",
       [](const HeaderData& d, const HeaderInfo& h) {
         EXPECT_EQ(std::string(d.Signature, 4), "VEK3");
         EXPECT_EQ(std::string(d.Version, 4), "0010");
         EXPECT_EQ(d.HeaderInfoLength, 305);
         EXPECT_EQ(d.HistoryDataLength, 475);
         EXPECT_EQ(std::string(h.AcceptNo, 37), kAcceptNo37);  // full width, no terminator
         EXPECT_EQ(std::string(h.CarName, 50), kCarName50);
         EXPECT_EQ(Text(h.AgreedPassword), "");
         dorvik_test::ExpectEstimateHeaderInfo(h);
       }},
      {"missing keys read as the default text cut to width, numbers as 0",
       [](std::vector<Line>& l) {
         for (const char* k : {"CarName", "Progress", "Version", "CarNoDivision", "CreatedDate", "Total"}) {
           Remove(l, k);
         }
       },
       1, "",
       [](const HeaderData& d, const HeaderInfo& h) {
         EXPECT_EQ(Text(h.CarName), "Undefined Error");
         EXPECT_EQ(std::string(d.Version, 4), "Unde");
         EXPECT_EQ(std::string(h.CarNoDivision, 6), "Undefi");
         EXPECT_EQ(h.Progress, 0);
         EXPECT_EQ(h.CreatedDate.Year, 0);
         EXPECT_EQ(h.CreatedDate.Month, 0);
         EXPECT_EQ(h.Total, 0.0);
         EXPECT_EQ(h.ImageCount, 12);
       }},
      {"an empty value reads empty, not as the default",
       [](std::vector<Line>& l) { Replace(l, "GroupKey", ""); }, 1, "",
       [](const HeaderData&, const HeaderInfo& h) { EXPECT_EQ(Text(h.GroupKey), ""); }},
      {"values longer than their width are cut",
       [](std::vector<Line>& l) {
         Replace(l, "AcceptNo", kAcceptNo37 + "XYZ");
         Replace(l, "CarNoBusiness", "あいう");
       },
       1, "",
       [](const HeaderData&, const HeaderInfo& h) {
         EXPECT_EQ(std::string(h.AcceptNo, 37), kAcceptNo37);
         EXPECT_EQ(std::string(h.CarNoBusiness, 4), "あい");
       }},
      {"quoted and blank-padded values",
       [](std::vector<Line>& l) {
         Replace(l, "CustomerName", "\"  山田  \"");
         Replace(l, "CarNoDepartment", "   品川   ");
         Replace(l, "SelfName", "'見積工房'");
         Replace(l, "Progress", "  7  ");
       },
       1, "",
       [](const HeaderData&, const HeaderInfo& h) {
         EXPECT_EQ(Text(h.CustomerName), "  山田  ");
         EXPECT_EQ(Text(h.CarNoDepartment), "品川");
         EXPECT_EQ(Text(h.SelfName), "見積工房");
         EXPECT_EQ(h.Progress, 7);
       }},
      {"lower-case section and key names, blanks around the equals sign",
       [](std::vector<Line>& l) {
         for (Line& x : l) {
           if (x.section != "HeaderInfo") continue;
           x.section = "headerinfo";
           for (char& c : x.key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
           x.key += "  ";
         }
       },
       1, "",
       [](const HeaderData&, const HeaderInfo& h) {
         EXPECT_EQ(Text(h.CustomerName), "山田　太郎");
         EXPECT_EQ(h.ai21_AdoptedDate.Day, 2);
       }},
      {"the first of two equal keys wins; comment lines are skipped",
       [](std::vector<Line>& l) {
         l.insert(l.begin() + 6, {"HeaderInfo", "", "; GroupKey=comment"});
         l.push_back({"HeaderInfo", "groupkey", "二番目"});
       },
       1, "",
       [](const HeaderData&, const HeaderInfo& h) { EXPECT_EQ(Text(h.GroupKey), "グループＡ"); }},
      {"numbers and dates as the C conversions read them",
       [](std::vector<Line>& l) {
         Replace(l, "PartsPriceTotal", "1234.5");
         Replace(l, "WageTotal", "abc");
         Replace(l, "ImageCount", "12abc");
         Replace(l, "History", "70000");  // a 16-bit field keeps the low 16 bits
         Replace(l, "HeaderInfoLength", "99999999999");  // held at the 32-bit limit
         Replace(l, "GarageInDate", "202405");           // short: missing parts read as 0
       },
       1, "",
       [](const HeaderData& d, const HeaderInfo& h) {
         EXPECT_EQ(h.PartsPriceTotal, 1234.5);
         EXPECT_EQ(h.WageTotal, 0.0);
         EXPECT_EQ(h.ImageCount, 12);
         EXPECT_EQ(h.History, static_cast<std::int16_t>(70000));
         EXPECT_EQ(d.HeaderInfoLength, 2147483647);
         EXPECT_EQ(h.GarageInDate.Year, 2024);
         EXPECT_EQ(h.GarageInDate.Month, 5);
         EXPECT_EQ(h.GarageInDate.Day, 0);
       }},
      {"a signature that goes on past eight letters passes",
       [](std::vector<Line>& l) { l[0].value = "HEADERDTX"; }, 1, "", nullptr},
      {"a signature one letter short fails", [](std::vector<Line>& l) { l[0].value = "HEADERD"; }, 0,
       "E04000003", nullptr},
      {"a signature in other case fails", [](std::vector<Line>& l) { l[0].value = "headerdt"; }, 0, "E04000003",
       nullptr},
      {"a signature one letter off fails", [](std::vector<Line>& l) { l[0].value = "HEADERDX"; }, 0, "E04000003",
       nullptr},
      {"no signature fails", [](std::vector<Line>& l) { l.erase(l.begin()); }, 0, "E04000003", nullptr},
      {"another file's signature fails", [](std::vector<Line>& l) { l[0].value = "HISTRYDT"; }, 0, "E04000003",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Line> lines = HeaderLines();
    c.edit(lines);
    WriteRaw(Path("HeaderDt.ini"), IniText(lines));
    HeaderData data;
    HeaderInfo info;
    std::memset(&data, 0x5A, sizeof data);
    std::memset(&info, 0x5A, sizeof info);
    char code[10] = {};
    CZkWorkFolderAccess access(dir.path().c_str());
    ASSERT_EQ(access.ReadFileHeaderINI(&data, &info, code), c.result);
    EXPECT_EQ(Code(code), c.code);
    if (c.result == 1) {
      const unsigned char* b = reinterpret_cast<const unsigned char*>(&info);
      EXPECT_EQ(b[187], 0) << "padding after CarName is zero";
      if (c.check) c.check(data, info);
    } else {
      EXPECT_EQ(reinterpret_cast<const unsigned char*>(&info)[0], 0x5A) << "record untouched on failure";
    }
  }
}

// ---- Write then read ----

HeaderInfo FullHeaderInfo() {
  HeaderInfo h;
  std::memset(&h, 0, sizeof h);
  Put(h.AcceptNo, kAcceptNo37);
  Put(h.GroupKey, " 前に空白");
  Put(h.SelfName, "後ろに空白　 ");
  Put(h.CustomerName, "\"引用符付き\"");
  Put(h.CarName, kCarName50);
  h.GarageInDate = {2024, 12, 31};
  h.GarageOutDate = {0, 0, 0};
  h.Progress = -3;
  h.ImageCount = 32767;
  h.CreatedDate = {9999, 99, 99};
  h.PartsPriceTotal = 1234.5;
  h.WageTotal = -0.125;
  h.PaintTotal = 1.7976931348623157e308;  // "%f" gives 316 characters
  h.CostTotal = 1e15;
  h.Total = 0.0;
  h.RCParts = -32768;
  h.TaxKind = 2;
  h.History = 5;
  h.Agreed = 1;
  std::memcpy(h.AgreedPassword, "Zz09AbCdEfGh1234", 16);  // 16 characters, no terminator
  Put(h.CarNoDepartment, "品川区");
  Put(h.CarNoDivision, "330'");
  Put(h.CarNoBusiness, "'あ");
  Put(h.CarNoSerial, "12-34");
  Put(h.ai21_OrderNo, "ORD=01");
  h.ai21_AdoptedDate = {1, 2, 3};
  return h;
}

HeaderData FullHeaderData() {
  HeaderData d{};
  std::memcpy(d.Signature, "VEK3", 4);
  std::memcpy(d.Version, "0010", 4);
  d.HeaderInfoLength = 305;
  d.HistoryDataLength = -2147483647 - 1;
  return d;
}

TEST_F(WorkFolderTest, HeaderIniWriteThenReadIsTheIdentity) {
  struct Case {
    const char* name;
    std::function<void(HeaderInfo&)> edit;
  };
  const Case cases[] = {
      {"full fields, blanks, quotes, limits", [](HeaderInfo&) {}},
      {"empty record", [](HeaderInfo& h) { std::memset(&h, 0, sizeof h); }},
      {"password of symbols and Japanese text", [](HeaderInfo& h) { Put(h.AgreedPassword, "#!見積@ア"); }},
      {"password with a blank at its start", [](HeaderInfo& h) { Put(h.AgreedPassword, " pw 9"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeaderData data = FullHeaderData();
    HeaderInfo info = FullHeaderInfo();
    c.edit(info);
    char code[10] = {};
    ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).WriteFileHeaderINI(&data, &info, code), 1) << Code(code);
    HeaderData data2;
    HeaderInfo info2;
    std::memset(&data2, 0x77, sizeof data2);
    std::memset(&info2, 0x77, sizeof info2);
    ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).ReadFileHeaderINI(&data2, &info2, code), 1) << Code(code);
    EXPECT_EQ(std::memcmp(&data, &data2, sizeof data), 0);
    EXPECT_EQ(std::memcmp(&info, &info2, sizeof info), 0);
    EXPECT_EQ(Text(info2.AgreedPassword), Text(info.AgreedPassword)) << Show(Text(info2.AgreedPassword));
  }
}

TEST_F(WorkFolderTest, HeaderIniIsWrittenInKeyOrderWithItsFormats) {
  HeaderData data = FullHeaderData();
  HeaderInfo info = FullHeaderInfo();
  char code[10] = {};
  ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).WriteFileHeaderINI(&data, &info, code), 1);
  std::string text = ReadRaw(Path("HeaderDt.ini"));
  EXPECT_EQ(text.rfind("[General]\r\nSignature=HEADERDT\r\n[HeaderData]\r\nSignature=VEK3\r\n", 0), 0u)
      << Show(text);
  std::size_t at = 0;
  std::vector<Line> expected = HeaderLines();
  for (const Line& l : expected) {
    std::size_t next = text.find("\r\n" + l.key + "=", at);
    ASSERT_NE(next, std::string::npos) << l.key;
    at = next + 1;
  }
  for (const char* line : {"\r\nPartsPriceTotal=1234.500000\r\n", "\r\nWageTotal=-0.125000\r\n",
                           "\r\nCostTotal=1000000000000000.000000\r\n", "\r\nGarageInDate=20241231\r\n",
                           "\r\nGarageOutDate=00000000\r\n", "\r\nai21_AdoptedDate=00010203\r\n",
                           "\r\nProgress=-3\r\n", "\r\nHistoryDataLength=-2147483648\r\n",
                           "\r\nGroupKey=\" 前に空白\"\r\n", "\r\nCarNoDivision=\"330'\"\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << Show(line);
  }
  // The password is not stored as it is, and the field's full 16 characters are written.
  std::size_t p = text.find("\r\nAgreedPassword=");
  ASSERT_NE(p, std::string::npos);
  std::string stored = text.substr(p + 17, text.find("\r\n", p + 2) - p - 17);
  EXPECT_EQ(stored.size(), 16u);
  EXPECT_NE(stored, "Zz09AbCdEfGh1234");
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
}

TEST_F(WorkFolderTest, ValuesThatCannotBeStoredAreRefusedAndTheOldFileStays) {
  HeaderData data = FullHeaderData();
  HeaderInfo info = FullHeaderInfo();
  char code[10] = {};
  ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).WriteFileHeaderINI(&data, &info, code), 1);
  std::string before = ReadRaw(Path("HeaderDt.ini"));
  for (VekDate bad : {VekDate{10000, 1, 1}, VekDate{-1, 1, 1}, VekDate{2024, 100, 1}, VekDate{2024, 1, 255}}) {
    HeaderInfo h = info;
    h.GarageOutDate = bad;
    ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).WriteFileHeaderINI(&data, &h, code), 0);
    EXPECT_EQ(Code(code), "E04000004");
    EXPECT_EQ(ReadRaw(Path("HeaderDt.ini")), before);
  }
}

// A line end inside a text would break the file into other keys (and an estimate holding one could not be
// opened): it is written as a blank.
TEST_F(WorkFolderTest, LineEndsInTextsAreWrittenAsBlanks) {
  HeaderData data = FullHeaderData();
  struct Case {
    const char* name;
    const char* text;
    const char* read;
  } cases[] = {{"a key smuggled in", "山田\r\nAgreed=0", "山田  Agreed=0"},
               {"line feed", "a\nb", "a b"},
               {"at the end", "x\r", "x "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeaderInfo h = FullHeaderInfo();
    Put(h.CustomerName, c.text);
    Put(h.CarNoSerial, "1\n2");
    char code[10] = {};
    ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).WriteFileHeaderINI(&data, &h, code), 1) << Code(code);
    HeaderData d2;
    HeaderInfo back;
    ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).ReadFileHeaderINI(&d2, &back, code), 1);
    EXPECT_EQ(Show(std::string(back.CustomerName, strnlen(back.CustomerName, sizeof back.CustomerName))),
              Show(c.read));
    EXPECT_EQ(std::string(back.CarNoSerial, strnlen(back.CarNoSerial, sizeof back.CarNoSerial)), "1 2");
    EXPECT_EQ(back.Agreed, h.Agreed);
  }
}

// ---- HistryDt.ini ----

HistoryInfo Entry(int i) {
  HistoryInfo e;
  std::memset(&e, 0, sizeof e);
  e.RenewalDate = {static_cast<std::int16_t>(2020 + i), static_cast<std::uint8_t>(i), 28, 23, 59,
                   static_cast<std::uint8_t>(i * 11)};
  Put(e.LicenceID, i == 1 ? "LICENCE1" : "LIC" + std::to_string(i));
  e.Total = 1000.5 * i;
  e.PartsPriceTotal = 1.25 * i;
  e.WageTotal = -2.0 * i;
  e.PaintTotal = 3.0 * i;
  e.FrameTotal = 4.5 * i;
  e.CostTotal = 5.0 * i;
  Put(e.Name, i == 2 ? "担当者　第二号さん　（本社）１２" : "担当" + std::to_string(i));
  return e;
}

HistoryData History(int count) {
  HistoryData d{};
  std::memcpy(d.HistoryDataVersion, "0001", 4);
  d.HistoryInfoLength = 93;
  d.HistoryInfoCount = static_cast<std::int16_t>(count);
  return d;
}

int WriteHistory(const std::string& folder, int count, char* code) {
  HistoryData d = History(count);
  std::vector<HistoryInfo> entries;
  for (int i = 1; i <= count; ++i) entries.push_back(Entry(i));
  return CZkWorkFolderAccess(folder.c_str()).WriteFileHistoryINI(&d, entries.data(), count, code);
}

TEST_F(WorkFolderTest, HistoryIniWriteThenReadWithTheCountProtocol) {
  for (int count : {0, 1, 2, 5}) {
    SCOPED_TRACE(count);
    char code[10] = {};
    ASSERT_EQ(WriteHistory(dir.path(), count, code), 1) << Code(code);
    HistoryData d;
    std::memset(&d, 0x33, sizeof d);
    int n = 0;
    CZkWorkFolderAccess access(dir.path().c_str());
    ASSERT_EQ(access.ReadFileHistoryINI(&d, nullptr, &n, code), 1);
    EXPECT_EQ(n, count);
    HistoryData expected = History(count);
    EXPECT_EQ(std::memcmp(&d, &expected, sizeof d), 0);
    std::vector<HistoryInfo> got(static_cast<std::size_t>(count) + 1);
    std::memset(got.data(), 0x44, got.size() * sizeof(HistoryInfo));
    ASSERT_EQ(access.ReadFileHistoryINI(&d, got.data(), &n, code), 1);
    for (int i = 0; i < count; ++i) {
      HistoryInfo e = Entry(i + 1);
      EXPECT_EQ(std::memcmp(&got[i], &e, sizeof e), 0) << "entry " << i + 1;
    }
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&got[count])[0], 0x44) << "nothing past the count";
  }
  std::string text = ReadRaw(Path("HistryDt.ini"));
  EXPECT_NE(text.find("[HistoryInfo5]\r\nRenewalDate=20250528235955\r\n"), std::string::npos) << Show(text);
  EXPECT_NE(text.find("\r\nTotal=5002.500000\r\n"), std::string::npos);
}

TEST_F(WorkFolderTest, HistoryRewrittenWithFewerEntriesKeepsOnlyThose) {
  char code[10] = {};
  ASSERT_EQ(WriteHistory(dir.path(), 5, code), 1);
  ASSERT_EQ(WriteHistory(dir.path(), 2, code), 1);
  std::string text = ReadRaw(Path("HistryDt.ini"));
  EXPECT_NE(text.find("[HistoryInfo2]"), std::string::npos);
  EXPECT_EQ(text.find("[HistoryInfo3]"), std::string::npos);
  EXPECT_EQ(text.find("[HistoryInfo5]"), std::string::npos);
}

TEST_F(WorkFolderTest, HistoryCountsThatDoNotMatchAreRefused) {
  char code[10] = {};
  ASSERT_EQ(WriteHistory(dir.path(), 2, code), 1);
  std::vector<HistoryInfo> buf(5);
  struct Case {
    const char* name;
    bool withBuffer;
    int count;
  };
  const Case cases[] = {
      {"three asked, two held", true, 3},
      {"one asked, two held", true, 1},
      {"no buffer with a count", false, 2},
      {"a negative count", true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HistoryData d{};
    int n = c.count;
    ASSERT_EQ(CZkWorkFolderAccess(dir.path().c_str()).ReadFileHistoryINI(&d, c.withBuffer ? buf.data() : nullptr,
                                                                         &n, code),
              0);
    EXPECT_EQ(Code(code), "E01000001");
    EXPECT_EQ(n, c.count);
    EXPECT_EQ(d.HistoryInfoCount, 2) << "the history header is filled before the count is compared";
  }
}

TEST_F(WorkFolderTest, HistoryIniFixtures) {
  struct Case {
    const char* name;
    std::string text;
    int result;
    const char* code;
    int count;
  };
  const std::string head = "[General]\r\nSignature=HISTRYDT\r\n[HistoryData]\r\nHistoryDataVersion=0001\r\n"
                           "HistoryInfoLength=93\r\n";
  const Case cases[] = {
      {"a count with no entry sections", head + "HistoryInfoCount=1\r\n", 1, "", 1},
      {"a negative count", head + "HistoryInfoCount=-1\r\n", 0, "E04000006", 0},
      {"a count beyond 16 bits that turns negative", head + "HistoryInfoCount=40000\r\n", 0, "E04000006", 0},
      {"no count", head, 1, "", 0},
      {"LF line ends", "[General]\nSignature=HISTRYDT\n[HistoryData]\nHistoryInfoCount=1\n", 1, "", 1},
      {"another signature", "[General]\r\nSignature=HEADERDT\r\n", 0, "E04000006", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRaw(Path("HistryDt.ini"), c.text);
    HistoryData d;
    std::memset(&d, 0x5A, sizeof d);
    int n = 0;
    char code[10] = {};
    CZkWorkFolderAccess access(dir.path().c_str());
    ASSERT_EQ(access.ReadFileHistoryINI(&d, nullptr, &n, code), c.result);
    EXPECT_EQ(Code(code), c.code);
    EXPECT_EQ(n, c.count);
    if (c.result == 0) {
      EXPECT_EQ(reinterpret_cast<unsigned char*>(&d)[0], 0x5A);
      continue;
    }
    if (c.count != 1) continue;
    // A missing entry section reads as defaults.
    HistoryInfo e;
    ASSERT_EQ(access.ReadFileHistoryINI(&d, &e, &n, code), 1);
    EXPECT_EQ(Text(e.LicenceID), "Undefine");
    EXPECT_EQ(Text(e.Name), "Undefined Error");
    EXPECT_EQ(e.RenewalDate.Year, 0);
    EXPECT_EQ(e.Total, 0.0);
  }
}

// ---- OvDBInfo.ini ----

TEST_F(WorkFolderTest, DBInfoIniFixturesInBothForms) {
  struct Case {
    const char* name;
    const char* text;  // nullptr: no file
    int result;
    const char* code;
    const char* names[3];
  };
  const Case cases[] = {
      {"no file gives the defaults", nullptr, 1, "", {"OvSvIf0001.sld", "OvSvEm0001.sld", "OvSvIg0001.sld"}},
      {"names of full width",
       "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=OvSvIf0002.sld\r\n"
       "EstimateDB=OvSvEm0002.sld\r\nImageDB=OvSvIg0002.sld\r\n",
       1,
       "",
       {"OvSvIf0002.sld", "OvSvEm0002.sld", "OvSvIg0002.sld"}},
      {"a missing key, a long name cut, a short name",
       "[General]\r\nSignature=OVDBINFO\r\n[latestdatabasefile]\r\nestimatedb = a.sld \r\n"
       "ImageDB=OvSvIg0002.sld.old\r\n",
       1,
       "",
       {"Undefined Erro", "a.sld", "OvSvIg0002.sld"}},
      {"another signature", "[General]\r\nSignature=OVDBINF\r\n", 0, "E04000009", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempFolder w;
    if (c.text) WriteRaw(w / "OvDBInfo.ini", c.text);
    char code[10] = {};
    LatestDatabaseFile latest;
    std::memset(&latest, 0x5A, sizeof latest);
    ZkDatabaseFileNames names;
    std::memset(&names, 0x5A, sizeof names);
    ASSERT_EQ(CZkWorkFolderAccess(w.path().c_str()).ReadDBInfoINI(static_cast<void*>(&latest), code), c.result);
    EXPECT_EQ(Code(code), c.code);
    ASSERT_EQ(CZkWorkFolderAccess(w.path().c_str()).ReadDBInfoINI(&names, code), c.result);
    if (c.result == 0) {
      EXPECT_EQ(reinterpret_cast<unsigned char*>(&latest)[0], 0x5A);
      EXPECT_EQ(reinterpret_cast<unsigned char*>(&names)[0], 0x5A);
      continue;
    }
    EXPECT_EQ(Text(latest.InformationDB), c.names[0]);
    EXPECT_EQ(Text(latest.EstimateDB), c.names[1]);
    EXPECT_EQ(Text(latest.ImageDB), c.names[2]);
    EXPECT_STREQ(names.InformationDB, c.names[0]);
    EXPECT_STREQ(names.EstimateDB, c.names[1]);
    EXPECT_STREQ(names.ImageDB, c.names[2]);
  }
}

TEST_F(WorkFolderTest, DBInfoIniWriteThenReadThroughTheExports) {
  LatestDatabaseFile latest{};
  std::memcpy(latest.InformationDB, "OvSvIf0003.sld", 14);
  std::memcpy(latest.EstimateDB, " em.sld", 7);
  std::memcpy(latest.ImageDB, "画像.sld", 8);
  char code[10] = {};
  ASSERT_EQ(WriteDBInfoINI(dir.path().c_str(), &latest, code), 1);
  EXPECT_EQ(ReadRaw(Path("OvDBInfo.ini")),
            "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=OvSvIf0003.sld\r\n"
            "EstimateDB=\" em.sld\"\r\nImageDB=画像.sld\r\n");
  LatestDatabaseFile back;
  std::memset(&back, 0x5A, sizeof back);
  ASSERT_EQ(ReadDBInfoINI(dir.path().c_str(), &back, code), 1);
  EXPECT_EQ(std::memcmp(&back, &latest, sizeof back), 0);
}

// ---- Failures common to the three files ----

TEST_F(WorkFolderTest, EveryOperationRefusesAFolderThatDoesNotExist) {
  std::string missing = dir / "none";
  CZkWorkFolderAccess access(missing.c_str());
  HeaderData d{};
  HeaderInfo h{};
  HistoryData hd = History(0);
  LatestDatabaseFile l{};
  ZkDatabaseFileNames names{};
  int n = 0;
  char c[7][10] = {};
  EXPECT_EQ(access.ReadDBInfoINI(static_cast<void*>(&l), c[0]), 0);
  EXPECT_EQ(access.ReadDBInfoINI(&names, c[1]), 0);
  EXPECT_EQ(access.WriteDBInfoINI(&l, c[2]), 0);
  EXPECT_EQ(access.ReadFileHeaderINI(&d, &h, c[3]), 0);
  EXPECT_EQ(access.WriteFileHeaderINI(&d, &h, c[4]), 0);
  EXPECT_EQ(access.ReadFileHistoryINI(&hd, nullptr, &n, c[5]), 0);
  EXPECT_EQ(access.WriteFileHistoryINI(&hd, nullptr, 0, c[6]), 0);
  for (auto& code : c) EXPECT_EQ(Code(code), "E04000001");
  EXPECT_FALSE(platform::Exists(missing));
  // The exports too.
  char code[10] = {};
  EXPECT_EQ(ReadFileHeaderINI(missing.c_str(), &d, &h, code), 0);
  EXPECT_EQ(Code(code), "E04000001");
  EXPECT_EQ(ReadFileHistoryINI(missing.c_str(), &hd, nullptr, &n, code), 0);
  EXPECT_EQ(Code(code), "E04000001");
}

TEST_F(WorkFolderTest, MissingHeaderAndHistoryFiles) {
  HeaderData d;
  HeaderInfo h;
  HistoryData hd;
  std::memset(&d, 0x5A, sizeof d);
  std::memset(&h, 0x5A, sizeof h);
  std::memset(&hd, 0x5A, sizeof hd);
  int n = 7;
  char code[10];
  CZkWorkFolderAccess access(dir.path().c_str());
  EXPECT_EQ(access.ReadFileHeaderINI(&d, &h, code), 0);
  EXPECT_EQ(Code(code), "E04000002");
  EXPECT_EQ(access.ReadFileHistoryINI(&hd, nullptr, &n, code), 0);
  EXPECT_EQ(Code(code), "E04000005");
  // The exports count a missing file as success: code cleared, records and count untouched.
  std::memset(code, 'x', sizeof code);
  EXPECT_EQ(ReadFileHeaderINI(dir.path().c_str(), &d, &h, code), 1);
  EXPECT_EQ(std::string(code, 10), std::string(10, '\0'));
  std::memset(code, 'x', sizeof code);
  EXPECT_EQ(ReadFileHistoryINI(dir.path().c_str(), &hd, nullptr, &n, code), 1);
  EXPECT_EQ(std::string(code, 10), std::string(10, '\0'));
  EXPECT_EQ(n, 7);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&d)[0], 0x5A);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&h)[311], 0x5A);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&hd)[0], 0x5A);
}

// A writer that fails never leaves the folder without its file: the old one stands whole.
TEST_F(WorkFolderTest, FailedWritesKeepTheOldFile) {
  struct Writer {
    const char* file;
    const char* code;
    std::function<int(char*)> write;
  };
  HeaderData d = FullHeaderData();
  HeaderInfo h = FullHeaderInfo();
  LatestDatabaseFile l{};
  std::memcpy(l.InformationDB, "x.sld", 5);
  const std::string w = dir.path();
  const Writer writers[] = {
      {"HeaderDt.ini", "E04000004",
       [&](char* code) { return CZkWorkFolderAccess(w.c_str()).WriteFileHeaderINI(&d, &h, code); }},
      {"HistryDt.ini", "E04000007", [&](char* code) { return WriteHistory(w, 3, code); }},
      {"OvDBInfo.ini", "E04000010", [&](char* code) { return WriteDBInfoINI(w.c_str(), &l, code); }},
  };
  struct Fault {
    const char* name;
    platform::FileOp op;
  };
  const Fault faults[] = {
      {"cannot be made writable", platform::FileOp::SetAttributes},
      {"temporary file cannot be opened", platform::FileOp::Open},
      {"temporary file cannot be written", platform::FileOp::Write},
      {"cannot be replaced", platform::FileOp::Rename},
  };
  for (const Writer& wr : writers) {
    for (const Fault& f : faults) {
      SCOPED_TRACE(std::string(wr.file) + ": " + f.name);
      const std::string old = "[General]\r\nSignature=OLD\r\n";
      WriteRaw(Path(wr.file), old);
      platform::ClearFaults();
      platform::FailFromCall(f.op, 1);
      char code[10] = {};
      EXPECT_EQ(wr.write(code), 0);
      platform::ClearFaults();
      EXPECT_EQ(Code(code), wr.code);
      EXPECT_EQ(ReadRaw(Path(wr.file)), old);
      std::vector<platform::FindEntry> left;
      ASSERT_TRUE(platform::FindFiles(dir / "*", left));
      for (const platform::FindEntry& e : left) EXPECT_EQ(e.name.find(".tmp"), std::string::npos) << e.name;
    }
    // A read-only file is replaced without error.
    ASSERT_TRUE(platform::SetAttributes(Path(wr.file), platform::kAttrReadOnly));
    char code[10] = {};
    EXPECT_EQ(wr.write(code), 1) << wr.file;
    EXPECT_NE(ReadRaw(Path(wr.file)).find("Signature="), std::string::npos);
    EXPECT_EQ(ReadRaw(Path(wr.file)).find("OLD"), std::string::npos);
    EXPECT_EQ(platform::GetAttributes(Path(wr.file)) & platform::kAttrReadOnly, 0u);
  }
}

TEST_F(WorkFolderTest, WritersRefuseMissingRecords) {
  CZkWorkFolderAccess access(dir.path().c_str());
  HeaderData d{};
  HistoryData hd = History(1);
  char c[4][10] = {};
  EXPECT_EQ(access.WriteFileHeaderINI(&d, nullptr, c[0]), 0);
  EXPECT_EQ(access.WriteFileHistoryINI(&hd, nullptr, 1, c[1]), 0);
  EXPECT_EQ(access.WriteFileHistoryINI(&hd, &hd, -1, c[2]), 0);
  EXPECT_EQ(access.WriteDBInfoINI(nullptr, c[3]), 0);
  for (auto& code : c) EXPECT_EQ(Code(code), "E01000001");
  std::vector<platform::FindEntry> left;
  ASSERT_TRUE(platform::FindFiles(dir / "*", left));
  EXPECT_EQ(left.size(), 2u) << "nothing written";
}

}  // namespace
