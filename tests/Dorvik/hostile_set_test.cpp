// Estimates whose cabinet names the opening's own temporary cabinet as its next one, so that the cabinet reader
// would read the one cabinet again and again as a set (cabinets of the independent set generator,
// tests/fixtures/make_cab_set.py): both openings refuse the archive whole and unpack nothing. The sanitizer
// build shows that no freed record is read on the way.
#include <gtest/gtest.h>

#include <string>

#include "ZkUtilities.h"
#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "vek_fixture.h"

using testing_support::ReadRaw;
using testing_support::Utf8;
using vek_fixture::Code;
using vek_fixture::Quoted;
using vek_fixture::Shell;

namespace {

class HostileSetTest : public ::testing::Test {
 protected:
  void SetUp() override { dorvik_test::ResetSettings(); }

  // The first cabinet of the scenario, its next cabinet renamed to next.
  std::string FirstCabinet(const std::string& scenario, const std::string& next) {
    const std::string out = Utf8(dir / ("set-" + scenario));
    const std::string generator = testing_support::SourceDir() + "/tests/fixtures/make_cab_set.py";
    if (Shell("python3 " + Quoted(generator) + " " + scenario + " " + Quoted(out) + " --first-next " + Quoted(next)) !=
        0) {
      return {};
    }
    return ReadRaw(out + "/" + ReadRaw(out + "/first.txt"));
  }

  testing_support::EnvVarScope modulePath{"VEK_MODULE_PATH", SAVE_PAKKEL_DIR};
  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
};

TEST_F(HostileSetTest, ACabinetThatGoesOnInTheTemporaryCabinetIsRefused) {
  struct Open {
    const char* name;
    bool whole;
    std::string temporary;  // the name of the opening's temporary cabinet, which the estimate can know
  } opens[] = {{"OpenVekFile", false, "EstimateData" + CZkUtilities::GetTimeStamp() + ".cab"},
               {"OpenVekFileOld", true, "EstimateData.cab"}};
  struct Case {
    const char* why;
    const char* scenario;
  } cases[] = {
      {"a sound first cabinet", "sound-two"},
      {"a both-ways file beside a second folder", "middle-both-ways-beside-second-folder"},
  };
  for (const Open& o : opens) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(o.name) + ", " + c.why);
      const std::string cabinet = FirstCabinet(c.scenario, o.temporary);
      ASSERT_FALSE(cabinet.empty());
      const std::string vek = dir / "見積.vek", work = dir / "作業";
      ASSERT_TRUE(vek_fixture::Write(vek, vek_fixture::WithEntries(1), cabinet));
      Shell("rm -rf " + Quoted(Utf8(work)) + " && mkdir " + Quoted(Utf8(work)));
      CZkVekFileOperation operation(vek.c_str());
      char code[10] = {};
      EXPECT_EQ(o.whole ? operation.OpenVekFileOld(work.c_str(), code) : operation.OpenVekFile(work.c_str(), code), 0);
      EXPECT_EQ(Code(code), "E04000015");
      vek_fixture::Tree after = vek_fixture::ReadTree(work);
      after.erase("HeaderDt.ini");
      after.erase("HistryDt.ini");
      EXPECT_EQ(vek_fixture::TreeDiff({}, after), "") << "nothing of the archive is unpacked";
    }
  }
}

}  // namespace
