// One estimate file of the selection list: its path and name, the header details the list shows, and the
// values its photo-link file gives once it is loaded.
#pragma once

#include <string>

namespace tamsel {

struct CVekHeaderData {
  std::string strPath;
  std::string strFileName;
  std::string strAcceptNo;
  std::string strCustomerName;
  std::string strCarName;
  std::string strRegistNo;  // the four parts of the registration number joined
  std::string strDate;      // the file's modification date, "%Y/%m/%d"
  // From the photo-link file.
  std::string strAdjusterName;
  std::string strAccidentDate;
  std::string strTicketNo;
  std::string strCarMouldNo;
  std::string strCarKindNo;
  std::string strColorCode;
  std::string strOwnerName;
  std::string strUserName;
  std::string strGarageInDate;
  std::string strCarNoArea;
  std::string strCarNoClass;
  std::string strCarNoKana;
  std::string strCarNoSeries;
  std::string strCarRegistedDateEra;
  std::string strCarRegistedDateYear;
  std::string strCarRegistedDateMonth;
  std::string strXMLVersion;
  bool bLinkFile = false;    // the estimate carries a photo-link file
  bool bHeaderRead = false;  // its header was read

  // Takes the header summary's short form at the start of buffer (512 bytes, from OvGetHeader): each text up to
  // its first NUL within its field, the registration parts joined in order; link flag bytes 0 then 1 set the
  // flag, 0 then 0 clear it, any other pair leaves it.
  void ReadHeaderSummary(const char* buffer);
};

}  // namespace tamsel
