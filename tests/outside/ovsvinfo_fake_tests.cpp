// The fake of the header library: what its control file makes it answer and what it records.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "OvSvInfo.h"
#include "ovsvinfo_library.h"
#include "platform/module.h"
#include "test_support.h"

namespace {

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

const ovsvinfo_test::Library& TheFake() {
  static const ovsvinfo_test::Library fake = ovsvinfo_test::Load(OVSVINFO_FAKE_DIR "/libOvSvInfo.so");
  return fake;
}

class OvSvInfoFakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(TheFake().fmalt, nullptr) << platform::ModuleError();
    std::filesystem::create_directories(target);
    setenv("VEK_FAKE_OUTSIDE", control.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("VEK_FAKE_OUTSIDE"); }
  void Control(const std::string& lines) { WriteRaw(control / "control.txt", lines); }
  std::string Calls() { return ReadRaw(control / "calls.log"); }

  TempFolder control, files;
  std::string target = files / "target";
};

TEST_F(OvSvInfoFakeTest, UnpackCopiesTheEstimateAndTheConfiguredLinkFile) {
  WriteRaw(files / "est.dat", "estimate bytes");
  WriteRaw(files / "link.xml", "<TorVane2Data/>");
  Control("OvSvInfo.LinkFile=" + (files / "link.xml") + "\n");
  EXPECT_EQ(TheFake().fmalt((files / "est.dat").c_str(), target.c_str()), 0);
  EXPECT_EQ(ReadRaw(target + "/est.vek"), "estimate bytes");
  EXPECT_EQ(ReadRaw(target + "/est.xml"), "<TorVane2Data/>");
  EXPECT_EQ(Calls(), "OvSvInfo\tOvFMalt\t" + (files / "est.dat") + "\t" + target + "\t=0\n");
}

TEST_F(OvSvInfoFakeTest, CannedFailuresCopyAndWriteNothing) {
  WriteRaw(files / "est.vek", "estimate bytes");
  Control("OvSvInfo.OvFMalt=-1\nOvSvInfo.OvGetHeader@2=-1\nOvSvInfo.OvGetDataPath=1\nOvSvInfo.DataPath=/data\n");
  EXPECT_EQ(TheFake().fmalt((files / "est.vek").c_str(), target.c_str()), -1);
  EXPECT_FALSE(std::filesystem::exists(target + "/est.vek"));

  char header[OVSVINFO_HEADER_BUFFER_SIZE] = {};
  EXPECT_EQ(TheFake().getHeader(1, (files / "est.vek").c_str(), header), 0);
  std::memset(header, 'Z', sizeof header);
  EXPECT_EQ(TheFake().getHeader(1, (files / "est.vek").c_str(), header), -1);
  EXPECT_EQ(std::string(header, sizeof header), std::string(sizeof header, 'Z'));

  char path[OVSVINFO_DATA_PATH_BUFFER_SIZE] = {};
  EXPECT_EQ(TheFake().getDataPath(path), 1);
  EXPECT_EQ(path[0], '\0');
}

TEST_F(OvSvInfoFakeTest, HeaderSummaryFromSettingsCutToItsFields) {
  Control(
      "OvSvInfo.AcceptNo=A-1\nOvSvInfo.CustomerName=" + std::string(40, 'n') +
      "\nOvSvInfo.CarNoSerial=12-34\nOvSvInfo.LinkFileFlag=0,1\n"
      "OvSvInfo.b.vek.AcceptNo=B-2\nOvSvInfo.b.vek.LinkFileFlag=0,0\n");
  char a[OVSVINFO_HEADER_BUFFER_SIZE] = {};
  char b[OVSVINFO_HEADER_BUFFER_SIZE] = {};
  EXPECT_EQ(TheFake().getHeader(1, "/x/a.vek", a), 0);
  EXPECT_EQ(TheFake().getHeader(1, "/x/b.vek", b), 0);
  OvHeaderSummaryShort sa, sb;
  std::memcpy(&sa, a, sizeof sa);
  std::memcpy(&sb, b, sizeof sb);
  EXPECT_EQ(std::string(sa.AcceptNo, 3), "A-1");
  EXPECT_EQ(std::string(sa.CustomerName, 30), std::string(30, 'n'));
  EXPECT_EQ(sa.CarName[0], '\0');
  EXPECT_EQ(std::string(sa.CarNoSerial, 6), std::string("12-34\0", 6));
  EXPECT_EQ(sa.LinkFileFlag[0], 0);
  EXPECT_EQ(sa.LinkFileFlag[1], 1);
  EXPECT_EQ(std::string(sb.AcceptNo, 4), std::string("B-2\0", 4));
  EXPECT_EQ(sb.LinkFileFlag[1], 0);
  EXPECT_EQ(std::string(a + sizeof sa, sizeof a - sizeof sa), std::string(sizeof a - sizeof sa, '\0'));
}

TEST_F(OvSvInfoFakeTest, DataPathIsCutToTheBuffer) {
  Control("OvSvInfo.DataPath=/" + std::string(200, 'd') + "\n");
  char path[OVSVINFO_DATA_PATH_BUFFER_SIZE + 4];
  std::memset(path, 'Z', sizeof path);
  EXPECT_EQ(TheFake().getDataPath(path), 0);
  EXPECT_EQ(std::strlen(path), static_cast<std::size_t>(OVSVINFO_DATA_PATH_BUFFER_SIZE - 1));
  EXPECT_EQ(std::string(path + OVSVINFO_DATA_PATH_BUFFER_SIZE, 4), "ZZZZ");
}

}  // namespace
