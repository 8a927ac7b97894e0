// Stored names as the unpacking hands them to its caller: CP932, "\\" between folders, and safe to join to
// a destination folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cabinet {

// The CP932 form of a stored name (names flagged as UTF-8 are converted); false when it does not convert.
bool StoredNameToCp932(std::string_view raw, std::uint16_t attribs, std::string& cp932);

// A name that stays inside any folder it is joined to and can be a file name there: not empty, shorter
// than 256 bytes, no ".." component, not rooted at a drive, a share ("\\\\") or "/", no ":", not ending in a
// separator, every component a file name the system can hold. One leading "\\" is the system's own form
// and is kept.
bool IsSafeStoredName(std::string_view cp932);

// The name of a next cabinet that is a file name of the cabinet's own folder and nothing more: not empty, not
// "." or "..", shorter than 256 bytes, no separator of either kind and no ":" (a trail byte that equals "\\"
// separates nothing), and a name the system can hold.
bool IsPlainCabinetName(std::string_view cp932);

}  // namespace cabinet
