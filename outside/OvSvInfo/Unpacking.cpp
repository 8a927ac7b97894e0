#include "Unpacking.h"

#include <vector>

#include "platform/env.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace ovsvinfo {

namespace {

// Attempts at a free name before giving up; names already taken are leftovers of other calls.
constexpr int kNameAttempts = 100;

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == platform::kDelimiter) return folder + name;
  return folder + platform::kDelimiter + name;
}

}  // namespace

std::string FileNameOf(const std::string& path) {
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtensionOf(const std::string& name) {
  std::size_t dot = platform::FindLastChar(name, '.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string StemOf(const std::string& name) {
  std::size_t dot = platform::FindLastChar(name, '.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

TemporaryWorkFolder::~TemporaryWorkFolder() {
  if (!path_.empty()) platform::DeleteTree(path_);
}

bool TemporaryWorkFolder::Create() {
  platform::Environment& env = platform::CurrentEnvironment();
  std::string base = Join(env.TempFolder(), "OvSvInfo" + std::to_string(env.ProcessId()) + "_");
  for (int n = 0; n < kNameAttempts; ++n) {
    std::string candidate = base + std::to_string(n);
    if (platform::Exists(candidate)) continue;
    if (!platform::MakeFolder(candidate)) return false;
    path_ = candidate;
    return true;
  }
  return false;
}

bool UnpackEstimate(DorvikSession& dorvik, const std::string& vekFile, TemporaryWorkFolder& work,
                    std::string& linkFile) {
  linkFile.clear();
  if (!work.Create() || !dorvik.Open(vekFile, work.path())) return false;
  std::string named;
  if (!dorvik.LinkFileName(work.path(), vekFile, named)) return false;
  if (platform::IsFile(named)) {
    linkFile = platform::ResolveName(named);
    return true;
  }
  std::vector<platform::FindEntry> entries;
  if (platform::FindFiles(Join(work.path(), "*.xml"), entries)) {
    for (const platform::FindEntry& e : entries) {
      if (!e.isFolder && platform::EqualsNoCaseAscii(ExtensionOf(e.name), "xml")) {
        linkFile = Join(work.path(), e.name);
        break;
      }
    }
  }
  return true;
}

std::vector<std::string> EstimateImages(DorvikSession& dorvik, const std::string& workFolder) {
  std::vector<std::string> images;
  std::string folder;
  if (!dorvik.ImagePathName(workFolder, folder) || !platform::IsFolder(folder)) return images;
  std::vector<platform::FindEntry> entries;
  if (!platform::FindFiles(Join(folder, "*.jpg"), entries)) return images;
  for (const platform::FindEntry& e : entries) {
    if (!e.isFolder && !e.isSymlink && platform::EqualsNoCaseAscii(ExtensionOf(e.name), "jpg")) {
      images.push_back(Join(folder, e.name));
    }
  }
  return images;
}

StagedCopy::~StagedCopy() {
  if (committed_ || temporary_.empty()) return;
  platform::SetAttributes(temporary_, platform::kAttrNormal);
  platform::DeleteFile(temporary_);
}

bool StagedCopy::Stage(const std::string& from, const std::string& target) {
  for (int n = 0; n < kNameAttempts; ++n) {
    std::string candidate = target + ".~ovsv" + std::to_string(n);
    if (platform::Exists(candidate)) continue;
    temporary_ = candidate;
    target_ = target;
    // The copy is the caller's to delete, also when the source is read-only.
    return platform::CopyFile(from, candidate, true) && platform::SetAttributes(candidate, platform::kAttrNormal);
  }
  return false;
}

bool StagedCopy::Commit() {
  if (temporary_.empty()) return false;
  replaced_ = platform::Exists(target_);
  if (!platform::RenameReplacing(temporary_, target_)) return false;
  committed_ = true;
  return true;
}

void StagedCopy::Undo() {
  // An uncommitted copy keeps its temporary name, which the destructor removes.
  if (!committed_) return;
  if (!replaced_) platform::DeleteFile(target_);
  committed_ = false;
  temporary_.clear();
}

}  // namespace ovsvinfo
