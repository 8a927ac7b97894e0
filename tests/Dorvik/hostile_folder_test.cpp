// A work folder and an estimate file's folder that hold links: links planted at every name a writer makes
// (temporary files, the cabinet, the backup note, cabtemp, the packer's temporary files) and at the names an
// opening writes, links among the work folder's files. No file outside changes, a link is never followed, and the
// operations go on (a link at the backup's name takes the name, as any file there does).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "platform/files.h"
#include "vek_fixture.h"

using testing_support::ReadRaw;
using testing_support::Utf8;
using testing_support::WriteRaw;
using vek_fixture::Code;
using vek_fixture::Quoted;
using vek_fixture::Shell;
using vek_fixture::Tree;

namespace {

class HostileFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    setenv("VEK_MODULE_PATH", SAVE_PAKKEL_DIR, 1);
    const std::string source = dir / "元データ";
    vek_fixture::MakeWorkTree(source, 3000);
    const std::string cab = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    target = dir / "保存先";
    vek = target + "/見積.vek";
    work = dir / "作業";
    tmp = dir / "tmp";
    outside = dir / "外";
    Shell("mkdir " + Quoted(Utf8(target)) + " " + Quoted(Utf8(work)) + " " + Quoted(Utf8(tmp)) + " " +
          Quoted(Utf8(outside)));
    ASSERT_TRUE(vek_fixture::Write(vek, vek_fixture::WithEntries(2), ReadRaw(cab)));
    WriteRaw(Utf8(outside + "/victim.ini"), "[General]\r\nSignature=VICTIM\r\n");
    WriteRaw(Utf8(outside + "/victim.jpg"), "not to be read or written");
    chmod(Utf8(outside + "/victim.ini").c_str(), 0444);
    before = vek_fixture::ReadTree(outside);
    pid = std::to_string(getpid());
  }
  // A link at path to the victim file (or, with toFolder, to the outside folder).
  void Plant(const std::string& path, bool toFolder = false) {
    ASSERT_EQ(symlink(Utf8(toFolder ? outside : outside + "/victim.ini").c_str(), Utf8(path).c_str()), 0) << path;
  }
  // Links at the first temporary names a writer of name in folder takes.
  void PlantTemporaries(const std::string& folder, const std::string& name, const char* suffix = ".tmp") {
    for (int attempt = 0; attempt < 3; ++attempt) Plant(platform::TemporaryName(folder, "." + name + ".", attempt, suffix));
  }
  void ExpectOutsideUntouched() {
    EXPECT_EQ(vek_fixture::TreeDiff(before, vek_fixture::ReadTree(outside)), "");
    struct stat st;
    ASSERT_EQ(stat(Utf8(outside + "/victim.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u) << "its attributes too";
  }
  bool IsLink(const std::string& path) { return platform::IsSymbolicLink(path); }

  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
  std::string target, vek, work, tmp, outside, pid;
  Tree before;
};

TEST_F(HostileFolderTest, OpeningReplacesLinksInsteadOfWritingThroughThem) {
  for (const char* name : {"HeaderDt.ini", "HistryDt.ini", "OvDBInfo.ini", "OvSvEm0001.sld"}) {
    Plant(work + "/" + name);
    PlantTemporaries(work, name);
  }
  Plant(work + "/Image", true);
  Plant(work + "/cabtemp", true);
  char code[10] = {};
  ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code), 1) << Code(code);
  ExpectOutsideUntouched();
  for (const char* name : {"HeaderDt.ini", "HistryDt.ini", "OvDBInfo.ini", "OvSvEm0001.sld", "Image"}) {
    EXPECT_FALSE(IsLink(work + "/" + name)) << name;
  }
  EXPECT_TRUE(platform::IsFile(work + "/Image/P0001.jpg"));
  EXPECT_FALSE(platform::Exists(work + "/cabtemp") || IsLink(work + "/cabtemp"));
}

TEST_F(HostileFolderTest, TheWritersOfAWorkFolderWriteNothingThroughLinks) {
  char code[10] = {};
  ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code), 1) << Code(code);
  for (const char* name : {"OvDBInfo.ini", "OvSvMail.ini", "OvSvImge.ini", "見積.xml"}) {
    unlink(Utf8(work + "/" + name).c_str());
    Plant(work + "/" + name);
    PlantTemporaries(work, name);
  }
  LatestDatabaseFile names{};
  std::memcpy(names.InformationDB, "OvSvIf0001.sld", 14);
  MailLinkHeader header{};
  MailLinkImageEntry image{};
  image.No = 1;
  std::memcpy(image.FileName, "P0001.jpg", 9);
  VistrelLinkRecord link{};
  EXPECT_EQ(WriteDBInfoINI(work.c_str(), &names, code), 1) << Code(code);
  EXPECT_EQ(CreateMailLinkHeaderFile(work.c_str(), &header, code), 1) << Code(code);
  EXPECT_EQ(CreateMailLinkImageFile(work.c_str(), &image, 1, code), 1) << Code(code);
  EXPECT_EQ(CreateVistrelLinkFile(work.c_str(), vek.c_str(), &link, code), 1) << Code(code);
  ExpectOutsideUntouched();
  for (const char* name : {"OvDBInfo.ini", "OvSvMail.ini", "OvSvImge.ini", "見積.xml"}) {
    EXPECT_FALSE(IsLink(work + "/" + name)) << name;
    EXPECT_TRUE(platform::IsFile(work + "/" + name)) << name;
  }
}

// Links at the names a save makes beside the estimate file and in the work folder and the temporary folder, and
// links among the work folder's files: the save goes on, follows none and packs none.
TEST_F(HostileFolderTest, ASaveFollowsAndPacksNoLink) {
  char code[10] = {};
  ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code), 1) << Code(code);
  const Tree opened = vek_fixture::ReadTree(work);
  testing_support::EnvVarScope tmpdir("TMPDIR", Utf8(tmp).c_str());
  for (const auto& variant : {std::make_pair("SaveVekFile", false), std::make_pair("SaveVekFileOld", true)}) {
    SCOPED_TRACE(variant.first);
    PlantTemporaries(target, "見積.vek");
    PlantTemporaries(target, "見積.vek", ".bak");
    for (int attempt = 0; attempt < 200; ++attempt) Plant(platform::TemporaryName(tmp, "xxvek.", attempt));
    Plant(work + "/EstimateData20240501093000.cab");
    Plant(work + "/EstimateData.cab");
    Plant(work + "/TEMP2.cab");
    Plant(work + "/cabtemp", true);
    Plant(work + "/外の写真.jpg");
    Plant(work + "/Image/外.jpg");
    Plant(work + "/外のフォルダ", true);
    ASSERT_EQ(symlink("/nonexistent/dangling", Utf8(work + "/dangling").c_str()), 0);
    const HistoryInfo entry = vek_fixture::EntryRecord(9);
    auto save = variant.second ? SaveVekFileOld : SaveVekFile;
    ASSERT_EQ(save(work.c_str(), vek.c_str(), 0, nullptr, &entry, code), 1) << Code(code);
    ExpectOutsideUntouched();
    // What the save packed: an opening elsewhere gives the work folder's own files and no link.
    const std::string elsewhere = dir / (std::string("別の作業") + variant.first);
    Shell("mkdir " + Quoted(Utf8(elsewhere)));
    ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(elsewhere.c_str(), code), 1) << Code(code);
    Tree packed = vek_fixture::ReadTree(elsewhere), own = opened;
    packed.erase("HeaderDt.ini");
    packed.erase("HistryDt.ini");
    own.erase("HeaderDt.ini");
    own.erase("HistryDt.ini");
    EXPECT_EQ(vek_fixture::TreeDiff(own, packed), "");
    // The links stay in the work folder; the next variant plants its own.
    Shell("find " + Quoted(Utf8(target)) + " " + Quoted(Utf8(tmp)) + " " + Quoted(Utf8(work)) +
          " -type l -delete");
  }
}

TEST_F(HostileFolderTest, ALinkAtTheBackupNameTakesTheName) {
  char code[10] = {};
  ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code), 1) << Code(code);
  const std::string old = vek_fixture::Read(vek);
  Plant(target + "/20240501093000-バックアップ見積.vek");
  EXPECT_EQ(SaveVekFileEx(work.c_str(), vek.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E03000016");
  EXPECT_EQ(DeleteAllHistory(vek.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E03000016");
  EXPECT_TRUE(vek_fixture::Read(vek) == old);
  ExpectOutsideUntouched();
}

TEST_F(HostileFolderTest, ChangesOfTheEstimateFileWriteNothingThroughLinks) {
  PlantTemporaries(target, "見積.vek");
  PlantTemporaries(target, "見積.vek", ".bak");
  char code[10] = {};
  EXPECT_EQ(DeleteAllHistory(vek.c_str(), code), 1) << Code(code);
  EXPECT_EQ(DeleteAllHistoryOld(vek.c_str(), code), 1) << Code(code);
  EXPECT_EQ(SettingAgreed(vek.c_str(), "pw", code), 1) << Code(code);
  HeaderInfo info{};
  EXPECT_EQ(ReadFileHeaderInfo(vek.c_str(), &info, code), 1) << Code(code);
  EXPECT_EQ(WriteFileHeaderInfo(vek.c_str(), &info, code), 1) << Code(code);
  ExpectOutsideUntouched();
  EXPECT_FALSE(IsLink(vek));
}

// A header text that holds a line end no longer bars the opening of its estimate file.
TEST_F(HostileFolderTest, AnEstimateWithALineEndInItsHeaderOpens) {
  vek_fixture::Estimate e = vek_fixture::WithEntries(1);
  e.customer = "山田\\r\\n太郎";
  const std::string cab = Utf8(dir / "peer.cab");
  ASSERT_TRUE(vek_fixture::Write(vek, e, ReadRaw(cab)));
  char code[10] = {};
  ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code), 1) << Code(code);
  HeaderData data;
  HeaderInfo info;
  ASSERT_EQ(ReadFileHeaderINI(work.c_str(), &data, &info, code), 1) << Code(code);
  EXPECT_EQ(testing_support::Show(std::string(info.CustomerName, strnlen(info.CustomerName, sizeof info.CustomerName))),
            testing_support::Show("山田  太郎"));
}

}  // namespace
