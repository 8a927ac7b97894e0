// The writer's quick judgement of data that deflate would not shrink (compiled in from the library's source:
// it is not exported).
#include <gtest/gtest.h>

#include "cab_test_support.h"
#include "compressibility.h"

namespace {

TEST(Compressibility, OnlyDataWithoutRedundancyIsJudgedIncompressible) {
  const std::string half = cabtest::RandomBytes(16384, 1);
  std::string everyByte;
  for (int i = 0; i < 32768; ++i) everyByte += static_cast<char>(i % 251);
  std::string jpegLike = "\xFF\xD8\xFF\xE1" + cabtest::RandomBytes(32764, 2);
  const struct {
    const char* name;
    std::string bytes;
    bool incompressible;
  } cases[] = {
      {"random bytes", cabtest::RandomBytes(32768, 3), true},
      {"random bytes behind a JPEG marker", jpegLike, true},
      {"random bytes, the smallest block judged", cabtest::RandomBytes(4096, 4), true},
      {"random bytes, too few to judge", cabtest::RandomBytes(4095, 5), false},
      {"text", cabtest::Text(32768, 6), false},
      {"zeros", std::string(32768, '\0'), false},
      {"random bytes repeated", half + half, false},
      {"every byte value as often, in a repeating run", everyByte, false},
      {"text, then random bytes", cabtest::Text(6000, 7) + cabtest::RandomBytes(32768 - 6000, 8), false},
      {"random bytes over half the byte values", [] {
         std::string s = cabtest::RandomBytes(32768, 9);
         for (char& c : s) c = static_cast<char>(static_cast<unsigned char>(c) & 0x7F);
         return s;
       }(), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cabinet::IsIncompressible(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()),
              c.incompressible)
        << c.name;
  }
}

}  // namespace
