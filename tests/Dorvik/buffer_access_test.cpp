#include "ZkVekBufferAccess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkUtilities.h"
#include "dorvik_test_support.h"

using Model = CZkVekBufferAccess;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes Hex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes Random(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<unsigned char>(rng());
  return out;
}

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

TEST(BitRotation, WorkedExamples) {
  struct Case {
    const char* name;
    Bytes in;
    int bits, direction;
    Bytes out;
  } cases[] = {
      {"TowardsEnd3", {0x81, 0x00}, 3, CZkUtilities::kTowardsEnd, {0x10, 0x20}},
      {"LastBitWrapsToFront", {0x00, 0x01}, 3, CZkUtilities::kTowardsEnd, {0x20, 0x00}},
      {"TowardsStart1", {0x80, 0x00}, 1, CZkUtilities::kTowardsStart, {0x00, 0x01}},
      {"WholeLengthIsIdentity", {0x12, 0x34, 0x56}, 24, CZkUtilities::kTowardsStart, {0x12, 0x34, 0x56}},
      {"ZeroIsIdentity", {0x12, 0x34}, 0, CZkUtilities::kTowardsEnd, {0x12, 0x34}},
      {"WholeBytes", {0x01, 0x02, 0x03}, 8, CZkUtilities::kTowardsEnd, {0x03, 0x01, 0x02}},
      {"OneByte", {0x81}, 1, CZkUtilities::kTowardsEnd, {0xC0}},
      {"OtherDirectionValueIsTowardsStart", {0x80, 0x00}, 1, 7, {0x00, 0x01}},
  };
  for (const Case& c : cases) {
    Bytes out(c.in.size(), 0xEE);
    ASSERT_EQ(CZkUtilities::BufferBitShift(c.bits, out.data(), c.in.data(), static_cast<int>(c.in.size()), c.direction), 1)
        << c.name;
    EXPECT_EQ(out, c.out) << c.name;
  }
  Bytes in{1, 2}, out(2);
  EXPECT_EQ(CZkUtilities::BufferBitShift(17, out.data(), in.data(), 2, CZkUtilities::kTowardsEnd), 0);
}

// Expected bytes computed with an independent big-integer rotation.
TEST(Scrambling, GoldenVectors) {
  Model model;
  auto encode = [&](const Bytes& in, int type) {
    Bytes out(in.size());
    EXPECT_EQ(model.BinaryEncode(out.data(), in.data(), static_cast<int>(in.size()), type), 1);
    return out;
  };
  Bytes zeros(305, 0);
  EXPECT_EQ(encode(zeros, 1), Bytes(305, 0xFF));
  Bytes a = zeros;
  a[0] = 0x41;
  Bytes ea = encode(a, 1);
  EXPECT_EQ(Bytes(ea.begin(), ea.begin() + 3), Hex("f7dfff"));
  Bytes b = zeros;
  b[304] = 0x01;
  Bytes eb = encode(b, 1);
  EXPECT_EQ(eb[0], 0xDF);
  EXPECT_EQ(Bytes(eb.begin() + 1, eb.end()), Bytes(304, 0xFF));
  Bytes h(93, 0);
  h[0] = 0x80;
  Bytes eh = encode(h, 2);
  EXPECT_EQ(eh[92], 0xFE);
  EXPECT_EQ(Bytes(eh.begin(), eh.begin() + 92), Bytes(92, 0xFF));
  Bytes cab = {'M', 'S', 'C', 'F'};
  cab.resize(32, 0);
  EXPECT_EQ(encode(cab, 3), Hex("97973ffffffffffffffffffffffffffffffffffffffffffffffffffffffff655"));
}

TEST(Scrambling, RoundTrips) {
  struct Case {
    const char* name;
    int type;
    std::size_t size;
    bool ok;
  } cases[] = {
      {"HeaderInfo", 1, 305, true},        {"OneEntry", 2, 93, true},         {"FiveEntries", 2, 465, true},
      {"Archive32", 3, 32, true},          {"Archive33", 3, 33, true},        {"Archive4096", 3, 4096, true},
      {"Archive31", 3, 31, false},         {"UnknownType", 4, 32, false},     {"NegativeSize", 1, 0, false},
  };
  Model model;
  unsigned seed = 1;
  for (const Case& c : cases) {
    Bytes in = Random(c.size, seed++), enc(c.size + 1, 0xEE), dec(c.size + 1, 0xEE);
    int size = std::string(c.name) == "NegativeSize" ? -1 : static_cast<int>(c.size);
    ASSERT_EQ(model.BinaryEncode(enc.data(), in.data(), size, c.type), c.ok ? 1 : 0) << c.name;
    ASSERT_EQ(model.BinaryDecode(dec.data(), c.ok ? enc.data() : in.data(), size, c.type), c.ok ? 1 : 0) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(Bytes(dec.begin(), dec.end() - 1), in) << c.name;
    EXPECT_EQ(enc.back(), 0xEE) << c.name << ": nothing written past the section";
    EXPECT_NE(Bytes(enc.begin(), enc.begin() + std::min<std::size_t>(c.size, 32)),
              Bytes(in.begin(), in.begin() + std::min<std::size_t>(c.size, 32)))
        << c.name;
    if (c.type == 3) {
      EXPECT_EQ(Bytes(enc.begin() + 32, enc.end() - 1), Bytes(in.begin() + 32, in.end())) << c.name;
    }
  }
  Bytes out(32);
  EXPECT_EQ(model.BinaryEncode(out.data(), nullptr, 32, 3), 0);
  EXPECT_EQ(model.BinaryDecode(nullptr, out.data(), 32, 3), 0);
}

// An estimate file image from the fixture generator: two entries and a 40-byte tail.
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    std::string tail = dir / "tail.bin";
    testing_support::WriteRaw(tail, std::string("MSCF") + std::string(36, '\x07'));
    ASSERT_TRUE(dorvik_test::MakeVek(R"({"header_info": {"AcceptNo": "見積１", "Total": 99.5, "Agreed": 1},
        "history": [{"Name": "一"}, {"Name": "二", "Total": 3.25}]})",
                                     dir / "m.vek", tail));
    std::string raw = testing_support::ReadRaw(dir / "m.vek");
    image.assign(raw.begin(), raw.end());
    ASSERT_EQ(image.size(), 331u + 2 * 93 + 40);
  }
  Bytes image;
  testing_support::TempFolder dir;
};

TEST_F(ModelTest, DamagedImagesFailWithTheirCode) {
  auto with = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
    Bytes b = image;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  auto cut = [&](std::size_t n) { return Bytes(image.begin(), image.begin() + static_cast<long>(n)); };
  struct Case {
    const char* name;
    Bytes data;
    int first, last;
    const char* code;  // empty: success
  } cases[] = {
      {"Whole", image, 0, 4, ""},
      {"Empty", Bytes(), 0, 4, "E03000004"},
      {"CutInFileHeader", cut(15), 0, 0, "E03000004"},
      {"FileHeaderOnly", cut(16), 0, 0, ""},
      {"CutInHeaderInfo", cut(320), 0, 1, "E03000004"},
      {"HeaderInfoEnd", cut(321), 0, 1, ""},
      {"CutInHistoryHeader", cut(330), 0, 2, "E03000004"},
      {"HistoryHeaderEnd", cut(331), 0, 2, ""},
      {"CutInEntries", cut(331 + 185), 0, 3, "E03000004"},
      {"EntriesEnd", cut(331 + 186), 0, 3, ""},
      {"CutInArchiveStart", cut(331 + 186 + 31), 0, 4, "E03000004"},
      {"ArchiveStartEnd", cut(331 + 186 + 32), 0, 4, ""},
      {"WrongSignature", with(0, {'V', 'E', 'K', '2'}), 0, 4, "E03000004"},
      {"ShortBeforeSignature", Bytes{'X'}, 0, 0, "E03000004"},
      {"CountMinus1", with(329, {0xFF, 0xFF}), 0, 4, "E03000004"},
      {"CountMinus32768", with(329, {0x00, 0x80}), 0, 4, "E03000004"},
      {"CountHuge", with(329, {0xFF, 0x7F}), 0, 4, "E03000004"},
      {"CountThreeOfTwo", with(329, {0x03, 0x00}), 0, 3, "E03000004"},
  };
  for (const Case& c : cases) {
    Model model;
    char code[10] = {};
    int r = model.SettingBuffer(c.data.data(), static_cast<int>(c.data.size()), code, c.first, c.last);
    EXPECT_EQ(r, *c.code ? 0 : 1) << c.name;
    EXPECT_EQ(Code(code), c.code) << c.name;
  }
  Model model;
  char code[10] = {};
  EXPECT_EQ(model.SettingBuffer(nullptr, 100, code, 0, 0), 0);
  EXPECT_EQ(Code(code), "E03000004");
}

TEST_F(ModelTest, SectionsParseInTwoSteps) {
  Model model;
  char code[10] = {};
  ASSERT_EQ(model.SettingBuffer(image.data(), 331, code, 0, 2), 1);
  int count = 0;
  EXPECT_EQ(model.ReadHistoryInfo(nullptr, &count, code), 1);
  EXPECT_EQ(count, 0) << "entries come in the second step";
  ASSERT_EQ(model.SettingBuffer(image.data() + 331, 186 + 32, code, 3, 4), 1);
  EXPECT_EQ(model.ReadHistoryInfo(nullptr, &count, code), 1);
  EXPECT_EQ(count, 2);
  HistoryInfo entries[2];
  std::memset(entries, '#', sizeof entries);
  ASSERT_EQ(model.ReadHistoryInfo(entries, &count, code), 1);
  EXPECT_STREQ(entries[1].Name, "二");
  EXPECT_EQ(entries[1].Total, 3.25);
  EXPECT_EQ(entries[0].RenewalDate.Year, 0);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&entries[0])[7], 0) << "padding reads as zero";
  int size = 0;
  ASSERT_EQ(model.ReadEstimateData32(nullptr, &size, code), 1);
  ASSERT_EQ(size, 32);
  Bytes start(32);
  ASSERT_EQ(model.ReadEstimateData32(start.data(), &size, code), 1);
  EXPECT_EQ(std::string(start.begin(), start.begin() + 5), "MSCF\x07");
}

TEST_F(ModelTest, CountsAndSizesFollowTheQueryConvention) {
  Model model;
  char code[10] = {};
  ASSERT_EQ(model.SettingBuffer(image.data(), static_cast<int>(image.size()), code, 0, 4), 1);
  HistoryInfo entries[3];
  struct Case {
    const char* name;
    void* dest;
    int count;
    int result;
    int countAfter;
  } cases[] = {
      {"Query", nullptr, 0, 1, 2},        {"Exact", entries, 2, 1, 2},       {"ZeroWithBuffer", entries, 0, 0, 0},
      {"OneMore", entries, 3, 0, 3},      {"NullWithCount", nullptr, 2, 0, 2},
  };
  for (const Case& c : cases) {
    int count = c.count;
    std::memset(code, 0, sizeof code);
    EXPECT_EQ(model.ReadHistoryInfo(c.dest, &count, code), c.result) << c.name;
    EXPECT_EQ(count, c.countAfter) << c.name;
    EXPECT_EQ(Code(code), c.result ? "" : "E01000001") << c.name;
  }
  EXPECT_EQ(model.ReadHistoryInfo(entries, nullptr, code), 0);
  int size = 0;
  ASSERT_EQ(model.ReadBuffer(nullptr, &size, code, 4), 1);
  EXPECT_EQ(size, 331 + 186 + 32);
  Bytes out(static_cast<std::size_t>(size) + 1);
  int wrong = size + 1;
  EXPECT_EQ(model.ReadBuffer(out.data(), &wrong, code, 4), 0);
  EXPECT_EQ(Code(code), "E01000001");
  ASSERT_EQ(model.ReadBuffer(out.data(), &size, code, 4), 1);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + size), Bytes(image.begin(), image.begin() + size))
      << "serialising gives back the file's bytes";
  for (int last : {1, 2, 3}) {
    int s = 0;
    ASSERT_EQ(model.ReadBuffer(nullptr, &s, code, last), 1);
    EXPECT_EQ(s, last == 1 ? 321 : last == 2 ? 331 : 517) << last;
  }
}

TEST_F(ModelTest, RecordsRoundTripAndPadWithZero) {
  // Random header information: unpacked into the caller record and packed again gives the same bytes.
  Bytes head(image.begin(), image.begin() + 321);
  Bytes info = Random(305, 7);
  Model encoder;
  Bytes scrambled(305);
  ASSERT_EQ(encoder.BinaryEncode(scrambled.data(), info.data(), 305, 1), 1);
  std::copy(scrambled.begin(), scrambled.end(), head.begin() + 16);
  Model model;
  char code[10] = {};
  ASSERT_EQ(model.SettingBuffer(head.data(), 321, code, 0, 1), 1);
  unsigned char record[312];
  std::memset(record, '#', sizeof record);
  ASSERT_EQ(model.ReadHeaderInfo(record, code), 1);
  for (int pad : {187, 204, 205, 206, 207, 310, 311}) EXPECT_EQ(record[pad], 0) << pad;
  HeaderInfo typed;
  std::memcpy(&typed, record, sizeof typed);
  EXPECT_EQ(std::memcmp(typed.CarName, info.data() + 137, 50), 0);
  EXPECT_EQ(std::memcmp(&typed.Total, info.data() + 235, 8), 0);
  EXPECT_EQ(std::memcmp(&typed.ai21_AdoptedDate, info.data() + 301, 4), 0);
  Model again;
  ASSERT_EQ(again.SettingBuffer(head.data(), 16, code, 0, 0), 1);
  ASSERT_EQ(again.ReplaceHeaderInfo(record, code), 1);
  int size = 321;
  Bytes out(321);
  ASSERT_EQ(again.ReadBuffer(out.data(), &size, code, 1), 1);
  EXPECT_EQ(out, head);
}

TEST_F(ModelTest, ReplacingEntries) {
  Model model;
  char code[10] = {};
  ASSERT_EQ(model.SettingBuffer(image.data(), static_cast<int>(image.size()), code, 0, 4), 1);
  HistoryInfo one{};
  std::strcpy(one.Name, "三");
  ASSERT_EQ(model.ReplaceHistoryInfo(&one, 1, code), 1);
  int count = 0;
  ASSERT_EQ(model.ReadHistoryInfo(nullptr, &count, code), 1);
  EXPECT_EQ(count, 1);
  HistoryInfo back{};
  ASSERT_EQ(model.ReadHistoryInfo(&back, &count, code), 1);
  EXPECT_STREQ(back.Name, "三");
  ASSERT_EQ(model.ReplaceHistoryInfo(nullptr, 1, code), 1) << "same count, no records: the entries stay";
  ASSERT_EQ(model.ReadHistoryInfo(&back, &count, code), 1);
  // A new count without records leaves no entries to serialise: a clean failure, never a read of nothing.
  ASSERT_EQ(model.ReplaceHistoryInfo(nullptr, 4, code), 1);
  int size = 0;
  ASSERT_EQ(model.ReadBuffer(nullptr, &size, code, 3), 1);
  Bytes out(static_cast<std::size_t>(size));
  EXPECT_EQ(model.ReadBuffer(out.data(), &size, code, 3), 0);
  EXPECT_EQ(Code(code), "E03000006");
  count = 4;
  HistoryInfo four[4];
  EXPECT_EQ(model.ReadHistoryInfo(four, &count, code), 0);
  EXPECT_EQ(model.ReplaceHistoryInfo(&one, -1, code), 0);
}

TEST_F(ModelTest, EveryInterrelationCheckHasItsCode) {
  struct Case {
    const char* name;
    std::size_t at;
    Bytes bytes;
    const char* code;
  } cases[] = {
      {"Consistent", 0, {}, ""},
      {"Signature", 0, {'V', 'E', 'K', '4'}, "E03000007"},
      {"HeaderInfoLength", 8, {0x32, 0x01, 0, 0}, "E03000008"},
      {"HistoryDataLength", 12, {10, 0, 0, 0}, "E03000009"},
      {"HistoryInfoLength", 325, {96, 0, 0, 0}, "E03000010"},
  };
  for (const Case& c : cases) {
    Bytes b = image;
    std::copy(c.bytes.begin(), c.bytes.end(), b.begin() + static_cast<long>(c.at));
    Model model;
    char code[10] = {};
    // The signature is parsed from a correct image and then replaced, as a writer would.
    ASSERT_EQ(model.SettingBuffer(image.data(), static_cast<int>(image.size()), code, 0, 4), 1) << c.name;
    HeaderData header;
    std::memcpy(&header, b.data(), 16);
    ASSERT_EQ(model.ReplaceHeaderData(&header, code), 1);
    HistoryData history{};
    std::memcpy(&history, b.data() + 321, 10);
    ASSERT_EQ(model.ReplaceHistoryData(&history, code), 1);
    EXPECT_EQ(model.CheckBufferInterrelation(code), *c.code ? 0 : 1) << c.name;
    EXPECT_EQ(Code(code), c.code) << c.name;
  }
  Model model;
  char code[10] = {};
  ASSERT_EQ(model.SettingBuffer(image.data(), static_cast<int>(image.size()), code, 0, 4), 1);
  HistoryInfo entries[2]{};
  ASSERT_EQ(model.ReplaceHistoryInfo(entries, 1, code), 1);
  EXPECT_EQ(model.CheckBufferInterrelation(code), 0) << "held count 1, header count 2";
  EXPECT_EQ(Code(code), "E03000009") << "the history length is checked before the count";
  HeaderData header;
  std::memcpy(&header, image.data(), 16);
  header.HistoryDataLength = 10 + 93;
  ASSERT_EQ(model.ReplaceHeaderData(&header, code), 1);
  EXPECT_EQ(model.CheckBufferInterrelation(code), 0);
  EXPECT_EQ(Code(code), "E03000011");
}

TEST_F(ModelTest, WholeImageOfTheOldWay) {
  Model model;
  char code[10] = {};
  ASSERT_EQ(model.SettingBufferOld(image.data(), static_cast<int>(image.size()), code), 1);
  int size = 0;
  ASSERT_EQ(model.ReadEstimateData(nullptr, &size, code), 1);
  EXPECT_EQ(size, 40);
  Bytes data(40);
  ASSERT_EQ(model.ReadEstimateData(data.data(), &size, code), 1);
  EXPECT_EQ(std::string(data.begin(), data.end()), std::string("MSCF") + std::string(36, '\x07'));
  int all = 0;
  ASSERT_EQ(model.ReadBufferAllOld(nullptr, &all, code), 1);
  ASSERT_EQ(all, static_cast<int>(image.size()));
  Bytes out(image.size());
  ASSERT_EQ(model.ReadBufferAllOld(out.data(), &all, code), 1);
  EXPECT_EQ(out, image);
  Model shortTail;
  Bytes cut(image.begin(), image.begin() + 331 + 186 + 31);
  EXPECT_EQ(shortTail.SettingBufferOld(cut.data(), static_cast<int>(cut.size()), code), 0);
  EXPECT_EQ(Code(code), "E03000005");
  Model noTail;
  EXPECT_EQ(noTail.SettingBufferOld(image.data(), 331 + 186, code), 0);
  EXPECT_EQ(Code(code), "E03000005");
}

}  // namespace
