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
// The file in the system folder whose lock a live form holds.
inline constexpr const char* kFormLockName = "Quillon.lock";

// Deletes every file of folder (read-only ones too); sub-folders stay. False at the first file that cannot be
// deleted, or when the folder cannot be read; an empty folder is emptied already.
bool DeleteFolderFiles(const std::string& folder);

// Deletes folder with everything in it; false when something stays.
bool RemoveFolderTree(const std::string& folder);

// Makes every missing ancestor of folder (failures are left to the last step) and then the folder itself;
// true when the folder stands afterwards.
bool MakeFolderWithAncestors(const std::string& folder);

// The lock of the system folder (with its trailing delimiter) for one form; null when another live form holds
// it, or when it cannot be taken.
std::unique_ptr<platform::FileLock> LockSystemFolder(const std::string& systemFolder);

}  // namespace quillon
