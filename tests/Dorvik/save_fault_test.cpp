// Every file operation of a save (and of an opening) failing in turn, on an estimate of the generator around a
// cabinet of the peer gcab: the estimate file under its name is the old one or the complete new one, the work
// folder keeps its files (its INI files too), nothing else stays beside the estimate, and the code is one the
// operation gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "platform/fault.h"
#include "vek_fixture.h"

using testing_support::ReadRaw;
using testing_support::Utf8;
using vek_fixture::Code;
using vek_fixture::Quoted;
using vek_fixture::Shell;
using vek_fixture::Tree;

namespace {

class SaveFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    const std::string source = dir / "元データ";
    vek_fixture::MakeWorkTree(source, 40000);
    const std::string cab = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    target = dir / "保存先";
    vek = target + "/見積.vek";
    work = dir / "作業";
    snapshot = dir / "作業の写し";
    Shell("mkdir " + Quoted(Utf8(target)) + " " + Quoted(Utf8(work)));
    ASSERT_TRUE(vek_fixture::Write(vek, vek_fixture::WithEntries(2), ReadRaw(cab)));
    oldVek = vek_fixture::Read(vek);
    CZkVekFileOperation open(vek.c_str());
    char code[10] = {};
    ASSERT_EQ(open.OpenVekFile(work.c_str(), code), 1) << Code(code);
    // A copy that keeps the files' times, so that every save packs the same cabinet.
    Shell("cp -a " + Quoted(Utf8(work)) + " " + Quoted(Utf8(snapshot)));
    oldWork = vek_fixture::ReadTree(work);
  }
  void TearDown() override { platform::ClearFaults(); }
  void Restore() {
    Shell("rm -rf " + Quoted(Utf8(work)) + " && cp -a " + Quoted(Utf8(snapshot)) + " " + Quoted(Utf8(work)));
    Shell("rm -rf " + Quoted(Utf8(target)) + " && mkdir " + Quoted(Utf8(target)));
    testing_support::WriteRaw(Utf8(vek), oldVek);
  }

  testing_support::EnvVarScope modulePath{"VEK_MODULE_PATH", SAVE_PAKKEL_DIR};
  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
  std::string target, vek, work, snapshot, oldVek;
  Tree oldWork;
};

TEST_F(SaveFaultTest, EveryFailingFileOperationOfASave) {
  const HistoryInfo entry = vek_fixture::EntryRecord(9);
  struct Case {
    const char* name;
    int (*save)(const char*, const char*, int, const void*, const void*, char*);
  } cases[] = {{"SaveVekFile", SaveVekFile}, {"SaveVekFileOld", SaveVekFileOld}};
  const std::set<std::string> codes = {"E03000003", "E03000016", "E04000002", "E04000003", "E04000004",
                                       "E04000005", "E04000006", "E04000007", "E04000011", "E04000013",
                                       "E04000014", "E04001301", "E01000001", "E01000003"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char code[10] = {};
    auto run = [&] { return c.save(work.c_str(), vek.c_str(), 0, nullptr, &entry, code); };
    // The clean run: the new file and the work folder after a save.
    Restore();
    ASSERT_EQ(run(), 1) << Code(code);
    const std::string newVek = vek_fixture::Read(vek);
    const Tree newWork = vek_fixture::ReadTree(work);
    ASSERT_NE(newVek, oldVek);
    EXPECT_EQ(vek_fixture::TreeDiff(oldWork, newWork), "");

    int runs = vek_fixture::ForEveryFault(
        [&] {
          Restore();
          std::fill(code, code + sizeof code, 0);
        },
        run,
        [&](platform::FileOp op, int n, int result) {
          SCOPED_TRACE(std::string(vek_fixture::OpName(op)) + " call " + std::to_string(n));
          const std::string now = vek_fixture::Read(vek);
          EXPECT_EQ(vek_fixture::List(target), std::vector<std::string>{Utf8("見積.vek")})
              << "no backup or temporary file stays";
          Tree after = vek_fixture::ReadTree(work);
          if (result == 1) {
            EXPECT_TRUE(now == newVek);
            EXPECT_EQ(vek_fixture::TreeDiff(newWork, after), "");
            return;
          }
          EXPECT_TRUE(codes.count(Code(code))) << Code(code);
          EXPECT_TRUE(now == oldVek || now == newVek) << "neither the old nor the new file";
          // An undeletable cabinet is the one thing a failed save leaves in the work folder.
          if (Code(code) == "E04000013") {
            for (auto it = after.begin(); it != after.end();) {
              it = it->first.rfind("EstimateData", 0) == 0 ? after.erase(it) : std::next(it);
            }
          }
          EXPECT_EQ(vek_fixture::TreeDiff(oldWork, after), "") << "the work folder keeps its INI files";
        });
    EXPECT_GT(runs, 20);
  }
}

TEST_F(SaveFaultTest, EveryFailingFileOperationOfAnOpening) {
  struct Case {
    const char* name;
    bool whole;
  } cases[] = {{"OpenVekFile", false}, {"OpenVekFileOld", true}};
  const std::set<std::string> codes = {"E03000002", "E04000004", "E04000007", "E04000012", "E04000013",
                                       "E04000015", "E01000003"};
  const std::string into = dir / "展開先";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char code[10] = {};
    auto run = [&] {
      CZkVekFileOperation operation(vek.c_str());
      return c.whole ? operation.OpenVekFileOld(into.c_str(), code) : operation.OpenVekFile(into.c_str(), code);
    };
    int runs = vek_fixture::ForEveryFault(
        [&] {
          Shell("rm -rf " + Quoted(Utf8(into)) + " && mkdir " + Quoted(Utf8(into)));
          std::fill(code, code + sizeof code, 0);
        },
        run,
        [&](platform::FileOp op, int n, int result) {
          SCOPED_TRACE(std::string(vek_fixture::OpName(op)) + " call " + std::to_string(n));
          Tree after = vek_fixture::ReadTree(into);
          EXPECT_TRUE(vek_fixture::Read(vek) == oldVek);
          if (result == 1) {
            EXPECT_EQ(vek_fixture::TreeDiff(oldWork, after), "");
            return;
          }
          EXPECT_TRUE(codes.count(Code(code))) << Code(code);
          EXPECT_EQ(after.count("cabtemp/"), 0u) << "a failed opening must not bar the next one";
          // What stays is whole: a half-written photo would be packed by the next save.
          for (const auto& [name, bytes] : after) {
            auto it = oldWork.find(name);
            EXPECT_TRUE(it != oldWork.end() && it->second == bytes) << name << " is not the file the estimate holds";
          }
        });
    EXPECT_GT(runs, 10);
  }
}

}  // namespace
