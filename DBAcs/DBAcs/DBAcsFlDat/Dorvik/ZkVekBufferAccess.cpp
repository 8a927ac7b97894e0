#include "ZkVekBufferAccess.h"

#include <bit>
#include <cstring>
#include <new>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
#include "ZkSizeQuery.h"
#include "ZkUtilities.h"

static_assert(std::endian::native == std::endian::little, "records are copied as little-endian bytes");

namespace {

using Self = CZkVekBufferAccess;

constexpr char kSignature[] = "VEK3";
constexpr char kTextFormat[] = "見積保存ファイルとは異なるファイル形式です";
constexpr char kTextDecode[] = "見積保存ファイル復号化処理中にエラーが発生しました";
constexpr char kTextEncode[] = "見積保存ファイル暗号化処理中にエラーが発生しました";
constexpr char kTextSize[] = "指定されたバッファサイズと取得バッファサイズが一致しません";
constexpr char kTextNoEntries[] = "履歴情報未存在の為、処理をスルー";

// One field: its offset in the packed form, its offset in the caller record, its width.
struct Field {
  int packed;
  int aligned;
  int width;
};

constexpr Field kHeaderInfoFields[] = {
    {0, 0, 37},      // AcceptNo
    {37, 37, 30},    // GroupKey
    {67, 67, 40},    // SelfName
    {107, 107, 30},  // CustomerName
    {137, 137, 50},  // CarName
    {187, 188, 4},   // GarageInDate
    {191, 192, 4},   // GarageOutDate
    {195, 196, 2},   // Progress
    {197, 198, 2},   // ImageCount
    {199, 200, 4},   // CreatedDate
    {203, 208, 8},   // PartsPriceTotal
    {211, 216, 8},   // WageTotal
    {219, 224, 8},   // PaintTotal
    {227, 232, 8},   // CostTotal
    {235, 240, 8},   // Total
    {243, 248, 2},   // RCParts
    {245, 250, 2},   // TaxKind
    {247, 252, 2},   // History
    {249, 254, 2},   // Agreed
    {251, 256, 16},  // AgreedPassword
    {267, 272, 8},   // CarNoDepartment
    {275, 280, 6},   // CarNoDivision
    {281, 286, 4},   // CarNoBusiness
    {285, 290, 10},  // CarNoSerial
    {295, 300, 6},   // ai21_OrderNo
    {301, 306, 4},   // ai21_AdoptedDate
};

constexpr Field kHistoryDataFields[] = {{0, 0, 4}, {4, 4, 4}, {8, 8, 2}};

constexpr Field kHistoryInfoFields[] = {
    {0, 0, 7},    // RenewalDate
    {7, 8, 8},    // LicenceID
    {15, 16, 8},  // Total
    {23, 24, 8},  // PartsPriceTotal
    {31, 32, 8},  // WageTotal
    {39, 40, 8},  // PaintTotal
    {47, 48, 8},  // FrameTotal
    {55, 56, 8},  // CostTotal
    {63, 64, 30}  // Name
};

template <std::size_t N>
void Unpack(const Field (&fields)[N], const unsigned char* packed, unsigned char* record) {
  for (const Field& f : fields) std::memcpy(record + f.aligned, packed + f.packed, static_cast<std::size_t>(f.width));
}

template <std::size_t N>
void Pack(const Field (&fields)[N], const unsigned char* record, unsigned char* packed) {
  for (const Field& f : fields) std::memcpy(packed + f.packed, record + f.aligned, static_cast<std::size_t>(f.width));
}

std::int32_t Int32At(const unsigned char* p) {
  std::int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::int16_t Int16At(const unsigned char* p) {
  std::int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// How a type is scrambled: rotated by bits towards encodeDirection (then complemented) over the whole
// section or over its first 32 bytes only.
struct Scramble {
  int bits;
  int encodeDirection;
  bool first32Only;
};

bool ScrambleOf(int type, Scramble& out) {
  switch (type) {
    case Self::kTypeHeaderInfo:
      out = {3, CZkUtilities::kTowardsEnd, false};
      return true;
    case Self::kTypeHistoryInfo:
      out = {1, CZkUtilities::kTowardsStart, false};
      return true;
    case Self::kTypeEstimateData:
      out = {13, CZkUtilities::kTowardsStart, true};
      return true;
    default:
      return false;
  }
}

int Opposite(int direction) {
  return direction == CZkUtilities::kTowardsEnd ? CZkUtilities::kTowardsStart : CZkUtilities::kTowardsEnd;
}

template <class T>
bool Allocate(std::vector<T>& v, std::size_t n) {
  try {
    v.assign(n, T());
    return true;
  } catch (const std::bad_alloc&) {
    v.clear();
    return false;
  }
}

const unsigned char* DataOrNull(const std::vector<unsigned char>& v) { return v.empty() ? nullptr : v.data(); }

}  // namespace

CZkVekBufferAccess::CZkVekBufferAccess() : m_nHistoryCount(0), m_nEstimateDataSize(0) {
  std::memset(m_HeaderData, 0, sizeof m_HeaderData);
  std::memset(m_HeaderInfo, 0, sizeof m_HeaderInfo);
  std::memset(m_HistoryData, 0, sizeof m_HistoryData);
}

CZkVekBufferAccess::~CZkVekBufferAccess() = default;

bool CZkVekBufferAccess::ParseHistoryInfo(const unsigned char* p, std::int64_t remaining, std::int64_t& used,
                                          char* pErrorCode) {
  // A negative count in a damaged file is no count at all.
  std::int16_t count = Int16At(m_HistoryData + 8);
  std::int64_t size = static_cast<std::int64_t>(kHistoryInfoSize) * count;
  if (count < 0 || remaining < size) {
    ZK_LOG(0, "%s", kTextFormat);
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileFormat);
    return false;
  }
  m_pHistoryInfo.clear();
  m_nHistoryCount = count;
  used = size;
  if (count == 0) {
    ZK_LOG(3, "%s", kTextNoEntries);
    return true;
  }
  std::vector<unsigned char> work;
  if (!Allocate(m_pHistoryInfo, static_cast<std::size_t>(size)) || !Allocate(work, static_cast<std::size_t>(size))) {
    m_pHistoryInfo.clear();
    m_nHistoryCount = 0;
    ZK_LOG(0, "m_pHistoryInfoのcallocに失敗しました");
    ZkSetErrorCode(pErrorCode, zkerror::kNoMemory);
    return false;
  }
  std::memcpy(work.data(), p, static_cast<std::size_t>(size));
  if (!BinaryDecode(m_pHistoryInfo.data(), work.data(), static_cast<int>(size), kTypeHistoryInfo)) {
    ZK_LOG(0, "%s", kTextDecode);
    ZkSetErrorCode(pErrorCode, zkerror::kVekDecode);
    return false;
  }
  return true;
}

int CZkVekBufferAccess::SettingBuffer(const void* pBinaryData, int nByteSize, char* pErrorCode, int nFirstSection,
                                      int nLastSection) {
  CZkLogFrame frame =
      ZK_FRAME("バッファ設定",
               "pBinaryData->Address:%p, nByteSize->%d, pErrorCode->Address:%p, nFirstSection->%d, nLastSection->%d",
               pBinaryData, nByteSize, static_cast<void*>(pErrorCode), nFirstSection, nLastSection);
  const unsigned char* p = static_cast<const unsigned char*>(pBinaryData);
  std::int64_t remaining = (p && nByteSize > 0) ? nByteSize : 0;
  auto wanted = [&](int s) { return nFirstSection <= s && s <= nLastSection; };

  if (nFirstSection <= kSectionHeaderData) {
    if (remaining < kHeaderDataSize) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
    std::memcpy(m_HeaderData, p, kHeaderDataSize);
    if (std::memcmp(m_HeaderData, kSignature, 4) != 0) {
      return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
    }
    p += kHeaderDataSize;
    remaining -= kHeaderDataSize;
  }
  if (wanted(kSectionHeaderInfo)) {
    if (remaining < kHeaderInfoSize) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
    if (!BinaryDecode(m_HeaderInfo, p, kHeaderInfoSize, kTypeHeaderInfo)) {
      return frame.Fail(pErrorCode, zkerror::kVekDecode, kTextDecode);
    }
    p += kHeaderInfoSize;
    remaining -= kHeaderInfoSize;
  }
  if (wanted(kSectionHistoryData)) {
    if (remaining < kHistoryDataSize) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
    std::memcpy(m_HistoryData, p, kHistoryDataSize);
    p += kHistoryDataSize;
    remaining -= kHistoryDataSize;
  }
  if (wanted(kSectionHistoryInfo)) {
    std::int64_t used = 0;
    if (!ParseHistoryInfo(p, remaining, used, pErrorCode)) {
      return frame.Fail();
    }
    p += used;
    remaining -= used;
  }
  if (nLastSection >= kSectionEstimateData32) {
    if (remaining < kEstimateData32Size) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
    m_pEstimateData32.clear();
    std::vector<unsigned char> work;
    if (!Allocate(work, kEstimateData32Size)) {
      return frame.Fail(pErrorCode, zkerror::kNoMemory, "pEstimateDataDecodeのcallocに失敗しました");
    }
    if (!Allocate(m_pEstimateData32, kEstimateData32Size)) {
      return frame.Fail(pErrorCode, zkerror::kNoMemory, "m_pEstimateDataのcallocに失敗しました");
    }
    std::memcpy(work.data(), p, kEstimateData32Size);
    if (!BinaryDecode(m_pEstimateData32.data(), work.data(), kEstimateData32Size, kTypeEstimateData)) {
      return frame.Fail(pErrorCode, zkerror::kVekDecode, kTextDecode);
    }
  }
  return frame.Ok();
}

int CZkVekBufferAccess::SettingBufferOld(const void* pBinaryData, int nByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("全バッファ設定（旧方式）", "pBinaryData->Address:%p, nByteSize->%d, pErrorCode->Address:%p",
               pBinaryData, nByteSize, static_cast<void*>(pErrorCode));
  if (!SettingBuffer(pBinaryData, nByteSize, pErrorCode, kSectionHeaderData, kSectionHistoryInfo)) {
    return frame.Fail();
  }
  std::int64_t head = kHistoryInfoOffset + static_cast<std::int64_t>(kHistoryInfoSize) * m_nHistoryCount;
  std::int64_t rest = nByteSize - head;
  const unsigned char* p = static_cast<const unsigned char*>(pBinaryData) + head;
  m_pEstimateData.clear();
  m_nEstimateDataSize = 0;
  std::vector<unsigned char> work;
  if (!Allocate(work, static_cast<std::size_t>(rest))) {
    return frame.Fail(pErrorCode, zkerror::kNoMemory, "pEstimateDataDecodeのcallocに失敗しました");
  }
  if (!Allocate(m_pEstimateData, static_cast<std::size_t>(rest))) {
    return frame.Fail(pErrorCode, zkerror::kNoMemory, "m_pEstimateDataのcallocに失敗しました");
  }
  m_nEstimateDataSize = static_cast<int>(rest);
  if (rest > 0) std::memcpy(work.data(), p, static_cast<std::size_t>(rest));
  if (!BinaryDecode(m_pEstimateData.empty() ? nullptr : m_pEstimateData.data(), DataOrNull(work),
                    static_cast<int>(rest), kTypeEstimateData)) {
    return frame.Fail(pErrorCode, zkerror::kVekDecode, kTextDecode);
  }
  return frame.Ok();
}

int CZkVekBufferAccess::ReadHeaderData(void* pDest, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ファイルヘッダ取得（Delphi連携用構造体イメージ）",
                               "pDest->Address:%p, pErrorCode->Address:%p", pDest, static_cast<void*>(pErrorCode));
  if (!pDest) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  std::memcpy(pDest, m_HeaderData, kHeaderDataSize);
  return frame.Ok();
}

int CZkVekBufferAccess::ReadHeaderInfo(void* pDest, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ファイルヘッダ情報取得（Delphi連携用構造体イメージ）",
                               "pDest->Address:%p, pErrorCode->Address:%p", pDest, static_cast<void*>(pErrorCode));
  if (!pDest) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  std::memset(pDest, 0, sizeof(HeaderInfo));
  Unpack(kHeaderInfoFields, m_HeaderInfo, static_cast<unsigned char*>(pDest));
  return frame.Ok();
}

int CZkVekBufferAccess::ReadHistoryData(void* pDest, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("履歴ヘッダ情報取得（Delphi連携用構造体イメージ）",
                               "pDest->Address:%p, pErrorCode->Address:%p", pDest, static_cast<void*>(pErrorCode));
  if (!pDest) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  std::memset(pDest, 0, sizeof(HistoryData));
  Unpack(kHistoryDataFields, m_HistoryData, static_cast<unsigned char*>(pDest));
  return frame.Ok();
}

int CZkVekBufferAccess::ReadHistoryInfo(void* pDest, int* pCount, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("履歴情報取得（Delphi連携用構造体イメージ）", "pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p",
               pDest, pCount ? *pCount : 0, static_cast<void*>(pErrorCode));
  if (ZkQuery q = ZkCheckQuery(pDest, pCount, m_nHistoryCount, pErrorCode); q != ZkQuery::GoOn)
    return ZkEndQuery(frame, q);
  std::size_t count = static_cast<std::size_t>(m_nHistoryCount);
  // A count set without its entries has nothing to hand out.
  if (m_pHistoryInfo.size() < count * kHistoryInfoSize) {
    return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  }
  unsigned char* dest = static_cast<unsigned char*>(pDest);
  std::memset(dest, 0, count * sizeof(HistoryInfo));
  for (std::size_t i = 0; i < count; ++i) {
    Unpack(kHistoryInfoFields, m_pHistoryInfo.data() + i * kHistoryInfoSize, dest + i * sizeof(HistoryInfo));
  }
  return frame.Ok();
}

int CZkVekBufferAccess::ReadEstimateData32(void* pDest, int* pByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("見積データ先頭32バイト取得", "pDest->Address:%p, *pByteSize->%d, pErrorCode->Address:%p", pDest,
               pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  if (ZkQuery q = ZkCheckQuery(pDest, pByteSize, kEstimateData32Size, pErrorCode); q != ZkQuery::GoOn)
    return ZkEndQuery(frame, q);
  if (m_pEstimateData32.size() != kEstimateData32Size) {
    return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  }
  std::memcpy(pDest, m_pEstimateData32.data(), kEstimateData32Size);
  return frame.Ok();
}

int CZkVekBufferAccess::ReadEstimateData(void* pDest, int* pByteSize, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積データ取得", "pDest->Address:%p, *pByteSize->%d, pErrorCode->Address:%p", pDest,
                               pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  if (ZkQuery q = ZkCheckQuery(pDest, pByteSize, m_nEstimateDataSize, pErrorCode); q != ZkQuery::GoOn)
    return ZkEndQuery(frame, q);
  if (m_pEstimateData.size() != static_cast<std::size_t>(m_nEstimateDataSize)) {
    return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  }
  if (m_nEstimateDataSize > 0) std::memcpy(pDest, m_pEstimateData.data(), m_pEstimateData.size());
  return frame.Ok();
}

int CZkVekBufferAccess::ReplaceHeaderData(const void* pSource, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ファイルヘッダ置き換え（Delphi連携用構造体イメージ）",
                               "pSource->Address:%p, pErrorCode->Address:%p", pSource, static_cast<void*>(pErrorCode));
  if (!pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  std::memcpy(m_HeaderData, pSource, kHeaderDataSize);
  return frame.Ok();
}

int CZkVekBufferAccess::ReplaceHeaderInfo(const void* pSource, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ファイルヘッダ情報置き換え（Delphi連携用構造体イメージ）",
                               "pSource->Address:%p, pErrorCode->Address:%p", pSource, static_cast<void*>(pErrorCode));
  if (!pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  std::memset(m_HeaderInfo, 0, sizeof m_HeaderInfo);
  Pack(kHeaderInfoFields, static_cast<const unsigned char*>(pSource), m_HeaderInfo);
  return frame.Ok();
}

int CZkVekBufferAccess::ReplaceHistoryData(const void* pSource, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("履歴ヘッダ置き換え（Delphi連携用構造体イメージ）",
                               "pSource->Address:%p, pErrorCode->Address:%p", pSource, static_cast<void*>(pErrorCode));
  if (!pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  Pack(kHistoryDataFields, static_cast<const unsigned char*>(pSource), m_HistoryData);
  return frame.Ok();
}

int CZkVekBufferAccess::ReplaceHistoryInfo(const void* pSource, int nCount, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("履歴情報置き換え（Delphi連携用構造体イメージ）",
                               "pSource->Address:%p, nCount->%d, pErrorCode->Address:%p", pSource, nCount,
                               static_cast<void*>(pErrorCode));
  if (nCount < 0) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  if (nCount != m_nHistoryCount) m_pHistoryInfo.clear();
  if (nCount > 0 && pSource) {
    std::vector<unsigned char> entries;
    if (!Allocate(entries, static_cast<std::size_t>(nCount) * kHistoryInfoSize)) {
      return frame.Fail(pErrorCode, zkerror::kNoMemory, "m_pHistoryInfoのcallocに失敗しました");
    }
    const unsigned char* src = static_cast<const unsigned char*>(pSource);
    for (int i = 0; i < nCount; ++i) {
      Pack(kHistoryInfoFields, src + static_cast<std::size_t>(i) * sizeof(HistoryInfo),
           entries.data() + static_cast<std::size_t>(i) * kHistoryInfoSize);
    }
    m_pHistoryInfo.swap(entries);
  }
  m_nHistoryCount = nCount;
  return frame.Ok();
}

int CZkVekBufferAccess::ReplaceEstimateData32(const void* pSource, int nByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("見積データ（先頭32バイト）置き換え", "pSource->Address:%p, nByteSize->%d, pErrorCode->Address:%p",
               pSource, nByteSize, static_cast<void*>(pErrorCode));
  // The section is 32 bytes long: a source of another size would be read past its end later.
  if (pSource && nByteSize > 0 && nByteSize != kEstimateData32Size) {
    return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  }
  if (nByteSize != kEstimateData32Size) m_pEstimateData32.clear();
  if (nByteSize > 0 && pSource) {
    if (!Allocate(m_pEstimateData32, kEstimateData32Size)) {
      return frame.Fail(pErrorCode, zkerror::kNoMemory, "m_pEstimateData32のcallocに失敗しました");
    }
    std::memcpy(m_pEstimateData32.data(), pSource, kEstimateData32Size);
  }
  return frame.Ok();
}

int CZkVekBufferAccess::ReplaceEstimateData(const void* pSource, int nByteSize, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積データ置き換え", "pSource->Address:%p, nByteSize->%d, pErrorCode->Address:%p",
                               pSource, nByteSize, static_cast<void*>(pErrorCode));
  if (nByteSize < 0) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextSize);
  if (nByteSize != m_nEstimateDataSize) m_pEstimateData.clear();
  if (nByteSize > 0 && pSource) {
    if (!Allocate(m_pEstimateData, static_cast<std::size_t>(nByteSize))) {
      m_nEstimateDataSize = 0;
      return frame.Fail(pErrorCode, zkerror::kNoMemory, "m_pEstimateDataのcallocに失敗しました");
    }
    std::memcpy(m_pEstimateData.data(), pSource, static_cast<std::size_t>(nByteSize));
  }
  m_nEstimateDataSize = nByteSize;
  return frame.Ok();
}

int CZkVekBufferAccess::ReadBuffer(void* pBinaryData, int* pByteSize, char* pErrorCode, int nLastSection) {
  CZkLogFrame frame =
      ZK_FRAME("バッファ取得", "pBinaryData->Address:%p, *pByteSize->%d, pErrorCode->Address:%p, nLastSection->%d",
               pBinaryData, pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode), nLastSection);
  std::int64_t historySize = static_cast<std::int64_t>(kHistoryInfoSize) * m_nHistoryCount;
  std::int64_t size = kHeaderDataSize + kHeaderInfoSize;
  if (nLastSection >= kSectionHistoryData) size += kHistoryDataSize;
  if (nLastSection >= kSectionHistoryInfo) size += historySize;
  if (nLastSection >= kSectionEstimateData32) size += kEstimateData32Size;
  if (ZkQuery q = ZkCheckQuery(pBinaryData, pByteSize, static_cast<int>(size), pErrorCode); q != ZkQuery::GoOn)
    return ZkEndQuery(frame, q);
  unsigned char* p = static_cast<unsigned char*>(pBinaryData);
  std::memcpy(p, m_HeaderData, kHeaderDataSize);
  p += kHeaderDataSize;
  if (!BinaryEncode(p, m_HeaderInfo, kHeaderInfoSize, kTypeHeaderInfo)) {
    return frame.Fail(pErrorCode, zkerror::kVekEncode, kTextEncode);
  }
  p += kHeaderInfoSize;
  if (nLastSection >= kSectionHistoryData) {
    std::memcpy(p, m_HistoryData, kHistoryDataSize);
    p += kHistoryDataSize;
  }
  if (nLastSection >= kSectionHistoryInfo) {
    if (m_nHistoryCount == 0) {
      ZK_LOG(3, "%s", kTextNoEntries);
    } else {
      const unsigned char* entries =
          m_pHistoryInfo.size() == static_cast<std::size_t>(historySize) ? m_pHistoryInfo.data() : nullptr;
      if (!BinaryEncode(p, entries, static_cast<int>(historySize), kTypeHistoryInfo)) {
        return frame.Fail(pErrorCode, zkerror::kVekEncode, kTextEncode);
      }
      p += historySize;
    }
  }
  if (nLastSection >= kSectionEstimateData32) {
    std::vector<unsigned char> work;
    if (!Allocate(work, kEstimateData32Size)) {
      return frame.Fail(pErrorCode, zkerror::kNoMemory, "pEstimateDataEncodeのcallocに失敗しました");
    }
    if (!BinaryEncode(work.data(), DataOrNull(m_pEstimateData32), kEstimateData32Size, kTypeEstimateData)) {
      return frame.Fail(pErrorCode, zkerror::kVekEncode, kTextEncode);
    }
    std::memcpy(p, work.data(), kEstimateData32Size);
  }
  return frame.Ok();
}

int CZkVekBufferAccess::ReadBufferAllOld(void* pBinaryData, int* pByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("全バッファ取得（旧方式）", "pBinaryData->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
               pBinaryData, pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  std::int64_t historySize = static_cast<std::int64_t>(kHistoryInfoSize) * m_nHistoryCount;
  std::int64_t size = kHistoryInfoOffset + historySize + m_nEstimateDataSize;
  if (ZkQuery q = ZkCheckQuery(pBinaryData, pByteSize, static_cast<int>(size), pErrorCode); q != ZkQuery::GoOn)
    return ZkEndQuery(frame, q);
  unsigned char* p = static_cast<unsigned char*>(pBinaryData);
  std::memcpy(p, m_HeaderData, kHeaderDataSize);
  p += kHeaderDataSize;
  if (!BinaryEncode(p, m_HeaderInfo, kHeaderInfoSize, kTypeHeaderInfo)) {
    return frame.Fail(pErrorCode, zkerror::kVekEncode, kTextEncode);
  }
  p += kHeaderInfoSize;
  std::memcpy(p, m_HistoryData, kHistoryDataSize);
  p += kHistoryDataSize;
  if (m_nHistoryCount > 0) {
    const unsigned char* entries =
        m_pHistoryInfo.size() == static_cast<std::size_t>(historySize) ? m_pHistoryInfo.data() : nullptr;
    if (!BinaryEncode(p, entries, static_cast<int>(historySize), kTypeHistoryInfo)) {
      return frame.Fail(pErrorCode, zkerror::kVekEncode, kTextEncode);
    }
    p += historySize;
  }
  const unsigned char* data = m_pEstimateData.size() == static_cast<std::size_t>(m_nEstimateDataSize)
                                  ? DataOrNull(m_pEstimateData)
                                  : nullptr;
  if (!BinaryEncode(p, data, m_nEstimateDataSize, kTypeEstimateData)) {
    return frame.Fail(pErrorCode, zkerror::kVekEncode, kTextEncode);
  }
  return frame.Ok();
}

namespace {

// The scrambling of one section in one direction: rotate, then complement (encode) or complement, then
// rotate back (decode).
int Transform(void* pDest, const void* pSource, int nByteSize, int type, bool encode) {
  Scramble s;
  if (!ScrambleOf(type, s) || nByteSize < 0) return 0;
  int span = nByteSize;
  if (s.first32Only) {
    if (nByteSize < Self::kEstimateData32Size) {
      ZK_LOG(0, "隠蔽対象領域が全体の領域を超えています");
      return 0;
    }
    span = Self::kEstimateData32Size;
  }
  unsigned char* dest = static_cast<unsigned char*>(pDest);
  const unsigned char* src = static_cast<const unsigned char*>(pSource);
  std::vector<unsigned char> work;
  if (!Allocate(work, static_cast<std::size_t>(span))) return 0;
  if (encode) {
    if (!CZkUtilities::BufferBitShift(s.bits, work.data(), src, span, s.encodeDirection)) {
      ZK_LOG(0, "ビットシフト処理中にエラーが発生しました");
      return 0;
    }
    if (!CZkUtilities::BufferBitReverse(dest, work.data(), span)) {
      ZK_LOG(0, "ビット反転処理中にエラーが発生しました");
      return 0;
    }
  } else {
    if (dest) std::memset(dest, 0, static_cast<std::size_t>(nByteSize));
    if (!CZkUtilities::BufferBitReverse(work.data(), src, span)) {
      ZK_LOG(0, "ビット反転処理中にエラーが発生しました");
      return 0;
    }
    if (!CZkUtilities::BufferBitShift(s.bits, dest, work.data(), span, Opposite(s.encodeDirection))) {
      ZK_LOG(0, "ビットシフト処理中にエラーが発生しました");
      return 0;
    }
  }
  if (nByteSize > span) std::memcpy(dest + span, src + span, static_cast<std::size_t>(nByteSize - span));
  return 1;
}

}  // namespace

int CZkVekBufferAccess::BinaryEncode(void* pDest, const void* pSource, int nByteSize, int nEncodeType) {
  CZkLogFrame frame = ZK_FRAME("暗号化処理", "pDest->Address:%p, pSource->Address:%p, nByteSize->%d, nEncodeType->%d",
                               pDest, pSource, nByteSize, nEncodeType);
  if (!Transform(pDest, pSource, nByteSize, nEncodeType, true)) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVekBufferAccess::BinaryDecode(void* pDest, const void* pSource, int nByteSize, int nDecodeType) {
  CZkLogFrame frame = ZK_FRAME("復号化処理", "pDest->Address:%p, pSource->Address:%p, nByteSize->%d, nDecodeType->%d",
                               pDest, pSource, nByteSize, nDecodeType);
  if (!Transform(pDest, pSource, nByteSize, nDecodeType, false)) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVekBufferAccess::CheckBufferInterrelation(char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("全バッファ相互関係チェック", "pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  if (std::memcmp(m_HeaderData, kSignature, 4) != 0) {
    return frame.Fail(pErrorCode, zkerror::kVekSignature,
                      "［見積保存ファイル］ファイルヘッダ：シグネチャが正しく設定されていません");
  }
  if (Int32At(m_HeaderData + 8) != kHeaderInfoSize) {
    return frame.Fail(pErrorCode, zkerror::kVekHeaderInfoLength,
                      "ファイルヘッダ：ファイルヘッダ情報サイズが正しく設定されていません");
  }
  if (Int32At(m_HeaderData + 12) !=
      static_cast<std::int64_t>(kHistoryDataSize) + static_cast<std::int64_t>(kHistoryInfoSize) * m_nHistoryCount) {
    return frame.Fail(pErrorCode, zkerror::kVekHistoryDataLength,
                      "ファイルヘッダ：履歴部サイズが正しく設定されていません");
  }
  if (Int32At(m_HistoryData + 4) != kHistoryInfoSize) {
    return frame.Fail(pErrorCode, zkerror::kVekHistoryInfoLength,
                      "履歴ヘッダ：履歴情報サイズが正しく設定されていません");
  }
  if (Int16At(m_HistoryData + 8) != m_nHistoryCount) {
    return frame.Fail(pErrorCode, zkerror::kVekHistoryCount, "履歴ヘッダ：履歴情報件数が正しく設定されていません");
  }
  return frame.Ok();
}
