#include "platform/registry.h"

#include <cerrno>

#include "platform/env.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kDefaultName = "@";
// How long a writer waits for another's rewrite; a rewrite takes milliseconds.
constexpr unsigned kLockWaitMilliseconds = 30000;

bool Refuse(int code) {
  SetLastError(code);
  errno = code;
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool HasControl(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

// Blanks are single bytes below 0x40, never the trail byte of a double-byte character.
bool HasOuterBlank(std::string_view s) {
  if (s.empty()) return false;
  std::size_t last = 0;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) last = i;
  return IsBlank(s.front()) || (CharLength(s, last) == 1 && IsBlank(s[last]));
}

// The key without its trailing separators ("表" ends in the byte 0x5C, which is no separator).
std::string_view KeyName(std::string_view key) {
  for (;;) {
    std::size_t last = FindLastChar(key, kStoredSeparator);
    if (last == std::string_view::npos || last + 1 != key.size()) return key;
    key.remove_suffix(1);
  }
}

std::string_view ValueName(std::string_view name) { return name.empty() ? kDefaultName : name; }

bool IsWritableKey(std::string_view key) {
  return !key.empty() && !HasControl(key) && FindChar(key, ']') == std::string_view::npos && !HasOuterBlank(key);
}

bool IsWritableValueName(std::string_view name) {
  return !HasControl(name) && FindChar(name, '=') == std::string_view::npos && !HasOuterBlank(name) &&
         name.front() != ';' && name.front() != '[';
}

bool SameKey(std::string_view section, std::string_view key) { return EqualsNoCaseAscii(KeyName(section), key); }

// The part of section below key ("B\C" for section "A\B\C" under key "A"), or npos when section is no sub-key.
std::size_t BelowKey(std::string_view section, std::string_view key) {
  section = KeyName(section);
  if (section.size() <= key.size() + 1) return std::string_view::npos;
  // key.size() must fall between two characters of section.
  std::size_t i = 0;
  while (i < key.size()) i = NextChar(section, i);
  if (i != key.size() || section[i] != kStoredSeparator || !EqualsNoCaseAscii(section.substr(0, i), key)) {
    return std::string_view::npos;
  }
  return i + 1;
}

bool IsSubKey(std::string_view section, std::string_view key) { return BelowKey(section, key) != std::string_view::npos; }

IniEntry* FindValue(IniSection& s, std::string_view name) {
  for (IniEntry& e : s.entries) {
    if (EqualsNoCaseAscii(e.key, name)) return &e;
  }
  return nullptr;
}

// Removes every entry of name; the lines before an entry stay where they were. True when one was removed.
bool RemoveValue(IniSection& s, std::string_view name) {
  bool removed = false;
  for (auto it = s.entries.begin(); it != s.entries.end();) {
    if (!EqualsNoCaseAscii(it->key, name)) {
      ++it;
      continue;
    }
    std::vector<std::string>& next = (it + 1 != s.entries.end()) ? (it + 1)->before : s.after;
    next.insert(next.begin(), it->before.begin(), it->before.end());
    it = s.entries.erase(it);
    removed = true;
  }
  return removed;
}

// What a reader of the file sees of a value: the first section of the key that holds it.
const IniEntry* ReadableValue(const IniDocument& doc, std::string_view key, std::string_view name) {
  for (const IniSection& s : doc.sections) {
    if (!SameKey(s.name, key)) continue;
    for (const IniEntry& e : s.entries) {
      if (EqualsNoCaseAscii(e.key, name)) return &e;
    }
  }
  return nullptr;
}

// True when the document changed.
bool SetValueIn(IniDocument& doc, std::string_view key, std::string_view name, std::string_view data) {
  IniSection* first = nullptr;
  for (IniSection& s : doc.sections) {
    if (!SameKey(s.name, key)) continue;
    if (!first) first = &s;
    if (IniEntry* e = FindValue(s, name)) {
      if (e->value == data) return false;
      e->value = IniQuoteValue(data);
      return true;
    }
  }
  if (!first) first = &doc.AddSection(key);
  first->entries.push_back({std::string(name), IniQuoteValue(data)});
  return true;
}

bool CreateKeyIn(IniDocument& doc, std::string_view key) {
  for (const IniSection& s : doc.sections) {
    if (SameKey(s.name, key)) return false;
  }
  doc.AddSection(key);
  return true;
}

bool DeleteValueIn(IniDocument& doc, std::string_view key, std::string_view name) {
  bool changed = false;
  for (IniSection& s : doc.sections) {
    if (SameKey(s.name, key)) changed = RemoveValue(s, name) || changed;
  }
  return changed;
}

bool DeleteKeyIn(IniDocument& doc, std::string_view key) {
  std::size_t before = doc.sections.size();
  std::erase_if(doc.sections, [key](const IniSection& s) { return SameKey(s.name, key) || IsSubKey(s.name, key); });
  return doc.sections.size() != before;
}

// The file as a document: a missing file is an empty one; false when it is there and cannot be read.
bool LoadForWriting(const std::string& path, IniDocument& doc) {
  if (IniReadFile(path, doc)) return true;
  int saved = LastError();
  doc = IniDocument{};
  if (GetPathKind(path) == PathKind::None && !IsSymbolicLink(path)) return true;
  return Refuse(saved ? saved : EIO);
}

bool LoadForReading(IniDocument& doc) {
  std::string path = RegistryFilePath();
  return !path.empty() && IniReadFile(path, doc);
}

bool MakeFolderOf(const std::string& path) {
  std::size_t slash = FindLastChar(path, kDelimiter);
  if (slash == std::string::npos || slash == 0) return true;
  std::string folder = path.substr(0, slash);
  return IsFolder(folder) || MakeFolders(folder);
}

}  // namespace

void RegistryEdit::SetValue(std::string_view key, std::string_view name, std::string_view data) {
  changes_.push_back({Kind::SetValue, std::string(KeyName(key)), std::string(ValueName(name)), std::string(data)});
}

void RegistryEdit::CreateKey(std::string_view key) { changes_.push_back({Kind::CreateKey, std::string(KeyName(key))}); }

void RegistryEdit::DeleteValue(std::string_view key, std::string_view name) {
  changes_.push_back({Kind::DeleteValue, std::string(KeyName(key)), std::string(ValueName(name))});
}

void RegistryEdit::DeleteKey(std::string_view key) { changes_.push_back({Kind::DeleteKey, std::string(KeyName(key))}); }

bool RegistryEdit::Commit() {
  for (const Change& c : changes_) {
    bool named = c.kind == Kind::SetValue || c.kind == Kind::DeleteValue;
    if (!IsWritableKey(c.key) || (named && !IsWritableValueName(c.name)) || HasControl(c.data)) return Refuse(EINVAL);
  }
  if (changes_.empty()) return true;
  std::string path = RegistryFilePath();
  if (path.empty()) return Refuse(ENOENT);
  if (!MakeFolderOf(path)) return false;
  auto lock = LockFile(path, LockKind::Exclusive, kLockWaitMilliseconds);
  if (!lock) return false;
  IniDocument doc;
  if (!LoadForWriting(path, doc)) return false;
  bool changed = false;
  for (const Change& c : changes_) {
    switch (c.kind) {
      case Kind::SetValue:
        changed = SetValueIn(doc, c.key, c.name, c.data) || changed;
        break;
      case Kind::CreateKey:
        changed = CreateKeyIn(doc, c.key) || changed;
        break;
      case Kind::DeleteValue:
        changed = DeleteValueIn(doc, c.key, c.name) || changed;
        break;
      case Kind::DeleteKey:
        changed = DeleteKeyIn(doc, c.key) || changed;
        break;
    }
  }
  return !changed || IniWriteFile(path, doc);
}

bool RegistrySetValue(std::string_view key, std::string_view name, std::string_view data) {
  RegistryEdit edit;
  edit.SetValue(key, name, data);
  return edit.Commit();
}

bool RegistryCreateKey(std::string_view key) {
  RegistryEdit edit;
  edit.CreateKey(key);
  return edit.Commit();
}

bool RegistryDeleteValue(std::string_view key, std::string_view name) {
  RegistryEdit edit;
  edit.DeleteValue(key, name);
  return edit.Commit();
}

bool RegistryDeleteKey(std::string_view key) {
  RegistryEdit edit;
  edit.DeleteKey(key);
  return edit.Commit();
}

bool RegistryReadValue(std::string_view key, std::string_view name, std::string& data) {
  IniDocument doc;
  if (!LoadForReading(doc)) return false;
  const IniEntry* e = ReadableValue(doc, KeyName(key), ValueName(name));
  if (!e) return false;
  // A caller takes the value as a C string: one that holds a NUL would reach it cut short.
  if (e->value.find('\0') != std::string::npos) return Refuse(EINVAL);
  data = e->value;
  return true;
}

bool RegistryKeyExists(std::string_view key) {
  IniDocument doc;
  if (!LoadForReading(doc)) return false;
  key = KeyName(key);
  for (const IniSection& s : doc.sections) {
    if (SameKey(s.name, key) || IsSubKey(s.name, key)) return true;
  }
  return false;
}

std::vector<std::string> RegistrySubKeys(std::string_view key) {
  std::vector<std::string> names;
  IniDocument doc;
  if (!LoadForReading(doc)) return names;
  key = KeyName(key);
  for (const IniSection& s : doc.sections) {
    std::size_t start = BelowKey(s.name, key);
    if (start == std::string_view::npos) continue;
    std::string_view rest = KeyName(s.name).substr(start);
    std::string_view name = rest.substr(0, FindChar(rest, kStoredSeparator));
    bool known = false;
    for (const std::string& n : names) known = known || EqualsNoCaseAscii(n, name);
    if (!known && !name.empty()) names.emplace_back(name);
  }
  return names;
}

}  // namespace platform
