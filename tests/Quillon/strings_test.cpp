#include "QuillonStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(QuillonStrings, TextsAreTheTableBytes) {
  // A full-width bracket and one (0x82 0x50) in the code, a blank before the line feed, the wave dash.
  std::string m1016 = quillon::LoadString(1016);
  EXPECT_EQ(m1016.substr(m1016.size() - 10), "\x81\x69SE00\x82\x50" "6)");
  std::string m1003 = quillon::LoadString(1003);
  EXPECT_NE(m1003.find("\x81\x42 \n"), std::string::npos);  // "。 \n"
  std::string m2025 = quillon::LoadString(2025);
  EXPECT_NE(m2025.find("05:00\x81\x60" "24:00"), std::string::npos);
  EXPECT_NE(m2025.find("\r\n"), std::string::npos);
  EXPECT_STREQ(quillon::LoadString(57344), "\x83\x94\x83\x42\x83\x58\x83\x67\x83\x8C\x83\x8B");
}

TEST(QuillonStrings, IdsOfTheTable) {
  int ids[] = {1, 2, 200, 1000, 1017, 2000, 2019, 2021, 2026, 3000, 3001, 57344};
  for (int id : ids) EXPECT_STRNE(quillon::LoadString(id), "") << id;
  EXPECT_STREQ(quillon::LoadString(2020), "");
  EXPECT_STREQ(quillon::LoadString(1018), "");
}

}  // namespace
