// The file-entry list: one node per photograph or attached file that the photo-list form shows, a singly
// linked list that owns its entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"

namespace quillon {

// A file time in local time as its 14-digit key "%04u%02u%02u%02u%02u%02u" (year, month, day, hour, minute,
// second); empty when the time cannot be converted.
std::string TimeKeyOf(const platform::FileTime& time);

// The part of a path after its last delimiter (the whole path when there is none).
std::string FileNameOfPath(const std::string& path);

struct FileEntry {
  std::string fileName;
  std::string fullPath;
  std::string group;         // "登録済画像" for a registered photograph, empty for a local file
  std::string creationKey;   // 14-digit local time keys
  std::string lastWriteKey;
  std::string entryKey;      // the sixth text: a registered photograph's registration time key
  std::int64_t size = 0;
  int editable = 0;          // opened for editing in the image dialog
  int mark = 0;              // chosen: the folder-page file is in the registration list
  int kind = 0;
  int present = 0;           // built from a file that was found
  // What the form keeps besides: the entry was added in the form; its thumbnail loaded.
  bool added = false;
  bool imageLoaded = false;
  std::unique_ptr<FileEntry> next;

  // A copy of every field but the link.
  std::unique_ptr<FileEntry> Clone() const;
};

// What a folder search found at its current position.
struct FoundFile {
  std::string fullPath;
  std::int64_t size = 0;
  platform::FileTime creation;
  platform::FileTime lastWrite;
};

// Reads a found file's times and size; false when the file cannot be read.
bool FindFile(const std::string& path, FoundFile& out);

class FileEntryList {
 public:
  FileEntryList() = default;
  ~FileEntryList();
  FileEntryList(const FileEntryList&) = delete;
  FileEntryList& operator=(const FileEntryList&) = delete;

  void Init() { RemoveAll(); }
  FileEntry* Head() const { return first_.get(); }
  FileEntry* Last() const { return last_; }
  int Count() const { return count_; }

  // The entry at index i counted from 0; null when i is outside the list.
  FileEntry* At(int i) const;
  // The first entry whose full path is path, and its index; null when there is none.
  FileEntry* FindPath(const std::string& path, int* index = nullptr) const;
  void Mark(int i);
  // Exchanges entry i and entry i + 1 in the chain (nothing when either is missing).
  void SwapWithNext(int i);
  void RemoveAt(int i);
  void RemoveAll();

  // Each appends and gives the new entry; null when memory ran out (message 1002 shown, nothing appended).
  FileEntry* AddCopy(const FileEntry& entry);
  // size: the file's own when kind is 1, else the given one.
  FileEntry* AddFound(const FoundFile& found, int kind, std::int32_t size);
  FileEntry* AddPath(const std::string& path);

 private:
  FileEntry* Append(std::unique_ptr<FileEntry> entry);

  std::unique_ptr<FileEntry> first_;
  FileEntry* last_ = nullptr;
  int count_ = 0;
};

}  // namespace quillon
