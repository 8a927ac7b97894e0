#include "ZkVekFileAccess.h"

#include <cstring>
#include <new>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
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

// Sections first..last of the model from data; a failure carries the model's own code.
bool Parse(Model& model, const std::vector<unsigned char>& data, int first, int last, char* pErrorCode) {
  return model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode, first, last) == 1;
}

}  // namespace

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

int CZkVekFileAccess::ReadHead(const CZkLogFrame& frame, int bytes, std::vector<unsigned char>& data,
                               const char* missingText, bool exclusive, char* pErrorCode,
                               const ZkSourcePlace& where) {
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kVekFileMissing, missingText, where);
  if (!Lock(exclusive, pErrorCode)) return frame.Fail(where);
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, bytes, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextRead, where);
  }
  return 1;
}

int CZkVekFileAccess::ReadFileSignature(char* pSignature, char* pVersion, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("見積保存ファイル識別子読み込み", "pSignature->Address:%p, pVersion->Address:%p, pErrorCode->Address:%p",
               static_cast<void*>(pSignature), static_cast<void*>(pVersion), static_cast<void*>(pErrorCode));
  std::vector<unsigned char> data;
  if (!ReadHead(frame, kSignatureBytes, data, kTextMissing, false, pErrorCode)) return 0;
  if (data.size() < kSignatureBytes) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
  if (pSignature) std::memcpy(pSignature, data.data(), 4);
  if (pVersion) std::memcpy(pVersion, data.data() + 4, 4);
  return frame.Ok();
}

int CZkVekFileAccess::ReadFileHeaderData(void* pDest, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積保存ファイルヘッダ読み込み", "pDest->Address:%p, pErrorCode->Address:%p", pDest,
                               static_cast<void*>(pErrorCode));
  std::vector<unsigned char> data;
  if (!ReadHead(frame, kHeaderDataBytes, data, kTextMissing, false, pErrorCode)) return 0;
  Model model;
  if (!Parse(model, data, Model::kSectionHeaderData, Model::kSectionHeaderData, pErrorCode)) return frame.Fail();
  if (!model.ReadHeaderData(pDest, pErrorCode)) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVekFileAccess::ReadFileHeaderInfo(void* pDest, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積保存ファイルヘッダ情報読み込み", "pDest->Address:%p, pErrorCode->Address:%p", pDest,
                               static_cast<void*>(pErrorCode));
  std::vector<unsigned char> data;
  if (!ReadHead(frame, kHeaderInfoBytes, data, kTextMissing, false, pErrorCode)) return 0;
  Model model;
  if (!Parse(model, data, Model::kSectionHeaderData, Model::kSectionHeaderInfo, pErrorCode)) return frame.Fail();
  if (!model.ReadHeaderInfo(pDest, pErrorCode)) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVekFileAccess::WriteFileHeaderInfo(const void* pSource, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積保存ファイルヘッダ情報書き込み", "pSource->Address:%p, pErrorCode->Address:%p",
                               pSource, static_cast<void*>(pErrorCode));
  std::vector<unsigned char> data;
  if (!ReadHead(frame, kHeaderInfoBytes, data, kTextMissing, true, pErrorCode)) return 0;
  Model model;
  if (!Parse(model, data, Model::kSectionHeaderData, Model::kSectionHeaderInfo, pErrorCode)) return frame.Fail();
  if (!model.ReplaceHeaderInfo(pSource, pErrorCode)) {
    return frame.Fail();
  }
  int size = 0;
  if (!model.ReadBuffer(nullptr, &size, pErrorCode, Model::kSectionHeaderInfo)) {
    return frame.Fail();
  }
  std::vector<unsigned char> image;
  try {
    image.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    return frame.Fail(pErrorCode, zkerror::kNoMemory, "pBinaryDataのcallocに失敗しました");
  }
  if (!model.ReadBuffer(image.data(), &size, pErrorCode, Model::kSectionHeaderInfo)) {
    return frame.Fail();
  }
  // A failed write is reported with a code of its own, never with whatever the caller's buffer held.
  if (!CZkUtilities::OverwriteBinaryData(m_strVekFileName, image.data(), size)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileWrite, "見積保存ファイルの書き込みに失敗しました");
  }
  return frame.Ok();
}

int CZkVekFileAccess::ReadFileHistoryData(void* pDest, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積保存ファイル履歴ヘッダ読み込み", "pDest->Address:%p, pErrorCode->Address:%p", pDest,
                               static_cast<void*>(pErrorCode));
  std::vector<unsigned char> data;
  if (!ReadHead(frame, kHistoryDataBytes, data, "指定された見積保存ファイルパスが不正です", false, pErrorCode)) {
    return 0;
  }
  Model model;
  if (!Parse(model, data, Model::kSectionHeaderData, Model::kSectionHistoryData, pErrorCode)) return frame.Fail();
  if (!model.ReadHistoryData(pDest, pErrorCode)) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVekFileAccess::ReadFileHistoryInfo(void* pDest, int* pCount, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("見積保存ファイル履歴情報読み込み", "pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p", pDest,
               pCount ? *pCount : 0, static_cast<void*>(pErrorCode));
  std::vector<unsigned char> data;
  if (!ReadHead(frame, kHistoryDataBytes, data, kTextMissing, false, pErrorCode)) return 0;
  Model model;
  if (!Parse(model, data, Model::kSectionHeaderData, Model::kSectionHistoryData, pErrorCode)) return frame.Fail();
  HistoryData history{};
  if (!model.ReadHistoryData(&history, pErrorCode)) {
    return frame.Fail();
  }
  int count = history.HistoryInfoCount;
  if (count < 0) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
  // With no entries there is nothing to read: a read of length 0 would take the whole archive.
  std::vector<unsigned char> entries;
  if (count > 0 &&
      !CZkUtilities::ReadBinaryData(m_strVekFileName, Model::kHistoryInfoOffset,
                                    static_cast<std::int64_t>(Model::kHistoryInfoSize) * count, entries)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextRead);
  }
  if (!Parse(model, entries, Model::kSectionHistoryInfo, Model::kSectionHistoryInfo, pErrorCode)) return frame.Fail();
  if (!model.ReadHistoryInfo(pDest, pCount, pErrorCode)) {
    return frame.Fail();
  }
  return frame.Ok();
}
