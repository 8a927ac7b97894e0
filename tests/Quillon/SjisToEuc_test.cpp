#include "SjisToEuc.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

namespace {

using quillon::ConvertSjisToEuc;

std::string Hex(std::string_view s) {
  std::string out;
  char b[4];
  for (unsigned char c : s) {
    std::snprintf(b, sizeof b, "%02X", c);
    out += b;
  }
  return out;
}

std::string Pair(int lead, int trail) { return {static_cast<char>(lead), static_cast<char>(trail)}; }

// glibc's converter, the oracle; false when it refuses the input.
bool Iconv(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char buffer[64];
  char* ip = const_cast<char*>(in.data());
  std::size_t il = in.size();
  char* op = buffer;
  std::size_t ol = sizeof buffer;
  bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  out.assign(buffer, static_cast<std::size_t>(op - buffer));
  return ok;
}

TEST(ConvertSjisToEuc, Vectors) {
  struct Case {
    const char* name;
    std::string sjis;
    std::string euc;
  } cases[] = {
      {"ascii and yen/overline bytes", "A\\~z", "A\\~z"},
      {"half-width katakana a", "\xB1", "\x8E\xB1"},
      {"half-width katakana range", "\xA1\xDF", "\x8E\xA1\x8E\xDF"},
      {"ideographic space", "\x81\x40", "\xA1\xA1"},
      {"first kanji", "\x88\x9F", "\xB0\xA1"},
      {"last JIS X 0208 kanji", "\xEA\xA4", "\xF4\xA6"},
      {"circled digit one", "\x87\x40", "\xAD\xA1"},
      {"NEC row 13 last", "\x87\x9C", "\xAD\xFC"},
      {"NEC-selected first", "\xED\x40", "\xF9\xA1"},
      {"NEC-selected small roman one", "\xEE\xEF", "\xFC\xF1"},
      {"NEC-selected last", "\xEE\xFC", "\xFC\xFE"},
      {"IBM small roman one", "\xFA\x40", "\xFC\xF1"},
      {"IBM roman one", "\xFA\x4A", "\xAD\xB5"},
      {"IBM not sign", "\xFA\x54", "\xFC\xFB"},
      {"IBM parenthesised kabu", "\xFA\x58", "\xAD\xEA"},
      {"IBM numero sign", "\xFA\x59", "\xAD\xE2"},
      {"IBM telephone sign", "\xFA\x5A", "\xAD\xE4"},
      {"IBM because", "\xFA\x5B", "\xAD\xFA"},
      {"IBM first kanji", "\xFA\x5C", "\xF9\xA1"},
      {"IBM trail 0x80", "\xFA\x80", "\xF9\xC4"},
      {"IBM row FB first", "\xFB\x40", "\xFA\xE3"},
      {"IBM last", "\xFC\x4B", "\xFC\xEE"},
      {"user-defined first", "\xF0\x40", "\x80\x80"},
      {"user-defined last", "\xF9\xFC", "\x80\x80"},
      {"unassigned row by arithmetic", "\x85\x40", "\xA9\xA1"},
      {"row 0xEF by arithmetic", "\xEF\x40", "\xFD\xA1"},
      {"FC beyond the IBM rows", "\xFC\x4C", "\x80\x80"},
      {"trail 0x7F consumed", "\x81\x7F" "A", "\x80\x80" "A"},
      {"space as trail consumed", "\x81 A", "\x80\x80" "A"},
      {"lead at the end", "A\x82", "A\x80\x80"},
      {"bytes outside both sets copied", "\x80\xA0\xFD\xFE\xFF", "\x80\xA0\xFD\xFE\xFF"},
      {"mixed text", "ｱ\x87\x40" "ab\xFA\x40", "\x8E\xB1\xAD\xA1" "ab\xFC\xF1"},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(ConvertSjisToEuc(c.sjis)), Hex(c.euc)) << c.name;
}

TEST(ConvertSjisToEuc, EveryPairWithoutAShiftJisTrailIsLostWithItsTrail) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead < 0xE0) continue;
    for (int trail = 0; trail <= 0xFF; ++trail) {
      if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) continue;
      ASSERT_EQ(Hex(ConvertSjisToEuc(Pair(lead, trail))), "8080") << Hex(Pair(lead, trail));
    }
  }
}

TEST(ConvertSjisToEuc, SingleBytesAgreeWithIconvWhereCp932HasThem) {
  for (int b = 0; b <= 0xFF; ++b) {
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) continue;  // leads
    std::string in(1, static_cast<char>(b)), utf8, euc;
    if (Iconv("UTF-8", "CP932", in, utf8)) {
      ASSERT_TRUE(Iconv("EUC-JP-MS", "CP932", in, euc)) << b;
      EXPECT_EQ(Hex(ConvertSjisToEuc(in)), Hex(euc)) << b;
    } else {
      // 0x80, 0xA0 and 0xFD-0xFF are no CP932 characters: copied unchanged.
      EXPECT_TRUE(b == 0x80 || b == 0xA0 || b >= 0xFD) << b;
      EXPECT_EQ(ConvertSjisToEuc(in), in) << b;
    }
  }
}

// Every double-byte CP932 character against glibc's EUC-JP-MS. They agree on JIS X 0208 and on NEC row 13;
// where they differ, the difference is one of those listed here, each checked on its own terms.
TEST(ConvertSjisToEuc, EveryCp932CharacterAgainstIconvEucJpMs) {
  struct Code {
    int code;
    std::string utf8;
  };
  std::vector<Code> codes;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      std::string utf8;
      if (trail != 0x7F && Iconv("UTF-8", "CP932", Pair(lead, trail), utf8)) codes.push_back({lead << 8 | trail, utf8});
    }
  }
  ASSERT_EQ(codes.size(), 9604u);
  // NEC codes (row 13 and the NEC-selected rows) by character: the codes the IBM rows are moved to.
  std::map<std::string, std::vector<int>> necByChar;
  for (const Code& c : codes) {
    int lead = c.code >> 8;
    if (lead == 0x87 || lead == 0xED || lead == 0xEE) necByChar[c.utf8].push_back(c.code);
  }
  // Row 13 characters that JIS X 0208 has too: iconv sends the JIS X 0208 code, we keep row 13.
  const std::set<int> necDuplicates = {0x8790, 0x8791, 0x8792, 0x8795, 0x8796, 0x8797, 0x879A, 0x879B, 0x879C};

  std::map<std::string, int> agreeing, differing;
  std::set<std::string> necSelectedOut;
  for (const Code& c : codes) {
    const int lead = c.code >> 8;
    const std::string in = Pair(lead, c.code & 0xFF);
    const std::string ours = ConvertSjisToEuc(in);
    std::string theirs;
    ASSERT_TRUE(Iconv("EUC-JP-MS", "CP932", in, theirs)) << Hex(in);
    const char* group = lead == 0x87                  ? "NEC row 13"
                        : lead == 0xED || lead == 0xEE ? "NEC-selected IBM rows"
                        : lead >= 0xF0 && lead <= 0xF9 ? "user-defined rows"
                        : lead >= 0xFA                 ? "IBM rows"
                                                       : "JIS X 0208";
    (ours == theirs ? agreeing : differing)[group]++;
    const std::string at = std::string(group) + " " + Hex(in);
    if (std::string_view(group) == "JIS X 0208") {
      EXPECT_EQ(Hex(ours), Hex(theirs)) << at;
    } else if (lead == 0x87) {
      if (necDuplicates.count(c.code)) {
        std::string back;
        EXPECT_TRUE(Iconv("UTF-8", "EUC-JP-MS", ours, back) && back == c.utf8) << at << " decodes back";
        EXPECT_EQ(static_cast<unsigned char>(ours[0]), 0xAD) << at;
      } else {
        EXPECT_EQ(Hex(ours), Hex(theirs)) << at;
      }
    } else if (lead == 0xED || lead == 0xEE) {
      // Rows 0xF9-0xFC, one code each (iconv: three-byte codes of the supplementary set).
      ASSERT_EQ(ours.size(), 2u) << at;
      EXPECT_GE(static_cast<unsigned char>(ours[0]), 0xF9) << at;
      EXPECT_LE(static_cast<unsigned char>(ours[0]), 0xFC) << at;
      EXPECT_TRUE(necSelectedOut.insert(ours).second) << at << " sent twice";
    } else if (lead <= 0xF9) {
      EXPECT_EQ(Hex(ours), "8080") << at;  // lost: the server has no user-defined characters
    } else {
      // Sent as the NEC code of the same character.
      const std::vector<int>& twins = necByChar[c.utf8];
      ASSERT_EQ(twins.size(), 1u) << at;
      EXPECT_EQ(Hex(ours), Hex(ConvertSjisToEuc(Pair(twins[0] >> 8, twins[0] & 0xFF)))) << at;
    }
  }
  EXPECT_EQ(agreeing["JIS X 0208"], 6879);
  EXPECT_EQ(differing["JIS X 0208"], 0);
  EXPECT_EQ(agreeing["NEC row 13"], 74);
  EXPECT_EQ(differing["NEC row 13"], 9);
  EXPECT_EQ(differing["NEC-selected IBM rows"], 374);
  EXPECT_EQ(differing["user-defined rows"], 1880);
  // The ten roman numerals, the parenthesised kabu, numero and telephone signs land on row 13 as iconv's do.
  EXPECT_EQ(agreeing["IBM rows"], 13);
  EXPECT_EQ(differing["IBM rows"], 375);
}

}  // namespace
