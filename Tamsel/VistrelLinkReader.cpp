#include "VistrelLinkReader.h"

#include "platform/files.h"
#include "platform/text.h"

namespace tamsel {

namespace {

struct Element {
  const char* name;
  std::string CVekHeaderData::*field;
};

const Element kElements[] = {
    {"CustomerName1", &CVekHeaderData::strCustomerName},
    {"AdjusterName", &CVekHeaderData::strAdjusterName},
    {"AccidentDate", &CVekHeaderData::strAccidentDate},
    {"TicketNo", &CVekHeaderData::strTicketNo},
    {"CarNo", &CVekHeaderData::strRegistNo},
    {"CarName", &CVekHeaderData::strCarName},
    {"CarMouldNo", &CVekHeaderData::strCarMouldNo},
    {"CarKindNo", &CVekHeaderData::strCarKindNo},
    {"ColorCode", &CVekHeaderData::strColorCode},
    {"OwnerName", &CVekHeaderData::strOwnerName},
    {"UserName", &CVekHeaderData::strUserName},
    {"GarageInDate", &CVekHeaderData::strGarageInDate},
    {"CarNoArea", &CVekHeaderData::strCarNoArea},
    {"CarNoClass", &CVekHeaderData::strCarNoClass},
    {"CarNoKana", &CVekHeaderData::strCarNoKana},
    {"CarNoSeries", &CVekHeaderData::strCarNoSeries},
    {"CarRegistedDateEra", &CVekHeaderData::strCarRegistedDateEra},
    {"CarRegistedDateYear", &CVekHeaderData::strCarRegistedDateYear},
    {"CarRegistedDateMonth", &CVekHeaderData::strCarRegistedDateMonth},
    {"XMLVersion", &CVekHeaderData::strXMLVersion},
};

const Element* FindElement(std::string_view name) {
  for (const Element& e : kElements) {
    if (platform::EqualsNoCaseAscii(name, e.name)) return &e;
  }
  return nullptr;
}

void ReadLine(std::string_view line, CVekHeaderData& record) {
  const std::size_t close = platform::FindChar(line, '>');
  std::string_view head = line.substr(0, close);
  const std::size_t open = platform::FindLastChar(head, '<');
  const Element* element = FindElement(open == std::string_view::npos ? head : head.substr(open + 1));
  if (!element || close == std::string_view::npos) return;
  std::string_view rest = line.substr(close + 1);
  record.*(element->field) = DecodeEntities(rest.substr(0, platform::FindChar(rest, '<')));
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
  static const struct {
    std::string_view entity;
    char character;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t step = platform::CharLength(text, i);
    bool replaced = false;
    if (step == 1 && text[i] == '&') {
      for (const auto& e : kEntities) {
        if (text.substr(i, e.entity.size()) == e.entity) {
          out += e.character;
          i += e.entity.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) {
      out.append(text.substr(i, step));
      i += step;
    }
  }
  return out;
}

bool ReadVistrelLinkFile(const std::string& path, CVekHeaderData* record) {
  std::string bytes;
  if (path.empty() || !record || !platform::ReadFile(path, bytes)) return false;
  std::string_view text = bytes;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    // Read as text: a line ends in LF or CR LF.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ReadLine(line, *record);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return true;
}

}  // namespace tamsel
