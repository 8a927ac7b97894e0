// The page a browser shows: the body's inner HTML and the elements by name, as CP932 texts.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::web {

// One element of the page's collection of all elements. Texts are CP932; a character without a CP932 form
// reads as "?".
struct Element {
  std::string tagName;  // upper case, as a browser reports it ("INPUT")
  std::string name;     // the name attribute
  std::string id;       // the id attribute
  std::string type;     // lower case; "text" for an INPUT without one
  std::string value;    // the value attribute, entities decoded
  // The start tag was whole in the page: it ended with its ">". A page cut inside a tag (or a tag left open
  // by a quote that never closes) still makes the element, with what the parser could take for its
  // attributes; such an element is not complete.
  bool complete = true;
};

class Document {
 public:
  Document() = default;  // the empty page shown before any navigation
  Document(std::string bodyInnerHtml, std::vector<Element> all);

  // The body's inner HTML as the parser serialises it (tags in lower case, attribute values quoted,
  // no-break spaces as "&nbsp;").
  const std::string& BodyInnerHtml() const { return innerHtml_; }
  // all.item(name, index): the index-th element, in document order, whose name or id equals name (compared
  // exactly); null when there is none.
  const Element* Item(std::string_view name, int index = 0) const;
  const std::vector<Element>& All() const { return all_; }

 private:
  std::string innerHtml_;
  std::vector<Element> all_;
};

// The page that a reply's bytes make. They are decoded by the charset of contentType (the reply's
// "Content-Type" header value, e.g. "text/html; charset=EUC-JP"), else by a byte-order mark, else by the
// page's <meta> charset within its first 1024 bytes, else as Shift_JIS (CP932); bytes that do not decode
// become U+FFFD. Parsed as HTML (libxml2's parser, recovering from errors as a browser does).
std::shared_ptr<const Document> ParseDocument(std::string_view bytes, std::string_view contentType);

// A page of plain text (a reply of type text/plain): the text shown as it is, inside <pre>.
std::shared_ptr<const Document> ParseTextDocument(std::string_view bytes, std::string_view contentType);

}  // namespace platform::web
