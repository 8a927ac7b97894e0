#include "CVekHeaderData.h"

#include <cstring>

#include "OvSvInfo.h"

namespace tamsel {

namespace {

// A text field that may fill its width without a NUL.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

void CVekHeaderData::ReadHeaderSummary(const char* buffer) {
  OvHeaderSummaryShort summary;
  std::memcpy(&summary, buffer, sizeof summary);
  strAcceptNo = FieldText(summary.AcceptNo);
  strCustomerName = FieldText(summary.CustomerName);
  strCarName = FieldText(summary.CarName);
  strRegistNo = FieldText(summary.CarNoDepartment) + FieldText(summary.CarNoDivision) +
                FieldText(summary.CarNoBusiness) + FieldText(summary.CarNoSerial);
  if (summary.LinkFileFlag[0] == 0 && summary.LinkFileFlag[1] == 1) bLinkFile = true;
  if (summary.LinkFileFlag[0] == 0 && summary.LinkFileFlag[1] == 0) bLinkFile = false;
}

}  // namespace tamsel
