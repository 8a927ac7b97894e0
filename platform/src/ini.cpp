#include "platform/ini.h"

#include <cstring>

#include "platform/files.h"
#include "platform/text.h"

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

IniDocument Load(const std::string& path) {
  std::string bytes;
  if (!ReadFile(path, bytes)) return {};
  return IniDocument::Parse(bytes);
}

// Copies text (at most size-1 bytes, never half a double-byte character) and a NUL; the count copied.
std::size_t CopyOut(std::string_view text, char* buffer, std::size_t size) {
  std::size_t n = CutLength(text, size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

// A NUL-separated list with a closing NUL; a list that does not fit is cut and closed with two NULs.
std::size_t CopyList(const std::vector<std::string>& names, char* buffer, std::size_t size) {
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t used = 0;
  for (const std::string& n : names) {
    if (used + n.size() + 1 > size - 1) {
      std::size_t room = size - 2 - used;
      std::memcpy(buffer + used, n.data(), CutLength(n, room));
      used += CutLength(n, room);
      buffer[used] = '\0';
      buffer[used + 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, n.data(), n.size());
    used += n.size();
    buffer[used++] = '\0';
  }
  buffer[used] = '\0';
  return used;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  IniSection* current = nullptr;
  while (!bytes.empty()) {
    std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      current = &doc.AddSection(TrimBlanks(name));
      continue;
    }
    std::size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    current->entries.push_back(
        {std::string(TrimBlanks(line.substr(0, eq))), std::string(Unquote(TrimBlanks(line.substr(eq + 1))))});
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const IniSection& s : sections) {
    out += "[" + s.name + "]\r\n";
    for (const IniEntry& e : s.entries) out += e.key + "=" + e.value + "\r\n";
  }
  return out;
}

const IniSection* IniDocument::FindSection(std::string_view name) const {
  for (const IniSection& s : sections) {
    if (EqualsNoCaseAscii(s.name, name)) return &s;
  }
  return nullptr;
}

const IniEntry* IniDocument::FindEntry(std::string_view section, std::string_view key) const {
  const IniSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const IniEntry& e : s->entries) {
    if (EqualsNoCaseAscii(e.key, key)) return &e;
  }
  return nullptr;
}

IniSection& IniDocument::AddSection(std::string_view name) {
  sections.push_back({std::string(name), {}});
  return sections.back();
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  IniSection* s = const_cast<IniSection*>(FindSection(section));
  if (!s) s = &AddSection(section);
  for (IniEntry& e : s->entries) {
    if (EqualsNoCaseAscii(e.key, key)) {
      e.value = std::string(value);
      return;
    }
  }
  s->entries.push_back({std::string(key), std::string(value)});
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  IniSection* s = const_cast<IniSection*>(FindSection(section));
  if (!s) return false;
  for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
    if (EqualsNoCaseAscii(it->key, key)) {
      s->entries.erase(it);
      return true;
    }
  }
  return false;
}

bool IniDocument::RemoveSection(std::string_view section) {
  for (auto it = sections.begin(); it != sections.end(); ++it) {
    if (EqualsNoCaseAscii(it->name, section)) {
      sections.erase(it);
      return true;
    }
  }
  return false;
}

std::size_t IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                         std::size_t size, const std::string& path) {
  if (!buffer || size == 0) return 0;
  IniDocument doc = Load(path);
  if (!section) {
    std::vector<std::string> names;
    for (const IniSection& s : doc.sections) names.push_back(s.name);
    return CopyList(names, buffer, size);
  }
  if (!key) {
    std::vector<std::string> keys;
    if (const IniSection* s = doc.FindSection(section)) {
      for (const IniEntry& e : s->entries) keys.push_back(e.key);
    }
    return CopyList(keys, buffer, size);
  }
  if (const IniEntry* e = doc.FindEntry(section, key)) return CopyOut(e->value, buffer, size);
  return CopyOut(TrimBlanks(defaultValue ? defaultValue : ""), buffer, size);
}

std::string IniGetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const std::string& path) {
  IniDocument doc = Load(path);
  if (const IniEntry* e = doc.FindEntry(section, key)) return e->value;
  return std::string(defaultValue);
}

int IniGetInt(std::string_view section, std::string_view key, int defaultValue, const std::string& path) {
  IniDocument doc = Load(path);
  const IniEntry* e = doc.FindEntry(section, key);
  if (!e) return defaultValue;
  std::string_view v = e->value;
  bool negative = false;
  std::size_t i = 0;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
  if (i >= v.size() || v[i] < '0' || v[i] > '9') return defaultValue;
  long long n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10 + (v[i] - '0');
  return static_cast<int>(negative ? -n : n);
}

std::vector<std::string> IniGetKeys(std::string_view section, const std::string& path) {
  std::vector<std::string> keys;
  IniDocument doc = Load(path);
  if (const IniSection* s = doc.FindSection(section)) {
    for (const IniEntry& e : s->entries) keys.push_back(e.key);
  }
  return keys;
}

std::vector<std::string> IniGetSections(const std::string& path) {
  std::vector<std::string> names;
  for (const IniSection& s : Load(path).sections) names.push_back(s.name);
  return names;
}

bool IniWriteString(const char* section, const char* key, const char* value, const std::string& path) {
  if (!section) return false;
  IniDocument doc = Load(path);
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
