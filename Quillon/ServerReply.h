// The image server's reply page: what is read from it and which answer it gives.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// One element of the reply page's collection of all elements, as the browser's document gives it (CP932).
struct ReplyElement {
  std::string tagName;
  std::string type;
  std::string value;
  bool complete = true;  // its tag was whole in the page (not cut off by the page's end)
};

// The first element of the page with that name, none when there is none.
using FindReplyElement = std::function<std::optional<ReplyElement>(const std::string& name)>;

struct ServerReply {
  std::string body;  // the body element's inner HTML
  std::string cgiId;   // CGI_ID
  std::string errMsg;  // ERR_MSG
  std::string btnId;   // BTN_ID
  std::string btnNm;   // BTN_NM
  bool whole = true;   // false: one of the four inputs was cut, so the page did not arrive as the server sent it
};

// The body text and the values of the hidden inputs CGI_ID, ERR_MSG, BTN_ID and BTN_NM; an element that is
// missing or is not a hidden input leaves its value empty. One that is not complete gives no value either, and
// the reply is not whole.
ServerReply ReadServerReply(std::string body, const FindReplyElement& find);

enum class ReplyKind {
  Accepted,           // begins "SENDOK"
  Refused,            // begins "SENDNG", no return button (BTN_ID empty)
  RefusedWithReturn,  // begins "SENDNG" with a return button (BTN_ID set)
  ServiceClosed,      // holds "UE0003", "UE0016" or "UE0040"
  SystemError,        // holds "GESE": serverCode is the 8 characters from there
  BadTransition,      // holds "CER02002"
  NotLoggedIn,        // holds "CER02003"
  Unknown,
};

struct ReplyClass {
  ReplyKind kind = ReplyKind::Unknown;
  std::string serverCode;
};

// The answer of a reply: its markers tested in the order of ReplyKind, the first that matches decides. A reply
// beginning "SENDOK" or "SENDNG" that is not whole cannot be read: Unknown.
ReplyClass ClassifyReply(const ServerReply& reply);

// ERR_MSG as the dialog shows it: each "<BR>" a line break (CR LF).
std::string ReplyMessageText(const ServerReply& reply);

// Index of the first occurrence of marker in a CP932 text that starts at a character (not inside a double-byte
// character), npos when there is none.
std::size_t FindText(std::string_view text, std::string_view marker);

}  // namespace quillon
