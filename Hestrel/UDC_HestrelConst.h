// Constants of the extraction library: error ids, file and folder names, registry key, log layouts.
#pragma once

namespace hestrel {

// Error ids raised by the library; their texts come from the installation's message files.
inline constexpr const char* kErrFileNotFound = "E00002";
inline constexpr const char* kErrNotFolder = "E00003";
inline constexpr const char* kErrNullArgument = "E00087";
inline constexpr const char* kErrLibraryMissing = "E00126";
inline constexpr const char* kErrFunctionMissing = "E00127";

// Class name of the module-level functions in log lines.
inline constexpr const char* kCommonFunctions = "共通関数";

// Registry stand-in: the installation folder of the estimating product.
inline constexpr const char* kSettingsKey = "SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\";
inline constexpr const char* kApplicationPathValue = "ApplicationPath";
inline constexpr unsigned kRegistryValueBytes = 256;

// Settings and message files.
inline constexpr const char* kOptionFile = "OvOption.ini";
inline constexpr const char* kErrorIdFile = "OvErrID.ini";
inline constexpr const char* kMessageFile = "OvMsgStr.ini";
inline constexpr const char* kSystemSection = "System";
inline constexpr const char* kDebugLogKey = "DebugLog";
inline constexpr const char* kLogSizeKey = "LogSize";
inline constexpr const char* kErrorIdSection = "ErrorID";
inline constexpr const char* kMessageIdSection = "MessageID";
inline constexpr int kDefaultLogSize = 2000;

// Folders (relative ones are relative to the process's current folder).
inline constexpr const char* kVendorFolder = "Kelmora";
inline constexpr const char* kProductFolder = "Torv7";
inline constexpr const char* kBinFolder = "Bin";
inline constexpr const char* kLogFolder = "Log";
inline constexpr const char* kDataFolder = "Data";
inline constexpr const char* kMsgFolder = "Msg";
inline constexpr const char* kOldLogFolder = "./Log/";
inline constexpr const char* kOldOptionFile = "../Data/OvOption.ini";
inline constexpr const char* kInitialMsgFolder = "./Msg/";
inline constexpr const char* kHostProgram = "./TorvMain.exe";

// Log files and line layouts.
inline constexpr const char* kErrorLog = "Error.log";
inline constexpr const char* kDebugLog = "Debug.log";
inline constexpr const char* kBackupSuffix = ".bak";
inline constexpr const char* kErrorLineFormat = "[%s.%s(%d)],[%s GLE=%d], %s  %s";
inline constexpr const char* kPlainErrorLineFormat = "[%s.%s(%d)],[通常例外], %s";
inline constexpr const char* kDebugLineFormat = "[%s %s.%s(%d)],[%d], %s";
inline constexpr const char* kLogLineFormat = "[%s],[%d],%s";
inline constexpr const char* kAbnormalEnd = "【異常終了】 ";

// The estimate-file library and the names Hestrel uses in its work folder.
inline constexpr const char* kDorvikModule = "Dorvik.dll";
inline constexpr const char* kLeftoverCabinet = "EstimateData.cab";
inline constexpr const char* kWorkFolderPrefix = "VsTemp";
inline constexpr const char* kVekSignature = "VEK3";

}  // namespace hestrel
