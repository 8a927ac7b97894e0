#include "EstimateHead.h"

#include <cstring>

#include "ArchiveRecords.h"
#include "platform/files.h"

namespace ovsvinfo {

namespace {

// The file header (16 bytes), the header information (305), the history header (10); then 93 bytes an entry.
constexpr std::size_t kHeaderInfoAt = 16;
constexpr std::size_t kHeaderInfoSize = 305;
constexpr std::size_t kHistoryCountAt = 321 + 8;
constexpr std::size_t kHeadSize = 331;
constexpr std::int64_t kHistoryEntrySize = 93;
constexpr unsigned kHeaderInfoRotation = 3;  // bits the header information was rotated towards its end

}  // namespace

bool ReadEstimateHead(const std::string& vekFile, EstimateHead& head) {
  std::string bytes;
  if (!platform::ReadFilePart(vekFile, 0, kHeadSize, bytes) || bytes.size() < kHeadSize) return false;
  if (bytes.compare(0, 4, "VEK3") != 0) return false;
  std::int16_t count = 0;
  std::memcpy(&count, bytes.data() + kHistoryCountAt, sizeof count);  // little-endian, as the file stores it
  if (count < 0) return false;
  head.headerInfo = bytes.substr(kHeaderInfoAt, kHeaderInfoSize);
  Unscramble(reinterpret_cast<unsigned char*>(head.headerInfo.data()), kHeaderInfoSize, kHeaderInfoRotation, false);
  head.archiveOffset = static_cast<std::int64_t>(kHeadSize) + kHistoryEntrySize * count;
  return true;
}

std::string HeaderInfoField(const EstimateHead& head, std::size_t offset, std::size_t width) {
  return head.headerInfo.substr(offset, width);
}

}  // namespace ovsvinfo
