// The photo control's working folders below the per-user system folder: their names, emptying and removal,
// and the lock one form holds on them for its life.
#pragma once

#include <memory>
#include <string>

#include "platform/files.h"

namespace quillon {

inline constexpr const char* kUploadFolderName = "ImageUploadTemp";
inline constexpr const char* kDownloadFolderName = "DBDownloadTemp";
inline constexpr const char* kEstimateFolderName = "VekDownloadTemp";
// Deletes every file of folder (read-only ones too); sub-folders stay. False at the first file that cannot be
// deleted, or when the folder cannot be read; an empty folder is emptied already.
bool DeleteFolderFiles(const std::string& folder);

// Deletes folder with everything in it; false when something stays.
bool RemoveFolderTree(const std::string& folder);

// Makes every missing ancestor of folder (failures are left to the last step) and then the folder itself;
// true when the folder stands afterwards.
bool MakeFolderWithAncestors(const std::string& folder);

// What one live form holds on its system folder, so that no other form empties the folders it works in: a lock
// on the folder that other processes meet, and a mark that the other forms of this process meet (the folder
// lock of this process is granted to each of its holders).
class SystemFolderHold {
 public:
  // The hold on systemFolder; null when another live form has it (then *heldByAnother, when given, is true), or
  // when it cannot be had.
  static std::unique_ptr<SystemFolderHold> Take(const std::string& systemFolder, bool* heldByAnother = nullptr);
  ~SystemFolderHold();
  SystemFolderHold(const SystemFolderHold&) = delete;
  SystemFolderHold& operator=(const SystemFolderHold&) = delete;

 private:
  SystemFolderHold(std::string key, std::unique_ptr<platform::FileLock> lock);
  std::string key_;
  std::unique_ptr<platform::FileLock> lock_;
};

}  // namespace quillon
