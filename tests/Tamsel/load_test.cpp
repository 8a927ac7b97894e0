// Loading the chosen estimate on the fake header library: the values it hands to the page, its failures, the
// extract folder, and the load of mode 4 without a list.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/ui/driver.h"
#include "tamsel_host.h"

namespace {

using namespace tamsel_test;
using D = tamsel::CVekSelectDialog;

const char* kSummary =
    "OvSvInfo.AcceptNo=受付０００１\nOvSvInfo.CustomerName=見出し　太郎\nOvSvInfo.CarName=カローラ\n"
    "OvSvInfo.CarNoDepartment=品川\nOvSvInfo.CarNoDivision=300\nOvSvInfo.CarNoBusiness=あ\n"
    "OvSvInfo.CarNoSerial=12-34\n";

// A photo-link file as the photo product writes one, every element of the reader.
std::string LinkText(const std::string& xmlVersion = "2") {
  return "<?xml version = \"1.0\" encoding = \"Shift_JIS\"?><TorVane2Data>\r\n  <Svef>\r\n"
         "    <CustomerName1>山田　太郎</CustomerName1>\r\n    <AdjusterName>鈴木</AdjusterName>\r\n"
         "    <AccidentDate>2024/04/30</AccidentDate>\r\n    <TicketNo>T-77</TicketNo>\r\n"
         "    <CarNo>品川300あ12-34</CarNo>\r\n    <CarName>プリウス &amp; Co</CarName>\r\n"
         "    <CarMouldNo>ZVW50</CarMouldNo>\r\n    <CarKindNo>123</CarKindNo>\r\n    <ColorCode>1F7</ColorCode>\r\n"
         "    <OwnerName>持ち主</OwnerName>\r\n    <UserName>使う人</UserName>\r\n"
         "    <GarageInDate>2024/05/01</GarageInDate>\r\n    <CarNoArea>品川</CarNoArea>\r\n"
         "    <CarNoClass>300</CarNoClass>\r\n    <CarNoKana>あ</CarNoKana>\r\n    <CarNoSeries>12-34</CarNoSeries>\r\n"
         "    <CarRegistedDateEra>令和</CarRegistedDateEra>\r\n    <CarRegistedDateYear>2</CarRegistedDateYear>\r\n"
         "    <CarRegistedDateMonth>3</CarRegistedDateMonth>\r\n    <XMLVersion>" +
         xmlVersion + "</XMLVersion>\r\n  </Svef>\r\n</TorVane2Data>\r\n";
}

std::string ExtractFolderRefused() {
  return "見積ファイルの展開用フォルダとその中のフォルダは参照先にできません。変更してください。";
}

class LoadTest : public TamselTest {
 protected:
  LoadTest() { files = MakeFiles(data, 3); }
  // The page lists the folder; the newest file (e03) is chosen and "読込" clicked.
  void Choose(TamselPage& page, int row = 0) {
    std::string error;
    ASSERT_TRUE(ui::driver::Select(page.Select(), D::kIdList, row, &error)) << error;
    ASSERT_TRUE(ui::driver::Click(page.Select(), D::kIdLoad, &error)) << error;
  }
  void WriteLink(const std::string& text) {
    link = root / "link.xml";
    testing_support::WriteRaw(link, text);
  }

  std::string data = root / "data";
  std::vector<std::string> files;
  std::string link;
  FakeHeaderLibrary fake;
};

TEST_F(LoadTest, TheChoiceHandsItsValuesToThePage) {
  const std::vector<std::string> fromLink = {
      "山田　太郎", "鈴木", "受付０００１", "2024/04/30", "T-77", "品川300あ12-34", "プリウス & Co", "ZVW50", "123", "1F7",
      "持ち主", "使う人", "2024/05/01", "品川", "300", "あ", "12-34", "令和", "2", "3", "2"};
  std::vector<std::string> fromHeader(21);
  fromHeader[0] = "見出し　太郎";
  fromHeader[2] = "受付０００１";
  fromHeader[5] = "品川300あ12-34";
  fromHeader[6] = "カローラ";
  std::vector<std::string> version1 = fromLink;
  version1[5] = "";
  version1[20] = "1";
  struct Case {
    const char* name;
    std::string control;
    std::string link;  // the photo-link file the fake unpacks; empty: none
    std::vector<std::string> values;
  } cases[] = {
      {"with a photo-link file", "OvSvInfo.LinkFileFlag=0,1\n", LinkText(), fromLink},
      {"without one", "OvSvInfo.LinkFileFlag=0,0\n", LinkText(), fromHeader},
      {"flagged but not there", "OvSvInfo.LinkFileFlag=0,1\n", "", fromHeader},
      {"file version 1", "OvSvInfo.LinkFileFlag=0,1\n", LinkText("1"), version1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string control = kSummary + c.control;
    if (!c.link.empty()) {
      WriteLink(c.link);
      control += "OvSvInfo.LinkFile=" + link + "\n";
    }
    fake.Control(control);
    // The host's values are replaced by the estimate's, the empty ones too.
    TamselPage page(Params{{"Vek2Folder", data}, {"Owner", "ホストの値"}, {"ReceptNo", "host"}});
    Choose(page);
    ASSERT_EQ(page.Regists().size(), 1u);
    std::vector<std::string> fields = Fields(page.Regists()[0]);
    ASSERT_EQ(fields.size(), 23u);
    for (int i = 0; i < 21; ++i) {
      EXPECT_EQ(testing_support::Show(fields[i]), testing_support::Show(c.values[i]))
          << tamsel::CTamselCtrl::RegistNames()[i];
    }
    EXPECT_EQ(fields[21], data + "/e03.vek");
    EXPECT_EQ(fields[22], "1");
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
    // The estimate was unpacked into the extract folder; the buttons stay off.
    EXPECT_EQ(fake.Calls("OvFMalt").back(), data + "/e03.vek\t" + ExtractFolder() + "\t=0");
    EXPECT_TRUE(page.Select().IsBusy());
    for (int id : {D::kIdLoad, D::kIdCancel, D::kIdBrowse}) EXPECT_FALSE(page.Select().IsItemEnabled(id)) << id;
  }
}

TEST_F(LoadTest, EnterInTheListLoadsNothing) {
  TamselPage page(Params{{"Vek2Folder", data}});
  std::string error;
  ASSERT_TRUE(ui::driver::Select(page.Select(), D::kIdList, 0, &error)) << error;
  EXPECT_TRUE(page.Select().IsItemEnabled(D::kIdLoad));
  ASSERT_TRUE(ui::driver::PressKey(page.Select(), ui::vk::kReturn, false, &error)) << error;
  EXPECT_EQ(page.Regists(), std::vector<std::string>{});
  EXPECT_FALSE(page.Select().IsBusy());
}

TEST_F(LoadTest, FailuresOfTheHeaderLibrary) {
  // Each listing of the initialisation reads three headers: the load's reading is the seventh call.
  struct Case {
    const char* name;
    std::string control;
    std::vector<int> messages;
    bool loaded;
  } cases[] = {
      {"unpacking fails", "OvSvInfo.OvFMalt=-1\n", {1017}, false},
      {"unpacking answers 0xFFFF", "OvSvInfo.OvFMalt=65535\n", {1017}, false},
      {"unpacking raises", "OvSvInfo.OvFMalt.Throw=1\n", {1016, 1017}, false},
      {"the header fails", "OvSvInfo.OvGetHeader@7=-1\n", {1017}, false},
      {"the header answers 1", "OvSvInfo.OvGetHeader@7=1\n", {}, true},
      {"the header answers -2", "OvSvInfo.OvGetHeader@7=-2\n", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.Control(c.control);
    TamselPage page(Params{{"Vek2Folder", data}});
    Choose(page);
    std::vector<std::string> expected;
    for (int id : c.messages) expected.push_back(Message(id));
    EXPECT_EQ(page.Boxes(), expected);
    for (const auto& r : page.services.Requests()) EXPECT_EQ(r.box.icon, ui::BoxIcon::Stop);
    EXPECT_EQ(page.Regists().size(), c.loaded ? 1u : 0u);
    // After a failure the person may choose again.
    EXPECT_EQ(page.Select().IsBusy(), c.loaded);
    EXPECT_EQ(page.Select().IsItemEnabled(D::kIdLoad), !c.loaded);
    EXPECT_EQ(page.Select().IsItemEnabled(D::kIdCancel), !c.loaded);
  }
}

TEST_F(LoadTest, TheSystemFolderMustBeMade) {
  testing_support::WriteRaw(root / "file", "a file");
  struct Case {
    const char* name;
    std::string profile;
    std::string blocker;  // a file where a folder would go
    std::string told;
  } cases[] = {
      {"no profile folder", "", "", ""},
      {"a profile under a file", root / "file/home", "", root / "file/home/zentrovia"},
      {"the extract folder a file", root / "home", root / "home/zentrovia/VekExtractTemp",
       root / "home/zentrovia/VekExtractTemp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    env.env.profileFolder = c.profile;
    if (!c.blocker.empty()) {
      platform::MakeFolders(root / "home/zentrovia");
      testing_support::WriteRaw(c.blocker, "in the way");
    }
    TamselPage page(Params{{"Vek2Folder", data}});
    Choose(page);
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1001, {c.told})});
    EXPECT_EQ(page.Regists().size(), 0u);
    EXPECT_FALSE(page.Select().IsBusy());
    EXPECT_EQ(fake.Calls("OvFMalt").size(), 0u);
  }
}

TEST_F(LoadTest, TheExtractFolderIsEmptiedBeforeAndRemovedAfter) {
  // An earlier load left a photo-link file that comes first; a folder named like one is passed over.
  platform::MakeFolders(ExtractFolder() + "/aaa.xml/inside");
  testing_support::WriteRaw(ExtractFolder() + "/a.xml", "<CustomerName1>stale</CustomerName1>\r\n");
  testing_support::WriteRaw(ExtractFolder() + "/old.vek", "stale");
  WriteLink(LinkText());
  fake.Control(std::string(kSummary) + "OvSvInfo.LinkFileFlag=0,1\nOvSvInfo.LinkFile=" + link + "\n");
  {
    TamselPage page(Params{{"Vek2Folder", data}});
    Choose(page);
    ASSERT_EQ(page.Regists().size(), 1u);
    EXPECT_EQ(Fields(page.Regists()[0])[0], "山田　太郎");
    EXPECT_FALSE(platform::IsFile(ExtractFolder() + "/a.xml"));
    EXPECT_FALSE(platform::IsFile(ExtractFolder() + "/old.vek"));
    EXPECT_TRUE(platform::IsFile(ExtractFolder() + "/e03.vek"));
    EXPECT_TRUE(platform::IsFile(ExtractFolder() + "/e03.xml"));
  }
  // The unpacking leaves files only: they go, and a folder it did not make stays, with the extract folder.
  EXPECT_FALSE(platform::IsFile(ExtractFolder() + "/e03.vek"));
  EXPECT_FALSE(platform::IsFile(ExtractFolder() + "/e03.xml"));
  EXPECT_TRUE(platform::IsFolder(ExtractFolder() + "/aaa.xml/inside"));
  platform::DeleteTree(ExtractFolder() + "/aaa.xml");
  {
    TamselPage page(Params{{"Vek2Folder", data}});
    Choose(page);
  }
  EXPECT_FALSE(platform::Exists(ExtractFolder())) << "removed once it holds nothing else";
  EXPECT_TRUE(platform::IsFolder(root / "home/zentrovia"));
}

// ---- Mode 4 ----

TEST_F(LoadTest, ModeFourLoadsTheNamedEstimate) {
  WriteLink(LinkText());
  fake.Control(std::string(kSummary) + "OvSvInfo.LinkFileFlag=0,1\nOvSvInfo.LinkFile=" + link + "\n");
  TamselPage page(Params{{"FuncID", "4"}, {"Vek2Folder", data}, {"TorvaneFileName", files[0]}});
  ASSERT_EQ(page.events.size(), 2u);
  // The registration string goes out while the window is made, before the status of mode 4.
  EXPECT_EQ(page.events[0].id, 3);
  EXPECT_EQ(page.events[1].id, 2);
  EXPECT_EQ(page.Statuses(), std::vector<unsigned>{3});
  std::vector<std::string> fields = Fields(page.Regists().at(0));
  EXPECT_EQ(fields[0], "山田　太郎");
  EXPECT_EQ(fields[2], "受付０００１");
  EXPECT_EQ(fields[21], files[0]);
  EXPECT_EQ(fields[22], "1");
  EXPECT_FALSE(page.Select().IsVisible());
  EXPECT_TRUE(page.Upload().IsVisible());
  EXPECT_EQ(page.Upload().ItemText(477), "1,1,2,0");
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
}

TEST_F(LoadTest, ModeFourFailuresSendZeroWithTheHostsValues) {
  const std::string longName = std::string(300 - data.size() - 1, 'n') + ".vek";
  // The extract folder's path takes the bytes of the name: a name that fits the data folder may not fit there.
  const std::string extract = ExtractFolder() + "/";
  const std::string nameTooLongThere = std::string(257 - extract.size() - 4, 'm') + ".vek";
  const std::string nameFitting = std::string(256 - extract.size() - 4, 'k') + ".vek";
  struct Case {
    const char* name;
    std::string file;
    std::string control;
    std::vector<std::string> messages;
    const char* flag;
    std::string kept = "";  // a file the failure must leave (when not the estimate's own)
  } cases[] = {
      {"a path of more than 256 bytes", data + "/" + longName, "", {Message(1018, {longName})}, "0"},
      {"its extract path too long", data + "/" + nameTooLongThere, "", {Message(1018, {nameTooLongThere})}, "0"},
      {"its extract path just fits", data + "/" + nameFitting, "OvSvInfo.OvFMalt=-1\n", {Message(1017)}, "0"},
      {"unpacking fails", files[1], "OvSvInfo.OvFMalt=-1\n", {Message(1017)}, "0"},
      // The page would receive the path split in two fields.
      {"a TAB in its path", data + "/a\tb.vek", "", {Message(1017)}, "0"},
      {"a line end in its path", data + "/a\r\nb.vek", "", {Message(1017)}, "0"},
      // The load empties the extract folder first, the very estimate with it.
      {"inside the extract folder", ExtractFolder() + "/x.vek", "", {ExtractFolderRefused()}, "0"},
      {"deeper inside it", ExtractFolder() + "/sub/x.vek", "", {ExtractFolderRefused()}, "0"},
      {"a link to an estimate inside it", data + "/linked.vek", "", {ExtractFolderRefused()}, "0"},
      // The name leads to no file, but emptying the folder would still delete x.vek.
      {"through a folder that is not there", ExtractFolder() + "/nosuch/../x.vek", "", {Message(1017)}, "0",
       ExtractFolder() + "/x.vek"},
  };
  platform::MakeFolders(ExtractFolder() + "/sub");
  SetFile(ExtractFolder() + "/target.vek", "estimate", 1714550000);
  ASSERT_EQ(::symlink(testing_support::Utf8(ExtractFolder() + "/target.vek").c_str(),
                      testing_support::Utf8(data + "/linked.vek").c_str()),
            0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.kept.empty() && c.file.size() <= 256 && !platform::IsFile(c.file)) SetFile(c.file, "estimate", 1714550000);
    fake.Control(c.control);
    TamselPage page(Params{{"FuncID", "4"}, {"Vek2Folder", data}, {"TorvaneFileName", c.file},
                           {"VisitorName", "ホスト"}, {"XMLVersion", "9"}});
    EXPECT_EQ(page.Boxes(), c.messages);
    ASSERT_EQ(page.Regists().size(), 1u);
    std::vector<std::string> fields = Fields(page.Regists()[0]);
    EXPECT_EQ(fields[0], "ホスト");
    EXPECT_EQ(fields[20], "9");
    EXPECT_EQ(fields[21], data);
    EXPECT_EQ(fields[22], c.flag);
    EXPECT_EQ(page.Statuses(), std::vector<unsigned>{3});
    if (!c.kept.empty()) {
      EXPECT_TRUE(platform::IsFile(c.kept)) << "nothing deleted";
    } else if (c.file.size() <= 256) {
      EXPECT_TRUE(platform::IsFile(c.file)) << "nothing deleted";
    }
  }
}

TEST_F(LoadTest, ModeFourWithoutTheHeaderLibrary) {
  FakeHeaderLibrary missing("ovsvinfo-unloadable");
  TamselPage page(Params{{"FuncID", "4"}, {"Vek2Folder", data}, {"TorvaneFileName", files[0]}});
  // One cause, one message (from the selection dialog that stays hidden); then the string with "0".
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1016)});
  ASSERT_EQ(page.Regists().size(), 1u);
  EXPECT_EQ(Fields(page.Regists()[0])[22], "0");
}

TEST_F(LoadTest, ModeFourAsksNothingOfTheList) {
  MakeFiles(data, 120);
  testing_support::WriteRaw(data + "/" + std::string(250, 'x') + ".vek", "too long");
  TamselPage page(Params{{"FuncID", "4"}, {"Vek2Folder", data}, {"TorvaneFileName", files[0]}});
  page.FirstPaint();
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  EXPECT_EQ(Fields(page.Regists().at(0))[22], "1");
}

}  // namespace
