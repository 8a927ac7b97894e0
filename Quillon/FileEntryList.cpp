#include "FileEntryList.h"

#include <cstdio>
#include <new>

#include "ImageMessages.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace quillon {

std::string TimeKeyOf(const platform::FileTime& time) {
  platform::LocalTime local;
  if (!platform::FileTimeToLocal(time, local)) return {};
  char key[32];
  std::snprintf(key, sizeof key, "%04u%02u%02u%02u%02u%02u", static_cast<unsigned>(local.year),
                static_cast<unsigned>(local.month), static_cast<unsigned>(local.day),
                static_cast<unsigned>(local.hour), static_cast<unsigned>(local.minute),
                static_cast<unsigned>(local.second));
  return key;
}

std::string FileNameOfPath(const std::string& path) {
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::unique_ptr<FileEntry> FileEntry::Clone() const {
  std::unique_ptr<FileEntry> copy(new (std::nothrow) FileEntry);
  if (!copy) return nullptr;
  copy->fileName = fileName;
  copy->fullPath = fullPath;
  copy->group = group;
  copy->creationKey = creationKey;
  copy->lastWriteKey = lastWriteKey;
  copy->entryKey = entryKey;
  copy->size = size;
  copy->editable = editable;
  copy->mark = mark;
  copy->kind = kind;
  copy->present = present;
  copy->added = added;
  copy->imageLoaded = imageLoaded;
  return copy;
}

bool FindFile(const std::string& path, FoundFile& out) {
  out = FoundFile{};
  out.fullPath = path;
  if (!platform::IsFile(path) || !platform::GetFileTimes(path, &out.creation, &out.lastWrite)) return false;
  out.size = platform::FileSize(path);
  return out.size >= 0;
}

FileEntryList::~FileEntryList() { RemoveAll(); }

FileEntry* FileEntryList::At(int i) const {
  if (i < 0 || i >= count_) return nullptr;
  FileEntry* e = first_.get();
  while (e && i-- > 0) e = e->next.get();
  return e;
}

FileEntry* FileEntryList::FindPath(const std::string& path, int* index) const {
  int i = 0;
  for (FileEntry* e = first_.get(); e; e = e->next.get(), ++i) {
    if (e->fullPath == path) {
      if (index) *index = i;
      return e;
    }
  }
  return nullptr;
}

void FileEntryList::Mark(int i) {
  if (FileEntry* e = At(i)) e->mark = 1;
}

void FileEntryList::SwapWithNext(int i) {
  if (i < 0 || i + 1 >= count_) return;
  // The link that holds entry i: the list's head or the next link of entry i - 1.
  std::unique_ptr<FileEntry>& link = i == 0 ? first_ : At(i - 1)->next;
  std::unique_ptr<FileEntry> a = std::move(link);
  std::unique_ptr<FileEntry> b = std::move(a->next);
  a->next = std::move(b->next);
  if (!a->next) last_ = a.get();
  b->next = std::move(a);
  link = std::move(b);
}

void FileEntryList::RemoveAt(int i) {
  if (i < 0 || i >= count_) return;
  std::unique_ptr<FileEntry>& link = i == 0 ? first_ : At(i - 1)->next;
  std::unique_ptr<FileEntry> gone = std::move(link);
  link = std::move(gone->next);
  if (!link) last_ = i == 0 ? nullptr : At(i - 1);
  --count_;
}

void FileEntryList::RemoveAll() {
  // Unlinked one by one, so a long list never frees itself recursively.
  while (first_) first_ = std::move(first_->next);
  last_ = nullptr;
  count_ = 0;
}

FileEntry* FileEntryList::Append(std::unique_ptr<FileEntry> entry) {
  if (!entry) {
    ShowImageMessage(kMsgOutOfMemory);
    return nullptr;
  }
  FileEntry* added = entry.get();
  if (last_) {
    last_->next = std::move(entry);
  } else {
    first_ = std::move(entry);
  }
  last_ = added;
  ++count_;
  return added;
}

FileEntry* FileEntryList::AddCopy(const FileEntry& entry) { return Append(entry.Clone()); }

FileEntry* FileEntryList::AddFound(const FoundFile& found, int kind, std::int32_t size) {
  std::unique_ptr<FileEntry> e(new (std::nothrow) FileEntry);
  if (e) {
    e->fullPath = found.fullPath;
    e->fileName = FileNameOfPath(found.fullPath);
    e->creationKey = TimeKeyOf(found.creation);
    e->lastWriteKey = TimeKeyOf(found.lastWrite);
    e->size = kind == 1 ? found.size : static_cast<std::int64_t>(size);
    e->kind = kind;
    e->present = 1;
  }
  return Append(std::move(e));
}

FileEntry* FileEntryList::AddPath(const std::string& path) {
  std::unique_ptr<FileEntry> e(new (std::nothrow) FileEntry);
  if (e) {
    e->fullPath = path;
    e->fileName = FileNameOfPath(path);
  }
  return Append(std::move(e));
}

}  // namespace quillon
