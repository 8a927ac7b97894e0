#include "VekExtractPath.h"

#include <vector>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace tamsel {

namespace {
constexpr const char* kExtractFolderName = "VekExtractTemp";
// More levels than a path of kMaxPathBytes can have.
constexpr int kMaxFolderDepth = 200;
}  // namespace

std::string WithoutTrailingDelimiter(const std::string& folder) {
  if (folder.size() > 1 && folder.back() == platform::kDelimiter) return folder.substr(0, folder.size() - 1);
  return folder;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == platform::kDelimiter) return folder + name;
  return folder + platform::kDelimiter + name;
}

std::string ExtractFolder(const std::string& systemFolder) {
  return JoinPath(WithoutTrailingDelimiter(systemFolder), kExtractFolderName);
}

std::string ExtractPathOf(const std::string& systemFolder, const std::string& fileName) {
  return JoinPath(ExtractFolder(systemFolder), fileName);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CutToMaxPath(const std::string& text) { return text.substr(0, platform::CutLength(text, kMaxPathBytes)); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string(1, platform::kDelimiter) : path.substr(0, slash);
}

bool InExtractFolder(const std::string& folder, const std::string& systemFolder) {
  const std::string extract = ExtractFolder(systemFolder);
  // Upwards through the folders themselves, not through the text: "sub/.." and links name where they lead.
  std::string at = WithoutTrailingDelimiter(folder);
  for (int depth = 0; depth < kMaxFolderDepth && platform::IsFolder(at); ++depth) {
    if (platform::SameFile(at, extract)) return true;
    std::string up = JoinPath(at, "..");
    if (platform::SameFile(up, at)) return false;  // the root
    at = std::move(up);
  }
  return false;
}

bool HeldAtTopOf(const std::string& folder, const std::string& path) {
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(JoinPath(folder, "*.*"), entries);
  for (const platform::FindEntry& e : entries) {
    if (!e.isFolder && platform::SameFile(JoinPath(folder, e.name), path)) return true;
  }
  return false;
}

}  // namespace tamsel
