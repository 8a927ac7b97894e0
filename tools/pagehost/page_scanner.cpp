#include "page_scanner.h"

#include <optional>

#include "charset.h"
#include "platform/text.h"

namespace pagehost {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

// Position of needle in text from `from`, ASCII letters compared without regard to case; npos when none.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && Lower(text[i + k]) == Lower(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads the attributes of a start tag from i (after its name) to its ">"; false when the text ends first.
bool ReadAttributes(std::string_view text, std::size_t& i, Tag& tag) {
  const std::size_t n = text.size();
  while (true) {
    while (i < n && (IsBlank(text[i]) || text[i] == '/')) ++i;
    if (i >= n) return false;
    if (text[i] == '>') {
      ++i;
      return true;
    }
    std::size_t start = i++;  // a name may begin with "=" and holds at least one character
    while (i < n && !IsBlank(text[i]) && text[i] != '/' && text[i] != '>' && text[i] != '=') ++i;
    std::string name = LowerAscii(text.substr(start, i - start));
    std::string value;
    std::size_t j = i;
    while (j < n && IsBlank(text[j])) ++j;
    if (j < n && text[j] == '=') {
      i = j + 1;
      while (i < n && IsBlank(text[i])) ++i;
      if (i >= n) return false;
      if (text[i] == '"' || text[i] == '\'') {
        std::size_t close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) return false;
        value = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        start = i;
        while (i < n && !IsBlank(text[i]) && text[i] != '>') ++i;
        value = std::string(text.substr(start, i - start));
      }
    }
    if (!tag.Attribute(name)) tag.attributes.emplace_back(std::move(name), std::move(value));
  }
}

// The charset named in a Content-Type value ("text/html; charset=Shift_JIS"); empty when none.
std::string CharsetOfContentType(std::string_view content) {
  std::size_t at = FindNoCase(content, "charset", 0);
  if (at == std::string_view::npos) return {};
  std::size_t i = at + 7;
  while (i < content.size() && IsBlank(content[i])) ++i;
  if (i >= content.size() || content[i] != '=') return {};
  ++i;
  while (i < content.size() && IsBlank(content[i])) ++i;
  if (i < content.size() && (content[i] == '"' || content[i] == '\'')) ++i;
  std::size_t start = i;
  while (i < content.size() && !IsBlank(content[i]) && content[i] != ';' && content[i] != '"' && content[i] != '\'') {
    ++i;
  }
  return std::string(content.substr(start, i - start));
}

int LineOf(std::string_view text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') ++line;
  }
  return line;
}

bool DecodeReference(std::string_view text, std::size_t& i, std::string& out) {
  // text[i] is "&".
  std::size_t j = i + 1;
  if (j < text.size() && text[j] == '#') {
    ++j;
    bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
    if (hex) ++j;
    std::size_t digits = j;
    unsigned long cp = 0;
    bool tooLarge = false;
    while (j < text.size()) {
      char c = text[j];
      int d = (c >= '0' && c <= '9') ? c - '0'
              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                            : -1;
      if (d < 0) break;
      cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(d);
      if (cp > 0x10FFFF) {
        tooLarge = true;
        cp = 0x110000;
      }
      ++j;
    }
    if (j == digits) return false;
    if (j < text.size() && text[j] == ';') ++j;
    out += (cp == 0 || tooLarge) ? EncodeUtf8(0xFFFD) : EncodeUtf8(cp);
    i = j;
    return true;
  }
  static const std::pair<const char*, unsigned long> kNames[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0}};
  for (const auto& [name, cp] : kNames) {
    std::string_view n(name);
    if (text.substr(j, n.size()) == n && j + n.size() < text.size() && text[j + n.size()] == ';') {
      out += EncodeUtf8(cp);
      i = j + n.size() + 1;
      return true;
    }
  }
  return false;
}

}  // namespace

const std::string* Tag::Attribute(std::string_view wanted) const {
  for (const auto& [name, value] : attributes) {
    if (name == wanted) return &value;
  }
  return nullptr;
}

void ScanTags(std::string_view text, const std::function<void(const Tag&)>& onTag) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    std::size_t lt = text.find('<', i);
    if (lt == std::string_view::npos) return;
    i = lt + 1;
    if (text.substr(lt, 4) == "<!--") {
      std::size_t close = text.find("-->", lt + 4);
      if (close == std::string_view::npos) return;
      i = close + 3;
      continue;
    }
    if (i < n && (text[i] == '!' || text[i] == '?')) {
      std::size_t close = text.find('>', i);
      if (close == std::string_view::npos) return;
      i = close + 1;
      continue;
    }
    Tag tag;
    tag.offset = lt;
    if (i < n && text[i] == '/') {
      tag.end = true;
      ++i;
    }
    if (i >= n || !IsAsciiLetter(text[i])) continue;  // a "<" of the text
    std::size_t start = i;
    while (i < n && !IsBlank(text[i]) && text[i] != '/' && text[i] != '>') ++i;
    tag.name = LowerAscii(text.substr(start, i - start));
    if (tag.end) {
      std::size_t close = text.find('>', i);
      if (close == std::string_view::npos) return;
      i = close + 1;
      onTag(tag);
      continue;
    }
    if (!ReadAttributes(text, i, tag)) return;
    onTag(tag);
    if (tag.name == "script" || tag.name == "style" || tag.name == "textarea" || tag.name == "title") {
      std::size_t close = FindNoCase(text, "</" + tag.name, i);
      if (close == std::string_view::npos) return;
      i = close;
    }
  }
}

std::string DeclaredCharset(std::string_view page) {
  std::string found;
  ScanTags(page, [&](const Tag& tag) {
    if (!found.empty() || tag.end || tag.name != "meta") return;
    if (const std::string* charset = tag.Attribute("charset")) {
      found = std::string(Trim(*charset));
      return;
    }
    const std::string* equiv = tag.Attribute("http-equiv");
    const std::string* content = tag.Attribute("content");
    if (equiv && content && LowerAscii(Trim(*equiv)) == "content-type") found = CharsetOfContentType(*content);
  });
  return found;
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '&' && DecodeReference(text, i, out)) continue;
    out += text[i++];
  }
  return out;
}

bool ScanPage(std::string_view bytes, Page& page, std::string& error) {
  page = Page{};
  bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom) bytes.remove_prefix(3);
  page.declared = DeclaredCharset(bytes);
  page.charset = bom ? "UTF-8" : IconvCharset(page.declared);
  if (page.charset.empty()) {
    if (!page.declared.empty()) page.warnings.push_back("unknown charset \"" + page.declared + "\", read as Shift_JIS");
    page.charset = "CP932";
  }
  std::string text;
  DecodeToUtf8(bytes, page.charset, text);

  std::vector<std::size_t> open;  // indices of the objects whose </object> has not come yet
  std::vector<bool> controls;     // per object: one with a class id, which the page gets
  std::vector<PageObject> all;
  bool ok = true;
  ScanTags(text, [&](const Tag& tag) {
    if (!ok) return;
    if (tag.name == "object") {
      if (tag.end) {
        if (!open.empty()) open.pop_back();
        return;
      }
      PageObject object;
      object.line = LineOf(text, tag.offset);
      const std::string* classId = tag.Attribute("classid");
      std::string_view cls = classId ? Trim(*classId) : std::string_view();
      bool isControl = cls.size() >= 6 && LowerAscii(cls.substr(0, 6)) == "clsid:";
      if (isControl) {
        object.classId = std::string(Trim(cls.substr(6)));
        std::optional<platform::com::GUID> guid = platform::com::ParseGuid(object.classId);
        const std::string* id = tag.Attribute("id");
        if (id) object.id = DecodeEntities(*id);
        if (!guid) {
          error = "line " + std::to_string(object.line) + ": class id \"" + object.classId + "\" is no GUID";
          ok = false;
          return;
        }
        object.clsid = *guid;
        if (object.id.empty()) {
          error = "line " + std::to_string(object.line) + ": <object> without an id";
          ok = false;
          return;
        }
      } else {
        page.warnings.push_back("line " + std::to_string(object.line) + ": <object> without a clsid: class id passed over");
      }
      open.push_back(all.size());
      all.push_back(std::move(object));
      controls.push_back(isControl);
      return;
    }
    if (tag.name == "param" && !tag.end && !open.empty()) {
      const std::string* name = tag.Attribute("name");
      if (!name) return;
      const std::string* value = tag.Attribute("value");
      bool lost = false, lostValue = false;
      PageParam param{Utf8ToCp932Lossy(DecodeEntities(*name), &lost),
                      value ? Utf8ToCp932Lossy(DecodeEntities(*value), &lostValue) : std::string()};
      if (lost || lostValue) {
        page.warnings.push_back("line " + std::to_string(LineOf(text, tag.offset)) +
                                ": a character of PARAM \"" + DecodeEntities(*name) + "\" has no Shift_JIS form");
      }
      all[open.back()].params.push_back(std::move(param));
    }
  });
  if (!ok) return false;
  for (std::size_t k = 0; k < all.size(); ++k) {
    if (!controls[k]) continue;
    for (const PageObject& before : page.objects) {
      if (before.id == all[k].id) {
        error = "line " + std::to_string(all[k].line) + ": a second <object> with the id \"" + all[k].id + "\"";
        return false;
      }
    }
    page.objects.push_back(std::move(all[k]));
  }
  return true;
}

}  // namespace pagehost
