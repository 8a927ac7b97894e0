// The files an estimate's archive holds, read from its cabinet's records alone: the header, the folder and
// the file entries at the start of the archive, never its data blocks. So a page of estimates can tell which
// ones carry a photo-link file without unpacking any of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovsvinfo {

// The first 32 bytes of an estimate's archive as stored (scrambled) become the cabinet's own bytes.
void UnscrambleArchiveHead(unsigned char (&head)[32]);

// Names (CP932, as stored: "\" between folders, maybe one leading "\") of the files in the archive that starts
// at archiveOffset in vekFile. False when the archive is no single cabinet whose records are whole and lie
// inside it, or when one of its names could not be unpacked safely: the archives that unpacking refuses by
// their records.
bool ReadArchiveFileNames(const std::string& vekFile, std::int64_t archiveOffset, std::vector<std::string>& names);

// A name of the archive unpacks as a photo-link file: it lies in the top folder (no separator after the one
// leading "\" of the system's own form) and its extension is "xml" in any letter case.
bool IsLinkFileName(const std::string& storedName);

}  // namespace ovsvinfo
