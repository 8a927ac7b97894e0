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
  EXPECT_STREQ(quillon::LoadString(1019), "");
  // The folder held by another form of the user: a system error of its own, with the folder.
  EXPECT_STREQ(quillon::LoadString(quillon::kMessageFormOpenElsewhere),
               "\x93\xAF\x82\xB6\x83\x86\x81\x5B\x83\x55\x82\xCC\x95\xCA\x82\xCC\x89\xE6\x91\x9C"
               "\x93\x6F\x98\x5E\x89\xE6\x96\xCA\x82\xAA\x8A\x4A\x82\xA2\x82\xC4\x82\xA2\x82\xDC\x82\xB7"
               "[%s]\x81\x42\n\x8A\x4A\x82\xA2\x82\xC4\x82\xA2\x82\xE9\x89\xE6\x96\xCA\x82\xF0\x95\xC2"
               "\x82\xB6\x82\xC4\x82\xA9\x82\xE7\x81\x41\x82\xE0\x82\xA4\x88\xEA\x93\x78\x82\xE2\x82\xE8"
               "\x92\xBC\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42(SE0018)");
}

}  // namespace
