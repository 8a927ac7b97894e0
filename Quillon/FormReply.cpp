#include "FormReply.h"

#include <initializer_list>

#include "MessageText.h"
#include "QuillonStrings.h"

namespace quillon {

namespace {

constexpr const char* kFatalText = "続行不能なエラーが発生しました。最初から処理をやり直して下さい。";

bool HoldsAny(std::string_view text, std::initializer_list<std::string_view> markers) {
  for (std::string_view m : markers) {
    if (text.find(m) != std::string_view::npos) return true;
  }
  return false;
}

// A string-table text formatted with one empty argument (none of these holds a placeholder).
std::string TableText(int id) { return controls::FormatMessageText(LoadString(id), {""}); }

}  // namespace

std::optional<std::string> FormReplyMessage(std::string_view body) {
  if (HoldsAny(body, {"CER010", "GESE"})) return std::string(kFatalText);
  if (HoldsAny(body, {"CER02002", "LOUE"})) return TableText(3000);
  if (HoldsAny(body, {"CER02003"})) return TableText(3001);
  if (HoldsAny(body, {"UE0003", "UE0016", "UE0040"})) return TableText(2025);
  if (HoldsAny(body, {"UE0002", "UE0009"})) return TableText(2026);
  return std::nullopt;
}

std::optional<std::string> FormNavigateErrorMessage(const std::string& url, std::int32_t status) {
  if (status == 200) return std::nullopt;
  int id = status < 0 ? 1015 : 1014;
  return controls::FormatMessageText(LoadString(id), {url, static_cast<long long>(status)});
}

}  // namespace quillon
