#include "ZkWorkFolderOperation.h"

#include <cstring>
#include <new>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkOperationSteps.h"
#include "ZkUtilities.h"
#include "ZkVekBufferAccess.h"
#include "ZkVekFileReplace.h"
#include "ZkWorkFolderAccess.h"
#include "platform/files.h"

namespace {

using Model = CZkVekBufferAccess;

constexpr char kVersion[] = "0010";
constexpr char kSignature[] = "VEK3";
constexpr char kTextWorkPath[] = "指定された展開フォルダパスが不正です";
constexpr char kTextCompress[] = "ＣＡＢファイル圧縮処理中にエラーが発生しました";
constexpr char kTextCabinetRead[] = "ＣＡＢファイル読み込み中にエラーが発生しました";
constexpr char kTextCabinetDelete[] = "ＣＡＢファイル削除中にエラーが発生しました";

}  // namespace

// The records of one save: what the work folder held (the past) and what the estimate file gets.
struct CZkWorkFolderOperation::SaveRecords {
  bool pastRead = false;  // HeaderDt.ini and HistryDt.ini were read
  HeaderData pastHeaderData{};
  HeaderInfo pastHeaderInfo{};
  HistoryData pastHistoryData{};
  std::vector<HistoryInfo> pastEntries;
  HeaderData headerData{};
  HeaderInfo headerInfo{};
  HistoryData historyData{};
  std::vector<HistoryInfo> entries;

  // The new header parts into the model.
  bool FillModel(Model& model, char* pErrorCode) const {
    return model.ReplaceHeaderData(&headerData, pErrorCode) && model.ReplaceHeaderInfo(&headerInfo, pErrorCode) &&
           model.ReplaceHistoryData(&historyData, pErrorCode) &&
           model.ReplaceHistoryInfo(entries.data(), static_cast<int>(entries.size()), pErrorCode);
  }
};

// HeaderDt.ini and HistryDt.ini must not go into the cabinet, so the save deletes them; their bytes are kept
// and put back unless the save ends in a state that the work folder is meant to have without them.
class CZkWorkFolderOperation::IniKeeper {
 public:
  ~IniKeeper() {
    if (!m_bRestore) return;
    for (const Kept& k : m_kept) {
      if (CZkUtilities::IsExistFile(k.path)) continue;
      if (!platform::ReplaceFileAtomically(k.path, k.bytes.data(), k.bytes.size())) {
        ZK_LOG(0, "作業フォルダのINIファイルを復元できません：%s", k.path.c_str());
      }
    }
  }
  // Keeps the file's bytes, then deletes it; a file that cannot be kept is not deleted.
  bool Remove(const std::string& path) {
    if (!CZkUtilities::IsExistFile(path)) return true;
    Kept k{path, {}};
    if (!platform::ReadFile(path, k.bytes)) return false;
    m_kept.push_back(std::move(k));
    return CZkUtilities::RemoveFile(path) == 1;
  }
  // The work folder stays without the deleted files.
  void Dismiss() { m_bRestore = false; }

 private:
  struct Kept {
    std::string path;
    std::string bytes;
  };
  std::vector<Kept> m_kept;
  bool m_bRestore = true;
};

namespace {

// Removes the cabinet a failed save made; a finished save removes it as a step of its own.
class CabinetRemover {
 public:
  explicit CabinetRemover(const std::string& path) : m_path(path) {}
  ~CabinetRemover() {
    if (m_armed && CZkUtilities::IsExistFile(m_path)) CZkUtilities::RemoveFile(m_path);
  }
  void Disarm() { m_armed = false; }

 private:
  std::string m_path;
  bool m_armed = true;
};

}  // namespace

CZkWorkFolderOperation::CZkWorkFolderOperation(const char* pWorkPathName)
    : m_strWorkPathName(CZkUtilities::NormalizePath(ZkText(pWorkPathName))),
      m_bExist(CZkUtilities::IsExistFile(m_strWorkPathName) == 1) {}

CZkWorkFolderOperation::~CZkWorkFolderOperation() = default;

int CZkWorkFolderOperation::SettingFileHeaderData(void* pFileHeaderData, void* pFileHeaderInfo,
                                                  const void* pOldFileHeaderData, const void* pOldFileHeaderInfo,
                                                  const void* pNewFileHeaderInfo, int nHistoryCount,
                                                  char* /*pErrorCode*/) {
  HeaderData data{};
  std::memcpy(data.Signature, kSignature, 4);
  if (pNewFileHeaderInfo) {
    std::memcpy(data.Version, kVersion, 4);
  } else if (pOldFileHeaderData) {
    std::memcpy(data.Version, static_cast<const HeaderData*>(pOldFileHeaderData)->Version, 4);
  }
  data.HeaderInfoLength = Model::kHeaderInfoSize;
  data.HistoryDataLength = Model::kHistoryDataSize + Model::kHistoryInfoSize * nHistoryCount;
  HeaderInfo info{};
  const void* from = pNewFileHeaderInfo ? pNewFileHeaderInfo : pOldFileHeaderInfo;
  if (from) std::memcpy(&info, from, sizeof info);
  std::memcpy(pFileHeaderData, &data, sizeof data);
  std::memcpy(pFileHeaderInfo, &info, sizeof info);
  return 1;
}

int CZkWorkFolderOperation::SettingFileHistoryData(void* pFileHistoryData, void* pFileHistoryInfo, int nHistoryCount,
                                                   const void* /*pOldFileHistoryData*/,
                                                   const void* pOldFileHistoryInfo, int nOldHistoryCount,
                                                   const void* pNewFileHistoryInfo, char* /*pErrorCode*/) {
  HistoryData data{};
  std::memcpy(data.HistoryDataVersion, kVersion, 4);
  data.HistoryInfoLength = Model::kHistoryInfoSize;
  data.HistoryInfoCount = static_cast<std::int16_t>(nHistoryCount);
  std::memcpy(pFileHistoryData, &data, sizeof data);
  if (nHistoryCount <= 0) return 1;
  auto* out = static_cast<HistoryInfo*>(pFileHistoryInfo);
  const auto* past = static_cast<const HistoryInfo*>(pOldFileHistoryInfo);
  std::memset(out, 0, sizeof(HistoryInfo) * static_cast<std::size_t>(nHistoryCount));
  // The newest past entries that fit, oldest first; the new entry, if any, last.
  int room = pNewFileHistoryInfo ? nHistoryCount - 1 : nHistoryCount;
  int kept = nOldHistoryCount < room ? nOldHistoryCount : room;
  if (kept > 0 && past) {
    std::memcpy(out, past + (nOldHistoryCount - kept), sizeof(HistoryInfo) * static_cast<std::size_t>(kept));
  }
  if (pNewFileHistoryInfo) std::memcpy(out + nHistoryCount - 1, pNewFileHistoryInfo, sizeof(HistoryInfo));
  return 1;
}

int CZkWorkFolderOperation::PrepareSave(const char* title, const void* pNewFileHeader, int nSaveMode,
                                        const void* pNewFileHistory, const std::string& cabinet,
                                        SaveRecords& r, IniKeeper& keeper, char* pErrorCode) {
  if (!m_bExist) ZK_FAIL(title, zkerror::kWorkPath, kTextWorkPath);
  const std::string headerIni = CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHeaderIniName);
  const std::string historyIni = CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHistoryIniName);

  ZK_LOG(2, "過去のファイルヘッダ・履歴情報の取得");
  if (nSaveMode == 0 && CZkUtilities::IsExistFile(headerIni) && CZkUtilities::IsExistFile(historyIni)) {
    CZkWorkFolderAccess access(m_strWorkPathName.c_str());
    ZK_STEP(title, access.ReadFileHeaderINI(&r.pastHeaderData, &r.pastHeaderInfo, pErrorCode));
    int count = 0;
    ZK_STEP(title, access.ReadFileHistoryINI(&r.pastHistoryData, nullptr, &count, pErrorCode));
    if (count > 0) {
      r.pastEntries.assign(static_cast<std::size_t>(count), HistoryInfo{});
      ZK_STEP(title, access.ReadFileHistoryINI(&r.pastHistoryData, r.pastEntries.data(), &count, pErrorCode));
    }
    r.pastRead = true;
  } else {
    ZK_LOG(3, "新規の見積として保存する");
  }
  const int pastCount = static_cast<int>(r.pastEntries.size());
  int count = pastCount;
  if (pNewFileHistory) count = pastCount >= kMaxHistoryCount ? kMaxHistoryCount : pastCount + 1;
  ZK_LOG(3, "履歴件数：%d（過去：%d）", count, pastCount);
  r.entries.assign(static_cast<std::size_t>(count), HistoryInfo{});
  SettingFileHeaderData(&r.headerData, &r.headerInfo, &r.pastHeaderData, &r.pastHeaderInfo, pNewFileHeader, count,
                        pErrorCode);
  SettingFileHistoryData(&r.historyData, r.entries.data(), count, &r.pastHistoryData, r.pastEntries.data(),
                         pastCount, pNewFileHistory, pErrorCode);

  ZK_LOG(2, "ファイルヘッダ部・履歴部INIファイルの削除");
  if (!keeper.Remove(headerIni)) {
    ZK_FAIL(title, zkerror::kHeaderIniDelete, "ファイルヘッダ部INIファイル削除中にエラーが発生しました");
  }
  if (!keeper.Remove(historyIni)) {
    ZK_FAIL(title, zkerror::kHistoryIniDelete, "履歴部INIファイル削除中にエラーが発生しました");
  }

  ZK_LOG(2, "古いＣＡＢファイルの削除");
  CZkUtilities::DeleteFiles(CZkUtilities::JoinPath(m_strWorkPathName, "EstimateData*.cab"));
  if (!CZkUtilities::DeleteTempCabinetFiles(CZkUtilities::JoinPath(m_strWorkPathName, "TEMP*.CAB"))) {
    ZK_FAIL(title, zkerror::kCompress, kTextCompress);
  }
  const std::string tempFolder = CZkUtilities::JoinPath(m_strWorkPathName, "cabtemp");
  if (CZkUtilities::IsExistFile(tempFolder) && !CZkUtilities::ForceDeleteFolder(tempFolder)) {
    ZK_FAIL(title, zkerror::kCompress, "ＣＡＢファイル圧縮処理中にエラーが発生しました（展開用一時フォルダ削除失敗）");
  }

  ZK_LOG(2, "ＣＡＢファイル圧縮");
  ZK_LOG(3, "ＣＡＢファイル：%s", cabinet.c_str());
  if (!CZkUtilities::CompressFile(CZkUtilities::JoinPath(m_strWorkPathName, "*"), cabinet)) {
    ZK_FAIL(title, zkerror::kCompress, kTextCompress);
  }
  return 1;
}

int CZkWorkFolderOperation::FinishSave(const char* title, const std::string& cabinet, int nSaveMode,
                                       const SaveRecords& r, IniKeeper& keeper, char* pErrorCode) {
  ZK_LOG(2, "ＣＡＢファイルの削除");
  if (!CZkUtilities::RemoveFile(cabinet)) ZK_FAIL(title, zkerror::kCabinetDelete, kTextCabinetDelete);
  if (nSaveMode != 0) {
    keeper.Dismiss();
    return 1;
  }
  // The work folder keeps the values it held before the save, also for an estimate without history.
  if (r.pastRead) {
    ZK_LOG(2, "ファイルヘッダ部・履歴部INIファイルの書き戻し");
    CZkWorkFolderAccess access(m_strWorkPathName.c_str());
    ZK_STEP(title, access.WriteFileHeaderINI(&r.pastHeaderData, &r.pastHeaderInfo, pErrorCode));
    ZK_STEP(title, access.WriteFileHistoryINI(&r.pastHistoryData, r.pastEntries.data(),
                                              static_cast<int>(r.pastEntries.size()), pErrorCode));
  }
  return 1;
}

int CZkWorkFolderOperation::SaveVekFile(const char* pVekFileName, const void* pNewFileHeader, int nSaveMode,
                                        const void* pNewFileHistory, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイル保存";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pVekFileName->%s, pNewFileHeader->Address:%p, nSaveMode->%d, pNewFileHistory->Address:%p, "
               "pErrorCode->Address:%p",
               ZkText(pVekFileName), pNewFileHeader, nSaveMode, pNewFileHistory, static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  const std::string vek = CZkUtilities::NormalizePath(ZkText(pVekFileName));
  const std::string cabinet =
      CZkUtilities::JoinPath(m_strWorkPathName, "EstimateData" + CZkUtilities::GetTimeStamp() + ".cab");
  SaveRecords records;
  IniKeeper keeper;
  CabinetRemover cabinetRemover(cabinet);
  if (!PrepareSave(kTitle, pNewFileHeader, nSaveMode, pNewFileHistory, cabinet, records, keeper, pErrorCode)) {
    return 0;
  }

  std::int64_t cabinetSize = platform::FileSize(cabinet);
  ZK_LOG(3, "ＣＡＢファイルサイズ：%lld", static_cast<long long>(cabinetSize));
  if (cabinetSize < 0) ZK_FAIL(kTitle, zkerror::kCompress, kTextCompress);
  if (CZkUtilities::IsExistFile(CZkUtilities::JoinPath(m_strWorkPathName, "TEMP2.cab"))) {
    ZK_FAIL(kTitle, zkerror::kCompressSplit, "ＣＡＢファイル圧縮で分割ファイルが作成されました");
  }
  std::vector<unsigned char> first32;
  if (!CZkUtilities::ReadBinaryData(cabinet, 0, Model::kEstimateData32Size, first32) ||
      first32.size() != static_cast<std::size_t>(Model::kEstimateData32Size)) {
    ZK_FAIL(kTitle, zkerror::kCabinetRead, kTextCabinetRead);
  }

  ZK_LOG(2, "見積保存ファイルヘッダ部の作成");
  const int count = static_cast<int>(records.entries.size());
  Model model;
  ZK_STEP(kTitle, records.FillModel(model, pErrorCode));
  ZK_STEP(kTitle, model.ReplaceEstimateData32(first32.data(), Model::kEstimateData32Size, pErrorCode));
  ZK_STEP(kTitle, model.CheckBufferInterrelation(pErrorCode));
  std::vector<unsigned char> head;
  ZK_STEP(kTitle, ZkReadSized(head, pErrorCode, [&](void* dest, int* size) {
            return model.ReadBuffer(dest, size, pErrorCode, Model::kSectionEstimateData32);
          }));

  ZK_LOG(2, "見積保存ファイルの書き出し");
  CZkVekFileReplace replace(vek);
  ZK_STEP(kTitle, replace.MakeBackup(pErrorCode));
  const std::int64_t expected = Model::kHistoryInfoOffset +
                                static_cast<std::int64_t>(Model::kHistoryInfoSize) * count + cabinetSize;
  ZK_STEP(kTitle, replace.WriteNewFile(head.data(), static_cast<std::int64_t>(head.size()), cabinet, Model::kEstimateData32Size, expected,
                                       pErrorCode));
  ZK_STEP(kTitle, replace.Commit(pErrorCode));
  // From here on the new estimate file stands; what follows concerns the work folder only.
  cabinetRemover.Disarm();
  if (!FinishSave(kTitle, cabinet, nSaveMode, records, keeper, pErrorCode)) return 0;
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkWorkFolderOperation::SaveVekFileOld(const char* pVekFileName, const void* pNewFileHeader, int nSaveMode,
                                           const void* pNewFileHistory, char* pErrorCode) {
  static constexpr char kTitle[] = "見積保存ファイル保存（旧方式）";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pVekFileName->%s, pNewFileHeader->Address:%p, nSaveMode->%d, pNewFileHistory->Address:%p, "
               "pErrorCode->Address:%p",
               ZkText(pVekFileName), pNewFileHeader, nSaveMode, pNewFileHistory, static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);
  const std::string vek = CZkUtilities::NormalizePath(ZkText(pVekFileName));
  const std::string cabinet = CZkUtilities::JoinPath(m_strWorkPathName, "EstimateData.cab");
  // A cabinet left by an earlier save would be packed while it is written anew.
  if (m_bExist && CZkUtilities::IsExistFile(cabinet)) CZkUtilities::RemoveFile(cabinet);
  SaveRecords records;
  IniKeeper keeper;
  CabinetRemover cabinetRemover(cabinet);
  if (!PrepareSave(kTitle, pNewFileHeader, nSaveMode, pNewFileHistory, cabinet, records, keeper, pErrorCode)) {
    return 0;
  }

  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryDataOld(cabinet, data)) ZK_FAIL(kTitle, zkerror::kCabinetRead, kTextCabinetRead);
  ZK_LOG(2, "見積保存ファイルイメージの作成");
  std::vector<unsigned char> image;
  {
    Model model;
    ZK_STEP(kTitle, records.FillModel(model, pErrorCode));
    ZK_STEP(kTitle, model.ReplaceEstimateData(data.data(), static_cast<int>(data.size()), pErrorCode));
    std::vector<unsigned char>().swap(data);
    ZK_STEP(kTitle, model.CheckBufferInterrelation(pErrorCode));
    ZK_STEP(kTitle, ZkReadSized(image, pErrorCode, [&](void* dest, int* size) {
              return model.ReadBufferAllOld(dest, size, pErrorCode);
            }));
  }
  // A new file renamed over the old one: the only copy is never cut short.
  ZK_LOG(2, "見積保存ファイルの書き出し");
  if (!platform::ReplaceFileAtomically(vek, image.data(), image.size())) {
    ZK_FAIL(kTitle, zkerror::kVekFileWrite, "見積保存ファイル書き出し中にエラーが発生しました");
  }
  cabinetRemover.Disarm();
  if (!FinishSave(kTitle, cabinet, nSaveMode, records, keeper, pErrorCode)) return 0;
  ZK_LOG_OK(kTitle);
  return 1;
}
