#include "ZkVekFileOperation.h"

#include <cstring>
#include <new>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
#include "ZkOperationSteps.h"
#include "ZkUtilities.h"
#include "ZkVekBufferAccess.h"
#include "ZkVekFileReplace.h"
#include "ZkWorkFolderAccess.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using Model = CZkVekBufferAccess;

constexpr char kTextVekPath[] = "指定された見積保存ファイルパスが不正です";
constexpr char kTextVekRead[] = "見積保存ファイル読み込み中にエラーが発生しました";
constexpr char kTextVekWrite[] = "見積保存ファイル書き出し中にエラーが発生しました";
constexpr char kTextFormat[] = "見積保存ファイルとは異なるファイル形式です";
constexpr char kTextWorkPath[] = "指定された展開フォルダパスが不正です";
constexpr char kTextCabinetWrite[] = "ＣＡＢファイル書き出し中にエラーが発生しました";

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

// Serialises sections 0..lastSection of the model into image.
bool Serialise(Model& model, int lastSection, std::vector<unsigned char>& image, char* pErrorCode) {
  return ZkReadSized(image, pErrorCode,
                     [&](void* dest, int* size) { return model.ReadBuffer(dest, size, pErrorCode, lastSection); });
}

// The estimate's header parts as caller records.
struct HeaderParts {
  HeaderData headerData{};
  HeaderInfo headerInfo{};
  HistoryData historyData{};
  std::vector<HistoryInfo> entries;
};

// The three header records of a parsed model (not the entries).
bool CopyHeadersOut(Model& model, HeaderParts& parts, char* pErrorCode) {
  return model.ReadHeaderData(&parts.headerData, pErrorCode) && model.ReadHeaderInfo(&parts.headerInfo, pErrorCode) &&
         model.ReadHistoryData(&parts.historyData, pErrorCode);
}

// The header parts of a model emptied of its history: no entries, lengths and the History value to match.
bool ClearHistory(Model& model, char* pErrorCode) {
  HeaderParts parts;
  if (!CopyHeadersOut(model, parts, pErrorCode)) return false;
  parts.headerData.HistoryDataLength = Model::kHistoryDataSize;
  parts.headerInfo.History = 0;
  parts.historyData.HistoryInfoCount = 0;
  return model.ReplaceHeaderData(&parts.headerData, pErrorCode) &&
         model.ReplaceHeaderInfo(&parts.headerInfo, pErrorCode) &&
         model.ReplaceHistoryData(&parts.historyData, pErrorCode) && model.ReplaceHistoryInfo(nullptr, 0, pErrorCode);
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

// Removes the temporary expansion folder of a failed opening, so that it does not bar every later opening
// into the same work folder.
class TempFolderRemover {
 public:
  explicit TempFolderRemover(const std::string& folder) : m_folder(folder) {}
  ~TempFolderRemover() {
    if (m_armed && CZkUtilities::IsExistFile(m_folder)) CZkUtilities::ForceDeleteFolder(m_folder);
  }
  // Armed once the folder is the opening's own: one that another opening holds is never removed.
  void Arm() { m_armed = true; }
  void Disarm() { m_armed = false; }

 private:
  std::string m_folder;
  bool m_armed = false;
};

// The work folder locked for the opening and its temporary folder made. A temporary folder that stands there
// while the lock is held was left by an opening that did not live to remove it: it goes first.
bool MakeTempFolder(const std::string& work, const std::string& tempFolder, std::unique_ptr<platform::FileLock>& lock) {
  lock = CZkUtilities::LockWorkFolder(work);
  if (!lock) return false;
  if (platform::IsSymbolicLink(tempFolder)) {
    platform::DeleteFile(tempFolder);  // the link itself, never what it points to
  } else if (CZkUtilities::IsExistFile(tempFolder)) {
    ZK_LOG(2, "中断された展開の一時フォルダを削除します：%s", tempFolder.c_str());
    CZkUtilities::ForceDeleteFolder(tempFolder);
  }
  return platform::MakeFolder(tempFolder);
}

// The history entries of a parsed model as caller records.
bool CopyEntriesOut(Model& model, std::vector<HistoryInfo>& entries, char* pErrorCode) {
  int count = 0;
  if (!model.ReadHistoryInfo(nullptr, &count, pErrorCode)) return false;
  entries.assign(static_cast<std::size_t>(count), HistoryInfo{});
  return count == 0 || model.ReadHistoryInfo(entries.data(), &count, pErrorCode) == 1;
}

// HeaderDt.ini and HistryDt.ini of the work folder from the estimate file's header parts.
bool WriteHeaderInis(const std::string& work, const HeaderParts& parts, char* pErrorCode) {
  ZK_LOG(2, "ファイルヘッダ部・履歴部INIファイルの書き出し");
  CZkWorkFolderAccess access(work.c_str());
  return access.WriteFileHeaderINI(&parts.headerData, &parts.headerInfo, pErrorCode) == 1 &&
         access.WriteFileHistoryINI(&parts.historyData, parts.entries.data(), static_cast<int>(parts.entries.size()),
                                    pErrorCode) == 1;
}

// The cabinet unpacked into the work folder, then the temporary folder removed.
int UnpackAndClean(const CZkLogFrame& frame, const std::string& work, const std::string& cabinet,
                   const std::string& tempFolder, char* pErrorCode) {
  ZK_LOG(2, "ＣＡＢファイル解凍");
  if (!CZkUtilities::UncompressFile(work, cabinet)) {
    return frame.Fail(pErrorCode, zkerror::kUncompress, "ＣＡＢファイル解凍処理中にエラーが発生しました");
  }
  ZK_LOG(2, "展開用一時フォルダの削除");
  if (!CZkUtilities::ForceDeleteFolder(tempFolder)) {
    return frame.Fail(pErrorCode, zkerror::kCabinetDelete, "ＣＡＢファイル削除中にエラーが発生しました");
  }
  return 1;
}

// The locks an opening holds: its work folder's and, shared, the estimate file's.
struct OpeningLocks {
  std::unique_ptr<platform::FileLock> folder;
  std::unique_ptr<platform::FileLock> vek;
};

// The first steps of both openings: the temporary folder made (and from then on removed on failure), the
// estimate file and the work folder there, the estimate file locked. Failures are logged as at where.
int BeginOpening(const CZkLogFrame& frame, bool vekExists, const std::string& vek, const std::string& work,
                 const std::string& tempFolder, OpeningLocks& locks, TempFolderRemover& remover, char* pErrorCode,
                 const ZkSourcePlace& where = ZkSourcePlace::current()) {
  if (!MakeTempFolder(work, tempFolder, locks.folder)) {
    return frame.Fail(pErrorCode, zkerror::kTempFolderMake,
                      "ＣＡＢファイル書き出し中にエラーが発生しました（展開用一時フォルダ作成失敗）", where);
  }
  remover.Arm();
  if (!vekExists) return frame.Fail(pErrorCode, zkerror::kVekFileMissing, kTextVekPath, where);
  if (!CZkUtilities::IsExistFile(work)) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath, where);
  // Read in several steps: no change of the file may come between them.
  locks.vek = CZkUtilities::LockVekFile(vek, false);
  if (!locks.vek) return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead, where);
  return 1;
}

// The first steps of every rewrite: the estimate file there and locked for the change. Failures are logged as at
// where.
int BeginChange(const CZkLogFrame& frame, bool vekExists, const std::string& vek,
                std::unique_ptr<platform::FileLock>& lock, char* pErrorCode,
                const ZkSourcePlace& where = ZkSourcePlace::current()) {
  if (!vekExists) return frame.Fail(pErrorCode, zkerror::kVekFileMissing, kTextVekPath, where);
  lock = CZkVekFileReplace::LockForChange(vek, pErrorCode);
  if (!lock) return frame.Fail(where);
  return 1;
}

}  // namespace

CZkVekFileOperation::CZkVekFileOperation(const char* pVekFileName)
    : m_strVekFileName(ZkText(pVekFileName)), m_bExist(CZkUtilities::IsExistFile(m_strVekFileName) == 1) {}

CZkVekFileOperation::~CZkVekFileOperation() = default;

// ---- Opening ----

int CZkVekFileOperation::OpenVekFile(const char* pWorkPathName, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積保存ファイル展開", "pWorkPathName->%s, pErrorCode->Address:%p",
                               ZkText(pWorkPathName), static_cast<void*>(pErrorCode));
  const std::string work = CZkUtilities::NormalizePath(ZkText(pWorkPathName));
  const std::string tempFolder = CZkUtilities::JoinPath(work, "cabtemp");
  const std::string cabinet =
      CZkUtilities::JoinPath(tempFolder, "EstimateData" + CZkUtilities::GetTimeStamp() + ".cab");
  OpeningLocks locks;
  TempFolderRemover remover(tempFolder);
  if (!BeginOpening(frame, m_bExist, m_strVekFileName, work, tempFolder, locks, remover, pErrorCode)) return 0;
  CZkUtilities::DeleteFiles(CZkUtilities::JoinPath(tempFolder, "EstimateData*.cab"));

  ZK_LOG(2, "見積保存ファイルヘッダ部の読み込み");
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, kHeadSize, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  if (!model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode, Model::kSectionHeaderData,
                           Model::kSectionHistoryData)) {
    return frame.Fail();
  }
  HeaderParts parts;
  if (!CopyHeadersOut(model, parts, pErrorCode)) return frame.Fail();
  int count = 0;
  if (!HistoryCountOf(model, count, pErrorCode)) return frame.Fail();
  const std::int64_t entriesSize = static_cast<std::int64_t>(Model::kHistoryInfoSize) * count;
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, kHeadSize, entriesSize + Model::kEstimateData32Size, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  if (!model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode, Model::kSectionHistoryInfo,
                           Model::kSectionEstimateData32)) {
    return frame.Fail();
  }
  if (!CopyEntriesOut(model, parts.entries, pErrorCode)) return frame.Fail();
  std::vector<unsigned char> first32;
  if (!ZkReadSized(first32, pErrorCode,
                   [&](void* dest, int* size) { return model.ReadEstimateData32(dest, size, pErrorCode); })) {
    return frame.Fail();
  }

  if (!WriteHeaderInis(work, parts, pErrorCode)) return frame.Fail();

  ZK_LOG(2, "ＣＡＢファイルの書き出し");
  ZK_LOG(3, "ＣＡＢファイル：%s", cabinet.c_str());
  if (!CZkUtilities::WriteBinaryData(cabinet, first32.data(), static_cast<std::int64_t>(first32.size())) ||
      !CZkUtilities::CopyFiles(kHeadSize + entriesSize + Model::kEstimateData32Size, m_strVekFileName, cabinet)) {
    return frame.Fail(pErrorCode, zkerror::kTempFolderMake, kTextCabinetWrite);
  }
  if (!UnpackAndClean(frame, work, cabinet, tempFolder, pErrorCode)) return 0;
  remover.Disarm();
  return frame.Ok();
}

int CZkVekFileOperation::OpenVekFileOld(const char* pWorkPathName, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積保存ファイル展開（旧方式）", "pWorkPathName->%s, pErrorCode->Address:%p",
                               ZkText(pWorkPathName), static_cast<void*>(pErrorCode));
  const std::string work = CZkUtilities::NormalizePath(ZkText(pWorkPathName));
  const std::string tempFolder = CZkUtilities::JoinPath(work, "cabtemp");
  const std::string cabinet = CZkUtilities::JoinPath(tempFolder, "EstimateData.cab");
  OpeningLocks locks;
  TempFolderRemover remover(tempFolder);
  if (!BeginOpening(frame, m_bExist, m_strVekFileName, work, tempFolder, locks, remover, pErrorCode)) return 0;

  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryDataOld(m_strVekFileName, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  if (!model.SettingBufferOld(data.data(), static_cast<int>(data.size()), pErrorCode)) return frame.Fail();
  std::vector<unsigned char>().swap(data);
  HeaderParts parts;
  if (!CopyHeadersOut(model, parts, pErrorCode)) return frame.Fail();
  if (!CopyEntriesOut(model, parts.entries, pErrorCode)) return frame.Fail();
  std::vector<unsigned char> archive;
  if (!ZkReadSized(archive, pErrorCode,
                   [&](void* dest, int* size) { return model.ReadEstimateData(dest, size, pErrorCode); })) {
    return frame.Fail();
  }

  if (!WriteHeaderInis(work, parts, pErrorCode)) return frame.Fail();

  ZK_LOG(2, "ＣＡＢファイルの書き出し");
  if (!CZkUtilities::WriteBinaryData(cabinet, archive.data(), static_cast<std::int64_t>(archive.size()))) {
    return frame.Fail(pErrorCode, zkerror::kTempFolderMake, kTextCabinetWrite);
  }
  std::vector<unsigned char>().swap(archive);
  if (!UnpackAndClean(frame, work, cabinet, tempFolder, pErrorCode)) return 0;
  remover.Disarm();
  return frame.Ok();
}

// ---- History ----

int CZkVekFileOperation::DeleteAllHistory(char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("履歴情報一括削除", "pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  std::unique_ptr<platform::FileLock> lock;
  if (!BeginChange(frame, m_bExist, m_strVekFileName, lock, pErrorCode)) return 0;
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, kHeadSize, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  if (!model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode, Model::kSectionHeaderData,
                           Model::kSectionHistoryData)) {
    return frame.Fail();
  }
  int count = 0;
  if (!HistoryCountOf(model, count, pErrorCode)) return frame.Fail();
  const std::int64_t archiveStart = kHeadSize + static_cast<std::int64_t>(Model::kHistoryInfoSize) * count;
  if (!ClearHistory(model, pErrorCode)) return frame.Fail();
  if (!model.CheckBufferInterrelation(pErrorCode)) return frame.Fail();
  std::vector<unsigned char> head;
  if (!Serialise(model, Model::kSectionHistoryData, head, pErrorCode)) return frame.Fail();

  CZkVekFileReplace replace(m_strVekFileName);
  if (!replace.MakeBackup(pErrorCode)) return frame.Fail();
  // The old bytes are read through the backup's name, which holds them whatever happens to the estimate's.
  const std::string& source = replace.BackupFileName().empty() ? m_strVekFileName : replace.BackupFileName();
  std::int64_t oldSize = platform::FileSize(source);
  if (oldSize < 0) return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  // A history block that the file does not hold whole is not the format: the archive would be lost.
  if (oldSize < archiveStart) return frame.Fail(pErrorCode, zkerror::kVekFileFormat, kTextFormat);
  if (!replace.WriteNewFile(head.data(), static_cast<std::int64_t>(head.size()), source, archiveStart,
                            kHeadSize + (oldSize - archiveStart), pErrorCode)) {
    return frame.Fail();
  }
  if (!replace.Commit(pErrorCode)) return frame.Fail();
  return frame.Ok();
}

int CZkVekFileOperation::DeleteAllHistoryOld(char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("履歴情報一括削除（旧方式）", "pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  std::unique_ptr<platform::FileLock> lock;
  if (!BeginChange(frame, m_bExist, m_strVekFileName, lock, pErrorCode)) return 0;
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryDataOld(m_strVekFileName, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  if (!model.SettingBufferOld(data.data(), static_cast<int>(data.size()), pErrorCode)) return frame.Fail();
  std::vector<unsigned char>().swap(data);
  if (!ClearHistory(model, pErrorCode)) return frame.Fail();
  if (!model.CheckBufferInterrelation(pErrorCode)) return frame.Fail();
  std::vector<unsigned char> image;
  if (!ZkReadSized(image, pErrorCode,
                   [&](void* dest, int* size) { return model.ReadBufferAllOld(dest, size, pErrorCode); })) {
    return frame.Fail();
  }
  // A new file under a temporary name renamed over the old one: the only copy is never cut short.
  if (!platform::ReplaceFileAtomically(m_strVekFileName, image.data(), image.size())) {
    return frame.Fail(pErrorCode, zkerror::kVekFileWrite, kTextVekWrite);
  }
  return frame.Ok();
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
  CZkLogFrame frame = agreed ? ZK_FRAME(title, "pPassword->%s, pErrorCode->Address:%p", ZkText(pPassword),
                                        static_cast<void*>(pErrorCode))
                             : ZK_FRAME(title, "pPassword->%s, nReleaseMode->%d, pErrorCode->Address:%p",
                                        ZkText(pPassword), nReleaseMode, static_cast<void*>(pErrorCode));
  const std::string password = ZkText(pPassword);
  if (password.size() > static_cast<std::size_t>(kAgreedPasswordLimit)) {
    return frame.Fail(pErrorCode, zkerror::kAgreedPasswordLength, "協定済みパスワードの長さが制限を超えています");
  }
  std::unique_ptr<platform::FileLock> lock;
  if (!BeginChange(frame, m_bExist, m_strVekFileName, lock, pErrorCode)) return 0;
  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryData(m_strVekFileName, 0, kHeadSize, data)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  Model model;
  if (!model.SettingBuffer(data.data(), static_cast<int>(data.size()), pErrorCode, Model::kSectionHeaderData,
                           Model::kSectionHistoryData)) {
    return frame.Fail();
  }
  HeaderInfo headerInfo{};
  if (!model.ReadHeaderInfo(&headerInfo, pErrorCode)) return frame.Fail();
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
        return frame.Fail(pErrorCode, zkerror::kAgreedPasswordMismatch, "指定された協定済み解除パスワードが不正です");
      }
    }
    headerInfo.Agreed = 0;
    std::memset(headerInfo.AgreedPassword, 0, sizeof headerInfo.AgreedPassword);
  }
  if (!model.ReplaceHeaderInfo(&headerInfo, pErrorCode)) return frame.Fail();

  // The entries, so that the consistency check counts them. Without entries nothing is read: a read of
  // length 0 would take the whole archive.
  int count = 0;
  if (!HistoryCountOf(model, count, pErrorCode)) return frame.Fail();
  std::vector<unsigned char> entries;
  if (count > 0 &&
      !CZkUtilities::ReadBinaryData(m_strVekFileName, Model::kHistoryInfoOffset,
                                    static_cast<std::int64_t>(Model::kHistoryInfoSize) * count, entries)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileRead, kTextVekRead);
  }
  if (!model.SettingBuffer(entries.data(), static_cast<int>(entries.size()), pErrorCode, Model::kSectionHistoryInfo,
                           Model::kSectionHistoryInfo)) {
    return frame.Fail();
  }
  if (!model.CheckBufferInterrelation(pErrorCode)) return frame.Fail();
  std::vector<unsigned char> head;
  if (!Serialise(model, Model::kSectionHeaderInfo, head, pErrorCode)) return frame.Fail();
  // In place: the history and the archive behind the first 321 bytes are not touched.
  if (!CZkUtilities::OverwriteBinaryData(m_strVekFileName, head.data(), kHeadWithInfoSize)) {
    return frame.Fail(pErrorCode, zkerror::kVekFileWrite, kTextVekWrite);
  }
  return frame.Ok();
}
