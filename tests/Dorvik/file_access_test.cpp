#include "ZkVekFileAccess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::WriteRaw;

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

using dorvik_test::Text;

const char kHeaderFields[] = R"("header_info": {
  "AcceptNo": "受付２０２４－０５０１－０００１", "GroupKey": "グループＡ", "SelfName": "株式会社　見積工房",
  "CustomerName": "山田　太郎", "CarName": "プリウス　ＺＶＷ５０型　ハイブリッド",
  "GarageInDate": [2024, 5, 1], "GarageOutDate": [2024, 5, 20], "Progress": 3, "ImageCount": 12,
  "CreatedDate": [2024, 4, 30], "PartsPriceTotal": 123456.5, "WageTotal": 7890.25, "PaintTotal": 4321.0,
  "CostTotal": 99.75, "Total": 135767.5, "RCParts": 1, "TaxKind": 2, "History": 5, "Agreed": 1,
  "AgreedPassword": "pass1234pass5678", "CarNoDepartment": "品川", "CarNoDivision": "３３０",
  "CarNoBusiness": "あ", "CarNoSerial": "１２－３４", "ai21_OrderNo": "ORD001", "ai21_AdoptedDate": [2024, 6, 2]})";

std::string Entry(int i) {
  std::string n = std::to_string(i);
  return R"({"RenewalDate": [2024, 5, )" + n + R"(, 9, 30, )" + n + R"(], "LicenceID": "LIC0000)" + n +
         R"(", "Total": )" + n + R"(000.5, "PartsPriceTotal": )" + n + R"(1.0, "WageTotal": )" + n +
         R"(2.0, "PaintTotal": )" + n + R"(3.0, "FrameTotal": )" + n + R"(4.0, "CostTotal": )" + n +
         R"(5.0, "Name": "担当者　第)" + n + R"(号さん"})";
}

std::string Fields(int entries, const std::string& header = kHeaderFields) {
  std::string s = "{" + header + ", \"history\": [";
  for (int i = 1; i <= entries; ++i) s += (i > 1 ? ", " : "") + Entry(i);
  return s + "]}";
}

class FileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    tail = dir / "tail.cab";
    std::string cab = "MSCF" + std::string(60, '\x11');
    for (std::size_t i = 4; i < cab.size(); ++i) cab[i] = static_cast<char>(i * 13);
    WriteRaw(tail, cab);
  }
  void TearDown() override { platform::ClearFaults(); }
  std::string Make(const std::string& name, const std::string& fields) {
    std::string path = dir / name;
    EXPECT_TRUE(dorvik_test::MakeVek(fields, path, tail));
    return path;
  }
  testing_support::TempFolder dir;
  std::string tail;
};

TEST_F(FileAccessTest, ReadsReturnExactlyTheFieldsWritten) {
  for (int n : {0, 1, 5}) {
    std::string vek = Make("e" + std::to_string(n) + ".vek", Fields(n));
    ASSERT_EQ(ReadRaw(vek).size(), 331u + 93u * n + 64u);
    char code[10] = {};
    char signature[4], version[4];
    ASSERT_EQ(ReadFileSignature(vek.c_str(), signature, version, code), 1);
    EXPECT_EQ(std::string(signature, 4), "VEK3");
    EXPECT_EQ(std::string(version, 4), "0010");

    HeaderData data{};
    ASSERT_EQ(ReadFileHeaderData(vek.c_str(), &data, code), 1);
    EXPECT_EQ(data.HeaderInfoLength, 305);
    EXPECT_EQ(data.HistoryDataLength, 10 + 93 * n);

    HeaderInfo h;
    std::memset(&h, '#', sizeof h);
    ASSERT_EQ(ReadFileHeaderInfo(vek.c_str(), &h, code), 1) << Code(code);
    EXPECT_EQ(Text(h.AcceptNo), "受付２０２４－０５０１－０００１");
    EXPECT_EQ(Text(h.CarName), "プリウス　ＺＶＷ５０型　ハイブリッド");
    EXPECT_EQ(Text(h.AgreedPassword), "pass1234pass5678") << "16 characters, no terminator";
    dorvik_test::ExpectEstimateHeaderInfo(h);
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(&h);
    for (int pad : {187, 204, 205, 206, 207, 310, 311}) EXPECT_EQ(raw[pad], 0) << pad;

    HistoryData hd;
    std::memset(&hd, '#', sizeof hd);
    ASSERT_EQ(ReadFileHistoryData(vek.c_str(), &hd, code), 1);
    EXPECT_EQ(std::string(hd.HistoryDataVersion, 4), "0010");
    EXPECT_EQ(hd.HistoryInfoLength, 93);
    EXPECT_EQ(hd.HistoryInfoCount, n);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&hd)[10], 0);

    int count = 0;
    ASSERT_EQ(ReadFileHistoryInfo(vek.c_str(), nullptr, &count, code), 1);
    ASSERT_EQ(count, n);
    HistoryInfo entries[5];
    std::memset(entries, '#', sizeof entries);
    ASSERT_EQ(ReadFileHistoryInfo(vek.c_str(), entries, &count, code), 1);
    for (int i = 0; i < n; ++i) {
      const HistoryInfo& e = entries[i];
      std::string k = std::to_string(i + 1);
      EXPECT_EQ(e.RenewalDate.Year, 2024);
      EXPECT_EQ(e.RenewalDate.Day, i + 1);
      EXPECT_EQ(e.RenewalDate.Hour, 9);
      EXPECT_EQ(e.RenewalDate.Minute, 30);
      EXPECT_EQ(e.RenewalDate.Second, i + 1);
      EXPECT_EQ(Text(e.LicenceID), "LIC0000" + k);
      EXPECT_EQ(e.Total, (i + 1) * 1000 + 0.5);
      EXPECT_EQ(e.PartsPriceTotal, (i + 1) * 10 + 1);
      EXPECT_EQ(e.WageTotal, (i + 1) * 10 + 2);
      EXPECT_EQ(e.PaintTotal, (i + 1) * 10 + 3);
      EXPECT_EQ(e.FrameTotal, (i + 1) * 10 + 4);
      EXPECT_EQ(e.CostTotal, (i + 1) * 10 + 5);
      EXPECT_EQ(Text(e.Name), "担当者　第" + k + "号さん") << Show(Text(e.Name));
      EXPECT_EQ(reinterpret_cast<const unsigned char*>(&e)[7], 0);
      EXPECT_EQ(reinterpret_cast<const unsigned char*>(&e)[94], 0);
    }
    if (n < 5) {
      EXPECT_EQ(reinterpret_cast<unsigned char*>(&entries[n])[0], '#') << "nothing past the entries";
    }
  }
}

TEST_F(FileAccessTest, HistoryCountQueries) {
  std::string vek = Make("e2.vek", Fields(2));
  HistoryInfo entries[3];
  char code[10] = {};
  struct Case {
    const char* name;
    void* dest;
    int count;
    int result;
    const char* code;
  } cases[] = {
      {"Exact", entries, 2, 1, ""},
      {"OneMore", entries, 3, 0, "E01000001"},
      {"ZeroWithBuffer", entries, 0, 0, "E01000001"},
  };
  for (const Case& c : cases) {
    int count = c.count;
    std::memset(code, 0, sizeof code);
    EXPECT_EQ(ReadFileHistoryInfo(vek.c_str(), c.dest, &count, code), c.result) << c.name;
    EXPECT_EQ(Code(code), c.code) << c.name;
  }
  EXPECT_EQ(ReadFileHistoryInfo(vek.c_str(), entries, nullptr, code), 0) << "no count pointer";
  EXPECT_EQ(Code(code), "E01000001");
}

TEST_F(FileAccessTest, NoEntriesNeverReadsTheArchive) {
  std::string vek = Make("e0.vek", Fields(0));
  WriteRaw(vek, ReadRaw(vek) + std::string(4 * 1024 * 1024, 'z'));
  platform::ClearFaults();
  int count = 0;
  char code[10] = {};
  HistoryInfo none;
  ASSERT_EQ(ReadFileHistoryInfo(vek.c_str(), &none, &count, code), 1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(platform::CallCount(platform::FileOp::Read), 1) << "the 331 leading bytes only";
}

TEST_F(FileAccessTest, DamagedFiles) {
  std::string good = ReadRaw(Make("good.vek", Fields(2)));
  auto damaged = [&](const std::string& name, std::string bytes) {
    WriteRaw(dir / name, bytes);
    return dir / name;
  };
  std::string negative = good, huge = good, badsig = good;
  negative[329] = '\xFF', negative[330] = '\xFF';
  huge[329] = '\xFF', huge[330] = '\x7F';
  badsig[3] = '2';
  std::string b300 = damaged("b300.vek", good.substr(0, 300));
  std::string b7 = damaged("b7.vek", good.substr(0, 7));
  std::string neg = damaged("neg.vek", negative);
  std::string big = damaged("huge.vek", huge);
  std::string sig = damaged("sig.vek", badsig);
  std::string missing = dir / "none.vek";
  HeaderData hd;
  HeaderInfo hi;
  HistoryData hs;
  HistoryInfo entries[5];
  struct Case {
    const char* name;
    int (*call)(const std::string&, void*, void*, void*, void*, char*);
    std::string file;
    const char* code;
  };
  auto signature = [](const std::string& f, void*, void*, void*, void*, char* c) {
    char a[4], b[4];
    return ReadFileSignature(f.c_str(), a, b, c);
  };
  auto headerData = [](const std::string& f, void* d, void*, void*, void*, char* c) {
    return ReadFileHeaderData(f.c_str(), d, c);
  };
  auto headerInfo = [](const std::string& f, void*, void* i, void*, void*, char* c) {
    return ReadFileHeaderInfo(f.c_str(), i, c);
  };
  auto historyData = [](const std::string& f, void*, void*, void* h, void*, char* c) {
    return ReadFileHistoryData(f.c_str(), h, c);
  };
  auto historyInfo = [](const std::string& f, void*, void*, void*, void* e, char* c) {
    int count = 2;
    return ReadFileHistoryInfo(f.c_str(), e, &count, c);
  };
  auto writeInfo = [](const std::string& f, void*, void* i, void*, void*, char* c) {
    return WriteFileHeaderInfo(f.c_str(), i, c);
  };
  const Case cases[] = {
      {"SignatureMissing", signature, missing, "E03000001"},
      {"HeaderDataMissing", headerData, missing, "E03000001"},
      {"HeaderInfoMissing", headerInfo, missing, "E03000001"},
      {"WriteMissing", writeInfo, missing, "E03000001"},
      {"HistoryDataMissing", historyData, missing, "E03000001"},
      {"HistoryInfoMissing", historyInfo, missing, "E03000001"},
      {"SignatureOf7Bytes", signature, b7, "E03000004"},
      {"HeaderDataOf300", headerData, b300, ""},
      {"HeaderInfoOf300", headerInfo, b300, "E03000004"},
      {"HistoryDataOf300", historyData, b300, "E03000004"},
      {"WriteOf300", writeInfo, b300, "E03000004"},
      {"SignatureOfBadSignature", signature, sig, ""},
      {"HeaderDataOfBadSignature", headerData, sig, "E03000004"},
      {"HistoryInfoNegativeCount", historyInfo, neg, "E03000004"},
      {"HistoryDataNegativeCount", historyData, neg, ""},
      {"HistoryInfoHugeCount", historyInfo, big, "E03000004"},
      {"ReadOfAFolder", headerInfo, dir.path(), "E03000002"},
  };
  for (const Case& c : cases) {
    char code[10] = {};
    bool isFile = c.file != dir.path();
    std::string before = isFile ? ReadRaw(c.file) : "";
    EXPECT_EQ(c.call(c.file, &hd, &hi, &hs, entries, code), *c.code ? 0 : 1) << c.name;
    EXPECT_EQ(Code(code), c.code) << c.name;
    if (isFile) {
      EXPECT_EQ(ReadRaw(c.file), before) << c.name << ": the file is left as it was";
    }
  }
}

TEST_F(FileAccessTest, NullArgumentsNeverCrash) {
  std::string vek = Make("e1.vek", Fields(1));
  char code[10] = {};
  EXPECT_EQ(ReadFileSignature(vek.c_str(), nullptr, nullptr, code), 1);
  EXPECT_EQ(ReadFileHeaderInfo(nullptr, nullptr, code), 0);
  EXPECT_EQ(Code(code), "E03000001");
  EXPECT_EQ(ReadFileHeaderInfo(vek.c_str(), nullptr, code), 0);
  EXPECT_EQ(Code(code), "E01000001");
  EXPECT_EQ(ReadFileHeaderData(vek.c_str(), nullptr, code), 0);
  EXPECT_EQ(ReadFileHistoryData(vek.c_str(), nullptr, code), 0);
  EXPECT_EQ(WriteFileHeaderInfo(vek.c_str(), nullptr, code), 0);
  EXPECT_EQ(Code(code), "E01000001");
  EXPECT_EQ(ReadFileHistoryInfo(vek.c_str(), nullptr, nullptr, nullptr), 0);
  HeaderInfo h{};
  EXPECT_EQ(ReadFileHeaderInfo(("  \"" + vek + "\" ").c_str(), &h, code), 1) << "quotes and blanks are removed";
}

TEST_F(FileAccessTest, WriteFileHeaderInfoChangesOnlyTheHeaderInformation) {
  std::string other = std::string(kHeaderFields);
  other.replace(other.find("山田　太郎"), std::string("山田　太郎").size(), "佐藤　花子");
  other.replace(other.find("\"Agreed\": 1"), 11, "\"Agreed\": 0");
  std::string target = Make("target.vek", Fields(5));
  std::string expected = ReadRaw(Make("expected.vek", Fields(5, other)));
  std::string before = ReadRaw(target);
  HeaderInfo wanted{};
  char code[10] = {};
  ASSERT_EQ(ReadFileHeaderInfo((dir / "expected.vek").c_str(), &wanted, code), 1);
  ASSERT_EQ(WriteFileHeaderInfo(target.c_str(), &wanted, code), 1) << Code(code);
  std::string after = ReadRaw(target);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, 16), before.substr(0, 16));
  EXPECT_EQ(after.substr(321), before.substr(321));
  EXPECT_NE(after.substr(16, 305), before.substr(16, 305));
  EXPECT_EQ(after, expected) << "scrambled as the independent generator scrambles";
  HeaderInfo back{};
  ASSERT_EQ(ReadFileHeaderInfo(target.c_str(), &back, code), 1);
  EXPECT_EQ(std::memcmp(&back, &wanted, sizeof back), 0);
  EXPECT_EQ(Text(back.CustomerName), "佐藤　花子");
}

TEST_F(FileAccessTest, FailedInPlaceWriteLeavesItsCode) {
  std::string vek = Make("w.vek", Fields(1));
  HeaderInfo h{};
  char code[10] = {};
  ASSERT_EQ(ReadFileHeaderInfo(vek.c_str(), &h, code), 1);
  std::memcpy(code, "E99999999", 10);
  platform::FailNthCall(platform::FileOp::Write, 1);
  EXPECT_EQ(WriteFileHeaderInfo(vek.c_str(), &h, code), 0);
  EXPECT_EQ(Code(code), "E03000003");
}

}  // namespace
