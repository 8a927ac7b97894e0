#include "URC_HeaderSummary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using hestrel::HeaderData;
using hestrel::HeaderInfo;

// Where a byte of the summary comes from: the signature record, the header information (offsets in their
// caller records), zero, or the flag's constant.
enum class From { Data, Info, Zero, One };
struct Run {
  std::size_t at, size;
  From from;
  std::size_t source;
};

// The source of every byte, written out from the record layouts.
const std::vector<Run> kLong = {
    {0, 4, From::Data, 0},     {4, 4, From::Data, 4},     {8, 2, From::Data, 8},      {10, 37, From::Info, 0},
    {47, 30, From::Info, 37},  {77, 40, From::Info, 67},  {117, 30, From::Info, 107}, {147, 50, From::Info, 137},
    {197, 1, From::Zero, 0},   {198, 4, From::Info, 188}, {202, 4, From::Info, 192},  {206, 2, From::Info, 196},
    {208, 2, From::Zero, 0},   {210, 2, From::Info, 198}, {212, 4, From::Info, 200},  {216, 8, From::Info, 272},
    {224, 6, From::Info, 280}, {230, 4, From::Info, 286}, {234, 10, From::Info, 290}, {244, 8, From::Info, 240},
    {252, 1, From::Zero, 0},   {253, 1, From::One, 0},
};
const std::vector<Run> kShort = {
    {0, 37, From::Info, 0},    {37, 30, From::Info, 107}, {67, 50, From::Info, 137}, {117, 8, From::Info, 272},
    {125, 6, From::Info, 280}, {131, 4, From::Info, 286}, {135, 10, From::Info, 290}, {145, 1, From::Zero, 0},
    {146, 1, From::One, 0},
};

// Every byte of both records distinct from its neighbours and never zero.
void Fill(HeaderData& data, HeaderInfo& info) {
  auto* d = reinterpret_cast<unsigned char*>(&data);
  for (std::size_t i = 0; i < sizeof data; ++i) d[i] = static_cast<unsigned char>(0xA0 + i);
  auto* h = reinterpret_cast<unsigned char*>(&info);
  for (std::size_t i = 0; i < sizeof info; ++i) h[i] = static_cast<unsigned char>(1 + i % 251);
}

void Check(const std::vector<Run>& runs, std::size_t size, const unsigned char* out, const HeaderData& data,
           const HeaderInfo& info) {
  const auto* d = reinterpret_cast<const unsigned char*>(&data);
  const auto* h = reinterpret_cast<const unsigned char*>(&info);
  std::size_t covered = 0;
  for (const Run& r : runs) {
    ASSERT_EQ(r.at, covered) << "the table has a gap";
    for (std::size_t k = 0; k < r.size; ++k) {
      unsigned expected = r.from == From::Data ? d[r.source + k]
                          : r.from == From::Info ? h[r.source + k]
                          : r.from == From::One  ? 1u
                                                 : 0u;
      EXPECT_EQ(out[r.at + k], expected) << "byte " << r.at + k;
    }
    covered += r.size;
  }
  EXPECT_EQ(covered, size);
  EXPECT_EQ(out[size], 0xEE) << "written past the form";
}

TEST(HeaderSummary, LongFormEveryByte) {
  HeaderData data;
  HeaderInfo info;
  Fill(data, info);
  unsigned char out[hestrel::kHeaderSummaryLongSize + 1];
  std::memset(out, 0xEE, sizeof out);
  hestrel::PackHeaderSummaryLong(data, info, out);
  Check(kLong, hestrel::kHeaderSummaryLongSize, out, data, info);
}

TEST(HeaderSummary, ShortFormEveryByte) {
  HeaderData data;
  HeaderInfo info;
  Fill(data, info);
  unsigned char out[hestrel::kHeaderSummaryShortSize + 1];
  std::memset(out, 0xEE, sizeof out);
  hestrel::PackHeaderSummaryShort(info, out);
  Check(kShort, hestrel::kHeaderSummaryShortSize, out, data, info);
}

TEST(HeaderSummary, ValuesLittleEndian) {
  HeaderData data{};
  HeaderInfo info{};
  data.HeaderInfoLength = 0x00010131;  // only its low 16 bits
  info.ImageCount = 0x0102;
  info.Total = 1234567.5;
  info.GarageInDate = {2024, 5, 31};
  unsigned char out[hestrel::kHeaderSummaryLongSize];
  hestrel::PackHeaderSummaryLong(data, info, out);
  EXPECT_EQ(out[8], 0x31);
  EXPECT_EQ(out[9], 0x01);
  EXPECT_EQ(out[210], 0x02);
  EXPECT_EQ(out[211], 0x01);
  const unsigned char total[8] = {0x00, 0x00, 0x00, 0x80, 0x87, 0xD6, 0x32, 0x41};
  EXPECT_EQ(std::memcmp(out + 244, total, 8), 0);
  const unsigned char date[4] = {0xE8, 0x07, 5, 31};
  EXPECT_EQ(std::memcmp(out + 198, date, 4), 0);
}

}  // namespace
