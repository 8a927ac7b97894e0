// Error codes of the library: "E" and eight digits, handed to callers in a 10-byte buffer.
// The first two digits name the area: 01 buffers and memory, 02 outside libraries, 03 the estimate file,
// 04 the work folder, 06 the database version check.
#pragma once

namespace zkerror {

inline constexpr char kBufferSizeMismatch[] = "E01000001";    // size or record count differs from the needed one
inline constexpr char kNoMemory[] = "E01000003";              // an estimate-file buffer cannot be allocated
inline constexpr char kLibraryLoad[] = "E02000001";           // an outside library cannot be loaded
inline constexpr char kLibraryFunction[] = "E02000002";       // a function of an outside library is missing
inline constexpr char kLibraryInitialize[] = "E02000003";     // an outside library's Initialize failed
inline constexpr char kLibraryUnload[] = "E02000004";         // an outside library cannot be unloaded
inline constexpr char kVekFileMissing[] = "E03000001";        // the estimate file is missing or its path invalid
inline constexpr char kVekFileRead[] = "E03000002";           // the estimate file cannot be read
inline constexpr char kVekFileWrite[] = "E03000003";          // renaming or writing the estimate file failed
inline constexpr char kVekFileFormat[] = "E03000004";         // not in the estimate-file format
inline constexpr char kVekDecode[] = "E03000005";             // unscrambling failed
inline constexpr char kVekEncode[] = "E03000006";             // scrambling failed
inline constexpr char kVekSignature[] = "E03000007";          // wrong signature in the file header
inline constexpr char kVekHeaderInfoLength[] = "E03000008";   // wrong header-information length
inline constexpr char kVekHistoryDataLength[] = "E03000009";  // wrong history-part length
inline constexpr char kVekHistoryInfoLength[] = "E03000010";  // wrong history record size
inline constexpr char kVekHistoryCount[] = "E03000011";       // wrong history count
inline constexpr char kAgreedPasswordLength[] = "E03000012";  // agreed password longer than its limit
inline constexpr char kAgreedPasswordMismatch[] = "E03000015";  // agreed password does not match
inline constexpr char kBackupNameTaken[] = "E03000016";       // the backup file name is already taken
inline constexpr char kWorkPath[] = "E04000001";              // invalid work-folder path
inline constexpr char kHeaderIniMissing[] = "E04000002";      // HeaderDt.ini missing
inline constexpr char kHeaderIniFormat[] = "E04000003";       // HeaderDt.ini has another format
inline constexpr char kHeaderIniDelete[] = "E04000004";       // HeaderDt.ini cannot be deleted
inline constexpr char kHistoryIniMissing[] = "E04000005";     // HistryDt.ini missing
inline constexpr char kHistoryIniFormat[] = "E04000006";      // HistryDt.ini has another format
inline constexpr char kHistoryIniDelete[] = "E04000007";      // HistryDt.ini cannot be deleted
inline constexpr char kDBInfoIniFormat[] = "E04000009";       // OvDBInfo.ini has another format
inline constexpr char kDBInfoIniDelete[] = "E04000010";       // OvDBInfo.ini cannot be deleted
inline constexpr char kCabinetRead[] = "E04000011";           // the cabinet file cannot be read
inline constexpr char kTempFolderMake[] = "E04000012";        // the temporary expansion folder cannot be made
inline constexpr char kCabinetDelete[] = "E04000013";         // the cabinet file cannot be deleted
inline constexpr char kCompress[] = "E04000014";              // cabinet compression failed
inline constexpr char kUncompress[] = "E04000015";            // cabinet expansion failed
inline constexpr char kImageFolderMake[] = "E04000016";       // the Image folder cannot be made
inline constexpr char kImageFolderDelete[] = "E04000017";     // the Image folder cannot be deleted
inline constexpr char kImageDBDelete[] = "E04000018";         // the image database file cannot be deleted
inline constexpr char kMailHeaderIniDelete[] = "E04000019";   // the mail-link header INI file cannot be deleted
inline constexpr char kMailImageIniDelete[] = "E04000020";    // the mail-link image INI file cannot be deleted
inline constexpr char kVistrelLinkDelete[] = "E04000021";     // the photo-link XML file cannot be deleted
inline constexpr char kVistrelLinkWrite[] = "E04000022";      // the photo-link XML file cannot be written
inline constexpr char kMailImageIniCheck[] = "E04001001";     // the mail-link image INI file fails its checks
inline constexpr char kFeedbackNoMemory[] = "E04001002";      // no memory for the image feedback
inline constexpr char kImageListRead[] = "E04001101";         // the image list cannot be read
inline constexpr char kImageAnnotationListRead[] = "E04001201";  // the image annotation list cannot be read
inline constexpr char kCompressSplit[] = "E04001301";         // compression produced more than one cabinet
inline constexpr char kVersionCheck[] = "E06000001";          // the database version check or conversion failed

// Every code, in table order.
inline constexpr const char* kAll[] = {
    kBufferSizeMismatch, kNoMemory, kLibraryLoad, kLibraryFunction, kLibraryInitialize, kLibraryUnload,
    kVekFileMissing, kVekFileRead, kVekFileWrite, kVekFileFormat, kVekDecode, kVekEncode, kVekSignature,
    kVekHeaderInfoLength, kVekHistoryDataLength, kVekHistoryInfoLength, kVekHistoryCount,
    kAgreedPasswordLength, kAgreedPasswordMismatch, kBackupNameTaken, kWorkPath, kHeaderIniMissing,
    kHeaderIniFormat, kHeaderIniDelete, kHistoryIniMissing, kHistoryIniFormat, kHistoryIniDelete,
    kDBInfoIniFormat, kDBInfoIniDelete, kCabinetRead, kTempFolderMake, kCabinetDelete, kCompress,
    kUncompress, kImageFolderMake, kImageFolderDelete, kImageDBDelete, kMailHeaderIniDelete,
    kMailImageIniDelete, kVistrelLinkDelete, kVistrelLinkWrite, kMailImageIniCheck, kFeedbackNoMemory,
    kImageListRead, kImageAnnotationListRead, kCompressSplit, kVersionCheck};

inline constexpr int kCodeBufferSize = 10;

}  // namespace zkerror

// Writes code into the caller's 10-byte buffer (cleared first); a null buffer is left alone.
void ZkSetErrorCode(char* pErrorCode, const char* code);
// Sets all 10 bytes of the caller's buffer to zero.
void ZkClearErrorCode(char* pErrorCode);
