#include "ServerReply.h"

#include "platform/text.h"

namespace quillon {

namespace {

bool HoldsAny(std::string_view text, std::initializer_list<std::string_view> markers) {
  for (std::string_view m : markers) {
    if (FindText(text, m) != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace

std::size_t FindText(std::string_view text, std::string_view marker) {
  if (marker.empty()) return 0;
  for (std::size_t i = 0; i + marker.size() <= text.size(); i = platform::NextChar(text, i)) {
    if (text.compare(i, marker.size(), marker) == 0) return i;
  }
  return std::string_view::npos;
}

ServerReply ReadServerReply(std::string body, const FindReplyElement& find) {
  ServerReply reply;
  auto hidden = [&find, &reply](const std::string& name) {
    std::optional<ReplyElement> e = find ? find(name) : std::nullopt;
    if (!e || !platform::EqualsNoCaseAscii(e->tagName, "INPUT") || !platform::EqualsNoCaseAscii(e->type, "hidden")) {
      return std::string();
    }
    if (!e->complete) {
      reply.whole = false;
      return std::string();
    }
    return e->value;
  };
  reply.body = std::move(body);
  reply.cgiId = hidden("CGI_ID");
  reply.errMsg = hidden("ERR_MSG");
  reply.btnId = hidden("BTN_ID");
  reply.btnNm = hidden("BTN_NM");
  return reply;
}

ReplyClass ClassifyReply(const ServerReply& reply) {
  std::string_view body = reply.body;
  const bool answered = body.substr(0, 6) == "SENDOK" || body.substr(0, 6) == "SENDNG";
  if (answered && !reply.whole) return {ReplyKind::Unknown, {}};
  if (body.substr(0, 6) == "SENDOK") return {ReplyKind::Accepted, {}};
  if (body.substr(0, 6) == "SENDNG") {
    return {reply.btnId.empty() ? ReplyKind::Refused : ReplyKind::RefusedWithReturn, {}};
  }
  if (HoldsAny(body, {"UE0003", "UE0016", "UE0040"})) return {ReplyKind::ServiceClosed, {}};
  std::size_t gese = FindText(body, "GESE");
  if (gese != std::string_view::npos) return {ReplyKind::SystemError, std::string(body.substr(gese, 8))};
  if (HoldsAny(body, {"CER02002"})) return {ReplyKind::BadTransition, {}};
  if (HoldsAny(body, {"CER02003"})) return {ReplyKind::NotLoggedIn, {}};
  return {ReplyKind::Unknown, {}};
}

std::string ReplyMessageText(const ServerReply& reply) {
  // "<" is never the second byte of a double-byte character, so a byte search finds only whole tags.
  std::string text;
  std::string_view rest = reply.errMsg;
  for (std::size_t at; (at = rest.find("<BR>")) != std::string_view::npos; rest.remove_prefix(at + 4)) {
    text += rest.substr(0, at);
    text += "\r\n";
  }
  text += rest;
  return text;
}

}  // namespace quillon
