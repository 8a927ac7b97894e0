// What the photo-list form hands over for one registration: the photos of the registration list, the attached
// estimate files to send, their time keys, the flags, the folder and the comment.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace quillon {

// One row of the registration list, in display order.
struct UploadPhotoRow {
  std::string path;        // the staged copy, full path
  bool registered = false;  // already on the server (group "登録済画像"); a new photo otherwise
  std::string serverName;  // a new photo's own name, a registered one's name on the server
  int width = 0;           // pixels; 0 for a registered photo
  int height = 0;
  std::string fileTime;   // last-write time key, 14 digits (year, month, day, hour, minute, second)
  std::string entryTime;  // the entry's registration time key
};

struct UploadSet {
  std::vector<UploadPhotoRow> photos;
  // Full paths of the newly attached estimate files, in slot order.
  std::vector<std::string> estimateFiles;
  // Per attachment slot (1 and 2): the last-write time key of a newly attached file, empty for any other slot.
  std::array<std::string, 2> addedFileTimes;
  bool added = false;    // something was added in the form
  bool deleted = false;  // something registered was removed in the form
  std::string imageFolder;
  std::string comment;
};

}  // namespace quillon
