/* The estimate-file library: its exported functions and the records it hands to callers.
 * Every function returns 1 for success and 0 for failure (Finalize and SetCompressRetry return nothing)
 * and writes a nine-character error code into the caller's 10-byte pErrorCode buffer when it fails.
 * Texts are CP932. A function that returns text or a list answers a null buffer with a size or count of 0
 * with the size (text length + 1) or count it needs. */
#ifndef DORVIK_H
#define DORVIK_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define DORVIK_STATIC_ASSERT(c, m) static_assert(c, m)
extern "C" {
#else
#define DORVIK_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#define DORVIK_API __attribute__((visibility("default")))

/* Records: the estimate file's header parts in natural alignment, padding bytes zero. Text fields are
 * NUL-padded and not necessarily NUL-terminated. */

typedef struct {
  int16_t Year;
  uint8_t Month;
  uint8_t Day;
} VekDate;

typedef struct {
  int16_t Year;
  uint8_t Month;
  uint8_t Day;
  uint8_t Hour;
  uint8_t Minute;
  uint8_t Second;
} VekDateTime;

typedef struct {
  char Signature[4]; /* "VEK3" */
  char Version[4];
  int32_t HeaderInfoLength;  /* 305 */
  int32_t HistoryDataLength; /* 10 + 93 x entries */
} HeaderData;

typedef struct {
  char AcceptNo[37];
  char GroupKey[30];
  char SelfName[40];
  char CustomerName[30];
  char CarName[50];
  VekDate GarageInDate;
  VekDate GarageOutDate;
  int16_t Progress;
  int16_t ImageCount;
  VekDate CreatedDate;
  double PartsPriceTotal;
  double WageTotal;
  double PaintTotal;
  double CostTotal;
  double Total;
  int16_t RCParts;
  int16_t TaxKind;
  int16_t History;
  int16_t Agreed;
  char AgreedPassword[16];
  char CarNoDepartment[8];
  char CarNoDivision[6];
  char CarNoBusiness[4];
  char CarNoSerial[10];
  char ai21_OrderNo[6];
  VekDate ai21_AdoptedDate;
} HeaderInfo;

typedef struct {
  char HistoryDataVersion[4];
  int32_t HistoryInfoLength; /* 93 */
  int16_t HistoryInfoCount;
} HistoryData;

typedef struct {
  VekDateTime RenewalDate;
  char LicenceID[8];
  double Total;
  double PartsPriceTotal;
  double WageTotal;
  double PaintTotal;
  double FrameTotal;
  double CostTotal;
  char Name[30];
} HistoryInfo;

/* The database file names of a work folder (OvDBInfo.ini): NUL-padded, not terminated. */
typedef struct {
  char InformationDB[14];
  char EstimateDB[14];
  char ImageDB[14];
} LatestDatabaseFile;

DORVIK_STATIC_ASSERT(sizeof(VekDate) == 4, "VekDate");
DORVIK_STATIC_ASSERT(sizeof(LatestDatabaseFile) == 42, "LatestDatabaseFile");
DORVIK_STATIC_ASSERT(sizeof(VekDateTime) == 8, "VekDateTime");
DORVIK_STATIC_ASSERT(sizeof(HeaderData) == 16, "HeaderData");
DORVIK_STATIC_ASSERT(offsetof(HeaderData, Version) == 4, "HeaderData.Version");
DORVIK_STATIC_ASSERT(offsetof(HeaderData, HeaderInfoLength) == 8, "HeaderData.HeaderInfoLength");
DORVIK_STATIC_ASSERT(offsetof(HeaderData, HistoryDataLength) == 12, "HeaderData.HistoryDataLength");
DORVIK_STATIC_ASSERT(sizeof(HeaderInfo) == 312, "HeaderInfo");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, AcceptNo) == 0, "HeaderInfo.AcceptNo");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, GroupKey) == 37, "HeaderInfo.GroupKey");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, SelfName) == 67, "HeaderInfo.SelfName");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CustomerName) == 107, "HeaderInfo.CustomerName");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CarName) == 137, "HeaderInfo.CarName");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, GarageInDate) == 188, "HeaderInfo.GarageInDate");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, GarageOutDate) == 192, "HeaderInfo.GarageOutDate");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, Progress) == 196, "HeaderInfo.Progress");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, ImageCount) == 198, "HeaderInfo.ImageCount");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CreatedDate) == 200, "HeaderInfo.CreatedDate");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, PartsPriceTotal) == 208, "HeaderInfo.PartsPriceTotal");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, WageTotal) == 216, "HeaderInfo.WageTotal");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, PaintTotal) == 224, "HeaderInfo.PaintTotal");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CostTotal) == 232, "HeaderInfo.CostTotal");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, Total) == 240, "HeaderInfo.Total");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, RCParts) == 248, "HeaderInfo.RCParts");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, TaxKind) == 250, "HeaderInfo.TaxKind");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, History) == 252, "HeaderInfo.History");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, Agreed) == 254, "HeaderInfo.Agreed");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, AgreedPassword) == 256, "HeaderInfo.AgreedPassword");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CarNoDepartment) == 272, "HeaderInfo.CarNoDepartment");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CarNoDivision) == 280, "HeaderInfo.CarNoDivision");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CarNoBusiness) == 286, "HeaderInfo.CarNoBusiness");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, CarNoSerial) == 290, "HeaderInfo.CarNoSerial");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, ai21_OrderNo) == 300, "HeaderInfo.ai21_OrderNo");
DORVIK_STATIC_ASSERT(offsetof(HeaderInfo, ai21_AdoptedDate) == 306, "HeaderInfo.ai21_AdoptedDate");
DORVIK_STATIC_ASSERT(sizeof(HistoryData) == 12, "HistoryData");
DORVIK_STATIC_ASSERT(offsetof(HistoryData, HistoryInfoLength) == 4, "HistoryData.HistoryInfoLength");
DORVIK_STATIC_ASSERT(offsetof(HistoryData, HistoryInfoCount) == 8, "HistoryData.HistoryInfoCount");
DORVIK_STATIC_ASSERT(sizeof(HistoryInfo) == 96, "HistoryInfo");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, LicenceID) == 8, "HistoryInfo.LicenceID");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, Total) == 16, "HistoryInfo.Total");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, PartsPriceTotal) == 24, "HistoryInfo.PartsPriceTotal");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, WageTotal) == 32, "HistoryInfo.WageTotal");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, PaintTotal) == 40, "HistoryInfo.PaintTotal");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, FrameTotal) == 48, "HistoryInfo.FrameTotal");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, CostTotal) == 56, "HistoryInfo.CostTotal");
DORVIK_STATIC_ASSERT(offsetof(HistoryInfo, Name) == 64, "HistoryInfo.Name");

/* Hand-over records: the sources of the mail-link INI files and of the photo-link XML file. Text fields are
 * NUL-padded and not necessarily NUL-terminated. */

typedef struct {
  int16_t Year;
  uint8_t Month;
} VekYearMonth;

/* OvSvMail.ini */
typedef struct {
  char CustomerName[30];
  char CarNoDepartment[8];
  char CarNoDivision[6];
  char CarNoBusiness[4];
  char CarNoSerial[10];
  char TicketNo[20];
  char AcceptNo[37];
  VekDate AccidentDate;
  char AgreedName[30];
  char CarName[50];
} MailLinkHeader;

/* One image of OvSvImge.ini. */
typedef struct {
  int32_t Reserved; /* not read */
  int32_t No;       /* the image's place in the order */
  char FileName[260]; /* name inside the Image folder; at most 256 bytes are taken */
} MailLinkImageEntry;

/* The photo-link XML file: one element per field, in this order. */
typedef struct {
  char CustomerName1[30];
  char CustomerName2[30];
  char AdjusterName[20];
  char AcceptNo[37];
  VekDate AccidentDate;
  char TicketNo[20];
  char Note1[40];
  char Note2[40];
  char Note3[40];
  char CarNo[28];
  char CarName[50];
  char CarMouldNo[5];
  char CarKindNo[4];
  char ColorCode[12];
  char OwnerName[20];
  char UserName[20];
  VekDate CreatedDate;
  VekDate GarageInDate;
  VekDate GarageOutDate;
  char CarSerialNo[41];
  VekDate CarTermEraDate;
  char Kilometrage[6];
  VekYearMonth CarRegistedDate;
  char ii_CustomerName[20];
  VekDate ii_PresenceDate;
  VekDate ii_AgreedDate;
  char ii_RepairDays[4];
  char ii_TimePrice[5];
  char MakerName[26];
  char CarNameName[40];
  char ModelName[26];
  char CarYearName[40];
  char BodyName[26];
  char FVariationNameByUser[30];
  char GradeName[26];
  char ThoriumCode[6];
  char Total[9];
} VistrelLinkRecord;

DORVIK_STATIC_ASSERT(sizeof(VekYearMonth) == 4, "VekYearMonth");
DORVIK_STATIC_ASSERT(sizeof(MailLinkHeader) == 200, "MailLinkHeader");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, CarNoDepartment) == 30, "MailLinkHeader.CarNoDepartment");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, CarNoDivision) == 38, "MailLinkHeader.CarNoDivision");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, CarNoBusiness) == 44, "MailLinkHeader.CarNoBusiness");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, CarNoSerial) == 48, "MailLinkHeader.CarNoSerial");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, TicketNo) == 58, "MailLinkHeader.TicketNo");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, AcceptNo) == 78, "MailLinkHeader.AcceptNo");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, AccidentDate) == 116, "MailLinkHeader.AccidentDate");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, AgreedName) == 120, "MailLinkHeader.AgreedName");
DORVIK_STATIC_ASSERT(offsetof(MailLinkHeader, CarName) == 150, "MailLinkHeader.CarName");
DORVIK_STATIC_ASSERT(sizeof(MailLinkImageEntry) == 268, "MailLinkImageEntry");
DORVIK_STATIC_ASSERT(offsetof(MailLinkImageEntry, No) == 4, "MailLinkImageEntry.No");
DORVIK_STATIC_ASSERT(offsetof(MailLinkImageEntry, FileName) == 8, "MailLinkImageEntry.FileName");
DORVIK_STATIC_ASSERT(sizeof(VistrelLinkRecord) == 736, "VistrelLinkRecord");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CustomerName2) == 30, "VistrelLinkRecord.CustomerName2");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, AdjusterName) == 60, "VistrelLinkRecord.AdjusterName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, AcceptNo) == 80, "VistrelLinkRecord.AcceptNo");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, AccidentDate) == 118, "VistrelLinkRecord.AccidentDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, TicketNo) == 122, "VistrelLinkRecord.TicketNo");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, Note1) == 142, "VistrelLinkRecord.Note1");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, Note2) == 182, "VistrelLinkRecord.Note2");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, Note3) == 222, "VistrelLinkRecord.Note3");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarNo) == 262, "VistrelLinkRecord.CarNo");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarName) == 290, "VistrelLinkRecord.CarName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarMouldNo) == 340, "VistrelLinkRecord.CarMouldNo");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarKindNo) == 345, "VistrelLinkRecord.CarKindNo");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ColorCode) == 349, "VistrelLinkRecord.ColorCode");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, OwnerName) == 361, "VistrelLinkRecord.OwnerName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, UserName) == 381, "VistrelLinkRecord.UserName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CreatedDate) == 402, "VistrelLinkRecord.CreatedDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, GarageInDate) == 406, "VistrelLinkRecord.GarageInDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, GarageOutDate) == 410, "VistrelLinkRecord.GarageOutDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarSerialNo) == 414, "VistrelLinkRecord.CarSerialNo");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarTermEraDate) == 456, "VistrelLinkRecord.CarTermEraDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, Kilometrage) == 460, "VistrelLinkRecord.Kilometrage");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarRegistedDate) == 466, "VistrelLinkRecord.CarRegistedDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ii_CustomerName) == 470, "VistrelLinkRecord.ii_CustomerName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ii_PresenceDate) == 490, "VistrelLinkRecord.ii_PresenceDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ii_AgreedDate) == 494, "VistrelLinkRecord.ii_AgreedDate");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ii_RepairDays) == 498, "VistrelLinkRecord.ii_RepairDays");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ii_TimePrice) == 502, "VistrelLinkRecord.ii_TimePrice");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, MakerName) == 507, "VistrelLinkRecord.MakerName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarNameName) == 533, "VistrelLinkRecord.CarNameName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ModelName) == 573, "VistrelLinkRecord.ModelName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, CarYearName) == 599, "VistrelLinkRecord.CarYearName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, BodyName) == 639, "VistrelLinkRecord.BodyName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, FVariationNameByUser) == 665,
                     "VistrelLinkRecord.FVariationNameByUser");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, GradeName) == 695, "VistrelLinkRecord.GradeName");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, ThoriumCode) == 721, "VistrelLinkRecord.ThoriumCode");
DORVIK_STATIC_ASSERT(offsetof(VistrelLinkRecord, Total) == 727, "VistrelLinkRecord.Total");

/* Frame, settings and messages. */
DORVIK_API int Initialize(int nMode, const char* pLogFilePath, const char* pLogFileName, int nLogWriteLevel,
                          const char* pMsgFileName);
DORVIK_API void Finalize(void);
DORVIK_API void SetCompressRetry(int nMaxRetry, int nInterval);
DORVIK_API int GetErrorMessage(const char* pErrorCode, char* pErrorMessage, int nByteSize);
DORVIK_API int GetErrorDetail(const char* pErrorCode, char* pErrorDetail, int nByteSize);

/* The estimate file's header parts. */
DORVIK_API int ReadFileSignature(const char* pVekFileName, char* pSignature, char* pVersion, char* pErrorCode);
DORVIK_API int ReadFileHeaderData(const char* pVekFileName, void* pDest, char* pErrorCode);
DORVIK_API int ReadFileHeaderInfo(const char* pVekFileName, void* pDest, char* pErrorCode);
DORVIK_API int WriteFileHeaderInfo(const char* pVekFileName, const void* pSource, char* pErrorCode);
DORVIK_API int ReadFileHistoryData(const char* pVekFileName, void* pDest, char* pErrorCode);
DORVIK_API int ReadFileHistoryInfo(const char* pVekFileName, void* pDest, int* pCount, char* pErrorCode);

/* History and agreed lock. */
DORVIK_API int DeleteAllHistory(const char* pVekFileName, char* pErrorCode);
DORVIK_API int DeleteAllHistoryOld(const char* pVekFileName, char* pErrorCode);
DORVIK_API int SettingAgreed(const char* pVekFileName, const char* pPassword, char* pErrorCode);
DORVIK_API int ReleaseAgreed(const char* pVekFileName, const char* pPassword, int nReleaseMode, char* pErrorCode);

/* Opening into a work folder. */
DORVIK_API int OpenVekFile(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode);
DORVIK_API int OpenVekFileOld(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode);

/* Work-folder INI files. */
DORVIK_API int ReadFileHeaderINI(const char* pWorkPathName, void* pHeaderData, void* pHeaderInfo, char* pErrorCode);
DORVIK_API int ReadFileHistoryINI(const char* pWorkPathName, void* pHistoryData, void* pHistoryInfo, int* pCount,
                                  char* pErrorCode);
DORVIK_API int ReadDBInfoINI(const char* pWorkPathName, void* pDest, char* pErrorCode);
DORVIK_API int WriteDBInfoINI(const char* pWorkPathName, const void* pSource, char* pErrorCode);

/* Databases. */
DORVIK_API int ReadDB(const char* pDBFileName, int nTableId, void* pDest, int* pCount, char* pErrorCode);
DORVIK_API int WriteDB(const char* pDBFileName, int nTableId, const void* pSource, int nCount, char* pErrorCode);
DORVIK_API int VaccumDB(const char* pDBFileName, int nDBId, char* pErrorCode);

/* Hand-over files and image data. */
DORVIK_API int CreateMailLinkHeaderFile(const char* pWorkPathName, const void* pSource, char* pErrorCode);
DORVIK_API int CreateMailLinkImageFile(const char* pWorkPathName, const void* pSource, int nCount, char* pErrorCode);
DORVIK_API int CreateVistrelLinkFile(const char* pWorkPathName, const char* pVekFileName, const void* pSource,
                                     char* pErrorCode);
DORVIK_API int GetImagePathName(const char* pWorkPathName, char* pPathName, int* pByteSize, char* pErrorCode);
DORVIK_API int GetMailLinkHeaderFileName(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                         char* pErrorCode);
DORVIK_API int GetMailLinkImageFileName(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                        char* pErrorCode);
DORVIK_API int GetVistrelLinkFileName(const char* pWorkPathName, const char* pVekFileName, char* pFileName,
                                      int* pByteSize, char* pErrorCode);
DORVIK_API int FeedbackMailLinkImageFile(const char* pWorkPathName, const char* pDBFileName, char* pErrorCode);
DORVIK_API int DeleteAllImageData(const char* pWorkPathName, char* pErrorCode);

/* Saving a work folder. */
DORVIK_API int SaveVekFile(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                           const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode);
DORVIK_API int SaveVekFileOld(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                              const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode);
DORVIK_API int SaveVekFileEx(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode);
DORVIK_API int SaveVekFileExOld(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode);

#ifdef __cplusplus
}
#endif

#endif /* DORVIK_H */
