// Process-wide settings of the library, kept for as long as it is loaded. No lock: callers serialise calls.
#pragma once

#include <string>

struct ZkSettings {
  // Log set-up
  int logThreshold = -1;         // highest level written; -1 writes nothing
  std::string logFilePath;       // the file the log writer appends to
  std::string logBackupPath;     // the file the log moves to at roll-over
  std::string moduleName;        // fourth field of every log line
  int processId = 0;             // second field of every log line
  // Initialize
  std::string composedLogFilePath;  // also handed to the database back-ends and the version check
  int logLevel = 0;                 // nLogWriteLevel as given, unclamped
  std::string messageFileName;      // INI file read by GetErrorMessage
  // SetCompressRetry (survives Initialize and Finalize)
  int compressRetryCount = 0;
  int compressRetryInterval = 0;  // milliseconds
  // MakeBackupFileName
  std::string lastBackupFileName;  // the detail text of E03000016; empty until a backup name is made
};

// The one set of settings of the library.
ZkSettings& ZkGetSettings();
