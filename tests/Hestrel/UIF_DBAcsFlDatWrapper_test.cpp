#include "UIF_DBAcsFlDatWrapper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "UBL_OvException.h"
#include "hestrel_test_support.h"

namespace {

using hestrel::TDBAcsFlDatWrapper;
using hestrel::TOvException;
using hestrel_test::FakeDorvik;
using testing_support::Show;
using testing_support::WriteRaw;

class WrapperTest : public hestrel_test::HestrelTest {
 protected:
  // The raised TOvException's error id ("" when none or another kind was raised).
  template <class F>
  std::string RaisedId(F f, std::string* message = nullptr) {
    try {
      f();
    } catch (const TOvException& e) {
      if (message) *message = e.what();
      return e.ErrorID;
    } catch (...) {
      return "other";
    }
    return "";
  }
  void WriteMessages() {
    platform::MakeFolder(root / "host/Msg");
    WriteRaw(root / "host/Msg/OvErrID.ini", "[ErrorID]\r\nE00127=M127\r\nE00087=M087\r\n");
    WriteRaw(root / "host/Msg/OvMsgStr.ini",
             "[MessageID]\r\nM127='関数がありません: %s',mtError,[mbOK],mbOK\r\n"
             "M087='引数がありません: %s',mtError,[mbOK],mbOK\r\n");
  }
};

TEST_F(WrapperTest, FolderWithOrWithoutDelimiterBindsTheSameLibrary) {
  FakeDorvik fake;
  LoadWithDebugLog(3);
  for (const std::string& folder : {fake.folder, fake.folder + "/"}) {
    fake.Reset();
    {
      TDBAcsFlDatWrapper wrapper(folder.c_str());
      std::string code = "kept";
      EXPECT_EQ(wrapper.Initialize(0, nullptr, nullptr, 0, "", code), 0);
      EXPECT_EQ(code, "kept");
    }
    EXPECT_EQ(fake.Calls(), "Initialize(0,<null>,<null>,0,)|Finalize") << folder;
  }
  std::string log = DebugLogText();
  for (const std::string& text :
       {"],[1], Create開始 DllFolderPath=" + fake.folder + "\n", std::string("],[1], Create終了\n"),
        std::string("],[2], Initialize開始 Mode=0, LogPath=, LogLevel=0, MsgFilePath=\n"),
        std::string("],[2], Initialize終了\n"), std::string("],[1], Destroy開始\n"),
        std::string("],[1], Destroy終了\n")}) {
    EXPECT_NE(log.find(text), std::string::npos) << Show(text) << "\n" << Show(log);
  }
  EXPECT_NE(log.find("[UIF_DBAcsFlDatWrapper.cpp TDBAcsFlDatWrapper.Create("), std::string::npos);
}

TEST_F(WrapperTest, InitializeFailureKeepsTheCode) {
  FakeDorvik fake;
  fake.Fail("Initialize", "", 0);
  TDBAcsFlDatWrapper wrapper(fake.folder.c_str());
  std::string code = "kept";
  EXPECT_EQ(wrapper.Initialize(0, nullptr, nullptr, 0, "", code), -1);
  EXPECT_EQ(code, "kept");
}

TEST_F(WrapperTest, MissingLibrary) {
  LoadWithDebugLog(0);
  EXPECT_EQ(RaisedId([&] { TDBAcsFlDatWrapper w((root / "none").c_str()); }), "E00126");
  std::regex error(R"(\],\[TDBAcsFlDatWrapper\.Create\(\d+\)\],\[E00126 GLE=\d+\], )");
  EXPECT_TRUE(std::regex_search(ErrorLogText(), error)) << Show(ErrorLogText());
  EXPECT_NE(DebugLogText().find("],[0], Create【異常終了】"), std::string::npos) << Show(DebugLogText());
}

TEST_F(WrapperTest, LibraryThatCannotBeLoadedRaisesAPlainException) {
  LoadWithDebugLog(0);
  platform::MakeFolder(root / "bad");
  WriteRaw(root / "bad/libDorvik.so", "not a library");
  bool plain = false;
  try {
    TDBAcsFlDatWrapper w((root / "bad").c_str());
  } catch (const TOvException&) {
  } catch (const std::exception& e) {
    plain = std::string(e.what()).size() > 0;
  }
  EXPECT_TRUE(plain);
  std::regex error(R"(\],\[TDBAcsFlDatWrapper\.Create\(\d+\)\],\[通常例外\], .+)");
  EXPECT_TRUE(std::regex_search(ErrorLogText(), error)) << Show(ErrorLogText());
}

TEST_F(WrapperTest, MissingExportStopsTheBinding) {
  WriteMessages();
  LoadWithDebugLog(1);
  {
    FakeDorvik fake("fakedorvik-nofeedback");
    std::string message;
    EXPECT_EQ(RaisedId([&] { TDBAcsFlDatWrapper w(fake.folder.c_str()); }, &message), "E00127");
    EXPECT_EQ(message, "関数がありません: FeedbackMailLinkImageFile");
    EXPECT_EQ(fake.Calls(), "Finalize");  // bound before the missing one
  }
  {
    FakeDorvik fake("fakedorvik-noinit");
    std::string message;
    EXPECT_EQ(RaisedId([&] { TDBAcsFlDatWrapper w(fake.folder.c_str()); }, &message), "E00127");
    EXPECT_EQ(message, "関数がありません: Initialize");
    EXPECT_EQ(fake.Calls(), "");  // Finalize never bound
  }
  std::string log = DebugLogText();
  std::size_t abnormal = log.find("Create【異常終了】 関数がありません: FeedbackMailLinkImageFile");
  std::size_t destroy = log.find("Destroy開始", abnormal == std::string::npos ? 0 : abnormal);
  EXPECT_NE(abnormal, std::string::npos) << Show(log);
  EXPECT_NE(destroy, std::string::npos);
  EXPECT_NE(log.find("Destroy終了", destroy), std::string::npos);
}

TEST_F(WrapperTest, ArgumentChecks) {
  WriteMessages();
  Load();
  FakeDorvik fake;
  TDBAcsFlDatWrapper w(fake.folder.c_str());
  hestrel::HeaderData data;
  hestrel::HeaderInfo info;
  std::string code, text, message;
  std::string file = root / "a.vek", work = root / "w";
  WriteRaw(file, "x");
  platform::MakeFolder(work);
  const char* missing = "/none/x.vek";
  EXPECT_EQ(RaisedId([&] { w.ReadFileHeaderData(nullptr, data, code); }), "E00087");
  EXPECT_EQ(RaisedId([&] { w.ReadFileHeaderData(missing, data, code); }), "E00002");
  EXPECT_EQ(RaisedId([&] { w.ReadFileHeaderInfo(nullptr, info, code); }), "E00087");
  EXPECT_EQ(RaisedId([&] { w.ReadFileHeaderInfo(missing, info, code); }), "E00002");
  EXPECT_EQ(RaisedId([&] { w.OpenVekFile(file.c_str(), file.c_str(), code); }), "E00003");
  EXPECT_EQ(RaisedId([&] { w.GetImagePathName(nullptr, text, code); }, &message), "E00087");
  EXPECT_EQ(message, "引数がありません: WorkPathName");
  EXPECT_EQ(RaisedId([&] { w.GetImagePathName(file.c_str(), text, code); }), "E00003");
  EXPECT_EQ(RaisedId([&] { w.GetVistrelLinkFileName(nullptr, file.c_str(), text, code); }, &message), "E00087");
  EXPECT_EQ(message, "引数がありません: WorkPathName");
  EXPECT_EQ(RaisedId([&] { w.GetVistrelLinkFileName(work.c_str(), nullptr, text, code); }, &message), "E00087");
  EXPECT_EQ(message, "引数がありません: VekFileName");
  EXPECT_EQ(RaisedId([&] { w.GetVistrelLinkFileName(file.c_str(), file.c_str(), text, code); }), "E00003");
  EXPECT_EQ(RaisedId([&] { w.DeleteAllImageData(nullptr, code); }), "E00087");
  EXPECT_EQ(RaisedId([&] { w.DeleteAllImageData(file.c_str(), code); }), "E00003");
  EXPECT_EQ(RaisedId([&] { w.SaveVekFileEx(nullptr, file.c_str(), code); }), "E00087");
  EXPECT_EQ(RaisedId([&] { w.SaveVekFileEx(work.c_str(), nullptr, code); }), "E00087");
  EXPECT_EQ(RaisedId([&] { w.SaveVekFileEx(file.c_str(), file.c_str(), code); }), "E00003");
  EXPECT_EQ(fake.Calls(), "") << "no call reached the library";
}

TEST_F(WrapperTest, OpenOfAMissingFileFailsQuietly) {
  FakeDorvik fake;
  TDBAcsFlDatWrapper w(fake.folder.c_str());
  std::string code = "";
  EXPECT_EQ(w.OpenVekFile((root / "none.vek").c_str(), root.path().c_str(), code), -1);
  EXPECT_EQ(w.OpenVekFile(nullptr, root.path().c_str(), code), -1);
  EXPECT_EQ(code, "");
  EXPECT_EQ(fake.Calls(), "");
}

TEST_F(WrapperTest, ResultsAndCodes) {
  FakeDorvik fake;
  TDBAcsFlDatWrapper w(fake.folder.c_str());
  std::string file = root / "a.vek", work = root / "w", code;
  WriteRaw(file, "x");
  platform::MakeFolder(work);

  hestrel::HeaderData data;
  std::memset(&data, 0x55, sizeof data);
  EXPECT_EQ(w.ReadFileHeaderData(file.c_str(), data, code), 0);
  EXPECT_EQ(std::string(data.Signature, 4), "VEK3");
  EXPECT_EQ(data.HeaderInfoLength, 305);

  fake.Fail("ReadFileHeaderInfo", "E03000004");
  hestrel::HeaderInfo info;
  std::memset(&info, 0x55, sizeof info);
  EXPECT_EQ(w.ReadFileHeaderInfo(file.c_str(), info, code), -1);
  EXPECT_EQ(code, "E03000004");
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&info)[0], 0) << "cleared before the call";

  fake.Fail("OpenVekFile", "E04000015");
  EXPECT_EQ(w.OpenVekFile(file.c_str(), work.c_str(), code), -1);
  EXPECT_EQ(code, "E04000015");
  fake.Fail("SaveVekFileEx", "E0400001412");  // longer than the buffer: at most 10 characters come back
  EXPECT_EQ(w.SaveVekFileEx(work.c_str(), file.c_str(), code), -1);
  EXPECT_EQ(code, "E040000141");
}

TEST_F(WrapperTest, TextQueries) {
  FakeDorvik fake;
  TDBAcsFlDatWrapper w(fake.folder.c_str());
  std::string work = root / "w", text, code = "x";
  platform::MakeFolder(work);
  ASSERT_EQ(w.GetImagePathName(work.c_str(), text, code), 0);
  EXPECT_EQ(text, work + "/Image" + std::string(1, '\0'));
  ASSERT_EQ(w.GetVistrelLinkFileName(work.c_str(), "/d/Est1.vek", text, code), 0);
  EXPECT_EQ(text, work + "/Est1.xml" + std::string(1, '\0'));
  EXPECT_EQ(fake.Calls(),
            "GetImagePathName(size)|GetImagePathName(buffer)|GetVistrelLinkFileName(size,/d/Est1.vek)|"
            "GetVistrelLinkFileName(buffer,/d/Est1.vek)");

  fake.SetText("GetImagePathName", "", 0);  // size 0 reported
  EXPECT_EQ(w.GetImagePathName(work.c_str(), text, code), -1);
  EXPECT_EQ(code, "");
  fake.SetText("GetImagePathName", "abc", 2);  // a size that the second call refuses
  EXPECT_EQ(w.GetImagePathName(work.c_str(), text, code), -1);
  EXPECT_EQ(code, "E01000001");
  fake.Fail("GetVistrelLinkFileName", "E04000001");
  EXPECT_EQ(w.GetVistrelLinkFileName(work.c_str(), "/d/Est1.vek", text, code), -1);
  EXPECT_EQ(code, "E04000001");
}

TEST_F(WrapperTest, SaveRemovesALeftoverCabinetFirst) {
  FakeDorvik fake;
  TDBAcsFlDatWrapper w(fake.folder.c_str());
  std::string work = root / "w", code;
  platform::MakeFolder(work);
  WriteRaw(work + "/EstimateData.cab", "old");
  WriteRaw(work + "/OvDBInfo.ini", "x");
  ASSERT_EQ(w.SaveVekFileEx(work.c_str(), (root / "out.vek").c_str(), code), 0);
  EXPECT_EQ(fake.Saved(), "OvDBInfo.ini\n");
}

TEST_F(WrapperTest, AbnormalEndLevelOfTheTextQueries) {
  LoadWithDebugLog(2);
  FakeDorvik fake;
  TDBAcsFlDatWrapper w(fake.folder.c_str());
  std::string text, code;
  RaisedId([&] { w.GetImagePathName(nullptr, text, code); });
  RaisedId([&] { w.OpenVekFile("/none", root.path().c_str(), code); });
  RaisedId([&] { w.SaveVekFileEx(nullptr, "x", code); });
  EXPECT_EQ(DebugLogText().find("GetImagePathName【異常終了】"), std::string::npos);  // level 3
  EXPECT_NE(DebugLogText().find("],[0], SaveVekFileEx【異常終了】"), std::string::npos) << Show(DebugLogText());
  EXPECT_NE(ErrorLogText().find("[TDBAcsFlDatWrapper.GetImagePathName("), std::string::npos);
}

}  // namespace
