// The files an estimate's archive holds, read from its cabinet's records alone: the header, the folder and
// the file entries at the start of the archive, never its data blocks. So a page of estimates can tell which
// ones carry a photo-link file without unpacking any of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovsvinfo {

// Bytes stored scrambled (rotated by bits, then complemented) unscrambled in place: complemented, then rotated
// back, towards the end when they were rotated towards the start.
void Unscramble(unsigned char* bytes, std::size_t size, unsigned bits, bool rotatedTowardsStart);

// Names (CP932, as stored: "\" between folders, maybe one leading "\") of the files in the archive that starts
// at archiveOffset in vekFile. False when the archive is no single cabinet whose records are whole and lie
// inside it, or when one of its names could not be unpacked safely: the archives that unpacking refuses by
// their records.
bool ReadArchiveFileNames(const std::string& vekFile, std::int64_t archiveOffset, std::vector<std::string>& names);

// A name of the archive unpacks as a photo-link file: it lies in the top folder (no separator after the one
// leading "\" of the system's own form) and its extension is "xml" in any letter case.
bool IsLinkFileName(const std::string& storedName);

}  // namespace ovsvinfo
