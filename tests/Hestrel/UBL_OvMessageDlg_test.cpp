#include "UBL_OvMessageDlg.h"

#include <gtest/gtest.h>

#include "UBL_OvException.h"
#include "UBL_OvLog.h"
#include "hestrel_test_support.h"

namespace {

using testing_support::Show;

TEST(OvParseMessageDefinition, TextPiecesAndFields) {
  struct Case {
    const char* name;
    const char* definition;
    const char* text;
    const char* type;
    const char* defaultButton;
  } cases[] = {
      {"one piece", "'x=%d',mtError,[mbOK],mbOK", "x=%d", "mtError", "mbOK"},
      {"pieces joined by plus", "'a' + 'b',mtWarning,[mbOK],mbOK", "a\r\nb", "mtWarning", "mbOK"},
      {"adjacent quotes make one piece", "'a' 'b',mtInformation,[mbOK],mbOK", "ab", "mtInformation", "mbOK"},
      {"doubled quote is no escape", "'it''s',mtError,[mbOK],mbOK", "its", "mtError", "mbOK"},
      {"comma inside quotes", "'a,b',mtError,[mbOK],mbOK", "a,b", "mtError", "mbOK"},
      {"type without regard to case", "'t',MTCONFIRMATION,[mbYes,mbNo],mbNo", "t", "mtConfirmation", "mbNo"},
      {"unknown type", "'t',mtOdd,[mbOK],mbOK", "t", "mtInformation", "mbOK"},
      {"no fields", "'only'", "only", "mtInformation", ""},
      {"text outside quotes is dropped", "abc,mtError", "", "mtError", ""},
      {"double-byte text", "'見積''ファイル',mtError,[mbOK],mbOK", "見積ファイル", "mtError", "mbOK"},
  };
  for (const auto& c : cases) {
    hestrel::TOvMessageDefinition d = hestrel::OvParseMessageDefinition(c.definition);
    EXPECT_EQ(d.Text, c.text) << c.name << ": " << Show(d.Text);
    EXPECT_EQ(d.DlgType, c.type) << c.name;
    EXPECT_EQ(d.DefaultButton, c.defaultButton) << c.name;
  }
  EXPECT_EQ(hestrel::OvParseMessageDefinition("'t',mtError,[mbYes, mbNo,mbBogus],mbYes").Buttons,
            (std::vector<std::string>{"mbYes", "mbNo"}));
}

class MessageDlgTest : public hestrel_test::HestrelTest {
 protected:
  void WriteMessages(const std::string& folder, const std::string& errIds, const std::string& messages) {
    platform::MakeFolders(folder);
    testing_support::WriteRaw(folder + "/OvErrID.ini", "[ErrorID]\r\n" + errIds);
    testing_support::WriteRaw(folder + "/OvMsgStr.ini", "[MessageID]\r\n" + messages);
  }
  std::string Text(const char* id, std::initializer_list<hestrel::TOvArg> args) {
    return dlg.GetMessageText(id, hestrel::TOvArgs(args.begin(), args.size()));
  }
  hestrel::TOvMessageDlg dlg;
};

TEST_F(MessageDlgTest, MessageFolderFromTheApplicationPathWithOrWithoutDelimiter) {
  WriteMessages(root / "app/Bin/Msg", "", "");
  for (const std::string& app : {root / "app", root / "app/"}) {
    hestrel::TOvMessageDlg fresh;
    SetApplicationPath(app);
    fresh.GetMessageID("E00002");
    EXPECT_EQ(fresh.MessageFolder, root / "app/Bin/Msg/") << app;
  }
}

TEST_F(MessageDlgTest, MessageFolderFallsBackToTheHostProgram) {
  SetApplicationPath(root / "nowhere");
  dlg.GetMessageID("E00002");
  EXPECT_EQ(dlg.MessageFolder, root / "host/Msg/");
  // The current folder's Msg is used while it exists.
  platform::MakeFolder("Msg");
  hestrel::TOvMessageDlg local;
  local.GetMessageID("E00002");
  EXPECT_EQ(local.MessageFolder, "./Msg/");
}

TEST_F(MessageDlgTest, IdsAndTexts) {
  WriteMessages("Msg", "E00002=M0002\r\nE00003=\r\n",
                "M0002='ファイルがありません: %s',mtError,[mbOK],mbOK\r\n"
                "x='x=%d',mtError,[mbOK],mbOK\r\nbad='n=%d',mtError,[mbOK],mbOK\r\n");
  EXPECT_EQ(dlg.GetMessageID(""), "");
  EXPECT_EQ(dlg.GetMessageID("E00002"), "M0002");
  EXPECT_EQ(dlg.GetMessageID("E00003"), "E00003");  // empty value
  EXPECT_EQ(dlg.GetMessageID("E00126"), "E00126");  // no key
  EXPECT_EQ(Text("x", {5}), "x=5");
  EXPECT_EQ(Text("M0002", {"a.vek"}), "ファイルがありません: a.vek");
  EXPECT_EQ(Text("", {5}), "");
  EXPECT_EQ(Text("missing", {5}), "");
  // A definition that does not fit its arguments never throws: its text stays unformatted.
  EXPECT_EQ(Text("bad", {"text"}), "n=%d");
  EXPECT_EQ(Text("bad", {}), "n=%d");
}

TEST_F(MessageDlgTest, MissingMessageFiles) {
  EXPECT_EQ(dlg.GetMessageID("E00087"), "E00087");
  EXPECT_EQ(Text("E00087", {"x"}), "");
}

TEST_F(MessageDlgTest, ExceptionCarriesLocationIdsAndMessage) {
  WriteMessages(root / "host/Msg", "E00002=M0002\r\n", "M0002='no %s',mtError,[mbOK],mbOK\r\n");
  Load();
  platform::SetLastError(13);
  try {
    OV_RAISE("TSome", "the detail", "E00002", "Method", "a.vek");
  } catch (const hestrel::TOvException& e) {
    EXPECT_EQ(e.UnitFile, "UBL_OvMessageDlg_test.cpp");
    EXPECT_EQ(e.ClassName, "TSome");
    EXPECT_EQ(e.MethodName, "Method");
    EXPECT_EQ(e.Line, hestrel::OvSourceLocation().Line);
    EXPECT_GT(e.Line, 0);
    EXPECT_EQ(e.ErrorID, "E00002");
    EXPECT_EQ(e.LastError, 13);
    EXPECT_EQ(e.MessageID, "M0002");
    EXPECT_EQ(e.Detail, "the detail");
    EXPECT_STREQ(e.what(), "no a.vek");
    return;
  }
  ADD_FAILURE() << "not raised";
}

}  // namespace
