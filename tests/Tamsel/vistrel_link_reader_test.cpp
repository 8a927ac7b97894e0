// The photo-link file's reader, the header summary's short form and the control's paths.
#include "VistrelLinkReader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "CVekHeaderData.h"
#include "VekExtractPath.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using tamsel::CVekHeaderData;
using testing_support::Show;

std::string Line(const std::string& element, const std::string& value) {
  return "    <" + element + ">" + value + "</" + element + ">\r\n";
}

TEST(VistrelLinkReader, LinesAsTheyComeInTheFile) {
  const std::string head = "<?xml version = \"1.0\" encoding = \"Shift_JIS\"?><TorVane2Data>\r\n  <Svef>\r\n";
  const std::string tail = "  </Svef>\r\n</TorVane2Data>\r\n";
  struct Case {
    const char* name;
    std::string body;
    std::string CVekHeaderData::*field;
    std::string value;
  } cases[] = {
      {"an element", Line("CustomerName1", "山田　太郎"), &CVekHeaderData::strCustomerName, "山田　太郎"},
      {"lower case", Line("carname", "プリウス"), &CVekHeaderData::strCarName, "プリウス"},
      {"another case again", Line("XMLVERSION", "2"), &CVekHeaderData::strXMLVersion, "2"},
      {"an escaped ampersand before quot;", Line("OwnerName", "A&amp;quot;B"), &CVekHeaderData::strOwnerName,
       "A&quot;B"},
      {"the five entities", Line("UserName", "&lt;&gt;&amp;&quot;&apos;&unknown;"), &CVekHeaderData::strUserName,
       "<>&\"'&unknown;"},
      {"no closing tag", "<TicketNo>T-1 rest of the line\r\n", &CVekHeaderData::strTicketNo, "T-1 rest of the line"},
      {"LF only", "<ColorCode>1F7\n", &CVekHeaderData::strColorCode, "1F7"},
      {"a later line wins", Line("CarNo", "first") + Line("CarNo", "second"), &CVekHeaderData::strRegistNo,
       "second"},
      {"attributes are no element", "<CarKindNo kind=\"x\">K1</CarKindNo>\r\n", &CVekHeaderData::strCarKindNo,
       "kept"},
      {"an empty-element tag", "<CarMouldNo/>\r\n", &CVekHeaderData::strCarMouldNo, "kept"},
      {"an element without \">\"", "<GarageInDate\r\n", &CVekHeaderData::strGarageInDate, "kept"},
      {"an element the reader does not know", Line("AcceptNo", "R-1"), &CVekHeaderData::strAcceptNo, "kept"},
      {"trail bytes 0x5C", Line("AdjusterName", "表示ソフト"), &CVekHeaderData::strAdjusterName, "表示ソフト"},
      {"a value cut at the next \"<\"", Line("CarNoArea", "品川<b>x</b>"), &CVekHeaderData::strCarNoArea, "品川"},
      {"an empty value", Line("CarNoKana", ""), &CVekHeaderData::strCarNoKana, ""},
      {"the registration date", Line("CarRegistedDateEra", "令和") + Line("CarRegistedDateYear", "6") +
                                    Line("CarRegistedDateMonth", "5"),
       &CVekHeaderData::strCarRegistedDateYear, "6"},
  };
  testing_support::TempFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir / "link.xml";
    std::string text = head + c.body + tail;
    ASSERT_TRUE(platform::WriteFile(path, text.data(), text.size()));
    CVekHeaderData record;
    record.*(c.field) = "kept";
    EXPECT_TRUE(tamsel::ReadVistrelLinkFile(path, &record));
    EXPECT_EQ(Show(record.*(c.field)), Show(c.value));
  }
}

TEST(VistrelLinkReader, EveryElementInAnyOrder) {
  const char* names[] = {"XMLVersion", "CarRegistedDateMonth", "CarRegistedDateYear", "CarRegistedDateEra",
                         "CarNoSeries", "CarNoKana", "CarNoClass", "CarNoArea", "GarageInDate", "UserName",
                         "OwnerName", "ColorCode", "CarKindNo", "CarMouldNo", "CarName", "CarNo", "TicketNo",
                         "AccidentDate", "AdjusterName", "CustomerName1"};
  std::string text;
  for (const char* n : names) text += Line(n, std::string("v-") + n);
  testing_support::TempFolder dir;
  ASSERT_TRUE(platform::WriteFile(dir / "x.xml", text.data(), text.size()));
  CVekHeaderData r;
  ASSERT_TRUE(tamsel::ReadVistrelLinkFile(dir / "x.xml", &r));
  EXPECT_EQ(r.strCustomerName, "v-CustomerName1");
  EXPECT_EQ(r.strRegistNo, "v-CarNo");
  EXPECT_EQ(r.strCarName, "v-CarName");
  EXPECT_EQ(r.strAdjusterName, "v-AdjusterName");
  EXPECT_EQ(r.strAccidentDate, "v-AccidentDate");
  EXPECT_EQ(r.strTicketNo, "v-TicketNo");
  EXPECT_EQ(r.strCarMouldNo, "v-CarMouldNo");
  EXPECT_EQ(r.strCarKindNo, "v-CarKindNo");
  EXPECT_EQ(r.strColorCode, "v-ColorCode");
  EXPECT_EQ(r.strOwnerName, "v-OwnerName");
  EXPECT_EQ(r.strUserName, "v-UserName");
  EXPECT_EQ(r.strGarageInDate, "v-GarageInDate");
  EXPECT_EQ(r.strCarNoArea, "v-CarNoArea");
  EXPECT_EQ(r.strCarNoClass, "v-CarNoClass");
  EXPECT_EQ(r.strCarNoKana, "v-CarNoKana");
  EXPECT_EQ(r.strCarNoSeries, "v-CarNoSeries");
  EXPECT_EQ(r.strCarRegistedDateEra, "v-CarRegistedDateEra");
  EXPECT_EQ(r.strCarRegistedDateYear, "v-CarRegistedDateYear");
  EXPECT_EQ(r.strCarRegistedDateMonth, "v-CarRegistedDateMonth");
  EXPECT_EQ(r.strXMLVersion, "v-XMLVersion");
  EXPECT_EQ(r.strAcceptNo, "");
}

TEST(VistrelLinkReader, NothingToRead) {
  testing_support::TempFolder dir;
  CVekHeaderData r;
  EXPECT_FALSE(tamsel::ReadVistrelLinkFile("", &r));
  EXPECT_FALSE(tamsel::ReadVistrelLinkFile(dir / "missing.xml", &r));
  ASSERT_TRUE(platform::WriteFile(dir / "x.xml", "<CarNo>1</CarNo>", 16));
  EXPECT_FALSE(tamsel::ReadVistrelLinkFile(dir / "x.xml", nullptr));
  EXPECT_TRUE(tamsel::ReadVistrelLinkFile(dir / "x.xml", &r));
  EXPECT_EQ(r.strRegistNo, "1");
}

TEST(HeaderSummary, TheShortForm) {
  char buffer[512] = {};
  std::memcpy(buffer, std::string(37, 'A').data(), 37);  // fills its field: no NUL
  std::memcpy(buffer + 37, "山田", 4);
  std::memcpy(buffer + 67, "カローラ", 8);
  std::memcpy(buffer + 117, "品川", 4);
  std::memcpy(buffer + 125, "300", 3);
  std::memcpy(buffer + 131, "あ", 2);
  std::memcpy(buffer + 135, "1234567890", 10);  // fills its field
  struct Case {
    const char* name;
    unsigned char flag0, flag1;
    bool before, after;
  } cases[] = {{"0 1 sets", 0, 1, false, true}, {"0 0 clears", 0, 0, true, false},
               {"1 1 leaves it set", 1, 1, true, true}, {"0 2 leaves it clear", 0, 2, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    buffer[145] = static_cast<char>(c.flag0);
    buffer[146] = static_cast<char>(c.flag1);
    CVekHeaderData r;
    r.bLinkFile = c.before;
    r.ReadHeaderSummary(buffer);
    EXPECT_EQ(r.strAcceptNo, std::string(37, 'A'));
    EXPECT_EQ(r.strCustomerName, "山田");
    EXPECT_EQ(r.strCarName, "カローラ");
    EXPECT_EQ(r.strRegistNo, "品川300あ1234567890");
    EXPECT_EQ(r.bLinkFile, c.after);
  }
}

TEST(ExtractPath, OneTrailingDelimiterGoes) {
  struct Case {
    const char* system;
    const char* folder;
  } cases[] = {{"/home/u/zentrovia/", "/home/u/zentrovia/VekExtractTemp"},
               {"/home/u/zentrovia", "/home/u/zentrovia/VekExtractTemp"},
               {"/home/u/zentrovia//", "/home/u/zentrovia/VekExtractTemp"},
               {"/", "/VekExtractTemp"}};
  for (const Case& c : cases) {
    EXPECT_EQ(tamsel::ExtractFolder(c.system), c.folder) << c.system;
    EXPECT_EQ(tamsel::ExtractPathOf(c.system, "a.vek"), std::string(c.folder) + "/a.vek") << c.system;
  }
  EXPECT_EQ(tamsel::FileNameOf("/data/表示.vek"), "表示.vek");
  EXPECT_EQ(tamsel::FileNameOf("plain.vek"), "plain.vek");
}

}  // namespace
