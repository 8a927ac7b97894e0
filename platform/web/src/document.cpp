#include "platform/web/document.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>

#include <set>

#include "charset.h"
#include "http_headers.h"

namespace platform::web {

Document::Document(std::string bodyInnerHtml, std::vector<Element> all)
    : innerHtml_(std::move(bodyInnerHtml)), all_(std::move(all)) {}

const Element* Document::Item(std::string_view name, int index) const {
  if (index < 0) return nullptr;
  for (const Element& e : all_) {
    if (e.name == name || e.id == name) {
      if (index-- == 0) return &e;
    }
  }
  return nullptr;
}

namespace {

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

struct CtxtFree {
  void operator()(htmlParserCtxt* c) const { htmlFreeParserCtxt(c); }
};

const char* Text(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* v = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (!v) return {};
  std::string out = Text(v);
  xmlFree(v);
  return out;
}

xmlNode* FindElement(xmlNode* node, const char* name) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    if (xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0) return node;
    if (xmlNode* inner = FindElement(node->children, name)) return inner;
  }
  return nullptr;
}

// The parser puts text that stands outside any element into a <p> of its own, which a browser does not:
// in a page that has no <p> of its own, every <p> is such a one, and is dissolved.
bool HasParagraphTag(std::string_view html) {
  for (std::size_t i = html.find('<'); i != std::string_view::npos; i = html.find('<', i + 1)) {
    if (i + 2 < html.size() && (html[i + 1] == 'p' || html[i + 1] == 'P') &&
        (html[i + 2] == '>' || html[i + 2] == ' ' || html[i + 2] == '\t' || html[i + 2] == '\r' ||
         html[i + 2] == '\n' || html[i + 2] == '/'))
      return true;
  }
  return false;
}

void DissolveParagraphs(xmlNode* parent) {
  for (xmlNode* node = parent->children; node;) {
    xmlNode* next = node->next;
    if (node->type == XML_ELEMENT_NODE) {
      DissolveParagraphs(node);
      if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("p")) == 0) {
        while (xmlNode* child = node->children) {
          xmlUnlinkNode(child);
          xmlAddPrevSibling(node, child);
        }
        xmlUnlinkNode(node);
        xmlFreeNode(node);
      }
    }
    node = next;
  }
}

std::string InnerHtml(xmlDoc* doc, xmlNode* body) {
  xmlBuffer* buffer = xmlBufferCreate();
  if (!buffer) return {};
  xmlOutputBuffer* out = xmlOutputBufferCreateBuffer(buffer, xmlFindCharEncodingHandler("UTF-8"));
  if (!out) {
    xmlBufferFree(buffer);
    return {};
  }
  for (xmlNode* child = body->children; child; child = child->next) {
    htmlNodeDumpFormatOutput(out, doc, child, "UTF-8", 0);
  }
  xmlOutputBufferClose(out);
  std::string utf8(Text(xmlBufferContent(buffer)), static_cast<std::size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  // A no-break space is written as the entity, as browsers write it (CP932 has no such character).
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\xC2' && i + 1 < utf8.size() && utf8[i + 1] == '\xA0') {
      shown += "&nbsp;";
      ++i;
    } else {
      shown += utf8[i];
    }
  }
  return shown;
}

// The elements whose start tag the parser did not see end with its ">" (the page cut inside the tag, or a
// quote that never closes taking in the rest of the page).
struct OpenTags {
  startElementSAXFunc defaultStart = nullptr;
  std::set<xmlNode*> nodes;
};

void StartElement(void* context, const xmlChar* name, const xmlChar** attributes) {
  auto* ctxt = static_cast<htmlParserCtxtPtr>(context);
  auto* open = static_cast<OpenTags*>(ctxt->_private);
  open->defaultStart(context, name, attributes);
  // Called once the attributes are read, before the parser takes the tag's end. An element the parser
  // implies (html, body, p) has no tag in the page; its name is not one the parser read into its dictionary.
  if (!ctxt->dict || !xmlDictOwns(ctxt->dict, name)) return;
  const xmlChar* at = ctxt->input ? ctxt->input->cur : nullptr;
  const bool closed = at && (at[0] == '>' || (at[0] == '/' && at[1] == '>'));
  if (!closed && ctxt->node) open->nodes.insert(ctxt->node);
}

void CollectElements(xmlNode* node, const OpenTags& open, std::vector<Element>& all) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    Element e;
    std::string tag = Text(node->name);
    for (char& c : tag) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    e.tagName = Utf8ToCp932Lossy(tag);
    e.name = Utf8ToCp932Lossy(Attribute(node, "name"));
    e.id = Utf8ToCp932Lossy(Attribute(node, "id"));
    e.type = Utf8ToCp932Lossy(AsciiLower(Attribute(node, "type")));
    if (e.tagName == "INPUT" && e.type.empty()) e.type = "text";
    e.value = Utf8ToCp932Lossy(Attribute(node, "value"));
    e.complete = open.nodes.count(node) == 0;
    all.push_back(std::move(e));
    CollectElements(node->children, open, all);
  }
}

}  // namespace

std::shared_ptr<const Document> ParseDocument(std::string_view bytes, std::string_view contentType) {
  std::size_t bom = 0;
  std::string converter = ChooseConverter(bytes, HeaderParameter(contentType, "charset"), true, bom);
  std::string utf8 = DecodeToUtf8(bytes.substr(bom), converter);
  if (utf8.empty()) return std::make_shared<Document>();
  xmlInitParser();
  std::unique_ptr<htmlParserCtxt, CtxtFree> ctxt(htmlNewParserCtxt());
  if (!ctxt || !ctxt->sax) return std::make_shared<Document>();
  OpenTags open;
  open.defaultStart = ctxt->sax->startElement;
  ctxt->sax->startElement = &StartElement;
  ctxt->_private = &open;
  std::unique_ptr<xmlDoc, DocFree> doc(
      htmlCtxtReadMemory(ctxt.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                         HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
  if (!doc) return std::make_shared<Document>();
  xmlNode* root = xmlDocGetRootElement(doc.get());
  xmlNode* body = FindElement(root, "body");
  if (body && !HasParagraphTag(utf8)) DissolveParagraphs(body);
  std::vector<Element> all;
  CollectElements(root, open, all);
  std::string inner = body ? Utf8ToCp932Lossy(InnerHtml(doc.get(), body)) : std::string();
  return std::make_shared<Document>(std::move(inner), std::move(all));
}

std::shared_ptr<const Document> ParseTextDocument(std::string_view bytes, std::string_view contentType) {
  std::size_t bom = 0;
  std::string converter = ChooseConverter(bytes, HeaderParameter(contentType, "charset"), false, bom);
  std::string text = Utf8ToCp932Lossy(DecodeToUtf8(bytes.substr(bom), converter));
  std::string inner = "<pre>";
  for (char c : text) {
    switch (c) {
      case '&': inner += "&amp;"; break;
      case '<': inner += "&lt;"; break;
      case '>': inner += "&gt;"; break;
      default: inner += c;
    }
  }
  inner += "</pre>";
  return std::make_shared<Document>(std::move(inner), std::vector<Element>{});
}

}  // namespace platform::web
