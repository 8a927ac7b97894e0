// The control's values that a registration reads besides what the form hands over.
#pragma once

#include <array>
#include <string>

namespace quillon {

// The text of an attachment slot's file time that marks a file attached in the form.
inline constexpr const char* kAddedFileTime = "追加ファイル";

// One of the control's two registered-file slots.
struct EstimateSlot {
  std::string fileName;   // DBEstimateFileName
  std::string prtName;    // DBEstimateFilePrtName
  std::string fileTime;   // DBEstimateFileTime: a time key, or kAddedFileTime
  std::string entryTime;  // DBEstimateEntryTime
};

struct UploadInputs {
  std::string systemFolder;  // the per-user working folder
  std::string grpCd;         // GRP_CD
  std::string mapId;         // MAP_ID
  std::string btnId;         // BTN_ID
  std::string sesId;         // SES_ID
  std::string cgiId;         // CGI_ID
  std::array<EstimateSlot, 2> estimateSlots;
};

}  // namespace quillon
