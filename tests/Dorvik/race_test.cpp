// Two processes on one estimate file and one work folder, started at the same moment, 100 rounds of each
// pairing: two saves, a save and a history deletion, a save and the agreed lock, a save and an opening. Both
// succeed (one waits for the other's lock), and what is left is what the two give run one after the other in
// one order or the other, byte for byte: never a header of zeros, never a history lost, never a change that a
// success reported and that is not there.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "op_fixture.h"

using testing_support::ReadRaw;
using vek_fixture::Tree;

namespace {

constexpr int kRounds = 100;

class RaceTest : public op_fixture::OpFixture {
 protected:
  // The estimate file after the operations run one after the other from the state SetUp left.
  std::string After(const std::vector<std::vector<std::string>>& operations) {
    Restore();
    for (const auto& args : operations) EXPECT_TRUE(Succeeded(Op(args))) << args[0];
    return ReadRaw(vek);
  }

  // Runs a and b at once for kRounds rounds; outcome() names the order the state left shows, or gives an empty
  // name for a state that no order gives. Prints how often each order came.
  void Race(const std::vector<std::string>& a, const std::vector<std::string>& b,
            const std::function<std::string()>& outcome) {
    std::map<std::string, int> orders;
    for (int round = 0; round < kRounds; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      Restore();
      auto [outA, outB] = Together(a, b);
      EXPECT_TRUE(Succeeded(outA)) << a[0] << ": " << outA;
      EXPECT_TRUE(Succeeded(outB)) << b[0] << ": " << outB;
      const std::string order = outcome();
      EXPECT_FALSE(order.empty()) << "a state that neither order leaves";
      ++orders[order.empty() ? "neither" : order];
      ExpectNoDebris();
    }
    std::string counts;
    for (const auto& [order, n] : orders) counts += " " + order + ": " + std::to_string(n) + ";";
    std::printf("%s and %s, %d rounds:%s\n", a[0].c_str(), b[0].c_str(), kRounds, counts.c_str());
  }

  // A save of the work folder into the estimate file with the new entry n.
  std::vector<std::string> Save(int n) const { return {"save", work, vek, std::to_string(n)}; }
};

TEST_F(RaceTest, TwoSavesFromOneWorkFolder) {
  const std::vector<std::string> save9 = Save(9), save8 = Save(8);
  const std::string saved9 = After({save9}), saved8 = After({save8});
  ASSERT_NE(saved9, saved8);
  Race(save9, save8, [&] {
    const std::string now = ReadRaw(vek);
    EXPECT_EQ(vek_fixture::TreeDiff(oldWork, vek_fixture::ReadTree(work)), "") << "the work folder as it was";
    return now == saved8 ? std::string("8 last") : now == saved9 ? std::string("9 last") : std::string();
  });
}

// A save and a change of the estimate file alone: the history deletion, the agreed lock.
TEST_F(RaceTest, ASaveAndAChangeOfTheEstimateFile) {
  const std::vector<std::string> save9 = Save(9);
  for (const std::vector<std::string>& change : {std::vector<std::string>{"delete", vek},
                                                 std::vector<std::string>{"agreed", vek, "pass"}}) {
    SCOPED_TRACE(change[0]);
    const std::string saveFirst = After({save9, change}), changeFirst = After({change, save9});
    Race(save9, change, [&] {
      const std::string now = ReadRaw(vek);
      return now == saveFirst ? std::string("save first") : now == changeFirst ? change[0] + " first" : std::string();
    });
  }
}

TEST_F(RaceTest, ASaveAndAnOpeningIntoItsWorkFolder) {
  const std::vector<std::string> save9 = Save(9);
  const std::vector<std::string> open = {"open", vek, work};
  // The estimate is the saved one in either order; the work folder is what the opening unpacked.
  const std::string saved = After({save9});
  After({save9, open});
  const Tree saveFirst = vek_fixture::ReadTree(work);
  After({open, save9});
  const Tree openFirst = vek_fixture::ReadTree(work);
  Race(save9, open, [&] {
    EXPECT_TRUE(ReadRaw(vek) == saved);
    const Tree now = vek_fixture::ReadTree(work);
    if (vek_fixture::TreeDiff(saveFirst, now).empty()) return std::string("save first");
    return vek_fixture::TreeDiff(openFirst, now).empty() ? std::string("opening first") : std::string();
  });
}

}  // namespace
