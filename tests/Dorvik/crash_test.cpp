// A process killed at any moment of a change: a save, a history deletion, the agreed lock and an opening run in a
// child (dorvik_op) that strace kills at its Nth call of each system call that changes files (write, rename,
// link, unlink, mkdir, fsync, ...), for every N the operation makes. After each kill the estimate file under its
// name is the old or the complete new one, and the same operation run again on the same folder and file
// succeeds, gives the complete new estimate (header and history kept) and leaves nothing of the killed one
// behind: no backup, temporary file or temporary folder beside the estimate, in the work folder or in the
// temporary folder. A kill before a call leaves what the calls before it did, so every state an operation passes
// through is met (opening a file, which changes nothing until it is written to, is not among the calls).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "op_fixture.h"

using testing_support::ReadRaw;
using vek_fixture::Quoted;
using vek_fixture::Tree;

namespace {

const char kFileChangingCalls[] =
    "write,pwrite64,writev,pwritev,pwritev2,sendfile,copy_file_range,ftruncate,truncate,fsync,fdatasync,"
    "rename,renameat,renameat2,link,linkat,symlink,symlinkat,unlink,unlinkat,mkdir,mkdirat,rmdir,chmod,fchmod,"
    "fchmodat,utimensat,setxattr,lsetxattr,fsetxattr,removexattr,lremovexattr,fremovexattr";

bool StraceWorks() { return std::system("strace -qq -o /dev/null true >/dev/null 2>&1") == 0; }

class CrashTest : public op_fixture::OpFixture {
 protected:
  void SetUp() override {
    if (!StraceWorks()) GTEST_SKIP() << "strace cannot trace processes here";
    OpFixture::SetUp();
  }

  // How often a run of args makes each file-changing call.
  std::map<std::string, int> Calls(const std::vector<std::string>& args) {
    const std::string log = dir / "trace.log";
    Op(args, "strace -f -qq -o " + Quoted(log) + " -e trace=" + kFileChangingCalls + " ");
    std::map<std::string, int> calls;
    const std::string text = ReadRaw(log);
    static const std::regex call(R"(^\d+ +([a-z0-9_]+)\()");
    std::size_t from = 0;
    while (from < text.size()) {
      std::size_t end = text.find('\n', from);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(from, end - from);
      std::smatch m;
      if (std::regex_search(line, m, call)) ++calls[m[1]];
      from = end + 1;
    }
    return calls;
  }

  // Counts the file-changing calls of args, then kills it at each in turn from the state SetUp left; after each
  // kill, check() looks at what is left and runs the next operation. Gives the number of kills.
  int KillEverywhere(const std::vector<std::string>& args, const std::function<void()>& check) {
    Restore();
    const std::map<std::string, int> calls = Calls(args);
    int kills = 0;
    for (const auto& [syscall, count] : calls) {
      for (int nth = 1; nth <= count; ++nth) {
        SCOPED_TRACE(syscall + " call " + std::to_string(nth) + " of " + std::to_string(count));
        Restore();
        const std::string out = Op(args, "strace -f -qq -o /dev/null -e trace=" + syscall + " -e inject=" + syscall +
                                             ":signal=SIGKILL:when=" + std::to_string(nth) + " ");
        EXPECT_TRUE(out.empty()) << "not killed: " << out;
        check();
        ++kills;
      }
    }
    std::string made;
    for (const auto& [syscall, count] : calls) made += " " + syscall + " " + std::to_string(count);
    std::printf("%s killed at each of its %d file-changing calls:%s\n", args[0].c_str(), kills, made.c_str());
    return kills;
  }
};

TEST_F(CrashTest, ASaveKilledAtAnyCall) {
  const std::vector<std::string> save = {"save", work, vek, "9"};
  Restore();
  ASSERT_TRUE(Succeeded(Op(save)));
  const std::string newVek = ReadRaw(vek);
  ASSERT_NE(newVek, oldVek);
  int kills = KillEverywhere(save, [&] {
    const std::string now = ReadRaw(vek);
    EXPECT_TRUE(now == oldVek || now == newVek) << "neither the old nor the new estimate file";
    EXPECT_EQ(vek_fixture::TreeDiff(oldWork, vek_fixture::ReadTree(work)).find("HeaderDt.ini"), std::string::npos)
        << "the header INI file stays";
    // The same save of the same folder: the same estimate.
    const std::string again = Op(save);
    EXPECT_TRUE(Succeeded(again)) << again;
    EXPECT_TRUE(ReadRaw(vek) == newVek) << "the header and history of the work folder";
    EXPECT_EQ(vek_fixture::TreeDiff(oldWork, vek_fixture::ReadTree(work)), "");
    ExpectNoDebris();
  });
  EXPECT_GT(kills, 20);
}

// The changes of an estimate file without a work folder: the history deletion (a new file through a backup) and
// the agreed lock (in place).
TEST_F(CrashTest, ChangesOfAnEstimateFileKilledAtAnyCall) {
  struct Case {
    std::vector<std::string> args;
    int leastCalls;
  } cases[] = {{{"delete", vek}, 5}, {{"agreed", vek, "pass"}, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    Restore();
    ASSERT_TRUE(Succeeded(Op(c.args)));
    const std::string newVek = ReadRaw(vek);
    int kills = KillEverywhere(c.args, [&] {
      const std::string now = ReadRaw(vek);
      EXPECT_TRUE(now == oldVek || now == newVek) << "neither the old nor the new estimate file";
      const std::string again = Op(c.args);
      EXPECT_TRUE(Succeeded(again)) << again;
      EXPECT_TRUE(ReadRaw(vek) == newVek);
      ExpectNoDebris();
    });
    EXPECT_GE(kills, c.leastCalls);
  }
}

TEST_F(CrashTest, AnOpeningKilledAtAnyCall) {
  const std::vector<std::string> open = {"open", vek, into};
  Restore();
  ASSERT_TRUE(Succeeded(Op(open)));
  const Tree opened = vek_fixture::ReadTree(into);
  ASSERT_TRUE(opened.count("HeaderDt.ini") && opened.count("HistryDt.ini"));
  int kills = KillEverywhere(open, [&] {
    EXPECT_TRUE(ReadRaw(vek) == oldVek);
    // The next opening into the same folder: the same files, header and history INI files included.
    const std::string again = Op(open);
    EXPECT_TRUE(Succeeded(again)) << again;
    EXPECT_EQ(vek_fixture::TreeDiff(opened, vek_fixture::ReadTree(into)), "") << "no cabtemp, no temporary file";
    ExpectNoDebris();
  });
  EXPECT_GT(kills, 10);
}

}  // namespace
