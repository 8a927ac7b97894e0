// The cabinet file layout: header, folder, file and data-block records, and the data-block checksum.
// Pure byte work on buffers; files are read and written by the callers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cabinet {

inline constexpr std::uint32_t kHeaderSize = 36;      // fixed part of the header
inline constexpr std::uint32_t kFolderEntrySize = 8;  // without reserved bytes
inline constexpr std::uint32_t kFileEntrySize = 16;   // without the name
inline constexpr std::uint32_t kDataHeaderSize = 8;   // without reserved bytes
inline constexpr std::uint32_t kBlockSize = 32768;    // uncompressed bytes of a full data block
// Packed bytes of one data block at most (the parts of a block split between cabinets together).
inline constexpr std::uint32_t kLargestPackedBlock = kBlockSize + 6144;
inline constexpr std::uint32_t kMaxFolderSize = 0x7FFF8000;  // uncompressed bytes of one folder (65535 blocks)
inline constexpr std::uint32_t kMaxCabinetSize = 0x7FFFFFFF;
inline constexpr std::uint32_t kMaxEntries = 0xFFFF;  // files or folders of one cabinet

inline constexpr std::uint16_t kFlagPrevCabinet = 0x0001;
inline constexpr std::uint16_t kFlagNextCabinet = 0x0002;
inline constexpr std::uint16_t kFlagReservePresent = 0x0004;

// Folder index of a file entry that is continued between cabinets.
inline constexpr std::uint16_t kContinuedFromPrev = 0xFFFD;
inline constexpr std::uint16_t kContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kContinuedPrevAndNext = 0xFFFF;

inline constexpr std::uint16_t kCompressNone = 0x0000;
inline constexpr std::uint16_t kCompressMszip = 0x0001;

inline void Put16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The data-block checksum, continued from seed over size bytes.
std::uint32_t Checksum(const unsigned char* data, std::size_t size, std::uint32_t seed);

// Fills the 8-byte header of a data block whose bytes follow it; the checksum covers the
// data, then the two size fields.
void PutDataHeader(unsigned char* header, const unsigned char* data, std::uint16_t compressed,
                   std::uint16_t uncompressed);

// The fixed part of a cabinet header and the texts that follow it.
struct Header {
  std::uint32_t cabinetSize = 0;
  std::uint32_t filesOffset = 0;
  std::uint16_t folderCount = 0;
  std::uint16_t fileCount = 0;
  std::uint16_t flags = 0;
  std::uint16_t setId = 0;
  std::uint16_t cabinetIndex = 0;
  std::string prevCabinet, prevDisk, nextCabinet, nextDisk;
  std::uint16_t headerReserve = 0;  // reserved areas, read only
  std::uint8_t folderReserve = 0, dataReserve = 0;
};

// Bytes of the serialized header (fixed part and its texts).
std::size_t HeaderBytes(const Header& h);
// Writes the header into out (HeaderBytes(h) bytes).
void PutHeader(const Header& h, unsigned char* out);

// Reads the fixed part (kHeaderSize bytes); false when the bytes are no cabinet header this library reads.
bool ParseFixedHeader(const unsigned char* in, Header& h);
// Reads the whole header, reserved area sizes and link texts included, from the first size bytes of a
// cabinet; false when they are no cabinet header or end inside it.
bool ParseHeader(const unsigned char* in, std::size_t size, Header& h);
// Bytes from the start of a cabinet that always hold its whole header.
inline constexpr std::size_t kLongestHeader = kHeaderSize + 4 + 0xFFFF + 4 * 256;

}  // namespace cabinet
