// Cabinet sets from the independent generator (tests/fixtures/make_cab_set.py): a sound set unpacks byte for
// byte; a set that breaks one rule of how its cabinets hang together is refused whole, before anything is
// written, through the FDI entry points and through Pakkel's and Lunnet's UncompressFile.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "Pakkel.h"
#include "cab_test_support.h"
#include "cabinet/fdi.h"
#include "fdi_harness.h"
#include "platform/module.h"
#include "test_support.h"

namespace {

using cabtest::FdiRun;
using cabtest::Quote;
using cabtest::Shell;
using testing_support::TempFolder;
using testing_support::Utf8;

namespace fs = std::filesystem;

class CabinetSet : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Pakkel.dll", "Lunnet.dll"}) {
      platform::ModuleHandle m = platform::LoadModule(name);
      ASSERT_TRUE(m) << platform::ModuleError();
      modules_.push_back(m);
      UncompressFileFn f = platform::GetFunctionAs<UncompressFileFn>(m, "UncompressFile");
      ASSERT_TRUE(f);
      uncompress_.emplace_back(name, f);
    }
  }
  void TearDown() override {
    for (platform::ModuleHandle m : modules_) platform::FreeModule(m);
  }

  // Unpacks folder/first (CP932, folder with its "/") through FDI, then through Pakkel and Lunnet, each into a
  // fresh folder; checks the result against the error wanted (FDIERROR_NONE: the files under expected).
  void Check(const TempFolder& t, const std::string& folder, const std::string& first, int error,
             const std::string& expected) {
    const auto want = error == FDIERROR_NONE ? cabtest::TreeOf(expected) : decltype(cabtest::TreeOf(""))();
    {
      fs::remove_all(t / "out");
      fs::create_directories(t / "out");
      FdiRun run(t / "out/");
      EXPECT_EQ(run.Copy(folder, first), error == FDIERROR_NONE);
      EXPECT_EQ(run.erf.erfOper, error);
      if (error != FDIERROR_NONE) {
        EXPECT_EQ(run.count(fdintCOPY_FILE), 0);
      }
      EXPECT_EQ(run.opens, run.closes);
      EXPECT_EQ(cabtest::TreeOf(t / "out"), want);
    }
    for (const auto& [name, uncompress] : uncompress_) {
      SCOPED_TRACE(name);
      fs::remove_all(t / "out");
      fs::create_directories(t / "out");
      EXPECT_EQ(uncompress((folder + first).c_str(), (t / "out").c_str()), error == FDIERROR_NONE ? 1 : 0);
      EXPECT_EQ(cabtest::TreeOf(t / "out"), want);
    }
  }

  std::vector<platform::ModuleHandle> modules_;
  std::vector<std::pair<std::string, UncompressFileFn>> uncompress_;
};

TEST_F(CabinetSet, SoundSetsUnpackByteForByte) {
  const char* scenarios[] = {"sound-two", "sound-stored", "sound-both-ways", "sound-no-continued-folder",
                             "sound-trail-5c-name"};
  for (const char* scenario : scenarios) {
    SCOPED_TRACE(scenario);
    TempFolder t;
    const std::string first = cabtest::MakeSet(scenario, t / "set");
    ASSERT_FALSE(first.empty());
    Check(t, t / "set/", first, FDIERROR_NONE, t / "set/expected");
    if (std::string(scenario) != "sound-trail-5c-name") {  // cabextract looks the CP932 name up as it stands
      std::string log;
      EXPECT_EQ(Shell("cabextract -q -d " + Quote(t / "peer") + " " + Quote(t / ("set/" + first)), &log), 0) << log;
      EXPECT_EQ(cabtest::TreeOf(t / "peer"), cabtest::TreeOf(t / "set/expected"));
    }
  }
}

TEST_F(CabinetSet, ASetThatBreaksARuleIsRefusedWhole) {
  struct Case {
    const char* scenario;
    int error;
  } cases[] = {
      // Decoders that join a both-ways file's folder beside a second folder keep a record they have freed.
      {"both-ways-beside-second-folder", FDIERROR_CORRUPT_CABINET},
      {"both-ways-without-prev-flag", FDIERROR_CORRUPT_CABINET},
      {"both-ways-without-next-flag", FDIERROR_CORRUPT_CABINET},
      {"to-next-without-next-flag", FDIERROR_CORRUPT_CABINET},
      {"from-prev-without-prev-flag", FDIERROR_CORRUPT_CABINET},
      {"next-without-prev-flag", FDIERROR_WRONG_CABINET},
      {"next-without-files", FDIERROR_CORRUPT_CABINET},
      {"next-folder-index-beyond", FDIERROR_CORRUPT_CABINET},
      {"first-continued-from-prev", FDIERROR_CORRUPT_CABINET},
      {"split-block-before-last-folder", FDIERROR_CORRUPT_CABINET},
      {"split-block-nothing-continued", FDIERROR_WRONG_CABINET},
      {"split-block-too-large", FDIERROR_WRONG_CABINET},
      {"set-id-differs", FDIERROR_WRONG_CABINET},
      {"index-skips", FDIERROR_WRONG_CABINET},
      {"index-repeats", FDIERROR_WRONG_CABINET},
      {"compression-differs", FDIERROR_WRONG_CABINET},
      {"continued-offset-differs", FDIERROR_WRONG_CABINET},
      {"continued-size-differs", FDIERROR_WRONG_CABINET},
      {"continued-name-differs", FDIERROR_WRONG_CABINET},
      {"continued-file-missing", FDIERROR_WRONG_CABINET},
      // Fewer files listed than go on: the comparison of the lists would read past the shorter one.
      {"continued-file-left-out", FDIERROR_WRONG_CABINET},
      {"continued-files-not-last", FDIERROR_WRONG_CABINET},
      // A decoder would drop the file without a word: the set would unpack without it.
      {"new-file-in-continued-folder", FDIERROR_WRONG_CABINET},
      {"continued-file-beyond-data", FDIERROR_CORRUPT_CABINET},
      {"split-block-not-split", FDIERROR_WRONG_CABINET},
      {"bad-checksum-in-next", FDIERROR_CORRUPT_CABINET},
      {"next-names-first", FDIERROR_WRONG_CABINET},
      {"set-too-long", FDIERROR_WRONG_CABINET},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    TempFolder t;
    const std::string first = cabtest::MakeSet(c.scenario, t / "set");
    ASSERT_FALSE(first.empty());
    Check(t, t / "set/", first, c.error, "");
  }
}

// The next cabinet's name is a file name of the first cabinet's folder and nothing more, even where what it
// would name as a path is there to be read.
TEST_F(CabinetSet, TheNextNameIsNeverAPath) {
  const char* scenarios[] = {"next-name-parent", "next-name-slash",    "next-name-backslash", "next-name-dot",
                             "next-name-dots",   "next-name-absolute", "next-name-empty"};
  for (const char* scenario : scenarios) {
    SCOPED_TRACE(scenario);
    TempFolder t;
    const std::string first = cabtest::MakeSet(scenario, t / "set");
    ASSERT_FALSE(first.empty());
    fs::create_directories(t / "elsewhere");
    fs::create_directories(t / "set/sub");
    fs::copy_file(t / "set/b.cab", t / "elsewhere/b.cab");
    fs::copy_file(t / "set/b.cab", t / "set/sub/b.cab");
    fs::copy_file(t / "set/b.cab", t / "set/sub\\b.cab");
    Check(t, t / "set/", first, FDIERROR_UNSAFE_NAME, "");
  }
}

// What the next name names must be a regular file, and not one the set already holds; a pipe or a device is
// never opened (its reader would wait for a writer, or read for good), so these run in a child with a limit.
TEST_F(CabinetSet, TheNextCabinetIsARegularFileNotYetInTheSet) {
  struct Case {
    std::string why;
    std::function<bool(const TempFolder&)> arrange;
    int error;
  };
  std::vector<Case> cases = {
      {"a link to the cabinet",
       [](const TempFolder& t) { return symlink((t / "set/b.real").c_str(), (t / "set/b.cab").c_str()) == 0; },
       FDIERROR_CABINET_NOT_FOUND},
      {"missing", [](const TempFolder&) { return true; }, FDIERROR_CABINET_NOT_FOUND},
      {"the first cabinet under a second name",
       [](const TempFolder& t) { return link((t / "set/a.cab").c_str(), (t / "set/b.cab").c_str()) == 0; },
       FDIERROR_WRONG_CABINET},
  };
  for (const testing_support::SpecialCase& special : testing_support::SpecialCases()) {
    if (!testing_support::CanMakeSpecial(special.kind)) continue;
    cases.push_back({special.name,
                     [kind = special.kind](const TempFolder& t) { return testing_support::MakeSpecial(t / "set/b.cab", kind); },
                     FDIERROR_CABINET_NOT_FOUND});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    const std::string first = cabtest::MakeSet("sound-two", t / "set");
    ASSERT_FALSE(first.empty());
    fs::rename(t / "set/b.cab", t / "set/b.real");
    ASSERT_TRUE(c.arrange(t));
    const testing_support::ChildEnd end = testing_support::RunInChildWithin(20, [&] {
      Check(t, t / "set/", first, c.error, "");
      return !::testing::Test::HasFailure();
    });
    EXPECT_EQ(end, testing_support::ChildEnd::True) << "the child failed a check (its output above)";
  }
}

}  // namespace
