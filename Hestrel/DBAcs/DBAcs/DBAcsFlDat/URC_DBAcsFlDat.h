// The entry points of the estimate-file library that the binding looks up, in their binding order.
#pragma once

namespace hestrel {

using TInitialize = int (*)(int nMode, const char* pLogFilePath, const char* pLogFileName, int nLogWriteLevel,
                            const char* pMsgFileName);
using TFinalize = void (*)();
using TGetErrorMessage = int (*)(const char* pErrorCode, char* pErrorMessage, int nByteSize);
using TReadFileSignature = int (*)(const char* pVekFileName, char* pSignature, char* pVersion, char* pErrorCode);
using TReadFileHeaderData = int (*)(const char* pVekFileName, void* pDest, char* pErrorCode);
using TReadFileHeaderInfo = int (*)(const char* pVekFileName, void* pDest, char* pErrorCode);
using TWriteFileHeaderInfo = int (*)(const char* pVekFileName, const void* pSource, char* pErrorCode);
using TReadFileHistoryData = int (*)(const char* pVekFileName, void* pDest, char* pErrorCode);
using TReadFileHistoryInfo = int (*)(const char* pVekFileName, void* pDest, int* pCount, char* pErrorCode);
using TDeleteAllHistory = int (*)(const char* pVekFileName, char* pErrorCode);
using TSettingAgreed = int (*)(const char* pVekFileName, const char* pPassword, char* pErrorCode);
using TReleaseAgreed = int (*)(const char* pVekFileName, const char* pPassword, int nReleaseMode, char* pErrorCode);
using TOpenVekFile = int (*)(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode);
using TReadFileHeaderINI = int (*)(const char* pWorkPathName, void* pHeaderData, void* pHeaderInfo, char* pErrorCode);
using TReadFileHistoryINI = int (*)(const char* pWorkPathName, void* pHistoryData, void* pHistoryInfo, int* pCount,
                                    char* pErrorCode);
using TReadDBInfoINI = int (*)(const char* pWorkPathName, void* pDest, char* pErrorCode);
using TWriteDBInfoINI = int (*)(const char* pWorkPathName, const void* pSource, char* pErrorCode);
using TReadDB = int (*)(const char* pDBFileName, int nTableId, void* pDest, int* pCount, char* pErrorCode);
using TWriteDB = int (*)(const char* pDBFileName, int nTableId, const void* pSource, int nCount, char* pErrorCode);
using TVaccumDB = int (*)(const char* pDBFileName, int nDBId, char* pErrorCode);
using TCreateMailLinkHeaderFile = int (*)(const char* pWorkPathName, const void* pSource, char* pErrorCode);
using TCreateMailLinkImageFile = int (*)(const char* pWorkPathName, const void* pSource, int nCount, char* pErrorCode);
using TCreateVistrelLinkFile = int (*)(const char* pWorkPathName, const char* pVekFileName, const void* pSource,
                                       char* pErrorCode);
using TGetImagePathName = int (*)(const char* pWorkPathName, char* pPathName, int* pByteSize, char* pErrorCode);
using TGetMailLinkHeaderFileName = int (*)(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                           char* pErrorCode);
using TGetMailLinkImageFileName = int (*)(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                          char* pErrorCode);
using TGetVistrelLinkFileName = int (*)(const char* pWorkPathName, const char* pVekFileName, char* pFileName,
                                        int* pByteSize, char* pErrorCode);
using TDeleteAllImageData = int (*)(const char* pWorkPathName, char* pErrorCode);
using TSaveVekFile = int (*)(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                             const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode);
using TSaveVekFileEx = int (*)(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode);
using TFeedbackMailLinkImageFile = int (*)(const char* pWorkPathName, const char* pDBFileName, char* pErrorCode);

// Length of the error-code buffer handed to every call.
inline constexpr int kErrorCodeBytes = 10;

}  // namespace hestrel
