// Paths of the selection control: the extract folder under the per-user system folder, where a chosen estimate
// is unpacked, and the place an estimate of a given name takes there.
#pragma once

#include <cstddef>
#include <string>

namespace tamsel {

// The longest path the control takes, in bytes.
inline constexpr std::size_t kMaxPathBytes = 256;

// systemFolder without one trailing delimiter, then "/VekExtractTemp".
std::string ExtractFolder(const std::string& systemFolder);
// ExtractFolder(systemFolder), then "/" and fileName: where an estimate of that name is unpacked. The listing,
// the choice and the mode-4 check measure the same path.
std::string ExtractPathOf(const std::string& systemFolder, const std::string& fileName);
// folder is the extract folder of systemFolder or lies inside it, however either is named (links, "..",
// letter case): the control empties that folder, so it never lists or loads estimates from there.
bool InExtractFolder(const std::string& folder, const std::string& systemFolder);
// A file at the top of folder is the file path names (a link to it, or path itself): deleting the folder's files
// would delete it.
bool HeldAtTopOf(const std::string& folder, const std::string& path);
// The folder a file's path names (the path without its last component; "/" for a file at the root).
std::string FolderOf(const std::string& path);
// The folder without one trailing delimiter ("/" stays itself).
std::string WithoutTrailingDelimiter(const std::string& folder);
// folder and name with one delimiter between them.
std::string JoinPath(const std::string& folder, const std::string& name);
// The part of a path after its last delimiter (the whole path when it has none).
std::string FileNameOf(const std::string& path);
// text cut to at most kMaxPathBytes bytes, never inside a double-byte character.
std::string CutToMaxPath(const std::string& text);

}  // namespace tamsel
