#include "WorkingFolders.h"

#include <vector>

#include "platform/path.h"

namespace quillon {

bool DeleteFolderFiles(const std::string& folder) {
  std::vector<platform::FindEntry> entries;
  std::string base = folder;
  if (base.empty() || base.back() != platform::kDelimiter) base += platform::kDelimiter;
  if (!platform::FindFiles(base + "*.*", entries)) return platform::IsFolder(folder);
  for (const platform::FindEntry& e : entries) {
    if (e.name == "." || e.name == ".." || (e.isFolder && !e.isSymlink)) continue;
    const std::string path = base + e.name;
    if (!e.isSymlink) platform::SetAttributes(path, platform::kAttrNormal);
    if (!platform::DeleteFile(path)) return false;
  }
  return true;
}

bool RemoveFolderTree(const std::string& folder) {
  if (!platform::Exists(folder)) return true;
  return platform::DeleteTree(folder);
}

bool MakeFolderWithAncestors(const std::string& folder) {
  for (std::size_t i = 1; i < folder.size(); ++i) {
    if (folder[i] == platform::kDelimiter) {
      std::string ancestor = folder.substr(0, i);
      if (!platform::IsFolder(ancestor)) platform::MakeFolder(ancestor);
    }
  }
  if (!platform::IsFolder(folder)) platform::MakeFolder(folder);
  return platform::IsFolder(folder);
}

std::unique_ptr<platform::FileLock> LockSystemFolder(const std::string& systemFolder) {
  return platform::FileLock::TryAcquire(systemFolder + kFormLockName);
}

}  // namespace quillon
