#include "ZkVekFileAccess.h"

#include <cstring>
#include <new>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkUtilities.h"
#include "ZkVekBufferAccess.h"
#include "ZkVekFileReplace.h"

namespace {

using Model = CZkVekBufferAccess;

constexpr char kTextMissing[] = "見積保存ファイルが見つかりません";
constexpr char kTextRead[] = "見積保存ファイルの読み込みに失敗しました";
constexpr char kTextFormat[] = "見積保存ファイルとは異なるファイル形式です";

constexpr int kSignatureBytes = 8;
constexpr int kHeaderDataBytes = Model::kHeaderDataSize;
constexpr int kHeaderInfoBytes = Model::kHistoryDataOffset;   // 321
constexpr int kHistoryDataBytes = Model::kHistoryInfoOffset;  // 331

}  // namespace

// The first steps of every read: the file must exist, its lock be had and its leading bytes be readable.
#define ZK_READ_HEAD(title, bytes, buf, missingText, exclusive)                                  \
  do {                                                                                            \
    if (!m_bExist) ZK_FAIL(title, zkerror::kVekFileMissing, missingText);                        \
    if (!Lock((exclusive), pErrorCode)) {                                                         \
      ZK_LOG_NG(title);                                                                           \
      return 0;                                                                                   \
    }                                                                                             \
    if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, (bytes), (buf))) {                    \
      ZK_FAIL(title, zkerror::kVekFileRead, kTextRead);                                           \
    }                                                                                             \
  } while (0)

// Parse failures carry the model's own code.
#define ZK_PARSE(title, model, buf, first, last)                                                 \
  do {                                                                                           \
    if (!(model).SettingBuffer((buf).data(), static_cast<int>((buf).size()), pErrorCode, (first),  \
                               (last))) {                                                        \
      ZK_LOG_NG(title);                                                                          \
      return 0;                                                                                  \
    }                                                                                            \
  } while (0)

CZkVekFileAccess::CZkVekFileAccess(const char* pVekFileName)
    : m_strVekFileName(CZkUtilities::NormalizePath(ZkText(pVekFileName))),
      m_bExist(CZkUtilities::IsExistFile(m_strVekFileName) == 1) {}

CZkVekFileAccess::~CZkVekFileAccess() = default;

bool CZkVekFileAccess::Lock(bool exclusive, char* pErrorCode) {
  if (exclusive) {
    // A change: what changes cut short left beside the file goes too.
    m_pLock = CZkVekFileReplace::LockForChange(m_strVekFileName, pErrorCode);
    return m_pLock != nullptr;
  }
  m_pLock = CZkUtilities::LockVekFile(m_strVekFileName, false);
  if (!m_pLock) ZkSetErrorCode(pErrorCode, zkerror::kVekFileRead);
  return m_pLock != nullptr;
}

int CZkVekFileAccess::ReadFileSignature(char* pSignature, char* pVersion, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイル識別子読み込み";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pSignature->Address:%p, pVersion->Address:%p, pErrorCode->Address:%p", static_cast<void*>(pSignature),
               static_cast<void*>(pVersion), static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  std::vector<unsigned char> data;
  ZK_READ_HEAD(kTitle, kSignatureBytes, data, kTextMissing, false);
  if (data.size() < kSignatureBytes) ZK_FAIL(kTitle, zkerror::kVekFileFormat, kTextFormat);
  if (pSignature) std::memcpy(pSignature, data.data(), 4);
  if (pVersion) std::memcpy(pVersion, data.data() + 4, 4);
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVekFileAccess::ReadFileHeaderData(void* pDest, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイルヘッダ読み込み";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pDest->Address:%p, pErrorCode->Address:%p", pDest, static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  std::vector<unsigned char> data;
  ZK_READ_HEAD(kTitle, kHeaderDataBytes, data, kTextMissing, false);
  Model model;
  ZK_PARSE(kTitle, model, data, Model::kSectionHeaderData, Model::kSectionHeaderData);
  if (!model.ReadHeaderData(pDest, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVekFileAccess::ReadFileHeaderInfo(void* pDest, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイルヘッダ情報読み込み";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pDest->Address:%p, pErrorCode->Address:%p", pDest, static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  std::vector<unsigned char> data;
  ZK_READ_HEAD(kTitle, kHeaderInfoBytes, data, kTextMissing, false);
  Model model;
  ZK_PARSE(kTitle, model, data, Model::kSectionHeaderData, Model::kSectionHeaderInfo);
  if (!model.ReadHeaderInfo(pDest, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVekFileAccess::WriteFileHeaderInfo(const void* pSource, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイルヘッダ情報書き込み";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pSource->Address:%p, pErrorCode->Address:%p", pSource, static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  std::vector<unsigned char> data;
  ZK_READ_HEAD(kTitle, kHeaderInfoBytes, data, kTextMissing, true);
  Model model;
  ZK_PARSE(kTitle, model, data, Model::kSectionHeaderData, Model::kSectionHeaderInfo);
  if (!model.ReplaceHeaderInfo(pSource, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  int size = 0;
  if (!model.ReadBuffer(nullptr, &size, pErrorCode, Model::kSectionHeaderInfo)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  std::vector<unsigned char> image;
  try {
    image.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    ZK_FAIL(kTitle, zkerror::kNoMemory, "pBinaryDataのcallocに失敗しました");
  }
  if (!model.ReadBuffer(image.data(), &size, pErrorCode, Model::kSectionHeaderInfo)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  // A failed write is reported with a code of its own, never with whatever the caller's buffer held.
  if (!CZkUtilities::OverwriteBinaryData(m_strVekFileName, image.data(), size)) {
    ZK_FAIL(kTitle, zkerror::kVekFileWrite, "見積保存ファイルの書き込みに失敗しました");
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVekFileAccess::ReadFileHistoryData(void* pDest, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイル履歴ヘッダ読み込み";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pDest->Address:%p, pErrorCode->Address:%p", pDest, static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  std::vector<unsigned char> data;
  ZK_READ_HEAD(kTitle, kHistoryDataBytes, data, "指定された見積保存ファイルパスが不正です", false);
  Model model;
  ZK_PARSE(kTitle, model, data, Model::kSectionHeaderData, Model::kSectionHistoryData);
  if (!model.ReadHistoryData(pDest, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVekFileAccess::ReadFileHistoryInfo(void* pDest, int* pCount, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイル履歴情報読み込み";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p", pDest, pCount ? *pCount : 0,
               static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  std::vector<unsigned char> data;
  ZK_READ_HEAD(kTitle, kHistoryDataBytes, data, kTextMissing, false);
  Model model;
  ZK_PARSE(kTitle, model, data, Model::kSectionHeaderData, Model::kSectionHistoryData);
  HistoryData history{};
  if (!model.ReadHistoryData(&history, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  int count = history.HistoryInfoCount;
  if (count < 0) ZK_FAIL(kTitle, zkerror::kVekFileFormat, kTextFormat);
  // With no entries there is nothing to read: a read of length 0 would take the whole archive.
  std::vector<unsigned char> entries;
  if (count > 0 &&
      !CZkUtilities::ReadBinaryData(m_strVekFileName, Model::kHistoryInfoOffset,
                                    static_cast<std::int64_t>(Model::kHistoryInfoSize) * count, entries)) {
    ZK_FAIL(kTitle, zkerror::kVekFileRead, kTextRead);
  }
  ZK_PARSE(kTitle, model, entries, Model::kSectionHistoryInfo, Model::kSectionHistoryInfo);
  if (!model.ReadHistoryInfo(pDest, pCount, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG_OK(kTitle);
  return 1;
}
