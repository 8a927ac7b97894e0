// The lines the page host prints: one JSON object a line, texts in UTF-8, in a fixed compact form
// ({"object":"Quillon1","event":"OnStatusChanged","args":[1,""]}).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/com/variant.h"
#include "platform/ui/services.h"

namespace pagehost {

// A JSON string of UTF-8 text: quotes, backslashes and control characters escaped; a byte that is no part of a
// UTF-8 character becomes U+FFFD, so the line stays valid UTF-8.
std::string JsonString(std::string_view utf8);
// A value: numbers as numbers, booleans as true/false, texts as strings (CP932 converted), anything else null.
std::string JsonValue(const platform::com::Variant& value);

// object: the id of the object, empty when it is not known (null).
std::string EventLine(const std::string& object, const std::string& event,
                      const std::vector<platform::com::Variant>& args);
std::string BoxLine(const std::string& object, const platform::ui::MessageBoxRequest& box,
                    platform::ui::BoxAnswer answer);
// kind: "open", "save", "folder" or "download"; path: CP932, nullptr when cancelled (null).
std::string DialogLine(const std::string& object, const char* kind, const std::string* path);
std::string ResultLine(const platform::com::Variant& result);
std::string ErrorLine(std::string_view utf8);

// The words of the answers, as scripts write them: "OK", "Cancel", "Yes", "No".
const char* AnswerWord(platform::ui::BoxAnswer answer);
// The text of a value as `wait` compares it: a number in decimal, a boolean as true/false, a text as it is
// (UTF-8); false for a value of another type.
bool ValueText(const platform::com::Variant& value, std::string& utf8);

}  // namespace pagehost
