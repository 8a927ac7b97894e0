// The upload record file: one text of numbered lines describing the registration's estimate files and photos,
// written in step 1 and sent in both steps.
#pragma once

#include <string>
#include <string_view>

#include "UploadError.h"
#include "UploadInputs.h"
#include "UploadSet.h"

namespace quillon {

// The sub-folder of the working folder where photos are staged and the record is written.
inline constexpr const char* kStagingFolder = "ImageUploadTemp";

// SES_ID + "_R72": the record's file name and the name of its part.
std::string UploadRecordName(std::string_view sesId);

// The working folder's staging folder followed by the record's name.
std::string UploadRecordPath(const UploadInputs& inputs);

// A session id that names a file inside the staging folder: no "/", "\", ":" and no "..".
bool IsSafeSessionId(std::string_view sesId);

// The record in Shift_JIS: for both slots AFD, AFT, AED, AET, RFN, AFN; for every photo row PFN, PRF, PSW, PSD,
// PFD, PFT, PED, PET; then IDR, ADD, DEL and IFM2 (the comment with each line break as one TAB). Numbered lines
// carry the slot or row number after the key; every line ends with CR LF.
std::string BuildUploadRecordText(const UploadInputs& inputs, const UploadSet& set);

// Replaces the record file at path with text in EUC-JP. A write that fails gives message 1012.
bool WriteUploadRecord(const std::string& path, std::string_view text, UploadError& error);

}  // namespace quillon
