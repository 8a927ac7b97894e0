// Static helpers of the library: double-byte-aware text and path handling, file tests, whole and partial
// file reads and writes, deletions, backup and time-stamp names, the bit operations of the estimate-file
// scrambling, and the binding of the cabinet packer Pakkel. None of them writes an error code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

class CZkUtilities {
 public:
  // BufferBitShift directions.
  static constexpr int kTowardsEnd = 1;
  static constexpr int kTowardsStart = 2;
  static constexpr std::int64_t kCopyChunkSize = 8388608;  // CopyFiles moves at most 8 MiB at a time

  // Text and paths (CP932; the delimiter is "/", "\" is taken as one too).
  static std::string TrimLeft(const std::string& text);
  static std::string TrimRight(const std::string& text);
  static std::string Trim(const std::string& text);
  // Trimmed, one pair of enclosing double quotes and one trailing separator removed ("/" alone stays).
  static std::string NormalizePath(const std::string& path);
  // The last component when it holds a "." or a wildcard, else empty; withExtension 0 cuts the last ".".
  static std::string GetFileName(const std::string& path, int withExtension);
  // The path without the last component that GetFileName finds, normalised.
  static std::string GetFolderName(const std::string& path);
  // folder + "/" + name; name alone when the folder is empty.
  static std::string JoinPath(const std::string& folder, const std::string& name);
  static std::string FormatText(const char* format, int value);
  static std::string ToText(int value);
  // Local time as "%Y%m%d%H%M%S"; empty when the time cannot be read.
  static std::string GetTimeStamp();
  // folder + "/" + time stamp + "-バックアップ" + file name; empty on failure. Remembered for GetErrorDetail.
  static std::string MakeBackupFileName(const std::string& path);
  static std::string GetLastBackupFileName();

  // Files.
  static int IsExistFile(const std::string& name);  // file, folder or wildcard pattern
  static int GetFileSize(const std::string& name);  // -1 when it cannot be queried
  // length bytes from offset (to the end when length < 1 or too long); an offset at or past the end gives
  // 1 with no data.
  static int ReadBinaryData(const std::string& name, std::int64_t offset, std::int64_t length,
                            std::vector<unsigned char>& out);
  static int ReadBinaryDataOld(const std::string& name, std::vector<unsigned char>& out);
  static int WriteBinaryData(const std::string& name, const void* data, std::int64_t size);
  static int OverwriteBinaryData(const std::string& name, const void* data, std::int64_t size);
  // Appends source from offset to destination.
  static int CopyFiles(std::int64_t offset, const std::string& source, const std::string& destination);
  // Copies size bytes from in's position to out's in chunks of at most kCopyChunkSize, through one buffer no
  // larger than the copy uses (its allocation failure is logged). False on any failure.
  // writeBack: each chunk starts on its way to the device as soon as it is copied (for a file that is flushed
  // when it is complete).
  static bool CopyTail(platform::File& in, platform::File& out, std::int64_t size, bool writeBack = false);
  static int RemoveFile(const std::string& name);
  // Gives an existing file normal attributes before it is replaced; a link is left as it is (it is replaced, and
  // what it points to is not touched). False when the attributes cannot be set.
  static bool MakeReplaceable(const std::string& name);
  // Deletes exactly the one named file or folder tree; 0 on success, else non-zero.
  static int DeleteFileByShell(const std::string& path);
  // 1 done, 0 old missing or failure, -2 new name taken. Never replaces.
  static int RenameFile(const std::string& newName, const std::string& oldName);
  static int GetFileList(const std::string& pattern, std::vector<std::string>& list);
  static int GetFolderList(const std::string& pattern, std::vector<std::string>& list);
  static int DeleteFiles(const std::string& pattern);
  static int DeleteTempCabinetFiles(const std::string& path);
  static int ForceDeleteFolder(const std::string& folder);

  // Locks that keep a second writer out (advisory; another operation's lock is waited for kLockWait ms at most).
  static constexpr unsigned kLockWait = 15000;
  // The estimate file for a change (exclusive) or for a read in several steps (shared); null when it cannot be
  // had (logged).
  static std::unique_ptr<platform::FileLock> LockVekFile(const std::string& path, bool exclusive);
  // A work folder for an opening into it or a save from it (exclusive), its temporary files that writers cut short
  // left removed; null when it cannot be had (logged).
  static std::unique_ptr<platform::FileLock> LockWorkFolder(const std::string& folder);

  // Pakkel. Packing never follows a symbolic link (links are left out and logged) and leaves out the files of
  // the pattern's folder named in leftOut (names compared without regard to ASCII case).
  static int CompressFile(const std::string& pattern, const std::string& cabinetPath,
                          const std::vector<std::string>& leftOut = {});
  static int UncompressFile(const std::string& destinationFolder, const std::string& cabinetPath);

  // Bits of a buffer of length bytes taken as one bit string (byte 0 first, most significant bit first).
  static int BufferBitShift(int bitCount, unsigned char* dest, const unsigned char* source, int length,
                            int direction);
  static int BufferBitReverse(unsigned char* dest, const unsigned char* source, int length);
};
