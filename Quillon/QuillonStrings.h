// The photo control's string table.
#pragma once

#include <vector>

#include "MessageText.h"

namespace quillon {

inline constexpr int kMessageNoSystemFolder = 1001;      // a system folder is missing (the folder)
inline constexpr int kMessageOutOfMemory = 1002;
inline constexpr int kMessageStagedImageMissing = 1004;  // a staged photo cannot be read (its path)
inline constexpr int kMessageFileReadFailed = 1012;      // a file cannot be read (the path, the cause number)
inline constexpr int kMessageUploadTooLarge = 2013;
inline constexpr int kMessageTabInComment = 2014;
inline constexpr int kMessageNothingChanged = 2015;
inline constexpr int kMessageAttachmentMissing = 2016;  // (the slot number)
inline constexpr int kMessageAttachmentEmpty = 2017;    // (the slot number)
inline constexpr int kMessageCommentTooLong = 2018;
// The system folder is held by another live form of the user (the folder).
inline constexpr int kMessageFormOpenElsewhere = 1018;

const std::vector<controls::StringEntry>& StringTable();
// The text of id, or the empty text.
inline const char* LoadString(int id) { return controls::LoadTableString(StringTable(), id); }

}  // namespace quillon
