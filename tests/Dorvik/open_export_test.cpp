// The two opening exports: the expansion, then the version check whatever the expansion gave, against the
// recording fakes of the checker; the result and the code left.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "vek_fixture.h"

#ifdef VEK_OUTSIDE_FAKES_DIR
#include "fake_outside.h"

using testing_support::ReadRaw;
using testing_support::Utf8;
using vek_fixture::Code;
using vek_fixture::Quoted;
using vek_fixture::Shell;

namespace {

class OpenExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    const std::string source = dir / "元データ";
    vek_fixture::MakeWorkTree(source, 5000);
    cab = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    sourceTree = vek_fixture::ReadTree(source);
    vek = dir / "見積.vek";
    ASSERT_TRUE(vek_fixture::Write(vek, vek_fixture::WithEntries(1), ReadRaw(cab)));
    work = dir / "作業";
  }
  void FreshWork() { Shell("rm -rf " + Quoted(Utf8(work)) + " && mkdir " + Quoted(Utf8(work))); }

  testing_support::TempFolder dir;
  std::string cab, vek, work;
  vek_fixture::Tree sourceTree;
};

using Open = int (*)(const char*, const char*, char*);
const std::pair<const char*, Open> kOpens[] = {{"OpenVekFile", OpenVekFile}, {"OpenVekFileOld", OpenVekFileOld}};

TEST_F(OpenExportTest, ResultAndCodeOfExpansionAndCheck) {
  struct Case {
    const char* name;
    bool pakkelWithoutFunctions;  // a Pakkel that cannot unpack is found first
    bool checkFails;              // the conversion of the estimate database fails
    bool notAnEstimate;
    bool missingWork;
    int result;
    const char* code;
    bool checked;  // the checker was asked
  };
  const Case cases[] = {
      {"both pass", false, false, false, false, 1, "", true},
      {"unpacking fails, the check passes", true, false, false, false, 0, "E04000015", true},
      {"opened, the check fails", false, true, false, false, 0, "E06000001", true},
      {"both fail: the check's code is left", false, true, true, false, 0, "E06000001", true},
      {"not an estimate, the check passes", false, false, true, false, 0, "E03000004", true},
      // The check cannot read the missing folder's OvDBInfo.ini: its code is the last one written.
      {"missing work folder", false, false, false, true, 0, "E04000001", false},
  };
  for (const auto& [openName, open] : kOpens) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(openName) + ", " + c.name);
      fake_outside::Scenario fakes(Utf8(dir / "fakes"));
      if (c.checkFails) {
        fakes.SetConversion(2, {"UPDATE a SET b = 1"});
        fakes.SetResultOfCall("DorvikSqlEm", "ExecuteSQL", 1, 0, "E09990001");
      }
      // The fake checker, and Pakkel: the one that unpacks, or one without its functions.
      const std::string pakkel = c.pakkelWithoutFunctions ? FAKE_PAKKEL_BARE_DIR : SAVE_PAKKEL_DIR;
      setenv("VEK_MODULE_PATH", (fake_outside::FakesFolder("normal") + ":" + pakkel).c_str(), 1);
      std::string file = vek;
      if (c.notAnEstimate) {
        file = dir / "other.vek";
        testing_support::WriteRaw(Utf8(file), "MZ this is no estimate file" + std::string(400, '\0'));
      }
      FreshWork();
      std::string into = c.missingWork ? dir / "none" : work;
      char code[10] = {};
      EXPECT_EQ(open(file.c_str(), into.c_str(), code), c.result);
      EXPECT_EQ(Code(code), c.code);
      bool asked = false;
      for (const std::string& name : fakes.CallNames()) asked = asked || name == "ZkDBFlVerChk.CheckDBVer";
      EXPECT_EQ(asked, c.checked);
      vek_fixture::Tree after = vek_fixture::ReadTree(work);
      EXPECT_EQ(after.count("cabtemp/"), 0u);
      if (c.result == 1) {
        after.erase("HeaderDt.ini");
        after.erase("HistryDt.ini");
        EXPECT_EQ(vek_fixture::TreeDiff(sourceTree, after), "");
      }
    }
  }
}

// A temporary folder that an opening cut short left no longer bars the folder; an opening still at work in it
// (its lock held) makes the second one wait and then fail without touching its folder.
TEST_F(OpenExportTest, ATemporaryFolderIsRemovedOnlyWhenItsOpeningIsGone) {
  fake_outside::Scenario fakes(Utf8(dir / "fakes"));
  setenv("VEK_MODULE_PATH", (fake_outside::FakesFolder("normal") + ":" + SAVE_PAKKEL_DIR).c_str(), 1);
  testing_support::FakeClockScope clock;
  for (const auto& [openName, open] : kOpens) {
    for (bool inProgress : {false, true}) {
      SCOPED_TRACE(std::string(openName) + (inProgress ? ", opening in progress" : ", opening cut short"));
      FreshWork();
      Shell("mkdir " + Quoted(Utf8(work + "/cabtemp")) + " && echo x > " + Quoted(Utf8(work + "/cabtemp/mine")));
      const vek_fixture::Tree before = vek_fixture::ReadTree(work);
      testing_support::ForeignLock other(work);
      if (!inProgress) other.Release();
      clock.clock.sleeps.clear();
      char code[10] = {};
      int result = open(vek.c_str(), work.c_str(), code);
      if (inProgress) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Code(code), "E04000012");
        EXPECT_EQ(vek_fixture::TreeDiff(before, vek_fixture::ReadTree(work)), "") << "another opening's folder stays";
        unsigned waited = 0;
        for (unsigned ms : clock.clock.sleeps) waited += ms;
        EXPECT_GE(waited, 15000u);
      } else {
        EXPECT_EQ(result, 1) << Code(code);
        vek_fixture::Tree after = vek_fixture::ReadTree(work);
        after.erase("HeaderDt.ini");
        after.erase("HistryDt.ini");
        EXPECT_EQ(vek_fixture::TreeDiff(sourceTree, after), "") << "no cabtemp stays";
      }
    }
  }
}

}  // namespace

#endif  // VEK_OUTSIDE_FAKES_DIR
