#include "ZkVekFileOperation.h"

#include <cstring>
#include <new>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkUtilities.h"
#include "ZkVekBufferAccess.h"
#include "ZkVekFileReplace.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using Model = CZkVekBufferAccess;

constexpr char kTextVekPath[] = "指定された見積保存ファイルパスが不正です";
constexpr char kTextVekRead[] = "見積保存ファイル読み込み中にエラーが発生しました";
constexpr char kTextVekWrite[] = "見積保存ファイル書き出し中にエラーが発生しました";
constexpr char kTextFormat[] = "見積保存ファイルとは異なるファイル形式です";
constexpr char kTextNoMemory[] = "pBinaryDataのcallocに失敗しました";

constexpr int kHeadSize = Model::kHistoryInfoOffset;  // 331: file header, header information, history header
constexpr int kHeadWithInfoSize = Model::kHistoryDataOffset;  // 321: file header and header information

// Equal when single-byte ASCII letters are compared without regard to case; double-byte characters must match
// exactly (their trail bytes are never folded).
bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    std::size_t n = platform::CharLength(a, i);
    if (n == 2) {
      if (a.compare(i, 2, b, i, 2) != 0) return false;
    } else {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
      if (x != y) return false;
    }
    i += n;
  }
  return true;
}

// Serialises sections 0..lastSection of the model into image (a size query, then the bytes).
bool Serialise(Model& model, int lastSection, std::vector<unsigned char>& image, char* pErrorCode) {
  int size = 0;
  if (!model.ReadBuffer(nullptr, &size, pErrorCode, lastSection)) return false;
  try {
    image.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    ZK_LOG(0, kTextNoMemory);
    ZkSetErrorCode(pErrorCode, zkerror::kNoMemory);
    return false;
  }
  return model.ReadBuffer(image.data(), &size, pErrorCode, lastSection) == 1;
}

// The header parts of a model emptied of its history: no entries, lengths and the History value to match.
bool ClearHistory(Model& model, char* pErrorCode) {
  HeaderData headerData{};
  HeaderInfo headerInfo{};
  HistoryData historyData{};
  if (!model.ReadHeaderData(&headerData, pErrorCode) || !model.ReadHeaderInfo(&headerInfo, pErrorCode) ||
      !model.ReadHistoryData(&historyData, pErrorCode)) {
    return false;
  }
  headerData.HistoryDataLength = Model::kHistoryDataSize;
  headerInfo.History = 0;
  historyData.HistoryInfoCount = 0;
  return model.ReplaceHeaderData(&headerData, pErrorCode) && model.ReplaceHeaderInfo(&headerInfo, pErrorCode) &&
         model.ReplaceHistoryData(&historyData, pErrorCode) && model.ReplaceHistoryInfo(nullptr, 0, pErrorCode);
}

// The history count of a model whose history header is parsed; negative counts are not the format.
bool HistoryCountOf(Model& model, int& count, char* pErrorCode) {
  HistoryData historyData{};
  if (!model.ReadHistoryData(&historyData, pErrorCode)) return false;
  count = historyData.HistoryInfoCount;
  if (count < 0) {
    ZK_LOG(0, kTextFormat);
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileFormat);
    return false;
  }
  return true;
}

}  // namespace

// A failing step of an operation: the step's code has been written, the operation ends abnormally.
#define ZK_STEP(title, call) \
  do {                       \
    if (!(call)) {           \
      ZK_LOG_NG(title);      \
      return 0;              \
    }                        \
  } while (0)

CZkVekFileOperation::CZkVekFileOperation(const char* pVekFileName)
    : m_strVekFileName(ZkText(pVekFileName)), m_bExist(CZkUtilities::IsExistFile(m_strVekFileName) == 1) {}

CZkVekFileOperation::~CZkVekFileOperation() = default;

// ---- History ----

int CZkVekFileOperation::DeleteAllHistory(char* pErrorCode) {
  static constexpr char kTitle[] = "履歴情報一括削除";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  if (!m_bExist) ZK_FAIL(kTitle, zkerror::kVekFileMissing, kTextVekPath);
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, kHeadSize, data)) {
    ZK_FAIL(kTitle, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  ZK_STEP(kTitle, model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode,
                                      Model::kSectionHeaderData, Model::kSectionHistoryData));
  int count = 0;
  ZK_STEP(kTitle, HistoryCountOf(model, count, pErrorCode));
  const std::int64_t archiveStart = kHeadSize + static_cast<std::int64_t>(Model::kHistoryInfoSize) * count;
  ZK_STEP(kTitle, ClearHistory(model, pErrorCode));
  ZK_STEP(kTitle, model.CheckBufferInterrelation(pErrorCode));
  std::vector<unsigned char> head;
  ZK_STEP(kTitle, Serialise(model, Model::kSectionHistoryData, head, pErrorCode));

  CZkVekFileReplace replace(m_strVekFileName);
  ZK_STEP(kTitle, replace.MakeBackup(pErrorCode));
  // The old bytes are read through the backup's name, which holds them whatever happens to the estimate's.
  const std::string& source = replace.BackupFileName().empty() ? m_strVekFileName : replace.BackupFileName();
  std::int64_t oldSize = platform::FileSize(source);
  if (oldSize < 0) ZK_FAIL(kTitle, zkerror::kVekFileRead, kTextVekRead);
  // A history block that the file does not hold whole is not the format: the archive would be lost.
  if (oldSize < archiveStart) ZK_FAIL(kTitle, zkerror::kVekFileFormat, kTextFormat);
  ZK_STEP(kTitle, replace.WriteNewFile(head.data(), static_cast<std::int64_t>(head.size()), source, archiveStart,
                                       kHeadSize + (oldSize - archiveStart), pErrorCode));
  ZK_STEP(kTitle, replace.Commit(pErrorCode));
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVekFileOperation::DeleteAllHistoryOld(char* pErrorCode) {
  static constexpr char kTitle[] = "履歴情報一括削除（旧方式）";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  if (!m_bExist) ZK_FAIL(kTitle, zkerror::kVekFileMissing, kTextVekPath);
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryDataOld(m_strVekFileName, data)) ZK_FAIL(kTitle, zkerror::kVekFileRead, kTextVekRead);
  Model model;
  ZK_STEP(kTitle, model.SettingBufferOld(data.data(), static_cast<int>(data.size()), pErrorCode));
  std::vector<unsigned char>().swap(data);
  ZK_STEP(kTitle, ClearHistory(model, pErrorCode));
  ZK_STEP(kTitle, model.CheckBufferInterrelation(pErrorCode));
  int size = 0;
  ZK_STEP(kTitle, model.ReadBufferAllOld(nullptr, &size, pErrorCode));
  std::vector<unsigned char> image;
  try {
    image.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    ZK_FAIL(kTitle, zkerror::kNoMemory, kTextNoMemory);
  }
  ZK_STEP(kTitle, model.ReadBufferAllOld(image.data(), &size, pErrorCode));
  // A new file under a temporary name renamed over the old one: the only copy is never cut short.
  if (!platform::ReplaceFileAtomically(m_strVekFileName, image.data(), image.size())) {
    ZK_FAIL(kTitle, zkerror::kVekFileWrite, kTextVekWrite);
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

// ---- Agreed lock ----

int CZkVekFileOperation::SettingAgreed(const char* pPassword, char* pErrorCode) {
  return RewriteAgreed("協定済み設定", pPassword, true, 0, pErrorCode);
}

int CZkVekFileOperation::ReleaseAgreed(const char* pPassword, int nReleaseMode, char* pErrorCode) {
  return RewriteAgreed("協定済み解除", pPassword, false, nReleaseMode, pErrorCode);
}

int CZkVekFileOperation::RewriteAgreed(const char* title, const char* pPassword, bool agreed, int nReleaseMode,
                                       char* pErrorCode) {
  ZK_LOG_TITLE(title);
  if (agreed) {
    ZK_LOG_PARAM("pPassword->%s, pErrorCode->Address:%p", ZkText(pPassword), static_cast<void*>(pErrorCode));
  } else {
    ZK_LOG_PARAM("pPassword->%s, nReleaseMode->%d, pErrorCode->Address:%p", ZkText(pPassword), nReleaseMode,
                 static_cast<void*>(pErrorCode));
  }
  ZK_LOG_START(title);
  const std::string password = ZkText(pPassword);
  if (password.size() > static_cast<std::size_t>(kAgreedPasswordLimit)) {
    ZK_FAIL(title, zkerror::kAgreedPasswordLength, "協定済みパスワードの長さが制限を超えています");
  }
  if (!m_bExist) ZK_FAIL(title, zkerror::kVekFileMissing, kTextVekPath);
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, kHeadSize, data)) {
    ZK_FAIL(title, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  ZK_STEP(title, model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode,
                                     Model::kSectionHeaderData, Model::kSectionHistoryData));
  HeaderInfo headerInfo{};
  ZK_STEP(title, model.ReadHeaderInfo(&headerInfo, pErrorCode));
  if (agreed) {
    headerInfo.Agreed = 1;
    std::memset(headerInfo.AgreedPassword, 0, sizeof headerInfo.AgreedPassword);
    std::memcpy(headerInfo.AgreedPassword, password.data(), password.size());
  } else {
    if (nReleaseMode == kForcedRelease) {
      ZK_LOG(2, "強制解除モードの為、解除パスワード照合を行わない");
    } else {
      std::string stored(headerInfo.AgreedPassword, strnlen(headerInfo.AgreedPassword, kAgreedPasswordLimit));
      if (!EqualsIgnoringAsciiCase(stored, password)) {
        ZK_FAIL(title, zkerror::kAgreedPasswordMismatch, "指定された協定済み解除パスワードが不正です");
      }
    }
    headerInfo.Agreed = 0;
    std::memset(headerInfo.AgreedPassword, 0, sizeof headerInfo.AgreedPassword);
  }
  ZK_STEP(title, model.ReplaceHeaderInfo(&headerInfo, pErrorCode));

  // The entries, so that the consistency check counts them. Without entries nothing is read: a read of
  // length 0 would take the whole archive.
  int count = 0;
  ZK_STEP(title, HistoryCountOf(model, count, pErrorCode));
  std::vector<unsigned char> entries;
  if (count > 0 &&
      !CZkUtilities::ReadBinaryData(m_strVekFileName, Model::kHistoryInfoOffset,
                                    static_cast<std::int64_t>(Model::kHistoryInfoSize) * count, entries)) {
    ZK_FAIL(title, zkerror::kVekFileRead, kTextVekRead);
  }
  ZK_STEP(title, model.SettingBuffer(entries.data(), static_cast<int>(entries.size()), pErrorCode,
                                     Model::kSectionHistoryInfo, Model::kSectionHistoryInfo));
  ZK_STEP(title, model.CheckBufferInterrelation(pErrorCode));
  std::vector<unsigned char> head;
  ZK_STEP(title, Serialise(model, Model::kSectionHeaderInfo, head, pErrorCode));
  // In place: the history and the archive behind the first 321 bytes are not touched.
  if (!CZkUtilities::OverwriteBinaryData(m_strVekFileName, head.data(), kHeadWithInfoSize)) {
    ZK_FAIL(title, zkerror::kVekFileWrite, kTextVekWrite);
  }
  ZK_LOG_OK(title);
  return 1;
}
