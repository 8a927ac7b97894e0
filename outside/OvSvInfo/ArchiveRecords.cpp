#include "ArchiveRecords.h"

#include <algorithm>
#include <cstring>

#include "cab_format.h"
#include "cabinet/cabinet_types.h"
#include "names.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace ovsvinfo {

namespace {

constexpr std::size_t kScrambled = 32;
constexpr unsigned kRotation = 13;  // bits the stored head was rotated towards its start
constexpr std::uint64_t kLongestFileEntry = cabinet::kFileEntrySize + CB_MAX_FILENAME;
// What is read first: an estimate's cabinet header and its records commonly lie inside it.
constexpr std::uint64_t kFirstRead = 16 * 1024;

// The archive's bytes 0..size (fewer when the file ends first), its head unscrambled.
bool ReadArchivePart(const std::string& vekFile, std::int64_t archiveOffset, std::uint64_t size,
                     std::string& bytes) {
  if (!platform::ReadFilePart(vekFile, archiveOffset, static_cast<std::size_t>(size), bytes)) return false;
  if (bytes.size() < kScrambled) return false;
  Unscramble(reinterpret_cast<unsigned char*>(bytes.data()), kScrambled, kRotation, true);
  return true;
}

const unsigned char* At(const std::string& bytes, std::uint64_t offset) {
  return reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
}

}  // namespace

void Unscramble(unsigned char* bytes, std::size_t size, unsigned bits, bool rotatedTowardsStart) {
  std::vector<unsigned char> complement(size);
  for (std::size_t i = 0; i < size; ++i) complement[i] = static_cast<unsigned char>(~bytes[i]);
  const std::size_t total = 8 * size;
  if (total == 0) return;
  const std::size_t shift = rotatedTowardsStart ? bits % total : total - bits % total;
  std::memset(bytes, 0, size);
  for (std::size_t p = 0; p < total; ++p) {
    if (!(complement[p / 8] & (0x80u >> (p % 8)))) continue;
    const std::size_t q = (p + shift) % total;
    bytes[q / 8] = static_cast<unsigned char>(bytes[q / 8] | (0x80u >> (q % 8)));
  }
}

bool ReadArchiveFileNames(const std::string& vekFile, std::int64_t archiveOffset, std::vector<std::string>& names) {
  names.clear();
  const std::int64_t fileSize = platform::FileSize(vekFile);
  if (archiveOffset < 0 || fileSize < archiveOffset + static_cast<std::int64_t>(kScrambled)) return false;
  const std::uint64_t available = static_cast<std::uint64_t>(fileSize - archiveOffset);

  std::string bytes;
  if (!ReadArchivePart(vekFile, archiveOffset, std::min<std::uint64_t>(available, kFirstRead), bytes)) return false;
  cabinet::Header h;
  if (!cabinet::ParseHeader(At(bytes, 0), bytes.size(), h)) {
    // A header with a large reserved area may need more.
    const std::uint64_t longest = std::min<std::uint64_t>(available, cabinet::kLongestHeader);
    if (longest <= bytes.size() || !ReadArchivePart(vekFile, archiveOffset, longest, bytes) ||
        !cabinet::ParseHeader(At(bytes, 0), bytes.size(), h)) {
      return false;
    }
  }
  // A set of cabinets cannot be unpacked from one estimate, nor a cabinet the file does not hold whole.
  if (h.flags & (cabinet::kFlagPrevCabinet | cabinet::kFlagNextCabinet)) return false;
  if (h.cabinetSize > available) return false;

  const std::uint64_t foldersAt =
      cabinet::kHeaderSize + ((h.flags & cabinet::kFlagReservePresent) ? 4u + h.headerReserve : 0u);
  const std::uint64_t folderEntry = cabinet::kFolderEntrySize + h.folderReserve;
  const std::uint64_t foldersEnd = foldersAt + folderEntry * h.folderCount;
  const std::uint64_t recordsEnd =
      std::min<std::uint64_t>(h.cabinetSize, std::max<std::uint64_t>(foldersEnd, h.filesOffset + kLongestFileEntry * h.fileCount));
  if (foldersEnd > h.cabinetSize || h.filesOffset > h.cabinetSize) return false;
  if (recordsEnd > bytes.size() && !ReadArchivePart(vekFile, archiveOffset, recordsEnd, bytes)) return false;
  if (bytes.size() < recordsEnd) return false;

  for (std::uint64_t i = 0; i < h.folderCount; ++i) {
    const unsigned char* entry = At(bytes, foldersAt + folderEntry * i);
    const std::uint32_t dataAt = cabinet::Get32(entry);
    const std::uint16_t compression = cabinet::Get16(entry + 6) & 0x000F;
    if (dataAt >= h.cabinetSize || compression > 3) return false;
  }

  std::uint64_t at = h.filesOffset;
  for (std::uint64_t i = 0; i < h.fileCount; ++i) {
    if (at + cabinet::kFileEntrySize > recordsEnd) return false;
    const unsigned char* entry = At(bytes, at);
    const std::uint16_t folder = cabinet::Get16(entry + 8);
    const std::uint16_t attribs = cabinet::Get16(entry + 14);
    if (folder >= h.folderCount) return false;
    at += cabinet::kFileEntrySize;
    const std::uint64_t longest = std::min<std::uint64_t>(recordsEnd - at, CB_MAX_FILENAME);
    const void* nul = std::memchr(At(bytes, at), 0, static_cast<std::size_t>(longest));
    if (!nul) return false;
    const std::size_t length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - At(bytes, at));
    std::string name;
    if (!cabinet::StoredNameToCp932(std::string_view(bytes.data() + at, length), attribs, name) ||
        !cabinet::IsSafeStoredName(name)) {
      return false;
    }
    names.push_back(std::move(name));
    at += length + 1;
  }
  return true;
}

bool IsLinkFileName(const std::string& storedName) {
  std::string_view name = storedName;
  if (!name.empty() && name[0] == platform::kStoredSeparator) name.remove_prefix(1);
  if (platform::FindChar(name, platform::kStoredSeparator) != std::string_view::npos ||
      platform::FindChar(name, '/') != std::string_view::npos) {
    return false;
  }
  const std::size_t dot = platform::FindLastChar(name, '.');
  return dot != std::string_view::npos && platform::EqualsNoCaseAscii(name.substr(dot + 1), "xml");
}

}  // namespace ovsvinfo
