#include "WorkingFolders.h"

#include <cerrno>
#include <set>
#include <vector>

#include "platform/error.h"
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

namespace {

std::set<std::string>& HeldFolders() {
  static std::set<std::string> held;
  return held;
}

}  // namespace

std::unique_ptr<SystemFolderHold> SystemFolderHold::Take(const std::string& systemFolder, bool* heldByAnother) {
  if (heldByAnother) *heldByAnother = false;
  std::string key = platform::ResolveName(systemFolder);
  while (key.size() > 1 && key.back() == platform::kDelimiter) key.pop_back();
  if (HeldFolders().count(key)) {
    if (heldByAnother) *heldByAnother = true;
    return nullptr;
  }
  std::unique_ptr<platform::FileLock> lock = platform::LockFolder(key, platform::LockKind::Exclusive, 0);
  if (!lock) {
    if (heldByAnother) *heldByAnother = platform::LastError() == EWOULDBLOCK;
    return nullptr;
  }
  return std::unique_ptr<SystemFolderHold>(new SystemFolderHold(std::move(key), std::move(lock)));
}

SystemFolderHold::SystemFolderHold(std::string key, std::unique_ptr<platform::FileLock> lock)
    : key_(std::move(key)), lock_(std::move(lock)) {
  HeldFolders().insert(key_);
}

SystemFolderHold::~SystemFolderHold() { HeldFolders().erase(key_); }

}  // namespace quillon
