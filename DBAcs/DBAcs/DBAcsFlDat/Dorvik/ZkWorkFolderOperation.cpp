#include "ZkWorkFolderOperation.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
#include "ZkOperationSteps.h"
#include "ZkSettings.h"
#include "ZkSizeQuery.h"
#include "ZkUtilities.h"
#include "ZkVekBufferAccess.h"
#include "ZkVekFileReplace.h"
#include "ZkWorkFolderAccess.h"
#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/module.h"
#include "platform/text.h"

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
  std::unique_ptr<platform::FileLock> folderLock;  // the work folder's, for the whole save
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

int CZkWorkFolderOperation::PrepareSave(const CZkLogFrame& frame, const void* pNewFileHeader, int nSaveMode,
                                        const void* pNewFileHistory, const std::string& cabinet, SaveRecords& r,
                                        char* pErrorCode) {
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  // One save or opening at a time in a work folder.
  r.folderLock = CZkUtilities::LockWorkFolder(m_strWorkPathName);
  if (!r.folderLock) return frame.Fail(pErrorCode, zkerror::kCompress, kTextCompress);
  const std::string headerIni = CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHeaderIniName);
  const std::string historyIni = CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHistoryIniName);

  ZK_LOG(2, "過去のファイルヘッダ・履歴情報の取得");
  if (nSaveMode == 0 && CZkUtilities::IsExistFile(headerIni) && CZkUtilities::IsExistFile(historyIni)) {
    CZkWorkFolderAccess access(m_strWorkPathName.c_str());
    if (!access.ReadFileHeaderINI(&r.pastHeaderData, &r.pastHeaderInfo, pErrorCode)) return frame.Fail();
    int count = 0;
    if (!access.ReadFileHistoryINI(&r.pastHistoryData, nullptr, &count, pErrorCode)) return frame.Fail();
    if (count > 0) {
      r.pastEntries.assign(static_cast<std::size_t>(count), HistoryInfo{});
      if (!access.ReadFileHistoryINI(&r.pastHistoryData, r.pastEntries.data(), &count, pErrorCode)) return frame.Fail();
    }
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

  ZK_LOG(2, "古いＣＡＢファイルの削除");
  CZkUtilities::DeleteFiles(CZkUtilities::JoinPath(m_strWorkPathName, "EstimateData*.cab"));
  if (!CZkUtilities::DeleteTempCabinetFiles(CZkUtilities::JoinPath(m_strWorkPathName, "TEMP*.CAB"))) {
    return frame.Fail(pErrorCode, zkerror::kCompress, kTextCompress);
  }
  const std::string tempFolder = CZkUtilities::JoinPath(m_strWorkPathName, "cabtemp");
  if (CZkUtilities::IsExistFile(tempFolder) && !CZkUtilities::ForceDeleteFolder(tempFolder)) {
    return frame.Fail(pErrorCode, zkerror::kCompress,
                      "ＣＡＢファイル圧縮処理中にエラーが発生しました（展開用一時フォルダ削除失敗）");
  }

  ZK_LOG(2, "ＣＡＢファイル圧縮");
  ZK_LOG(3, "ＣＡＢファイル：%s", cabinet.c_str());
  // The header and history INI files stay where they are until the new estimate file stands: they are left
  // out of the cabinet by name, so that a save cut short at any point leaves a folder that saves the same.
  if (!CZkUtilities::CompressFile(CZkUtilities::JoinPath(m_strWorkPathName, "*"), cabinet,
                                  {CZkWorkFolderAccess::kHeaderIniName, CZkWorkFolderAccess::kHistoryIniName})) {
    return frame.Fail(pErrorCode, zkerror::kCompress, kTextCompress);
  }
  return 1;
}

int CZkWorkFolderOperation::FinishSave(const CZkLogFrame& frame, const std::string& cabinet, int nSaveMode,
                                       char* pErrorCode, const ZkSourcePlace& where) {
  ZK_LOG(2, "ＣＡＢファイルの削除");
  if (!CZkUtilities::RemoveFile(cabinet)) return frame.Fail(pErrorCode, zkerror::kCabinetDelete, kTextCabinetDelete);
  // An overwrite save leaves the work folder with the values it held before the save (its INI files were never
  // touched); any other save leaves it without them.
  if (nSaveMode == 0) return frame.Ok(where);
  ZK_LOG(2, "ファイルヘッダ部・履歴部INIファイルの削除");
  const std::string headerIni = CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHeaderIniName);
  const std::string historyIni = CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHistoryIniName);
  if (CZkUtilities::IsExistFile(headerIni) && !CZkUtilities::RemoveFile(headerIni)) {
    return frame.Fail(pErrorCode, zkerror::kHeaderIniDelete, "ファイルヘッダ部INIファイル削除中にエラーが発生しました");
  }
  if (CZkUtilities::IsExistFile(historyIni) && !CZkUtilities::RemoveFile(historyIni)) {
    return frame.Fail(pErrorCode, zkerror::kHistoryIniDelete, "履歴部INIファイル削除中にエラーが発生しました");
  }
  return frame.Ok(where);
}

int CZkWorkFolderOperation::SaveVekFile(const char* pVekFileName, const void* pNewFileHeader, int nSaveMode,
                                        const void* pNewFileHistory, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("見積保存ファイル保存",
               "pVekFileName->%s, pNewFileHeader->Address:%p, nSaveMode->%d, pNewFileHistory->Address:%p, "
               "pErrorCode->Address:%p",
               ZkText(pVekFileName), pNewFileHeader, nSaveMode, pNewFileHistory, static_cast<void*>(pErrorCode));
  const std::string vek = CZkUtilities::NormalizePath(ZkText(pVekFileName));
  const std::string cabinet =
      CZkUtilities::JoinPath(m_strWorkPathName, "EstimateData" + CZkUtilities::GetTimeStamp() + ".cab");
  SaveRecords records;
  CabinetRemover cabinetRemover(cabinet);
  if (!PrepareSave(frame, pNewFileHeader, nSaveMode, pNewFileHistory, cabinet, records, pErrorCode)) return 0;

  std::int64_t cabinetSize = platform::FileSize(cabinet);
  ZK_LOG(3, "ＣＡＢファイルサイズ：%lld", static_cast<long long>(cabinetSize));
  if (cabinetSize < 0) return frame.Fail(pErrorCode, zkerror::kCompress, kTextCompress);
  if (CZkUtilities::IsExistFile(CZkUtilities::JoinPath(m_strWorkPathName, "TEMP2.cab"))) {
    return frame.Fail(pErrorCode, zkerror::kCompressSplit, "ＣＡＢファイル圧縮で分割ファイルが作成されました");
  }
  std::vector<unsigned char> first32;
  if (!CZkUtilities::ReadBinaryData(cabinet, 0, Model::kEstimateData32Size, first32) ||
      first32.size() != static_cast<std::size_t>(Model::kEstimateData32Size)) {
    return frame.Fail(pErrorCode, zkerror::kCabinetRead, kTextCabinetRead);
  }

  ZK_LOG(2, "見積保存ファイルヘッダ部の作成");
  const int count = static_cast<int>(records.entries.size());
  Model model;
  if (!records.FillModel(model, pErrorCode)) return frame.Fail();
  if (!model.ReplaceEstimateData32(first32.data(), Model::kEstimateData32Size, pErrorCode)) return frame.Fail();
  if (!model.CheckBufferInterrelation(pErrorCode)) return frame.Fail();
  std::vector<unsigned char> head;
  if (!ZkReadSized(head, pErrorCode, [&](void* dest, int* size) {
        return model.ReadBuffer(dest, size, pErrorCode, Model::kSectionEstimateData32);
      })) {
    return frame.Fail();
  }

  ZK_LOG(2, "見積保存ファイルの書き出し");
  auto vekLock = CZkVekFileReplace::LockForChange(vek, pErrorCode);
  if (!vekLock) return frame.Fail();
  CZkVekFileReplace replace(vek);
  if (!replace.MakeBackup(pErrorCode)) return frame.Fail();
  const std::int64_t expected = Model::kHistoryInfoOffset +
                                static_cast<std::int64_t>(Model::kHistoryInfoSize) * count + cabinetSize;
  if (!replace.WriteNewFile(head.data(), static_cast<std::int64_t>(head.size()), cabinet, Model::kEstimateData32Size,
                            expected, pErrorCode)) {
    return frame.Fail();
  }
  if (!replace.Commit(pErrorCode)) return frame.Fail();
  // From here on the new estimate file stands; what follows concerns the work folder only.
  cabinetRemover.Disarm();
  return FinishSave(frame, cabinet, nSaveMode, pErrorCode);
}

int CZkWorkFolderOperation::SaveVekFileOld(const char* pVekFileName, const void* pNewFileHeader, int nSaveMode,
                                           const void* pNewFileHistory, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("見積保存ファイル保存（旧方式）",
               "pVekFileName->%s, pNewFileHeader->Address:%p, nSaveMode->%d, pNewFileHistory->Address:%p, "
               "pErrorCode->Address:%p",
               ZkText(pVekFileName), pNewFileHeader, nSaveMode, pNewFileHistory, static_cast<void*>(pErrorCode));
  const std::string vek = CZkUtilities::NormalizePath(ZkText(pVekFileName));
  const std::string cabinet = CZkUtilities::JoinPath(m_strWorkPathName, "EstimateData.cab");
  // A cabinet left by an earlier save would be packed while it is written anew.
  if (m_bExist && CZkUtilities::IsExistFile(cabinet)) CZkUtilities::RemoveFile(cabinet);
  SaveRecords records;
  CabinetRemover cabinetRemover(cabinet);
  if (!PrepareSave(frame, pNewFileHeader, nSaveMode, pNewFileHistory, cabinet, records, pErrorCode)) return 0;

  std::vector<unsigned char> data;
  if (!CZkUtilities::ReadBinaryDataOld(cabinet, data)) {
    return frame.Fail(pErrorCode, zkerror::kCabinetRead, kTextCabinetRead);
  }
  ZK_LOG(2, "見積保存ファイルイメージの作成");
  std::vector<unsigned char> image;
  {
    Model model;
    if (!records.FillModel(model, pErrorCode)) return frame.Fail();
    if (!model.ReplaceEstimateData(data.data(), static_cast<int>(data.size()), pErrorCode)) return frame.Fail();
    std::vector<unsigned char>().swap(data);
    if (!model.CheckBufferInterrelation(pErrorCode)) return frame.Fail();
    if (!ZkReadSized(image, pErrorCode,
                     [&](void* dest, int* size) { return model.ReadBufferAllOld(dest, size, pErrorCode); })) {
      return frame.Fail();
    }
  }
  // A new file renamed over the old one: the only copy is never cut short.
  ZK_LOG(2, "見積保存ファイルの書き出し");
  auto vekLock = CZkVekFileReplace::LockForChange(vek, pErrorCode);
  if (!vekLock) return frame.Fail();
  if (!platform::ReplaceFileAtomically(vek, image.data(), image.size())) {
    return frame.Fail(pErrorCode, zkerror::kVekFileWrite, "見積保存ファイル書き出し中にエラーが発生しました");
  }
  cabinetRemover.Disarm();
  return FinishSave(frame, cabinet, nSaveMode, pErrorCode);
}

// ---- Hand-over files and image data ----
//
// Hand-over files of a work folder and its image data: the mail-link INI files OvSvMail.ini (header values) and
// OvSvImge.ini (image list), the photo-link XML file, the paths of these files and of the Image folder, the
// feedback of an OvSvImge.ini edited by the mail program into the image database, and the removal of all image
// data.
//
// Files are written whole and put in place at once: a failed write leaves the old file and is reported with the
// file's code. The photo-link file is well-formed XML: "&", "<" and ">" are written as entities, line ends and
// other control characters inside a value as blanks, a double-byte character cut at the field's width is left
// out, and whatever else is no whole CP932 character (an unused byte, a lead byte without its trail byte, an
// unassigned pair) is written as "?".
//
// Feedback: how the image lists are rebuilt from the checked entries of OvSvImge.ini.
// - An entry names the image records of its FileName (ASCII letters compared without regard to case, as file
//   names are looked up). A name may stand in one entry only, and only as a plain file name of the Image folder.
// - Modify 0, 1 or 2: the first record of that name stays, with DisplayOrder = No. When there is none, a new
//   record (zeroed, the next free ImageNo) is made for the file. These records come first, in the order of No.
// - Modify 9: every record of that name goes, with its annotations; the file is then deleted from the Image
//   folder, as long as it is a regular file there and no record that stays names it.
// - Records that no entry names stay as they were, after the named ones in their old order, with DisplayOrder
//   numbered on from the largest No. Annotations stay unless their image went.
// Applying the same file again thus changes nothing more, and nothing that the file does not name is lost.
// When the annotation list cannot be written after the image list was, the image list read before is written
// back, so the two lists never disagree; files are deleted only after both lists are written.

namespace {

constexpr char kImageFolder[] = "Image";
constexpr char kMailHeaderIni[] = "OvSvMail.ini";
constexpr char kMailImageIni[] = "OvSvImge.ini";
constexpr char kGeneral[] = "General";
constexpr char kSignatureKey[] = "Signature";
constexpr char kModifyKey[] = "Modify";
constexpr char kMailHeaderSignature[] = "VEKMAIL2";
constexpr char kMailImageSignature[] = "VEKIMAGE";
constexpr char kMailHeaderSection[] = "Torvane2";
constexpr char kImageSections[] = "ImageSections";
constexpr char kImageSectionFormat[] = "Image%d";
constexpr std::size_t kSignatureWidth = 31;     // read into 32 bytes
constexpr std::size_t kEntryNameWidth = 256;    // taken from a caller's image entry
constexpr std::size_t kStoredNameWidth = sizeof(dorvik_sql::Image::FileName);
constexpr int kMaxListCount = 100000;           // more records than this from the back-end are refused
constexpr char kIgLibrary[] = "DorvikSqlIg.dll";

constexpr int kModifyNone = 0;
constexpr int kModifyDelete = 9;

constexpr char kTextNoRecord[] = "書き込むレコードが指定されていません";
constexpr char kTextImageFolderMake[] = "画像フォルダ作成中にエラーが発生しました";
constexpr char kTextImageFolderDelete[] = "画像フォルダ削除中にエラーが発生しました";
constexpr char kTextImageDBDelete[] = "画像ＤＢファイル削除中にエラーが発生しました";
constexpr char kTextImageDBName[] = "画像ＤＢファイル名が正しくありません";
constexpr char kTextMailHeaderDelete[] = "ヴェクメール連携用（ヘッダ）INIファイル削除中にエラーが発生しました";
constexpr char kTextMailHeaderWrite[] = "ヴェクメール連携用（ヘッダ）INIファイル書き込み中にエラーが発生しました";
constexpr char kTextMailImageDelete[] = "ヴェクメール連携用（画像）INIファイル削除中にエラーが発生しました";
constexpr char kTextMailImageWrite[] = "ヴェクメール連携用（画像）INIファイル書き込み中にエラーが発生しました";
constexpr char kTextVistrelDelete[] = "ヴィストレル連携用XMLファイル削除中にエラーが発生しました";
constexpr char kTextVistrelWrite[] = "ヴィストレル連携用XMLファイル書き込み中にエラーが発生しました";
constexpr char kTextNoChange[] = "変更がない為、終了する";
constexpr char kTextNoMemory[] = "メモリの確保に失敗しました";

// ---- Text of the records ----

enum class Kind { Text, Date, YearMonth };

struct Field {
  const char* name;  // key or element name
  Kind kind;
  std::size_t offset;
  std::size_t width;
};

#define ZK_FIELD(record, member, kind) {#member, Kind::kind, offsetof(record, member), sizeof(record::member)}

constexpr Field kMailHeaderFields[] = {
    ZK_FIELD(MailLinkHeader, CustomerName, Text),  ZK_FIELD(MailLinkHeader, CarNoDepartment, Text),
    ZK_FIELD(MailLinkHeader, CarNoDivision, Text), ZK_FIELD(MailLinkHeader, CarNoBusiness, Text),
    ZK_FIELD(MailLinkHeader, CarNoSerial, Text),   ZK_FIELD(MailLinkHeader, TicketNo, Text),
    ZK_FIELD(MailLinkHeader, AcceptNo, Text),      ZK_FIELD(MailLinkHeader, AccidentDate, Date),
    ZK_FIELD(MailLinkHeader, AgreedName, Text),    ZK_FIELD(MailLinkHeader, CarName, Text),
};

constexpr Field kVistrelFields[] = {
    ZK_FIELD(VistrelLinkRecord, CustomerName1, Text),
    ZK_FIELD(VistrelLinkRecord, CustomerName2, Text),
    ZK_FIELD(VistrelLinkRecord, AdjusterName, Text),
    ZK_FIELD(VistrelLinkRecord, AcceptNo, Text),
    ZK_FIELD(VistrelLinkRecord, AccidentDate, Date),
    ZK_FIELD(VistrelLinkRecord, TicketNo, Text),
    ZK_FIELD(VistrelLinkRecord, Note1, Text),
    ZK_FIELD(VistrelLinkRecord, Note2, Text),
    ZK_FIELD(VistrelLinkRecord, Note3, Text),
    ZK_FIELD(VistrelLinkRecord, CarNo, Text),
    ZK_FIELD(VistrelLinkRecord, CarName, Text),
    ZK_FIELD(VistrelLinkRecord, CarMouldNo, Text),
    ZK_FIELD(VistrelLinkRecord, CarKindNo, Text),
    ZK_FIELD(VistrelLinkRecord, ColorCode, Text),
    ZK_FIELD(VistrelLinkRecord, OwnerName, Text),
    ZK_FIELD(VistrelLinkRecord, UserName, Text),
    ZK_FIELD(VistrelLinkRecord, CreatedDate, Date),
    ZK_FIELD(VistrelLinkRecord, GarageInDate, Date),
    ZK_FIELD(VistrelLinkRecord, GarageOutDate, Date),
    ZK_FIELD(VistrelLinkRecord, CarSerialNo, Text),
    ZK_FIELD(VistrelLinkRecord, CarTermEraDate, Date),
    ZK_FIELD(VistrelLinkRecord, Kilometrage, Text),
    ZK_FIELD(VistrelLinkRecord, CarRegistedDate, YearMonth),
    ZK_FIELD(VistrelLinkRecord, ii_CustomerName, Text),
    ZK_FIELD(VistrelLinkRecord, ii_PresenceDate, Date),
    ZK_FIELD(VistrelLinkRecord, ii_AgreedDate, Date),
    ZK_FIELD(VistrelLinkRecord, ii_RepairDays, Text),
    ZK_FIELD(VistrelLinkRecord, ii_TimePrice, Text),
    ZK_FIELD(VistrelLinkRecord, MakerName, Text),
    ZK_FIELD(VistrelLinkRecord, CarNameName, Text),
    ZK_FIELD(VistrelLinkRecord, ModelName, Text),
    ZK_FIELD(VistrelLinkRecord, CarYearName, Text),
    ZK_FIELD(VistrelLinkRecord, BodyName, Text),
    ZK_FIELD(VistrelLinkRecord, FVariationNameByUser, Text),
    ZK_FIELD(VistrelLinkRecord, GradeName, Text),
    ZK_FIELD(VistrelLinkRecord, ThoriumCode, Text),
    ZK_FIELD(VistrelLinkRecord, Total, Text),
};
static_assert(std::size(kVistrelFields) == 37, "one element per field");

#undef ZK_FIELD


// A field's text up to its width or first NUL, without a double-byte character cut in half at its end.
std::string FieldText(const char* field, std::size_t width) {
  std::string s(field, strnlen(field, width));
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < s.size(); i = platform::NextChar(s, i)) last = i;
  if (last != std::string::npos && platform::CharLength(s, last) == 1 &&
      platform::IsLeadByte(static_cast<unsigned char>(s[last]))) {
    s.pop_back();
  }
  return s;
}

// A date in format (year, month, day) or, for Kind::YearMonth, (year, month).
std::string DateText(const unsigned char* at, Kind kind, const char* format) {
  VekDate d{};
  std::memcpy(&d, at, kind == Kind::YearMonth ? sizeof(VekYearMonth) : sizeof(VekDate));
  char buf[32];
  std::snprintf(buf, sizeof buf, format, d.Year, d.Month, d.Day);
  return buf;
}

std::string ValueOf(const Field& f, const unsigned char* record, const char* dateFormat) {
  if (f.kind == Kind::Text) return FieldText(reinterpret_cast<const char*>(record + f.offset), f.width);
  return DateText(record + f.offset, f.kind, f.kind == Kind::YearMonth ? "%04d/%02d" : dateFormat);
}

// An INI value: a line end inside it would end the line, so it becomes a blank.
std::string IniValue(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return platform::IniQuoteValue(text);
}

// A double-byte character of CP932 (one that the code page assigns): a lead byte and its trail byte convert.
bool IsCp932Pair(const std::string& s, std::size_t i) {
  std::string utf8;
  return platform::Cp932ToUtf8(std::string_view(s).substr(i, 2), utf8);
}

// Element content: entities for the markup characters, blanks for control characters, and "?" for whatever is
// no whole CP932 character (a byte the code page leaves unused, a lead byte without its trail byte, an unassigned
// pair), so that a strict reader takes the file.
std::string XmlText(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (platform::IsLeadByte(c)) {
      if (i + 1 < s.size() && IsCp932Pair(s, i)) {
        out.append(s, i, 2);
        ++i;
      } else {
        // An unassigned pair is one character the reader would refuse; a lead byte before a byte that can be
        // no trail byte stands alone.
        const unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        if ((next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC)) ++i;
        out += '?';
      }
    } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
      out += '?';  // no character of the code page
    } else if (c < 0x20) {
      out += ' ';
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string VistrelLinkText(const unsigned char* record) {
  std::string out = "<?xml version = \"1.0\" encoding = \"Shift_JIS\"?><TorVane2Data>\r\n  <Svef>\r\n";
  for (const Field& f : kVistrelFields) {
    out += "    <";
    out += f.name;
    out += '>';
    out += XmlText(ValueOf(f, record, "%04d/%02d/%02d"));
    out += "</";
    out += f.name;
    out += ">\r\n";
  }
  out += "  </Svef>\r\n</TorVane2Data>\r\n";
  return out;
}

// ---- Files ----

// Why a replacement failed: the old file could not be made writable, or the new one not written.
enum class Replaced { Done, NotWritable, NotWritten };

Replaced ReplaceIni(const std::string& path, const platform::IniDocument& doc) {
  if (!CZkUtilities::MakeReplaceable(path)) {
    return Replaced::NotWritable;
  }
  return platform::IniWriteFile(path, doc) ? Replaced::Done : Replaced::NotWritten;
}

platform::IniDocument MailImageIni(const MailLinkImageEntry* entries, int count) {
  platform::IniDocument doc;
  doc.Set(kGeneral, kSignatureKey, kMailImageSignature);
  doc.Set(kGeneral, kModifyKey, "0");
  for (int i = 1; i <= count; ++i) {
    const MailLinkImageEntry& e = entries[i - 1];
    std::string section = CZkUtilities::FormatText(kImageSectionFormat, i);
    doc.Set(kImageSections, section, "");
    doc.Set(section, "No", CZkUtilities::ToText(e.No));
    doc.Set(section, "FileName", IniValue(FieldText(e.FileName, kEntryNameWidth)));
    doc.Set(section, kModifyKey, "0");
  }
  return doc;
}

// A name that stands for one file directly in a folder: no separator, drive colon or wildcard, no "..", no
// control character, and none of the characters the file systems the files come from refuse.
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) return false;
  for (std::size_t i = 0; i < name.size(); i = platform::NextChar(name, i)) {
    if (platform::CharLength(name, i) != 1) continue;
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
  }
  return true;
}

// A regular file, not a folder and not a symbolic link.
bool IsPlainFile(const std::string& path) { return platform::IsRegularFile(path); }

bool Exists(const std::string& path) { return platform::Exists(path) || platform::IsSymbolicLink(path); }

// ---- Feedback ----

// File names compared as the file layer looks them up: ASCII letters without regard to case. Sets and maps of
// them hold views of names that stay where they are while the set lives.
struct NameHash {
  std::size_t operator()(std::string_view name) const { return platform::IniHashName(name); }
};
struct NameEqual {
  bool operator()(std::string_view a, std::string_view b) const { return platform::EqualsNoCaseAscii(a, b); }
};
using NameSet = std::unordered_set<std::string_view, NameHash, NameEqual>;

// What the Image folder holds, read once: whether a name (found as the file layer finds it, the exact name
// first, else the first case variant) stands for a regular file, for something else, or for nothing.
class FolderKinds {
 public:
  enum class Kind { None, RegularFile, Other };
  explicit FolderKinds(const std::string& folder) {
    platform::ListFolder(folder, m_names);
    std::sort(m_names.begin(), m_names.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const platform::FolderName& n : m_names) {
      const Kind kind = n.regularFile ? Kind::RegularFile : Kind::Other;
      m_exact.emplace(n.name, kind);
      m_anyCase.emplace(n.name, kind);  // the smallest variant of a spelling is kept
    }
  }
  Kind Of(std::string_view name) const {
    auto exact = m_exact.find(name);
    if (exact != m_exact.end()) return exact->second;
    auto variant = m_anyCase.find(name);
    return variant == m_anyCase.end() ? Kind::None : variant->second;
  }

 private:
  std::vector<platform::FolderName> m_names;
  std::unordered_map<std::string_view, Kind> m_exact;
  std::unordered_map<std::string_view, Kind, NameHash, NameEqual> m_anyCase;
};

struct FeedbackEntry {
  int No;
  std::string FileName;
  int Modify;
};

struct Failure {
  const char* code = nullptr;  // null: no failure
  const char* text = nullptr;
};

// Reads and checks the entries of an existing OvSvImge.ini; noChange: the file asks for nothing.
Failure ReadFeedbackEntries(const std::string& ini, const std::string& imageFolder,
                            std::vector<FeedbackEntry>& entries, bool& noChange) {
  const Failure bad{zkerror::kMailImageIniCheck, nullptr};
  noChange = false;
  platform::IniDocument doc;
  // An unreadable file reads as empty, as the profile functions take it.
  if (!platform::IniReadFile(ini, doc)) doc = platform::IniDocument{};
  auto value = [&doc](std::string_view section, std::string_view key) {
    const platform::IniEntry* e = doc.FindEntry(section, key);
    return e ? std::string_view(e->value) : std::string_view();
  };

  std::string_view signature = value(kGeneral, kSignatureKey);
  signature = signature.substr(0, platform::CutLength(signature, kSignatureWidth));
  ZK_LOG(3, "Signature=%.*s", static_cast<int>(signature.size()), signature.data());
  if (signature != kMailImageSignature) return {bad.code, "識別子が正しくありません"};
  int modify = platform::IniValueToInt(value(kGeneral, kModifyKey), 0);
  ZK_LOG(3, "Modify=%d", modify);
  if (modify == kModifyNone) {
    noChange = true;
    return {};
  }
  if (modify != 1) return {bad.code, "変更フラグの値が正しくありません"};

  if (CZkUtilities::GetFileSize(ini) < 0) return {zkerror::kFeedbackNoMemory, "ファイルサイズの取得に失敗しました"};
  const platform::IniSection* list = doc.FindSection(kImageSections);
  if (!list || list->entries.empty()) {
    noChange = true;
    return {};
  }
  // Numbers and names of the entries so far, to find a repeated one at once.
  std::unordered_set<int> numbers;
  NameSet names;
  const FolderKinds images(imageFolder);
  for (const platform::IniEntry& key : list->entries) {
    const platform::IniSection* section = doc.FindSection(key.key);
    auto entryValue = [section](std::string_view k) {
      const platform::IniEntry* found = section ? section->FindEntry(k) : nullptr;
      return found ? std::string_view(found->value) : std::string_view();
    };
    const std::string_view fileName = entryValue("FileName");
    FeedbackEntry e{platform::IniValueToInt(entryValue("No"), 0), std::string(fileName),
                    platform::IniValueToInt(entryValue(kModifyKey), 0)};
    ZK_LOG(3, "[%s]No=%d, FileName=%s, Modify=%d", key.key.c_str(), e.No, e.FileName.c_str(), e.Modify);
    if (e.FileName.empty()) return {bad.code, "イメージファイル名が指定されてない"};
    if (e.Modify < 0 || (e.Modify > 2 && e.Modify != kModifyDelete)) return {bad.code, "変更フラグの値が正しくない"};
    // The name goes into a path and into a record of the image database: one file of the Image folder only.
    if (!IsPlainFileName(e.FileName) || e.FileName.size() > kStoredNameWidth) {
      return {bad.code, "イメージファイル名が正しくない"};
    }
    const FolderKinds::Kind kind = images.Of(e.FileName);
    if (e.Modify == kModifyDelete) {
      if (kind == FolderKinds::Kind::Other) return {bad.code, "イメージファイル名が正しくない"};
    } else {
      if (kind != FolderKinds::Kind::RegularFile) return {bad.code, "イメージファイルが見つからない"};
      if (e.No < 1) return {bad.code, "順番の値が正しくない"};
    }
    if (e.Modify != kModifyDelete && !numbers.insert(e.No).second) return {bad.code, "順番が重複しています"};
    if (!names.insert(fileName).second) {
      return {bad.code, "イメージファイル名が重複しています"};
    }
    entries.push_back(std::move(e));
  }
  return {};
}

std::string_view RecordName(const dorvik_sql::Image& image) {
  return std::string_view(image.FileName, strnlen(image.FileName, sizeof image.FileName));
}

// Image numbers in use; Next() gives one that is not.
class ImageNumbers {
 public:
  void Take(std::int32_t n) { m_taken.insert(n); }
  std::int32_t Next() {
    std::int32_t top = m_taken.empty() ? 0 : *m_taken.rbegin();
    std::int32_t n = 1;
    if (top >= 0 && top < INT32_MAX) {
      n = top + 1;
    } else {
      while (m_taken.count(n)) ++n;
    }
    m_taken.insert(n);
    return n;
  }

 private:
  std::set<std::int32_t> m_taken;
};

struct ImageLists {
  std::vector<dorvik_sql::Image> images;
  std::vector<dorvik_sql::ImageAnnotation> annotations;
};

// The rule of the file's header comment. unneeded: names of files to delete.
ImageLists RebuildLists(const ImageLists& old, const std::vector<FeedbackEntry>& entries,
                        std::vector<std::string>& unneeded) {
  const std::size_t n = old.images.size();
  std::vector<bool> used(n, false), dropped(n, false);
  ImageNumbers numbers;
  for (const auto& image : old.images) numbers.Take(image.ImageNo);
  for (const auto& a : old.annotations) numbers.Take(a.ImageNo);
  // The records of each name (compared as file names are looked up), in list order: the first of each name,
  // and after each record the next of its name (n: none).
  std::unordered_map<std::string_view, std::size_t, NameHash, NameEqual> firstOf;
  std::vector<std::size_t> nextOf(n, n);
  for (std::size_t i = n; i-- > 0;) {
    auto [it, added] = firstOf.try_emplace(RecordName(old.images[i]), i);
    if (!added) {
      nextOf[i] = it->second;
      it->second = i;
    }
  }
  auto firstRecordOf = [&](const std::string& name) {
    auto it = firstOf.find(name);
    return it == firstOf.end() ? n : it->second;
  };

  std::vector<const FeedbackEntry*> kept;
  for (const FeedbackEntry& e : entries) {
    if (e.Modify != kModifyDelete) {
      kept.push_back(&e);
      continue;
    }
    for (std::size_t i = firstRecordOf(e.FileName); i < n; i = nextOf[i]) dropped[i] = true;
  }
  std::stable_sort(kept.begin(), kept.end(), [](const FeedbackEntry* a, const FeedbackEntry* b) {
    return a->No < b->No;
  });

  ImageLists out;
  std::int32_t lastNo = 0;
  for (const FeedbackEntry* e : kept) {
    std::size_t found = firstRecordOf(e->FileName);
    while (found < n && (used[found] || dropped[found])) found = nextOf[found];
    dorvik_sql::Image image{};
    if (found < n) {
      used[found] = true;
      image = old.images[found];
    } else {
      image.ImageNo = numbers.Next();
      std::memcpy(image.FileName, e->FileName.data(), e->FileName.size());
    }
    image.DisplayOrder = e->No;
    lastNo = std::max(lastNo, e->No);
    out.images.push_back(image);
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (used[i] || dropped[i]) continue;
    dorvik_sql::Image image = old.images[i];
    image.DisplayOrder = lastNo < INT32_MAX ? ++lastNo : lastNo;
    out.images.push_back(image);
  }

  std::set<std::int32_t> keptNumbers, droppedNumbers;
  NameSet keptNames;  // views into out.images, which grows no more
  for (const auto& image : out.images) {
    keptNumbers.insert(image.ImageNo);
    keptNames.insert(RecordName(image));
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (dropped[i]) droppedNumbers.insert(old.images[i].ImageNo);
  }
  for (const auto& a : old.annotations) {
    if (!droppedNumbers.count(a.ImageNo) || keptNumbers.count(a.ImageNo)) out.annotations.push_back(a);
  }

  for (const FeedbackEntry& e : entries) {
    if (e.Modify == kModifyDelete && !keptNames.count(e.FileName)) {
      unneeded.push_back(e.FileName);
    }
  }
  return out;
}

// The functions of the image back-end, looked up in this order.
struct ImageBackEnd {
  dorvik_sql::InitializeFunction initialize = nullptr;
  dorvik_sql::FinalizeFunction finalize = nullptr;
  dorvik_sql::ReadFunction readImage = nullptr;
  dorvik_sql::WriteFunction writeImage = nullptr;
  dorvik_sql::ReadFunction readAnnotation = nullptr;
  dorvik_sql::WriteFunction writeAnnotation = nullptr;
};

bool LookUp(platform::ModuleHandle module, ImageBackEnd& f, const char*& missing) {
  struct Slot {
    const char* name;
    void** target;
  } slots[] = {
      {"Initialize", reinterpret_cast<void**>(&f.initialize)},
      {"Finalize", reinterpret_cast<void**>(&f.finalize)},
      {"ReadImage", reinterpret_cast<void**>(&f.readImage)},
      {"WriteImage", reinterpret_cast<void**>(&f.writeImage)},
      {"ReadImageAnnotation", reinterpret_cast<void**>(&f.readAnnotation)},
      {"WriteImageAnnotation", reinterpret_cast<void**>(&f.writeAnnotation)},
  };
  for (const Slot& s : slots) {
    ZK_LOG(3, "%s関数アドレスを取得", s.name);
    *s.target = platform::GetFunction(module, s.name);
    if (!*s.target) {
      missing = s.name;
      return false;
    }
  }
  return true;
}

// One list by the size-query convention; the count is checked before any size is reckoned from it.
template <class Record>
int ReadList(dorvik_sql::ReadFunction read, const char* function, const char* listCode, std::vector<Record>& out,
             char* pErrorCode) {
  int count = 0;
  ZK_LOG(3, "%s関数を実行", function);
  if (read(nullptr, &count, pErrorCode) != 1) {
    ZK_LOG(0, "ＤＬＬ(%s)の%s関数処理中にエラーが発生しました", kIgLibrary, function);
    return 0;
  }
  ZK_LOG(3, "%s件数=%d", function, count);
  if (count < 0 || count > kMaxListCount) {
    ZK_LOG(0, "ＤＬＬ(%s)の%s関数が返した件数が正しくありません(%d)", kIgLibrary, function, count);
    ZkSetErrorCode(pErrorCode, listCode);
    return 0;
  }
  try {
    out.assign(static_cast<std::size_t>(count), Record{});
  } catch (const std::bad_alloc&) {
    ZK_LOG(0, "%s", kTextNoMemory);
    ZkSetErrorCode(pErrorCode, listCode);
    return 0;
  }
  if (count == 0) return 1;
  int n = count;
  if (read(out.data(), &n, pErrorCode) != 1) {
    ZK_LOG(0, "ＤＬＬ(%s)の%s関数処理中にエラーが発生しました", kIgLibrary, function);
    return 0;
  }
  return 1;
}

template <class Record>
int WriteList(dorvik_sql::WriteFunction write, const char* function, const std::vector<Record>& list,
              char* pErrorCode) {
  ZK_LOG(3, "%s関数を実行(%zu件)", function, list.size());
  if (write(list.empty() ? nullptr : list.data(), static_cast<int>(list.size()), pErrorCode) == 1) return 1;
  ZK_LOG(0, "ＤＬＬ(%s)の%s関数処理中にエラーが発生しました", kIgLibrary, function);
  return 0;
}

// Steps of the feedback between Initialize and Finalize: read both lists, write the new ones, delete files.
int ApplyFeedback(const ImageBackEnd& f, const std::string& imageFolder, const std::vector<FeedbackEntry>& entries,
                  char* pErrorCode) {
  ImageLists old;
  if (!ReadList(f.readImage, "ReadImage", zkerror::kImageListRead, old.images, pErrorCode)) return 0;
  if (!ReadList(f.readAnnotation, "ReadImageAnnotation", zkerror::kImageAnnotationListRead, old.annotations,
                pErrorCode)) {
    return 0;
  }
  ZK_LOG(2, "画像管理リストデータを生成");
  ZK_LOG(2, "画像アノテーションリストデータを生成");
  std::vector<std::string> unneeded;
  ImageLists lists = RebuildLists(old, entries, unneeded);
  if (!WriteList(f.writeImage, "WriteImage", lists.images, pErrorCode)) return 0;
  if (!WriteList(f.writeAnnotation, "WriteImageAnnotation", lists.annotations, pErrorCode)) {
    char restoreCode[zkerror::kCodeBufferSize] = {};
    if (!WriteList(f.writeImage, "WriteImage", old.images, restoreCode)) {
      ZK_LOG(0, "画像管理リストを元に戻せませんでした[%.9s]", restoreCode);
    }
    return 0;
  }
  ZK_LOG(2, "不要なイメージファイルを削除");
  for (const std::string& name : unneeded) {
    std::string path = CZkUtilities::JoinPath(imageFolder, name);
    if (!IsPlainFile(path)) continue;
    ZK_LOG(3, "%s", path.c_str());
    if (CZkUtilities::DeleteFileByShell(path) != 0) ZK_LOG(0, "イメージファイルを削除できません：%s", path.c_str());
  }
  return 1;
}

}  // namespace

// ---- Writers ----

int CZkWorkFolderOperation::CreateMailLinkHeaderFile(const void* pSource, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（ヘッダ）INIファイル作成処理",
                               "pSource->Address:%p, pErrorCode->Address:%p", pSource, static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  if (!pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextNoRecord);
  const auto* record = static_cast<const unsigned char*>(pSource);
  platform::IniDocument doc;
  doc.Set(kGeneral, kSignatureKey, kMailHeaderSignature);
  for (const Field& f : kMailHeaderFields) {
    doc.Set(kMailHeaderSection, f.name, IniValue(ValueOf(f, record, "%04d%02d%02d")));
  }
  ZK_LOG(2, "ヴェクメール連携用（ヘッダ）INIファイルの書き込み");
  switch (ReplaceIni(CZkUtilities::JoinPath(m_strWorkPathName, kMailHeaderIni), doc)) {
    case Replaced::NotWritable:
      return frame.Fail(pErrorCode, zkerror::kMailHeaderIniDelete, kTextMailHeaderDelete);
    case Replaced::NotWritten:
      return frame.Fail(pErrorCode, zkerror::kMailHeaderIniDelete, kTextMailHeaderWrite);
    case Replaced::Done:
      break;
  }
  return frame.Ok();
}

int CZkWorkFolderOperation::CreateMailLinkImageFile(const void* pSource, int nCount, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（画像）INIファイル作成処理",
                               "pSource->Address:%p, nCount->%d, pErrorCode->Address:%p", pSource, nCount,
                               static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  if (nCount > 0 && !pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextNoRecord);
  platform::IniDocument doc = MailImageIni(static_cast<const MailLinkImageEntry*>(pSource), nCount);
  ZK_LOG(2, "ヴェクメール連携用（画像）INIファイルの書き込み");
  switch (ReplaceIni(CZkUtilities::JoinPath(m_strWorkPathName, kMailImageIni), doc)) {
    case Replaced::NotWritable:
      return frame.Fail(pErrorCode, zkerror::kMailImageIniDelete, kTextMailImageDelete);
    case Replaced::NotWritten:
      return frame.Fail(pErrorCode, zkerror::kMailImageIniDelete, kTextMailImageWrite);
    case Replaced::Done:
      break;
  }
  return frame.Ok();
}

int CZkWorkFolderOperation::CreateVistrelLinkFile(const char* pVekFileName, const void* pSource, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("ヴィストレル連携用XMLファイル作成処理", "pVekFileName->%s, pSource->Address:%p, pErrorCode->Address:%p",
               ZkText(pVekFileName), pSource, static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  if (!pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextNoRecord);
  std::string path = VistrelLinkFileName(pVekFileName);
  ZK_LOG(3, "%s", path.c_str());
  if (!CZkUtilities::MakeReplaceable(path)) {
    return frame.Fail(pErrorCode, zkerror::kVistrelLinkDelete, kTextVistrelDelete);
  }
  std::string text = VistrelLinkText(static_cast<const unsigned char*>(pSource));
  ZK_LOG(2, "ヴィストレル連携用XMLファイルの書き込み");
  if (!platform::ReplaceFileAtomically(path, text.data(), text.size())) {
    return frame.Fail(pErrorCode, zkerror::kVistrelLinkWrite, kTextVistrelWrite);
  }
  return frame.Ok();
}

// ---- Paths ----

std::string CZkWorkFolderOperation::VistrelLinkFileName(const char* pVekFileName) const {
  return CZkUtilities::JoinPath(m_strWorkPathName, CZkUtilities::GetFileName(ZkText(pVekFileName), 0) + ".xml");
}

int CZkWorkFolderOperation::DeliverPath(const CZkLogFrame& frame, const std::string& path, char* pBuffer,
                                        int* pByteSize, char* pErrorCode) const {
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  ZK_LOG(3, "%s", path.c_str());
  if (!ZkCopyTextOut(path, pBuffer, pByteSize, pErrorCode)) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkWorkFolderOperation::GetImagePathName(char* pPathName, int* pByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("画像格納フォルダパス取得処理", "pPathName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
               static_cast<void*>(pPathName), pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  std::string path = CZkUtilities::JoinPath(m_strWorkPathName, kImageFolder);
  if (m_bExist && !CZkUtilities::IsExistFile(path)) {
    ZK_LOG(2, "画像フォルダの作成");
    if (!platform::MakeFolder(path)) return frame.Fail(pErrorCode, zkerror::kImageFolderMake, kTextImageFolderMake);
  }
  return DeliverPath(frame, path, pPathName, pByteSize, pErrorCode);
}

int CZkWorkFolderOperation::GetMailLinkHeaderFileName(char* pFileName, int* pByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("ヴェクメール連携用（ヘッダ）INIファイルパス取得処理",
               "pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p", static_cast<void*>(pFileName),
               pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  return DeliverPath(frame, CZkUtilities::JoinPath(m_strWorkPathName, kMailHeaderIni), pFileName, pByteSize,
                     pErrorCode);
}

int CZkWorkFolderOperation::GetMailLinkImageFileName(char* pFileName, int* pByteSize, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("ヴェクメール連携用（画像）INIファイルパス取得処理",
               "pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p", static_cast<void*>(pFileName),
               pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  return DeliverPath(frame, CZkUtilities::JoinPath(m_strWorkPathName, kMailImageIni), pFileName, pByteSize, pErrorCode);
}

int CZkWorkFolderOperation::GetVistrelLinkFileName(const char* pVekFileName, char* pFileName, int* pByteSize,
                                                   char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("ヴィストレル連携用XMLファイルパス取得処理",
               "pVekFileName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p", ZkText(pVekFileName),
               static_cast<void*>(pFileName), pByteSize ? *pByteSize : 0, static_cast<void*>(pErrorCode));
  return DeliverPath(frame, VistrelLinkFileName(pVekFileName), pFileName, pByteSize, pErrorCode);
}

// ---- Image data ----

int CZkWorkFolderOperation::FeedbackMailLinkImageFile(const char* pDBFileName, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("ヴェクメール連携用（画像）INIファイルのフィードバック処理", "pDBFileName->%s, pErrorCode->Address:%p",
               ZkText(pDBFileName), static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  std::string ini = CZkUtilities::JoinPath(m_strWorkPathName, kMailImageIni);
  std::string imageFolder = CZkUtilities::JoinPath(m_strWorkPathName, kImageFolder);
  if (!CZkUtilities::IsExistFile(ini)) {
    ZK_LOG(2, "ヴェクメール連携用（画像）INIファイルが存在しない為、終了する");
    return frame.Ok();
  }

  ZK_LOG(2, "ヴェクメール連携用（画像）INIファイルの判定");
  std::vector<FeedbackEntry> entries;
  bool noChange = false;
  Failure failure;
  try {
    failure = ReadFeedbackEntries(ini, imageFolder, entries, noChange);
  } catch (const std::bad_alloc&) {
    failure = {zkerror::kFeedbackNoMemory, kTextNoMemory};
  }
  if (failure.code) return frame.Fail(pErrorCode, failure.code, failure.text);
  if (noChange) {
    ZK_LOG(2, "%s", kTextNoChange);
    return frame.Ok();
  }

  ZK_LOG(2, "ＤＬＬ(%s)を、呼出側プロセスのアドレス空間内にマップ", kIgLibrary);
  platform::ModuleHandle module = platform::LoadModule(kIgLibrary);
  if (!module) {
    ZK_LOG(0, "ＤＬＬ(%s)のロードに失敗しました", kIgLibrary);
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryLoad);
    return frame.Fail();
  }
  int result = 0;
  ImageBackEnd f;
  const char* missing = nullptr;
  ZK_LOG(2, "ＤＬＬ(%s)内のエクスポート関数アドレスを取得", kIgLibrary);
  if (!LookUp(module, f, missing)) {
    ZK_LOG(0, "%s関数アドレスが取得できません", missing);
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryFunction);
  } else {
    const ZkSettings& settings = ZkGetSettings();
    ZK_LOG(2, "ＤＬＬ(%s)各関数を実行", kIgLibrary);
    ZK_LOG(3, "Initialize関数を実行");
    if (f.initialize(ZkText(pDBFileName), settings.composedLogFilePath.c_str(), settings.logLevel) != 1) {
      ZK_LOG(0, "ＤＬＬ(%s)のInitialize関数処理中にエラーが発生しました", kIgLibrary);
      ZkSetErrorCode(pErrorCode, zkerror::kLibraryInitialize);
    } else {
      try {
        result = ApplyFeedback(f, imageFolder, entries, pErrorCode);
      } catch (const std::bad_alloc&) {
        ZK_LOG(0, "%s", kTextNoMemory);
        ZkSetErrorCode(pErrorCode, zkerror::kFeedbackNoMemory);
      }
      ZK_LOG(3, "Finalize関数を実行");
      f.finalize();
    }
  }
  ZK_LOG(2, "プロセスのアドレス空間マップよりＤＬＬ(%s)を削除", kIgLibrary);
  if (!platform::FreeModule(module)) {
    ZK_LOG(0, "[%s]ＤＬＬ(%s)のロードに失敗しました", zkerror::kLibraryUnload, kIgLibrary);
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryUnload);
    result = 0;
  }
  if (result != 1) {
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkWorkFolderOperation::DeleteAllImageData(char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("画像データ一括削除処理", "pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  CZkWorkFolderAccess access(m_strWorkPathName.c_str());
  ZkDatabaseFileNames names{};
  if (!access.ReadDBInfoINI(&names, pErrorCode)) {
    ZK_LOG(0, "見積管理ファイルINI読み込み中にエラーが発生しました");
    return frame.Fail();
  }

  ZK_LOG(2, "ファイルヘッダ部INIの画像枚数をクリア");
  if (CZkUtilities::IsExistFile(CZkUtilities::JoinPath(m_strWorkPathName, CZkWorkFolderAccess::kHeaderIniName))) {
    HeaderData data{};
    HeaderInfo info{};
    if (!access.ReadFileHeaderINI(&data, &info, pErrorCode)) {
      return frame.Fail();
    }
    info.ImageCount = 0;
    if (!access.WriteFileHeaderINI(&data, &info, pErrorCode)) {
      return frame.Fail();
    }
  } else {
    ZK_LOG(3, "ファイルヘッダ部INIが存在しません");
  }

  ZK_LOG(2, "ヴェクメール連携用（画像）INIファイルを初期化");
  if (CZkUtilities::IsExistFile(CZkUtilities::JoinPath(m_strWorkPathName, kMailImageIni))) {
    if (!CreateMailLinkImageFile(nullptr, 0, pErrorCode)) {
      return frame.Fail();
    }
  } else {
    ZK_LOG(3, "ヴェクメール連携用（画像）INIファイルが存在しません");
  }

  ZK_LOG(2, "画像ＤＢファイルを削除");
  std::string dbName(names.ImageDB, strnlen(names.ImageDB, sizeof names.ImageDB));
  // The name comes from a file inside the estimate: it may name a file of the work folder only.
  if (!dbName.empty() && !IsPlainFileName(dbName)) {
    return frame.Fail(pErrorCode, zkerror::kImageDBDelete, kTextImageDBName);
  }
  std::string db = CZkUtilities::JoinPath(m_strWorkPathName, dbName);
  if (!dbName.empty() && Exists(db)) {
    if (!CZkUtilities::RemoveFile(db)) return frame.Fail(pErrorCode, zkerror::kImageDBDelete, kTextImageDBDelete);
  } else {
    ZK_LOG(3, "画像ＤＢファイルが存在しません");
  }

  ZK_LOG(2, "画像フォルダを削除");
  std::string imageFolder = CZkUtilities::JoinPath(m_strWorkPathName, kImageFolder);
  if (Exists(imageFolder)) {
    if (!CZkUtilities::ForceDeleteFolder(imageFolder)) {
      return frame.Fail(pErrorCode, zkerror::kImageFolderDelete, kTextImageFolderDelete);
    }
  } else {
    ZK_LOG(3, "画像フォルダが存在しません");
  }
  return frame.Ok();
}
