// The estimate file's records as the estimate-file library hands them over (natural alignment, zeroed
// padding), and their clearing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hestrel {

struct VekDate {
  std::int16_t Year;
  std::uint8_t Month;
  std::uint8_t Day;
};

// The estimate file's first 16 bytes.
struct HeaderData {
  char Signature[4];
  char Version[4];
  std::int32_t HeaderInfoLength;
  std::int32_t HistoryDataLength;
};

// The header information.
struct HeaderInfo {
  char AcceptNo[37];
  char GroupKey[30];
  char SelfName[40];
  char CustomerName[30];
  char CarName[50];
  VekDate GarageInDate;
  VekDate GarageOutDate;
  std::int16_t Progress;
  std::int16_t ImageCount;
  VekDate CreatedDate;
  double PartsPriceTotal;
  double WageTotal;
  double PaintTotal;
  double CostTotal;
  double Total;
  std::int16_t RCParts;
  std::int16_t TaxKind;
  std::int16_t History;
  std::int16_t Agreed;
  char AgreedPassword[16];
  char CarNoDepartment[8];
  char CarNoDivision[6];
  char CarNoBusiness[4];
  char CarNoSerial[10];
  char ai21_OrderNo[6];
  VekDate ai21_AdoptedDate;
};

static_assert(sizeof(VekDate) == 4);
static_assert(sizeof(HeaderData) == 16);
static_assert(sizeof(HeaderInfo) == 312);
static_assert(offsetof(HeaderInfo, GarageInDate) == 188 && offsetof(HeaderInfo, CreatedDate) == 200);
static_assert(offsetof(HeaderInfo, PartsPriceTotal) == 208 && offsetof(HeaderInfo, Total) == 240);
static_assert(offsetof(HeaderInfo, RCParts) == 248 && offsetof(HeaderInfo, AgreedPassword) == 256);
static_assert(offsetof(HeaderInfo, CarNoDepartment) == 272 && offsetof(HeaderInfo, CarNoSerial) == 290);
static_assert(offsetof(HeaderInfo, ai21_AdoptedDate) == 306);

class TVekFileRecCtrl {
 public:
  // Every field, date parts and padding included, to zero.
  static void ClearHeaderData(HeaderData& record);
  static void ClearHeaderInfo(HeaderInfo& record);
};

}  // namespace hestrel
