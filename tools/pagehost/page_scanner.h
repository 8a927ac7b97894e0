// What the page host reads of a page: its <object> elements with their <param> children, and its charset.
// A small scanner of tags, not an HTML parser: it knows comments, quoted and unquoted attribute values, the
// entities of values, and the elements whose content is no markup (script, style, textarea, title).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/guid.h"

namespace pagehost {

// One tag as it stands in the text: name and attribute names in lower case, values as written (entities not
// decoded); an attribute given twice keeps its first value.
struct Tag {
  std::string name;
  bool end = false;  // </name>
  std::vector<std::pair<std::string, std::string>> attributes;
  std::size_t offset = 0;  // of its "<"

  // The value of an attribute, nullptr when the tag has none.
  const std::string* Attribute(std::string_view name) const;
};

// Calls onTag for every complete tag of text, in order. text is in any charset whose markup bytes are ASCII
// (Shift_JIS, EUC-JP, UTF-8): no byte below 0x40 is part of a double-byte character there.
void ScanTags(std::string_view text, const std::function<void(const Tag&)>& onTag);

// The charset a page declares: its first <meta charset=...>, or <meta http-equiv="Content-Type"
// content="...; charset=...">; empty when it declares none.
std::string DeclaredCharset(std::string_view page);

// Text with its character references decoded: &#NNN; &#xHH; and the names amp, lt, gt, quot, apos and nbsp. A
// reference that is none of these stays as written.
std::string DecodeEntities(std::string_view utf8);

struct PageParam {
  std::string name;   // CP932
  std::string value;  // CP932
};

struct PageObject {
  std::string id;       // UTF-8, as the page writes it (entities decoded)
  std::string classId;  // the classid attribute after "clsid:", as written
  platform::com::CLSID clsid;
  std::vector<PageParam> params;  // in page order
  int line = 0;                   // of the <object> tag
};

struct Page {
  std::string charset;      // the iconv name the page was read with
  std::string declared;     // the charset the page declares, empty when none
  std::vector<PageObject> objects;
  std::vector<std::string> warnings;  // things worth a note on stderr (UTF-8)
};

// Reads a page's bytes: decoded by its declared charset (a UTF-8 byte order mark means UTF-8; an unknown or
// missing charset: Shift_JIS), then every <object> whose classid is "clsid:{...}" (braces optional, case
// ignored) with the <param name=... value=...> inside it up to its </object>; an object of another kind is
// passed over. False with error (UTF-8) for an object without an id or with a class id that is no GUID, and for
// two objects of one id.
bool ScanPage(std::string_view bytes, Page& page, std::string& error);

}  // namespace pagehost
