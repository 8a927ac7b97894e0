// FIFOs, devices and folders where the library expects a regular file: an estimate file, a work folder's INI
// file, a photograph among the files a save packs. Each call answers within seconds: a refusal with its code, or
// a save that leaves the special file out as it leaves out a link.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "platform/files.h"
#include "vek_fixture.h"

using testing_support::ChildEnd;
using testing_support::ReadRaw;
using testing_support::RunInChildWithin;
using testing_support::SpecialCase;
using testing_support::SpecialKind;
using testing_support::Utf8;
using vek_fixture::Code;
using vek_fixture::Quoted;
using vek_fixture::Shell;

namespace {

constexpr int kLimitSeconds = 20;

class DorvikSpecialFileTest : public ::testing::TestWithParam<SpecialCase> {
 protected:
  void SetUp() override {
    if (!testing_support::CanMakeSpecial(GetParam().kind)) {
      GTEST_SKIP() << "no " << GetParam().name << " can be made here";
    }
    dorvik_test::ResetSettings();
    const std::string source = dir / "source";
    vek_fixture::MakeWorkTree(source, 3000);
    const std::string cab = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    vek = dir / "見積.vek";
    work = dir / "作業";
    Shell("mkdir " + Quoted(Utf8(work)));
    ASSERT_TRUE(vek_fixture::Write(vek, vek_fixture::WithEntries(1), ReadRaw(cab)));
  }
  // How a call made in a child with a limit ended: "ok" when it returned expected (1, or 0 with a code; either
  // when expected is empty), else "wrong result", "hang" or "crash".
  static std::string CodeWithin(const std::function<int(char* code)>& call, std::optional<bool> expected) {
    const ChildEnd end = RunInChildWithin(kLimitSeconds, [&] {
      char code[10] = {};
      const bool done = call(code) == 1;
      return !expected || (done == *expected && (done || Code(code).size() == 9));
    });
    switch (end) {
      case ChildEnd::True:
        return "ok";
      case ChildEnd::False:
        return "wrong result";
      case ChildEnd::Crashed:
        return "crash";
      case ChildEnd::TimedOut:
        return "hang";
    }
    return "";
  }

  testing_support::EnvVarScope modulePath{"VEK_MODULE_PATH", SAVE_PAKKEL_DIR};
  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
  std::string vek, work;
};

TEST_P(DorvikSpecialFileTest, AnEstimateFileNamedBySomethingElseIsRefused) {
  const std::string special = dir / "x.vek";
  ASSERT_TRUE(testing_support::MakeSpecial(special, GetParam().kind));
  const char* path = special.c_str();
  EXPECT_EQ(CodeWithin([&](char* code) { return OpenVekFile(path, work.c_str(), code); }, false), "ok")
      << "OpenVekFile";
  EXPECT_EQ(CodeWithin([&](char* code) { return OpenVekFileOld(path, work.c_str(), code); }, false), "ok")
      << "OpenVekFileOld";
  HeaderInfo info{};
  EXPECT_EQ(CodeWithin([&](char* code) { return ReadFileHeaderInfo(path, &info, code); }, false), "ok")
      << "ReadFileHeaderInfo";
  char signature[5] = {}, version[5] = {};
  EXPECT_EQ(CodeWithin([&](char* code) { return ReadFileSignature(path, signature, version, code); }, false), "ok")
      << "ReadFileSignature";
}

TEST_P(DorvikSpecialFileTest, AWorkFolderIniFileNamedBySomethingElseIsRefused) {
  char code[10] = {};
  ASSERT_EQ(OpenVekFile(vek.c_str(), work.c_str(), code), 1) << Code(code);
  for (const char* name : {"HeaderDt.ini", "OvDBInfo.ini"}) {
    SCOPED_TRACE(name);
    const std::string ini = work + "/" + name;
    ASSERT_EQ(Shell("rm -rf " + Quoted(Utf8(ini))), 0);
    ASSERT_TRUE(testing_support::MakeSpecial(ini, GetParam().kind));
  }
  // A link loop leads to no file: the file is missing, with what that means for each reader.
  const std::optional<bool> refused =
      GetParam().kind == SpecialKind::LinkLoop ? std::nullopt : std::optional<bool>(false);
  EXPECT_EQ(CodeWithin(
                [&](char* c) {
                  HeaderData data{};
                  HeaderInfo info{};
                  return ReadFileHeaderINI(work.c_str(), &data, &info, c);
                },
                refused),
            "ok");
  EXPECT_EQ(CodeWithin(
                [&](char* c) {
                  LatestDatabaseFile names{};
                  return ReadDBInfoINI(work.c_str(), &names, c);
                },
                refused),
            "ok");
}

TEST_P(DorvikSpecialFileTest, ASaveLeavesSpecialFilesOutAndPacksTheRest) {
  char code[10] = {};
  ASSERT_EQ(OpenVekFile(vek.c_str(), work.c_str(), code), 1) << Code(code);
  const vek_fixture::Tree opened = vek_fixture::ReadTree(work);
  ASSERT_TRUE(testing_support::MakeSpecial(work + "/Image/P9999.jpg", GetParam().kind));
  ASSERT_TRUE(testing_support::MakeSpecial(work + "/special.dat", GetParam().kind));
  EXPECT_EQ(CodeWithin([&](char* c) { return SaveVekFileEx(work.c_str(), vek.c_str(), c); }, true), "ok");
  const std::string elsewhere = dir / "elsewhere";
  Shell("mkdir " + Quoted(Utf8(elsewhere)));
  ASSERT_EQ(OpenVekFile(vek.c_str(), elsewhere.c_str(), code), 1) << Code(code);
  vek_fixture::Tree packed = vek_fixture::ReadTree(elsewhere), own = opened;
  for (vek_fixture::Tree* t : {&packed, &own}) {
    t->erase("HeaderDt.ini");
    t->erase("HistryDt.ini");
  }
  // None of them has content to keep (an empty folder does not travel in a cabinet).
  EXPECT_EQ(vek_fixture::TreeDiff(own, packed), "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, DorvikSpecialFileTest, ::testing::ValuesIn(testing_support::SpecialCases()),
                         [](const ::testing::TestParamInfo<SpecialCase>& info) { return info.param.name; });

}  // namespace
