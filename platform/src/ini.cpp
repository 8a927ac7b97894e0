#include "platform/ini.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace platform {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Blanks are single bytes below 0x40, so they are never the trail byte of a double-byte character.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Start of the last character of s (s not empty), stepping over double-byte characters from the front.
std::size_t LastCharStart(std::string_view s) {
  std::size_t i = 0, last = 0;
  for (; i < s.size(); i = NextChar(s, i)) last = i;
  return last;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  // From the front, so that a trail byte is never taken for a blank.
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (CharLength(s, i) == 2 || !IsBlank(s[i])) end = NextChar(s, i);
  }
  return s.substr(0, end);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// One pair of matching enclosing quotes taken off.
std::string_view Unquote(std::string_view v) {
  if (v.size() < 2 || !IsQuote(v.front())) return v;
  std::size_t last = LastCharStart(v);
  if (last == 0 || CharLength(v, last) != 1 || v[last] != v.front()) return v;
  return v.substr(1, v.size() - 2);
}

struct Line {
  enum Kind { Other, Section, Entry } kind = Other;
  std::string_view name;  // section name or key
  std::string_view value;
};

// One line of a file, without its line end.
Line ParseLine(std::string_view text) {
  Line line;
  std::string_view s = Trim(text);
  if (s.empty() || s.front() == ';') return line;
  if (s.front() == '[') {
    std::size_t close = FindChar(s, ']', 1);
    if (close != std::string_view::npos) {
      // Text after "]" is ignored.
      line.kind = Line::Section;
      line.name = Trim(s.substr(1, close - 1));
      return line;
    }
  }
  std::size_t eq = FindChar(s, '=');
  if (eq == std::string_view::npos) return line;  // a line without "=" is no key
  line.name = Trim(s.substr(0, eq));
  if (line.name.empty()) return line;
  line.kind = Line::Entry;
  line.value = Unquote(Trim(s.substr(eq + 1)));
  return line;
}

bool HasLineEnd(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Names and values that read back as they were written.
bool IsWritableSection(std::string_view name) {
  return !HasLineEnd(name) && FindChar(name, ']') == std::string_view::npos && Trim(name) == name;
}

bool IsWritableKey(std::string_view key) {
  return !key.empty() && !HasLineEnd(key) && FindChar(key, '=') == std::string_view::npos && Trim(key) == key &&
         key.front() != ';' && key.front() != '[';
}

bool IsWritable(const IniDocument& doc) {
  for (const IniSection& s : doc.sections) {
    if (!IsWritableSection(s.name)) return false;
    for (const IniEntry& e : s.entries) {
      if (!IsWritableKey(e.key) || HasLineEnd(e.value)) return false;
    }
  }
  return true;
}

bool Refuse(int code) {
  SetLastError(code);
  errno = code;
  return false;
}

// The file as a document: a missing file is an empty one; false when it exists and cannot be read.
bool Load(const std::string& path, IniDocument& doc) {
  doc = IniDocument{};
  std::string bytes;
  if (ReadFile(path, bytes)) {
    doc = IniDocument::Parse(bytes);
    return true;
  }
  int saved = LastError();
  if (GetPathKind(path) == PathKind::None && !IsSymbolicLink(path)) return true;
  return Refuse(saved ? saved : EIO);
}

// Readers take an unreadable file as an empty one, as the profile functions do.
IniDocument LoadForReading(const std::string& path) {
  IniDocument doc;
  if (!Load(path, doc)) return IniDocument{};
  return doc;
}

// Copies text (at most size-1 bytes, never half a double-byte character) and a NUL; the count copied.
std::size_t CopyOut(std::string_view text, char* buffer, std::size_t size) {
  std::size_t n = CutLength(text, size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// A NUL-separated list with a closing NUL; a list that does not fit is cut and closed with two NULs, and the
// count is then size-2.
std::size_t CopyList(const std::vector<std::string>& names, char* buffer, std::size_t size) {
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t used = 0;
  for (const std::string& n : names) {
    if (used + n.size() + 1 > size - 1) {
      std::size_t cut = CutLength(n, size - 2 - used);
      std::memcpy(buffer + used, n.data(), cut);
      std::memset(buffer + used + cut, 0, size - used - cut);
      return size - 2;
    }
    std::memcpy(buffer + used, n.data(), n.size());
    used += n.size();
    buffer[used++] = '\0';
  }
  buffer[used] = '\0';
  return used;
}

std::vector<std::string> KeysOf(const IniDocument& doc, std::string_view section) {
  std::vector<std::string> keys;
  if (const IniSection* s = doc.FindSection(section)) {
    for (const IniEntry& e : s->entries) keys.push_back(e.key);
  }
  return keys;
}

std::vector<std::string> SectionsOf(const IniDocument& doc) {
  std::vector<std::string> names;
  for (const IniSection& s : doc.sections) names.push_back(s.name);
  return names;
}

// The default with its trailing spaces removed, as the profile functions take it.
std::string_view DefaultOf(const char* defaultValue) {
  std::string_view d = defaultValue ? defaultValue : "";
  std::size_t end = 0;
  for (std::size_t i = 0; i < d.size(); i = NextChar(d, i)) {
    if (CharLength(d, i) == 2 || d[i] != ' ') end = NextChar(d, i);
  }
  return d.substr(0, end);
}

IniSection* FindSectionToChange(IniDocument& doc, std::string_view name) {
  return const_cast<IniSection*>(doc.FindSection(name));
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  IniSection* current = nullptr;
  std::vector<std::string> pending;  // lines not yet given to an entry
  while (!bytes.empty()) {
    // Line ends are bytes of their own: 0x0A is never a trail byte.
    std::size_t end = bytes.find('\n');
    std::string_view text = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    Line line = ParseLine(text);
    if (line.kind == Line::Section) {
      if (current) {
        current->after = std::move(pending);
      } else {
        doc.preamble = std::move(pending);
      }
      pending.clear();
      current = &doc.AddSection(line.name);
      current->header = std::string(text);
    } else if (line.kind == Line::Entry && current) {
      current->entries.push_back({std::string(line.name), std::string(line.value), std::move(pending), std::string(text)});
      pending.clear();
    } else {
      pending.emplace_back(text);
    }
  }
  if (current) {
    current->after = std::move(pending);
  } else {
    doc.preamble = std::move(pending);
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  auto put = [&out](std::string_view text) {
    out += text;
    out += kLineEnd;
  };
  for (const std::string& l : preamble) put(l);
  for (const IniSection& s : sections) {
    Line h = ParseLine(s.header);
    if (h.kind == Line::Section && h.name == s.name) {
      put(s.header);
    } else {
      put("[" + s.name + "]");
    }
    for (const IniEntry& e : s.entries) {
      for (const std::string& l : e.before) put(l);
      Line l = ParseLine(e.line);
      if (l.kind == Line::Entry && l.name == e.key && l.value == e.value) {
        put(e.line);
      } else {
        put(e.key + "=" + e.value);
      }
    }
    for (const std::string& l : s.after) put(l);
  }
  return out;
}

std::size_t IniHashName(std::string_view name) {
  std::size_t h = 14695981039346656037ull;  // FNV-1a
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80 && IsLeadByte(c) && i + 1 < name.size()) {
      h = (h ^ c) * 1099511628211ull;
      c = static_cast<unsigned char>(name[++i]);  // a trail byte as it is
    } else if (c >= 'a' && c <= 'z') {
      c = static_cast<unsigned char>(c - 'a' + 'A');
    }
    h = (h ^ c) * 1099511628211ull;
  }
  return h;
}

namespace {

const std::string& SectionName(const IniSection& s) { return s.name; }
const std::string& EntryKey(const IniEntry& e) { return e.key; }

}  // namespace

const IniSection* IniDocument::FindSection(std::string_view name) const {
  std::size_t i = sectionIndex_.Find(sections, name, SectionName);
  return i == IniNameIndex::npos ? nullptr : &sections[i];
}

const IniEntry* IniDocument::FindEntry(std::string_view section, std::string_view key) const {
  const IniSection* s = FindSection(section);
  return s ? s->FindEntry(key) : nullptr;
}

IniSection& IniDocument::AddSection(std::string_view name) {
  sections.push_back({std::string(name), {}});
  return sections.back();
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  IniSection* s = FindSectionToChange(*this, section);
  if (!s) s = &AddSection(section);
  std::size_t i = s->keys.Find(s->entries, key, EntryKey);
  if (i != IniNameIndex::npos) {
    s->entries[i].value = std::string(value);
    return;
  }
  s->entries.push_back({std::string(key), std::string(value)});
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  IniSection* s = FindSectionToChange(*this, section);
  if (!s) return false;
  std::size_t i = s->keys.Find(s->entries, key, EntryKey);
  if (i == IniNameIndex::npos) return false;
  auto it = s->entries.begin() + static_cast<std::ptrdiff_t>(i);
  // The lines before the entry stay where they were.
  std::vector<std::string>& next = (it + 1 != s->entries.end()) ? (it + 1)->before : s->after;
  next.insert(next.begin(), it->before.begin(), it->before.end());
  s->entries.erase(it);
  s->keys.Invalidate();
  return true;
}

bool IniDocument::RemoveSection(std::string_view section) {
  std::size_t i = sectionIndex_.Find(sections, section, SectionName);
  if (i == IniNameIndex::npos) return false;
  sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(i));
  sectionIndex_.Invalidate();
  return true;
}

std::size_t IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                         std::size_t size, const std::string& path) {
  if (!buffer || size == 0) return 0;
  IniDocument doc = LoadForReading(path);
  if (!section) return CopyList(SectionsOf(doc), buffer, size);
  if (!key) {
    std::vector<std::string> keys = KeysOf(doc, section);
    if (!keys.empty()) return CopyList(keys, buffer, size);
    // A missing or empty section lists the default.
    std::size_t n = CopyOut(DefaultOf(defaultValue), buffer, size);
    if (n + 1 < size) buffer[n + 1] = '\0';
    return n;
  }
  if (const IniEntry* e = doc.FindEntry(section, key)) return CopyOut(e->value, buffer, size);
  return CopyOut(DefaultOf(defaultValue), buffer, size);
}

std::string IniGetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const std::string& path) {
  IniDocument doc = LoadForReading(path);
  if (const IniEntry* e = doc.FindEntry(section, key)) return e->value;
  return std::string(defaultValue);
}

int IniGetInt(std::string_view section, std::string_view key, int defaultValue, const std::string& path) {
  IniDocument doc = LoadForReading(path);
  const IniEntry* e = doc.FindEntry(section, key);
  return e ? IniValueToInt(e->value, defaultValue) : defaultValue;
}

int IniValueToInt(std::string_view v, int defaultValue) {
  if (v.empty()) return defaultValue;
  bool negative = false;
  std::size_t i = 0;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
  std::uint32_t n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10u + static_cast<std::uint32_t>(v[i] - '0');
  if (negative) n = 0u - n;
  return static_cast<int>(n);
}

std::string IniQuoteValue(std::string_view value) {
  if (value.empty()) return {};
  char first = value.front(), last = value[LastCharStart(value)];
  if (IsBlank(first) || IsQuote(first) || IsBlank(last) || IsQuote(last)) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

std::vector<std::string> IniGetKeys(std::string_view section, const std::string& path) {
  return KeysOf(LoadForReading(path), section);
}

std::vector<std::string> IniGetSections(const std::string& path) { return SectionsOf(LoadForReading(path)); }

bool IniWriteString(const char* section, const char* key, const char* value, const std::string& path) {
  if (!section) return Refuse(EINVAL);
  IniDocument doc;
  if (!Load(path, doc)) return false;
  if (!key) {
    doc.RemoveSection(section);
  } else if (!value) {
    doc.RemoveKey(section, key);
  } else {
    doc.Set(section, key, value);
  }
  return IniWriteFile(path, doc);
}

bool IniWriteFile(const std::string& path, const IniDocument& document) {
  if (!IsWritable(document)) return Refuse(EINVAL);
  // A read-only file is not replaced, as it would not be written over. A link is replaced, whatever it points to.
  std::uint32_t attributes = IsSymbolicLink(path) ? kAttrInvalid : GetAttributes(path);
  if (attributes != kAttrInvalid && (attributes & kAttrFolder)) return Refuse(EISDIR);
  if (attributes != kAttrInvalid && (attributes & kAttrReadOnly)) return Refuse(EACCES);
  std::string bytes = document.Serialize();
  return ReplaceFileAtomically(path, bytes.data(), bytes.size());
}

bool IniReadFile(const std::string& path, IniDocument& document) {
  std::string bytes;
  if (!ReadFile(path, bytes)) return false;
  document = IniDocument::Parse(bytes);
  return true;
}

}  // namespace platform
