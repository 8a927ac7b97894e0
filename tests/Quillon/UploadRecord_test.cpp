#include "UploadRecord.h"

#include <gtest/gtest.h>

#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using namespace quillon;

// The lines of a record whose key starts with prefix, without their CR LF.
std::vector<std::string> Lines(const std::string& record, const std::string& prefix) {
  std::vector<std::string> out;
  for (std::size_t at = 0, end; (end = record.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line = record.substr(at, end - at);
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  }
  return out;
}

TEST(BuildUploadRecordText, SlotTimes) {
  struct Case {
    const char* name;
    EstimateSlot slot1, slot2;
    std::array<std::string, 2> added;
    std::vector<std::string> lines;  // AFD1 AFT1 AED1 AET1 AFD2 AFT2 AED2 AET2
  } cases[] = {
      {"registered slots take the date and the last six characters",
       {"a", "a", "20240301120000", "20240302130102"}, {"b", "b", "20231111223344", "20231112000001"}, {"", ""},
       {"AFD1=20240301", "AFT1=120000", "AED1=20240302", "AET1=130102", "AFD2=20231111", "AFT2=223344",
        "AED2=20231112", "AET2=000001"}},
      {"slot 2 added, slot 1 registered: slot 2's own key",
       {"a", "a", "20240301120000", "20240302130102"}, {"b", "b", kAddedFileTime, ""}, {"", "20240501093000"},
       {"AFD1=20240301", "AFT1=120000", "AED1=20240302", "AET1=130102", "AFD2=20240501", "AFT2=093000", "AED2=",
        "AET2="}},
      {"both added", {"a", "a", kAddedFileTime, ""}, {"b", "b", kAddedFileTime, ""},
       {"20240101010101", "20240202020202"},
       {"AFD1=20240101", "AFT1=010101", "AED1=", "AET1=", "AFD2=20240202", "AFT2=020202", "AED2=", "AET2="}},
      {"empty slots", {}, {}, {"", ""},
       {"AFD1=", "AFT1=", "AED1=", "AET1=", "AFD2=", "AFT2=", "AED2=", "AET2="}},
      {"short texts give what there is", {"a", "a", "2024", "202403"}, {"b", "b", "1234567", "123456789"}, {"", ""},
       {"AFD1=2024", "AFT1=2024", "AED1=202403", "AET1=", "AFD2=1234567", "AFT2=234567", "AED2=12345678",
        "AET2=9"}},
  };
  for (const Case& c : cases) {
    UploadInputs inputs;
    inputs.estimateSlots = {c.slot1, c.slot2};
    UploadSet set;
    set.addedFileTimes = c.added;
    std::string record = BuildUploadRecordText(inputs, set);
    std::vector<std::string> got;
    for (const char* key : {"AFD1", "AFT1", "AED1", "AET1", "AFD2", "AFT2", "AED2", "AET2"}) {
      std::vector<std::string> l = Lines(record, std::string(key) + "=");
      ASSERT_EQ(l.size(), 1u) << c.name << " " << key;
      got.push_back(l[0]);
    }
    EXPECT_EQ(got, c.lines) << c.name;
  }
}

TEST(BuildUploadRecordText, NamesAreSentAsGiven) {
  UploadInputs inputs;
  inputs.estimateSlots[0] = {"A&B.xls", "見積&1.vek", kAddedFileTime, ""};
  UploadSet set;
  set.photos = {{"/stage/写真&1.jpg", false, "写真&1.jpg", 1, 2, "", ""}, {"bare.jpg", true, "SV.jpg", 0, 0, "", ""}};
  std::string record = BuildUploadRecordText(inputs, set);
  EXPECT_EQ(Lines(record, "AFN1="), std::vector<std::string>{"AFN1=A&B.xls"});
  EXPECT_EQ(Lines(record, "RFN1="), std::vector<std::string>{"RFN1=見積&1.vek"});
  EXPECT_EQ(Lines(record, "PFN"), (std::vector<std::string>{"PFN1=写真&1.jpg", "PFN2=bare.jpg"}));
  EXPECT_EQ(Lines(record, "PSW1="), std::vector<std::string>{"PSW1=1"});
  EXPECT_EQ(Lines(record, "PSD1="), std::vector<std::string>{"PSD1=2"});
}

TEST(BuildUploadRecordText, ANameWithALineEndStaysOneLine) {
  UploadInputs inputs;
  inputs.estimateSlots[0] = {"a\r\nDEL=1.xls", "b\nDEL=1.vek", kAddedFileTime, ""};
  UploadSet set;
  set.photos = {{"/stage/p\nDEL=1.jpg", false, "p\rADD=0.jpg", 1, 2, "", ""}};
  set.imageFolder = "/home/u\nADD=0";
  std::string record = BuildUploadRecordText(inputs, set);
  EXPECT_EQ(Lines(record, "AFN1="), std::vector<std::string>{"AFN1=a\tDEL=1.xls"});
  EXPECT_EQ(Lines(record, "RFN1="), std::vector<std::string>{"RFN1=b\tDEL=1.vek"});
  EXPECT_EQ(Lines(record, "PFN1="), std::vector<std::string>{"PFN1=p\tDEL=1.jpg"});
  EXPECT_EQ(Lines(record, "PRF1="), std::vector<std::string>{"PRF1=p\tADD=0.jpg"});
  EXPECT_EQ(Lines(record, "IDR="), std::vector<std::string>{"IDR=/home/u\tADD=0"});
  EXPECT_EQ(Lines(record, "DEL="), std::vector<std::string>{"DEL=0"});
  EXPECT_EQ(Lines(record, "ADD="), std::vector<std::string>{"ADD=0"});
}

TEST(BuildUploadRecordText, FlagsAndComment) {
  struct Case {
    const char* name;
    bool added, deleted;
    std::string comment, ifm2;
  } cases[] = {
      {"nothing", false, false, "", "IFM2="},
      {"added", true, false, "a", "IFM2=a"},
      {"deleted", false, true, "a", "IFM2=a"},
      {"CR LF", true, true, "一\r\n二", "IFM2=一\t二"},
      {"lone LF", false, false, "a\nb", "IFM2=a\tb"},
      {"lone CR", false, false, "a\rb", "IFM2=a\tb"},
      {"LF CR is two breaks", false, false, "a\n\rb", "IFM2=a\t\tb"},
      {"breaks at the ends", false, false, "\r\na\r", "IFM2=\ta\t"},
  };
  for (const Case& c : cases) {
    UploadSet set;
    set.added = c.added;
    set.deleted = c.deleted;
    set.comment = c.comment;
    set.imageFolder = "/home/user/写真";
    std::string record = BuildUploadRecordText(UploadInputs{}, set);
    // The last four lines, each with its CR LF; no other line break anywhere.
    const std::string tail = "IDR=/home/user/写真\r\nADD=" + std::string(c.added ? "1" : "0") + "\r\nDEL=" +
                             (c.deleted ? "1" : "0") + "\r\n" + c.ifm2 + "\r\n";
    ASSERT_GE(record.size(), tail.size()) << c.name;
    EXPECT_EQ(record.substr(record.size() - tail.size()), tail) << c.name;
    std::size_t crs = 0, lfs = 0, crlfs = 0;
    for (std::size_t i = 0; i < record.size(); ++i) {
      crs += record[i] == '\r';
      lfs += record[i] == '\n';
      crlfs += record.compare(i, 2, "\r\n") == 0;
    }
    EXPECT_EQ(crs, crlfs) << c.name;
    EXPECT_EQ(lfs, crlfs) << c.name;
    EXPECT_EQ(crlfs, 16u) << c.name;  // 12 slot lines and the four last
  }
}

TEST(UploadRecordPath, InTheStagingFolder) {
  UploadInputs inputs;
  inputs.sesId = "S1";
  inputs.systemFolder = "/home/u/AppData/LocalLow/zentrovia/";
  EXPECT_EQ(UploadRecordPath(inputs), "/home/u/AppData/LocalLow/zentrovia/ImageUploadTemp/S1_R72");
  inputs.systemFolder = "/home/u/zentrovia";
  EXPECT_EQ(UploadRecordPath(inputs), "/home/u/zentrovia/ImageUploadTemp/S1_R72");
  EXPECT_EQ(UploadRecordName("S1"), "S1_R72");
}

TEST(IsSafeSessionId, Table) {
  struct Case {
    const char* id;
    bool safe;
  } cases[] = {
      {"S123", true},   {"", true},         {"a.b", true},    {"表", true},  // 0x95 0x5C: no backslash
      {"a/b", false},   {"a\\b", false},    {"C:x", false},   {"..", false},
      {"../x", false},  {"x..", false},     {"表\\", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSafeSessionId(c.id), c.safe) << testing_support::Show(c.id);
}

class WriteUploadRecordTest : public ::testing::Test {
 protected:
  testing_support::TempFolder root;
  void TearDown() override { platform::ClearFaults(); }
};

TEST_F(WriteUploadRecordTest, ReplacesTheFileWithTheEucText) {
  const std::string path = root / "S1_R72";
  testing_support::WriteRaw(path, "an older and longer record\r\n");
  UploadError error;
  ASSERT_TRUE(WriteUploadRecord(path, "IFM2=ｱ\x87\x40\r\n", error));
  EXPECT_EQ(testing_support::ReadRaw(path), "IFM2=\x8E\xB1\xAD\xA1\r\n");
}

TEST_F(WriteUploadRecordTest, AFailedWriteIsMessage1012) {
  const std::string path = root / "S1_R72";
  platform::FailNthCall(platform::FileOp::Write, 1);
  UploadError error;
  EXPECT_FALSE(WriteUploadRecord(path, "ADD=0\r\n", error));
  EXPECT_EQ(error.messageId, 1012);
  EXPECT_EQ(error.path, path);
  EXPECT_EQ(error.cause, 10);
  platform::ClearFaults();
  EXPECT_FALSE(WriteUploadRecord(root / "missing/S1_R72", "ADD=0\r\n", error));
  EXPECT_EQ(error.cause, 3);  // the folder is missing
}

}  // namespace
