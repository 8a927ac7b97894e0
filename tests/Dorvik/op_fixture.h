// Operations of the library in processes of their own (dorvik_op) on one estimate file and one work folder made
// by the fixture generator and the peer gcab: the state to start from, put back before every run; one run, one
// run under strace, or two runs started at once.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "vek_fixture.h"

namespace op_fixture {

using testing_support::ReadRaw;
using testing_support::Utf8;
using vek_fixture::Quoted;
using vek_fixture::Shell;
using vek_fixture::Tree;

// Every name is ASCII, so that the paths pass through the shell and the arguments of dorvik_op as they are.
class OpFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    const std::string source = dir / "source";
    vek_fixture::MakeWorkTree(source, 20000);
    const std::string cab = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    target = dir / "estimates";
    vek = target + "/e.vek";
    work = dir / "work";
    into = dir / "into";
    tmp = dir / "tmp";
    Shell("mkdir " + Quoted(target) + " " + Quoted(work) + " " + Quoted(into) + " " + Quoted(tmp));
    ASSERT_TRUE(vek_fixture::Write(vek, vek_fixture::WithEntries(2), ReadRaw(cab)));
    char code[10] = {};
    setenv("VEK_MODULE_PATH", SAVE_PAKKEL_DIR, 1);
    ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code), 1) << vek_fixture::Code(code);
    // Copies that keep the files' times, so that every save packs the same cabinet.
    Shell("cp -a " + Quoted(work) + " " + Quoted(dir / "work.kept") + " && cp -a " + Quoted(vek) + " " +
          Quoted(dir / "e.vek.kept"));
    oldVek = ReadRaw(vek);
    oldWork = vek_fixture::ReadTree(work);
  }

  // The estimate file, the work folder, the folder opened into and the temporary folder as SetUp left them.
  void Restore() {
    Shell("rm -rf " + Quoted(target) + " " + Quoted(work) + " " + Quoted(into) + " " + Quoted(tmp) + " && mkdir " +
          Quoted(target) + " " + Quoted(into) + " " + Quoted(tmp) + " && cp -a " + Quoted(dir / "work.kept") + " " +
          Quoted(work) + " && cp -a " + Quoted(dir / "e.vek.kept") + " " + Quoted(vek));
  }

  // dorvik_op args run through sh with the test's temporary folder, after prefix (strace and its options).
  // Gives what it printed ("1 " and the code on success; empty when it was killed first).
  std::string Op(const std::vector<std::string>& args, const std::string& prefix = {}) {
    std::string command = "TMPDIR=" + Quoted(tmp) + " " + prefix + Quoted(DORVIK_OP);
    for (const std::string& a : args) command += " " + Quoted(a);
    const std::string out = dir / "op.out";
    std::remove(out.c_str());
    std::system((command + " > " + Quoted(out) + " 2>/dev/null").c_str());
    return ReadRaw(out);
  }

  // Two operations started at the same moment: both wait on one pipe that is closed when both run.
  std::pair<std::string, std::string> Together(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    int start[2];
    if (pipe(start) != 0) return {};
    const std::string outs[2] = {dir / "a.out", dir / "b.out"};
    std::fflush(nullptr);  // else the children write out what this process has buffered
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
      const std::vector<std::string>& args = i == 0 ? a : b;
      children[i] = fork();
      if (children[i] == 0) {
        close(start[1]);
        std::FILE* out = std::freopen(outs[i].c_str(), "w", stdout);
        if (!out) _exit(3);
        setenv("TMPDIR", tmp.c_str(), 1);
        setenv("VEK_OP_START_FD", std::to_string(start[0]).c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(DORVIK_OP)};
        for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
        argv.push_back(nullptr);
        execv(DORVIK_OP, argv.data());
        _exit(4);
      }
    }
    close(start[0]);
    close(start[1]);
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
    }
    return {ReadRaw(outs[0]), ReadRaw(outs[1])};
  }

  static bool Succeeded(const std::string& out) { return out.rfind("1 ", 0) == 0; }

  // Nothing but the estimate file beside it, and nothing left in the temporary folder.
  void ExpectNoDebris() {
    EXPECT_EQ(vek_fixture::List(target), std::vector<std::string>{"e.vek"});
    EXPECT_TRUE(vek_fixture::List(tmp).empty());
  }

  testing_support::TempFolder dir;
  std::string target, vek, work, into, tmp, oldVek;
  Tree oldWork;
};

}  // namespace op_fixture
