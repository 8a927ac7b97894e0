// INI files with the semantics of the system's profile functions: section and key names compared without
// regard to ASCII case, the first match wins, comment lines begin with ";", values trimmed and one pair of
// enclosing quotes removed, "Key=" reads as empty while a missing key reads as the default, bytes passed
// through unchanged. Read with CR LF or LF; written with CR LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace platform {

// A hash of name that ignores the case of ASCII letters (double-byte characters as they are), as lookups compare.
std::size_t IniHashName(std::string_view name);

// The first item of a vector that bears a name (compared without regard to ASCII case), found through a hash
// index of the items' places, so that files of many sections and keys are read and written in time linear in
// their size. Items appended to the vector are indexed at the next lookup, and one that finds fewer items than
// it indexed, or its last one renamed, builds the index anew. Whoever renames or inserts items elsewhere calls
// Invalidate().
class IniNameIndex {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  template <class Item, class NameOf>
  std::size_t Find(const std::vector<Item>& items, std::string_view name, NameOf nameOf) const {
    if (items.size() < indexed_ || (indexed_ > 0 && std::string_view(nameOf(items[indexed_ - 1])) != last_)) {
      Invalidate();
    }
    if (indexed_ < items.size()) {
      for (; indexed_ < items.size(); ++indexed_) Insert(items, indexed_, nameOf);
      last_ = nameOf(items[indexed_ - 1]);
    }
    if (slots_.empty()) return npos;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t h = IniHashName(name) & mask; slots_[h] != npos; h = (h + 1) & mask) {
      if (EqualsNoCaseAscii(nameOf(items[slots_[h]]), name)) return slots_[h];
    }
    return npos;
  }
  void Invalidate() const {
    slots_.clear();
    indexed_ = 0;
    last_.clear();
  }

 private:
  template <class Item, class NameOf>
  void Insert(const std::vector<Item>& items, std::size_t item, NameOf nameOf) const {
    if (slots_.size() < 2 * (item + 1)) {
      // Grown to keep at least half the slots free; the items so far placed anew.
      slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, npos);
      for (std::size_t i = 0; i < item; ++i) Place(items, i, nameOf);
    }
    Place(items, item, nameOf);
  }
  // The first item of a name keeps its place: a later one of the same name is not indexed.
  template <class Item, class NameOf>
  void Place(const std::vector<Item>& items, std::size_t item, NameOf nameOf) const {
    const std::string_view name = nameOf(items[item]);
    const std::size_t mask = slots_.size() - 1;
    std::size_t h = IniHashName(name) & mask;
    for (; slots_[h] != npos; h = (h + 1) & mask) {
      if (EqualsNoCaseAscii(nameOf(items[slots_[h]]), name)) return;
    }
    slots_[h] = item;
  }

  mutable std::vector<std::size_t> slots_;  // item places, npos where free; a power of two in size
  mutable std::size_t indexed_ = 0;
  mutable std::string last_;
};

struct IniEntry {
  std::string key;
  std::string value;
  // The file's own text around the entry, so that a rewrite keeps what it did not change: the comment, blank and
  // other lines between the previous entry and this one, and the entry's line as read (empty for a new entry).
  std::vector<std::string> before = {};
  std::string line = {};
};

struct IniSection {
  std::string name;
  std::vector<IniEntry> entries;
  std::string header = {};              // the section's line as read
  std::vector<std::string> after = {};  // lines after its last entry
  IniNameIndex keys = {};               // of entries, by key

  const IniEntry* FindEntry(std::string_view key) const {  // first match
    std::size_t i = keys.Find(entries, key, [](const IniEntry& e) -> const std::string& { return e.key; });
    return i == IniNameIndex::npos ? nullptr : &entries[i];
  }
};

// A whole INI file in memory, parsed from and written to bytes (no I/O). Serialize writes the lines that were
// read and not changed as they were, and changed or new entries as "key=value".
class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);
  std::string Serialize() const;  // CR LF line ends

  const IniSection* FindSection(std::string_view name) const;        // first match
  const IniEntry* FindEntry(std::string_view section, std::string_view key) const;
  IniSection& AddSection(std::string_view name);                     // appended, even if one exists
  void Set(std::string_view section, std::string_view key, std::string_view value);  // replace or append
  bool RemoveKey(std::string_view section, std::string_view key);
  bool RemoveSection(std::string_view section);

  std::vector<IniSection> sections;
  std::vector<std::string> preamble;  // lines before the first section (their keys belong to no section)

 private:
  IniNameIndex sectionIndex_;
};

// GetPrivateProfileString: copies at most size-1 bytes and a NUL (never splitting a double-byte character) and
// gives the count copied. A null section lists the section names, a null key the keys of the section, each
// NUL-terminated with one more NUL at the end. A missing file reads as empty.
std::size_t IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                         std::size_t size, const std::string& path);
// The whole value (no size limit), or the default.
std::string IniGetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const std::string& path);
// GetPrivateProfileInt: the default for a missing key or an empty value, else the leading sign and digits of the
// value (0 when there are none; wraps at 32 bits).
int IniGetInt(std::string_view section, std::string_view key, int defaultValue, const std::string& path);
// The value text as GetPrivateProfileInt takes it: the default when it is empty, else the leading sign and digits
// (0 when there are none; wraps at 32 bits).
int IniValueToInt(std::string_view value, int defaultValue);
// The text to write for value so that a reader gets it back unchanged: in quotes when it begins or ends with a
// blank or a quote, which the reader would take off.
std::string IniQuoteValue(std::string_view value);
// Keys of a section in file order.
std::vector<std::string> IniGetKeys(std::string_view section, const std::string& path);
std::vector<std::string> IniGetSections(const std::string& path);

// WritePrivateProfileString: sets a key (creating file and section as needed); a null key deletes the section,
// a null value deletes the key. The file is replaced atomically; false when it cannot be written, when it exists
// but cannot be read or is read-only, and for names or values that would not read back (a line end in any of
// them, "=" or an empty key name, "]" in a section name).
bool IniWriteString(const char* section, const char* key, const char* value, const std::string& path);
// Writes a whole file at once, atomically, with the same refusals.
bool IniWriteFile(const std::string& path, const IniDocument& document);
bool IniReadFile(const std::string& path, IniDocument& document);  // false when the file cannot be read

}  // namespace platform
